# Tests of the desktop integration: update feed and checks, sync-folder choice, one instance per
# data folder. Included from this folder's CMakeLists.txt.
sapperly_add_gtest(update_feed_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/VersionTest.cpp ${CMAKE_CURRENT_LIST_DIR}/UpdateFeedTest.cpp
    LIBRARIES sapperly_ui
)
sapperly_add_qt_test(updater_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/UpdaterTest.cpp
    LIBRARIES sapperly_ui Qt6::Network
)
add_executable(single_instance_holder ${CMAKE_CURRENT_LIST_DIR}/SingleInstanceHolder.cpp)
target_link_libraries(single_instance_holder PRIVATE sapperly_ui sapperly_warnings)
sapperly_add_qt_test(single_instance_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/SingleInstanceTest.cpp
    LIBRARIES sapperly_ui
)
target_compile_definitions(single_instance_tests
    PRIVATE SINGLE_INSTANCE_HOLDER="$<TARGET_FILE:single_instance_holder>")
add_dependencies(single_instance_tests single_instance_holder)
sapperly_add_qt_test(sync_folder_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/SyncFolderTest.cpp
    LIBRARIES sapperly_ui
)
sapperly_add_qt_test(desktop_integration_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/DesktopIntegrationTest.cpp
    LIBRARIES sapperly_ui
)
