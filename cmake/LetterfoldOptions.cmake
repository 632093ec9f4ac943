# Build-wide settings shared by every layer.

if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
    set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
    set(CMAKE_CXX_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
endif()

option(LETTERFOLD_BENCH "Build the benchmarks in bench/ (run with bench/run or bench/scan-bench)" OFF)

option(LETTERFOLD_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(LETTERFOLD_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# GLib's headers use "signals" as a struct member; Qt's keyword macros would break them.
add_compile_definitions(QT_NO_KEYWORDS)

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    add_compile_options(-Wall -Wextra -Wpedantic)
endif()

# libFuzzer targets in tests/fuzz. They need clang; everything in such a build
# carries coverage instrumentation and the two sanitizers, so a fuzz build
# lives in its own build folder (see tests/fuzz/README.md).
option(LETTERFOLD_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(LETTERFOLD_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "LETTERFOLD_FUZZ needs clang: configure with CC=clang CXX=clang++")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
