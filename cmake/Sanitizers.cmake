# SPDX-License-Identifier: GPL-3.0-or-later
# Sanitizers apply to the whole build so that libraries and tests agree on the runtime.
if(SAPPERLY_SANITIZE)
    add_compile_options(-fsanitize=${SAPPERLY_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${SAPPERLY_SANITIZE})
endif()

# libFuzzer needs coverage instrumentation in every library its targets link; the fuzzer's own
# main is linked only into the executables under fuzz/. Assertions stay on there even in an
# optimised build: a stored file that trips one is exactly what the fuzzers are looking for.
if(SAPPERLY_BUILD_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "SAPPERLY_BUILD_FUZZ needs clang++ for libFuzzer")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link -UNDEBUG)
endif()
