# SPDX-License-Identifier: GPL-3.0-or-later
# Launch-to-first-frame time and peak memory of the game against a bare Qt Widgets window.
# Run it with: cmake --build <build folder> --target run_launch_bench (needs xvfb-run), or call
# launch_bench --sapperly PATH --bare PATH [--runs N] under any display.

add_executable(bare_window
    ${CMAKE_CURRENT_LIST_DIR}/launch/BareWindow.cpp
    ${PROJECT_SOURCE_DIR}/src/app/FirstFrameProbe.cpp
)
target_include_directories(bare_window PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(bare_window PRIVATE Qt6::Widgets sapperly_warnings)

add_executable(launch_bench ${CMAKE_CURRENT_LIST_DIR}/launch/LaunchBench.cpp)
target_link_libraries(launch_bench PRIVATE sapperly_engine sapperly_warnings)

add_custom_target(run_launch_bench
    COMMAND xvfb-run -a -s "-screen 0 1280x1024x24" $<TARGET_FILE:launch_bench> --runs 20
        --sapperly $<TARGET_FILE:sapperly> --bare $<TARGET_FILE:bare_window>
    DEPENDS launch_bench sapperly bare_window
    USES_TERMINAL
    VERBATIM
)
