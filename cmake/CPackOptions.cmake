# SPDX-License-Identifier: GPL-3.0-or-later
# Read by cpack for each package it makes. Debian's policy puts games in /usr/games, and the
# package says it is one (section games), so a build configured with the usual bin/ is refused
# here rather than packaged wrongly.
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_SAPPERLY_BINDIR STREQUAL "games")
    message(FATAL_ERROR "The Debian package installs the game to /usr/games: configure the build "
        "with -DCMAKE_INSTALL_BINDIR=games (it is ${CPACK_SAPPERLY_BINDIR} now)")
endif()
