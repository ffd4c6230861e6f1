# SPDX-License-Identifier: GPL-3.0-or-later
# cmake -DNM=<nm> -DLIBRARY=<libampora-base.so> -P ExportedSymbols.cmake
# Fails when the base library exports a function outside any namespace. Its code is compiled
# hidden and exports what AMPORA_BASE_EXPORT marks; a free function in the global namespace is
# either a forgotten namespace or a helper that should not have external linkage.
#
# Left out on purpose:
#  - names starting with qt_: moc writes its tables and helpers (qt_meta_stringdata_..., and in
#    newer Qt qt_create_metaobjectdata) at namespace scope under names it chooses; if a Qt version
#    ever made one visible it would be Qt's generated code, which no namespace of ours can hold;
#  - names starting with _ and a capital or a second _: reserved for the compiler and C library
#    (_init, _fini, __bss_start and the like).
# Function templates from the standard library instantiated on our types show up qualified
# (std::...), so they pass; they are weak copies the linker merges, not our code.

if(NOT NM OR NOT LIBRARY)
    message(FATAL_ERROR "usage: cmake -DNM=<nm> -DLIBRARY=<library> -P ExportedSymbols.cmake")
endif()
execute_process(COMMAND ${NM} -D --defined-only -C ${LIBRARY}
    OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR listing STREQUAL "")
    message(FATAL_ERROR "${NM} could not list ${LIBRARY}: ${errors}")
endif()

# CMake lists split on ';' and treat brackets specially; neither matters to the check.
string(REPLACE ";" "_" listing "${listing}")
string(REPLACE "[" "_" listing "${listing}")
string(REPLACE "]" "_" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")

set(global_functions "")
set(functions 0)
foreach(line IN LISTS lines)
    # "<address> <type> <name>"; T, W and i are functions (text, weak, indirect).
    if(NOT line MATCHES "^[0-9a-f]+ ([TWi]) (.+)$")
        continue()
    endif()
    set(symbol "${CMAKE_MATCH_2}")
    math(EXPR functions "${functions} + 1")
    if(symbol MATCHES "^qt_" OR symbol MATCHES "^_[A-Z_]")
        continue()
    endif()
    # The name is what comes before the parameter list, once template arguments (which may hold
    # parentheses and scopes of their own) are gone; its last word, after a return type or
    # "non-virtual thunk to", is the qualified name.
    set(name "${symbol}")
    string(REPLACE "(anonymous namespace)" "anonymous" name "${name}")
    string(REGEX REPLACE "operator(<<=|>>=|<=>|<<|>>|<=|>=|->\\*|->|<|>|\\(\\))" "operator@" name "${name}")
    set(previous "")
    while(NOT name STREQUAL previous)
        set(previous "${name}")
        string(REGEX REPLACE "<[^<>]*>" "" name "${name}")
    endwhile()
    string(REGEX REPLACE "\\(.*" "" name "${name}")
    string(REGEX REPLACE "^.* " "" name "${name}")
    if(NOT name MATCHES "::")
        string(APPEND global_functions "\n  ${symbol}")
    endif()
endforeach()

if(functions EQUAL 0)
    message(FATAL_ERROR "${LIBRARY} exports no function at all: the listing was not understood")
endif()
if(NOT global_functions STREQUAL "")
    message(FATAL_ERROR "${LIBRARY} exports functions outside any namespace:${global_functions}\n"
        "Put them in the namespace of what they belong to, or keep them out of the library's exports.")
endif()
message(STATUS "${functions} exported functions, all in namespaces or classes")
