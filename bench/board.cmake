# SPDX-License-Identifier: GPL-3.0-or-later
# The board view's drawing timings, and a tool that renders boards to PNG files to look at.
add_library(board_scenes STATIC ${CMAKE_CURRENT_LIST_DIR}/BoardScenes.cpp)
target_include_directories(board_scenes PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(board_scenes PUBLIC sapperly_engine PRIVATE sapperly_warnings)

add_executable(board_bench ${CMAKE_CURRENT_LIST_DIR}/BoardBench.cpp)
target_link_libraries(board_bench PRIVATE board_scenes sapperly_window sapperly_warnings)

add_executable(board_snapshots ${CMAKE_CURRENT_LIST_DIR}/BoardSnapshots.cpp)
target_link_libraries(board_snapshots PRIVATE board_scenes sapperly_window sapperly_warnings)
