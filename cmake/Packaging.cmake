# SPDX-License-Identifier: GPL-3.0-or-later
# Installation of the desktop files, the manual page and the package documents, their
# validation as tests, and the Debian package (cpack -G DEB). The executable installs itself
# from src/app, to CMAKE_INSTALL_BINDIR: the package wants it in /usr/games, so a build that
# is to be packaged is configured with -DCMAKE_INSTALL_BINDIR=games.
set(SAPPERLY_PACKAGE_MAINTAINER "The Sapperly developers <maintainers@sapperly.invalid>"
    CACHE STRING "Maintainer named in the Debian package and its changelog")
set(sapperly_app_id io.github.sapperly.Sapperly)
set(sapperly_desktop_file ${PROJECT_SOURCE_DIR}/data/${sapperly_app_id}.desktop)
set(sapperly_metainfo_file ${PROJECT_SOURCE_DIR}/data/${sapperly_app_id}.metainfo.xml)

if(SAPPERLY_BUILD_UI)
    install(FILES ${sapperly_desktop_file} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/data/icons/${sapperly_app_id}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${sapperly_metainfo_file} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

    # The manual page and the changelog are installed compressed, as Debian wants them; gzip -n
    # keeps the name and time out of the header, so a rebuild gives the same bytes.
    find_program(SAPPERLY_GZIP gzip REQUIRED)
    set(sapperly_docs ${PROJECT_BINARY_DIR}/docs)
    add_custom_command(OUTPUT ${sapperly_docs}/sapperly.6.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/data/sapperly.6
            ${sapperly_docs}/sapperly.6
        COMMAND ${SAPPERLY_GZIP} -9 -n -f ${sapperly_docs}/sapperly.6
        DEPENDS ${PROJECT_SOURCE_DIR}/data/sapperly.6
        COMMENT "Compressing the manual page" VERBATIM)
    # The release notes are written once, in the AppStream file; the changelog is made from them.
    add_custom_command(OUTPUT ${sapperly_docs}/changelog.gz
        COMMAND ${CMAKE_COMMAND} -DMETAINFO=${sapperly_metainfo_file} -DVERSION=${PROJECT_VERSION}
            -DMAINTAINER=${SAPPERLY_PACKAGE_MAINTAINER} -DGZIP=${SAPPERLY_GZIP}
            -DOUTPUT=${sapperly_docs}/changelog.gz
            -P ${CMAKE_CURRENT_LIST_DIR}/ReleaseChangelog.cmake
        DEPENDS ${sapperly_metainfo_file} ${CMAKE_CURRENT_LIST_DIR}/ReleaseChangelog.cmake
        COMMENT "Writing the changelog from the release list" VERBATIM)
    add_custom_target(sapperly_docs ALL
        DEPENDS ${sapperly_docs}/sapperly.6.gz ${sapperly_docs}/changelog.gz)
    # Building just the game, as the install instructions do, makes what installs with it.
    if(TARGET sapperly)
        add_dependencies(sapperly sapperly_docs)
    endif()
    install(FILES ${sapperly_docs}/sapperly.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
    install(FILES ${PROJECT_SOURCE_DIR}/data/copyright ${sapperly_docs}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/sapperly)
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

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sapperly)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Sapperly developers")
set(CPACK_PACKAGE_CONTACT ${SAPPERLY_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Mine-sweeping puzzle with synced statistics")
# Debian shows the description as it is written: lines stay under 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "Uncover every square of a field that holds no mine; numbers tell how many
neighbours hide one. Sapperly keeps per-size statistics and the game across
launches, and can mirror both through a folder that your own sync tool shares
with your other machines.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# The Qt libraries come from dpkg-shlibdeps; the platform plugins, which Qt loads at run time,
# the SVG plugins that draw the window icon, and the fonts of the face button and counters are
# named here. The Wayland platform plugin lets the game run natively on a Wayland desktop.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, libqt6svg6, fonts-noto-color-emoji, fonts-dejavu-core")
# The Wayland platform plugin: without it the game runs through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
# Read back by CPackOptions.cmake, which refuses a package whose game is not in /usr/games.
set(CPACK_SAPPERLY_BINDIR ${CMAKE_INSTALL_BINDIR})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/CPackOptions.cmake)
include(CPack)
