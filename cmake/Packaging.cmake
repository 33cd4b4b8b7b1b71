# Installation of the desktop files, their validation as tests, and the Debian package
# (cpack -G DEB in a release build folder). The executable installs itself from src/app.
set(sapperly_app_id io.github.sapperly.Sapperly)
set(sapperly_desktop_file ${PROJECT_SOURCE_DIR}/data/${sapperly_app_id}.desktop)
set(sapperly_metainfo_file ${PROJECT_SOURCE_DIR}/data/${sapperly_app_id}.metainfo.xml)

if(SAPPERLY_BUILD_UI)
    install(FILES ${sapperly_desktop_file} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/data/icons/${sapperly_app_id}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${sapperly_metainfo_file} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# sapperly_add_validation_test(NAME TOOL ARGS...): runs a validator on our files; skipped, not
# failed, where the validator is not installed, except under CI=true, where it fails.
function(sapperly_add_validation_test name tool)
    find_program(validator_${tool} ${tool})
    if(validator_${tool})
        add_test(NAME ${name} COMMAND ${validator_${tool}} ${ARGN})
    else()
        add_test(NAME ${name} COMMAND sh -c
            "echo '${tool} is not installed'; [ \"$CI\" = true ] && exit 1; echo SKIP: ; exit 0")
        set_tests_properties(${name} PROPERTIES SKIP_REGULAR_EXPRESSION "SKIP: ")
    endif()
endfunction()

if(SAPPERLY_BUILD_TESTS)
    sapperly_add_validation_test(desktop_entry_validates desktop-file-validate
        ${sapperly_desktop_file})
    sapperly_add_validation_test(metainfo_validates appstreamcli
        validate --no-net ${sapperly_metainfo_file})
endif()

set(SAPPERLY_PACKAGE_MAINTAINER "The Sapperly developers <maintainers@sapperly.invalid>"
    CACHE STRING "Maintainer named in the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sapperly)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Sapperly developers")
set(CPACK_PACKAGE_CONTACT ${SAPPERLY_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Mine-sweeping puzzle with synced statistics")
set(CPACK_PACKAGE_DESCRIPTION
    "Uncover every square of a field that holds no mine; numbers tell how many neighbours hide one. \
Keeps per-size statistics and the game across launches, and can mirror both through a folder that \
your own sync tool shares with your other machines.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# The Qt libraries come from dpkg-shlibdeps; the platform plugins, which Qt loads at run time,
# and the fonts of the face button and counters are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-noto-color-emoji, fonts-dejavu-core")
include(CPack)
