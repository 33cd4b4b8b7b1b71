# SPDX-License-Identifier: GPL-3.0-or-later
# Helpers that register test executables with CTest the same way everywhere.
find_package(GTest REQUIRED)
include(GoogleTest)

# sapperly_add_gtest(NAME SOURCES ... LIBRARIES ...): a GoogleTest executable for plain code.
function(sapperly_add_gtest name)
    cmake_parse_arguments(arg "" "" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${arg_SOURCES})
    target_link_libraries(${name} PRIVATE ${arg_LIBRARIES} GTest::gtest_main sapperly_warnings)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()

# sapperly_add_qt_test(NAME SOURCES ... LIBRARIES ...): a Qt Test executable, run headless.
function(sapperly_add_qt_test name)
    cmake_parse_arguments(arg "" "" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${arg_SOURCES})
    target_link_libraries(${name} PRIVATE ${arg_LIBRARIES} Qt6::Test sapperly_warnings)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
