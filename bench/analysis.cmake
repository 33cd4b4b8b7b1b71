# SPDX-License-Identifier: GPL-3.0-or-later
# The post-mortem solver on expert losses from seeded random play; prints its figures.
add_executable(analysis_bench ${CMAKE_CURRENT_LIST_DIR}/AnalysisBench.cpp)
target_link_libraries(analysis_bench PRIVATE sapperly_analysis sapperly_test_support sapperly_warnings)
