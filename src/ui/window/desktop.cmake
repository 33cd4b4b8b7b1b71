# Desktop integration in the window library: update checks, the sync-folder choice and one
# running copy per data folder. Included from this folder's CMakeLists.txt.
set(SAPPERLY_UPDATE_FEED_URL "" CACHE STRING
    "Address of the update feed the game checks (empty: the update command stays disabled)")

target_sources(sapperly_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CheckForUpdatesButton.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DesktopIntegration.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FirstFrameProbe.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SingleInstance.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SyncFolderCommand.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SyncFolderDialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SyncFolderSetting.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UpdateFeed.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UpdateResultDialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Updater.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Version.cpp
)
target_link_libraries(sapperly_ui PRIVATE Qt6::Network)
# Only the updater sees these, so changing the feed rebuilds one file.
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/Updater.cpp TARGET_DIRECTORY sapperly_ui
    PROPERTIES COMPILE_DEFINITIONS
    "SAPPERLY_UPDATE_FEED_URL=\"${SAPPERLY_UPDATE_FEED_URL}\";SAPPERLY_VERSION=\"${PROJECT_VERSION}\""
)
