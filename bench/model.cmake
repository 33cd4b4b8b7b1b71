# SPDX-License-Identifier: GPL-3.0-or-later
# The game model's timings: rule calls on expert boards and the saved game's JSON write and read.
add_executable(model_bench ${CMAKE_CURRENT_LIST_DIR}/ModelBench.cpp)
target_link_libraries(model_bench PRIVATE sapperly_test_support benchmark::benchmark sapperly_warnings)
