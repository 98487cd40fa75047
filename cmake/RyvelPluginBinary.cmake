# SPDX-License-Identifier: GPL-3.0-or-later
# Link options shared by the binaries a host loads (Ryvel.so, ryvel-dsp.so, ryvel-ui.so).
#
#   ryvel_plugin_binary(<target> [WITH_TOOLKIT])
#
# A release build drops every section nothing references (the toolkit is compiled with a section
# per function) and strips the symbol table; the dynamic symbols, the entry points the version
# scripts export, stay. Other builds keep everything for debuggers and sanitizers.
#
# WITH_TOOLKIT: the binary links the toolkit's static image libraries. Debian compiles those
# archives as position-independent executable code, which reaches libc's `stderr` directly
# instead of through the global offset table; a shared object cannot do that. Their references
# are redirected (--wrap) to a hidden copy of the pointer inside the binary (static-stderr.c).
function(ryvel_plugin_binary target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "WITH_TOOLKIT" "" "")
    target_link_options(${target} PRIVATE
        $<$<CONFIG:Release,MinSizeRel>:LINKER:--gc-sections,--strip-all>)
    if(arg_WITH_TOOLKIT AND RYVEL_STATIC_TOOLKIT_LIBS)
        target_sources(${target} PRIVATE ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/static-stderr.c)
        target_link_options(${target} PRIVATE LINKER:--wrap=stderr)
    endif()
endfunction()
