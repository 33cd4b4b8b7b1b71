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
