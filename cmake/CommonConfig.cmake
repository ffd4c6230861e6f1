# SPDX-License-Identifier: GPL-3.0-or-later
# One INTERFACE target carries warnings and Qt strictness; every target links it.
add_library(ampora_common INTERFACE)
target_compile_options(ampora_common INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
    -Woverloaded-virtual -Wformat=2 -Wimplicit-fallthrough)
if(AMPORA_WERROR)
    target_compile_options(ampora_common INTERFACE -Werror)
endif()
target_compile_definitions(ampora_common INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_URL_CAST_FROM_STRING
    QT_USE_QSTRINGBUILDER
    QT_NO_FOREACH
    QT_DISABLE_DEPRECATED_BEFORE=0x060400)
# Hardened as distributions build their packages: stack protector, full RELRO with immediate
# binding, position-independent executables (CMAKE_POSITION_INDEPENDENT_CODE), and checked string
# and memory functions where the optimiser can check them (sanitizers and fuzzers check their own).
if(AMPORA_HARDEN)
    target_compile_options(ampora_common INTERFACE -fstack-protector-strong)
    target_link_options(ampora_common INTERFACE -Wl,-z,relro -Wl,-z,now)
    if(NOT AMPORA_SANITIZE AND NOT AMPORA_FUZZ)
        target_compile_options(ampora_common INTERFACE
            $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2>)
    endif()
endif()
if(AMPORA_SANITIZE)
    target_compile_options(ampora_common INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(ampora_common INTERFACE -fsanitize=address,undefined)
endif()
if(AMPORA_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "AMPORA_FUZZ needs clang's libFuzzer: configure a fresh build folder with CC=clang CXX=clang++")
    endif()
    if(AMPORA_SANITIZE)
        message(FATAL_ERROR "AMPORA_FUZZ brings its own sanitizers: leave AMPORA_SANITIZE off")
    endif()
    # Coverage feedback for the fuzzer in every library; the harnesses link the fuzzer itself.
    target_compile_options(ampora_common INTERFACE -fsanitize=fuzzer-no-link,address,undefined
        -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(ampora_common INTERFACE -fsanitize=address,undefined)
endif()
