# SPDX-License-Identifier: GPL-3.0-or-later
add_executable(store_bench ${CMAKE_CURRENT_LIST_DIR}/StoreBench.cpp)
target_link_libraries(store_bench PRIVATE sapperly_store Qt6::Core sapperly_warnings)
