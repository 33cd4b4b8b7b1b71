# SPDX-License-Identifier: GPL-3.0-or-later
# Every project target links sapperly_warnings, so the warning set is stated once.
add_library(sapperly_warnings INTERFACE)
target_compile_options(sapperly_warnings INTERFACE -Wall -Wextra -Wpedantic)
if(SAPPERLY_WARNINGS_AS_ERRORS)
    target_compile_options(sapperly_warnings INTERFACE -Werror)
endif()
