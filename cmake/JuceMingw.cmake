# SPDX-License-Identifier: GPL-3.0-or-later
# JUCE's GUI modules for the Windows edition (mingw-w64): the same modules and settings as the
# Linux library (Juce.cmake), compiled from Debian's module sources directly, since JUCE's own
# CMake support is set up for the build machine. Debian's JUCE uses the system's zlib, libpng and
# libjpeg: zlib from Debian's mingw package, the other two built by scripts/build-mingw-deps.sh.

set(RYVEL_JUCE_MODULES_DIR /usr/share/juce/modules CACHE PATH "JUCE's module sources")
set(RYVEL_MINGW_DEPS_DIR ${PROJECT_SOURCE_DIR}/build/mingw-deps/prefix CACHE PATH
    "libpng and libjpeg built for mingw-w64 (scripts/build-mingw-deps.sh)")

if(NOT EXISTS ${RYVEL_JUCE_MODULES_DIR}/juce_gui_basics/juce_gui_basics.cpp)
    message(FATAL_ERROR "JUCE's modules not found in ${RYVEL_JUCE_MODULES_DIR} "
                        "(install juce-modules-source)")
endif()
foreach(lib png16 jpeg)
    find_library(RYVEL_MINGW_LIB_${lib} NAMES lib${lib}.a PATHS ${RYVEL_MINGW_DEPS_DIR}/lib
        NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    if(NOT RYVEL_MINGW_LIB_${lib})
        message(FATAL_ERROR "lib${lib}.a not found in ${RYVEL_MINGW_DEPS_DIR}/lib "
                            "(run scripts/build-mingw-deps.sh)")
    endif()
endforeach()
find_library(RYVEL_MINGW_LIB_z NAMES libz.a REQUIRED)

set(ryvel_juce_modules juce_core juce_events juce_data_structures juce_graphics juce_gui_basics)
set(ryvel_juce_sources)
foreach(module IN LISTS ryvel_juce_modules)
    list(APPEND ryvel_juce_sources ${RYVEL_JUCE_MODULES_DIR}/${module}/${module}.cpp)
endforeach()

add_library(ryvel_juce STATIC ${ryvel_juce_sources})
target_compile_definitions(ryvel_juce PUBLIC
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=0
    JUCE_STANDALONE_APPLICATION=0
    JUCE_DISPLAY_SPLASH_SCREEN=0
    JUCE_MODAL_LOOPS_PERMITTED=0
    JUCE_GLOBAL_MODULE_SETTINGS_INCLUDED=1
    JUCE_DONT_DECLARE_PROJECTINFO=1
    JUCE_MODULE_AVAILABLE_juce_core=1
    JUCE_MODULE_AVAILABLE_juce_events=1
    JUCE_MODULE_AVAILABLE_juce_data_structures=1
    JUCE_MODULE_AVAILABLE_juce_graphics=1
    JUCE_MODULE_AVAILABLE_juce_gui_basics=1
    UNICODE=1
    _UNICODE=1
    $<IF:$<CONFIG:Debug>,DEBUG=1 _DEBUG=1,NDEBUG=1>)
target_include_directories(ryvel_juce SYSTEM PUBLIC
    ${RYVEL_JUCE_MODULES_DIR} ${RYVEL_MINGW_DEPS_DIR}/include)
# -mbig-obj: the unity sources exceed COFF's 32768-section limit.
target_compile_options(ryvel_juce PRIVATE -w -Wa,-mbig-obj -ffunction-sections -fdata-sections)
# The system libraries JUCE's module headers list for mingw.
target_link_libraries(ryvel_juce PUBLIC
    ${RYVEL_MINGW_LIB_png16} ${RYVEL_MINGW_LIB_jpeg} ${RYVEL_MINGW_LIB_z}
    uuid wsock32 wininet version ole32 ws2_32 oleaut32 imm32 comdlg32 shlwapi rpcrt4 winmm dxgi
    gdi32 user32 shell32 advapi32)
