# SPDX-License-Identifier: GPL-3.0-or-later
# The engine's cost per player action, including the save to both folders.
add_executable(engine_bench ${CMAKE_CURRENT_LIST_DIR}/EngineBench.cpp)
target_link_libraries(engine_bench PRIVATE sapperly_engine benchmark::benchmark sapperly_warnings)
