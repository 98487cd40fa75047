# SPDX-License-Identifier: GPL-3.0-or-later
# JUCE's GUI modules from Debian (juce-modules-source) as one static library of ours, compiled
# into the plug-in with hidden visibility. No JUCE plug-in wrapper, no networking, no web view.

find_package(JUCE CONFIG REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)

set(ryvel_juce_definitions
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=0
    JUCE_STANDALONE_APPLICATION=0
    JUCE_DISPLAY_SPLASH_SCREEN=0
    JUCE_USE_XRANDR=1
    JUCE_MODAL_LOOPS_PERMITTED=0
    JUCE_GLOBAL_MODULE_SETTINGS_INCLUDED=1
    JUCE_DONT_DECLARE_PROJECTINFO=1
    JUCE_MODULE_AVAILABLE_juce_core=1
    JUCE_MODULE_AVAILABLE_juce_events=1
    JUCE_MODULE_AVAILABLE_juce_data_structures=1
    JUCE_MODULE_AVAILABLE_juce_graphics=1
    JUCE_MODULE_AVAILABLE_juce_gui_basics=1
    LINUX=1)

# Sanitizer builds may reuse the JUCE library of a release build (the toolkit is third-party
# code; compiling it twice more under instrumentation costs most of CI's time). Our own code
# around it stays instrumented. Used only when that file exists.
set(RYVEL_JUCE_PREBUILT "" CACHE FILEPATH
    "An already built libryvel_juce.a (non-Debug) to link instead of compiling JUCE again")

if(RYVEL_JUCE_PREBUILT AND EXISTS "${RYVEL_JUCE_PREBUILT}" AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
    message(STATUS "Linking the prebuilt JUCE library ${RYVEL_JUCE_PREBUILT}")
    add_library(ryvel_juce STATIC IMPORTED GLOBAL)
    set_target_properties(ryvel_juce PROPERTIES IMPORTED_LOCATION "${RYVEL_JUCE_PREBUILT}")
    target_compile_definitions(ryvel_juce INTERFACE ${ryvel_juce_definitions} NDEBUG=1)
    target_include_directories(ryvel_juce SYSTEM INTERFACE
        $<TARGET_PROPERTY:juce::juce_gui_basics,INTERFACE_INCLUDE_DIRECTORIES>)
    target_link_libraries(ryvel_juce INTERFACE
        PkgConfig::FREETYPE png jpeg z ${CMAKE_DL_LIBS} pthread rt)
else()
    add_library(ryvel_juce STATIC)
    target_link_libraries(ryvel_juce PRIVATE
        juce::juce_core juce::juce_events juce::juce_graphics juce::juce_gui_basics)
    target_compile_definitions(ryvel_juce PUBLIC ${ryvel_juce_definitions}
        $<IF:$<CONFIG:Debug>,DEBUG=1 _DEBUG=1,NDEBUG=1>)
    target_include_directories(ryvel_juce SYSTEM PUBLIC
        $<TARGET_PROPERTY:juce::juce_gui_basics,INTERFACE_INCLUDE_DIRECTORIES>)
    target_compile_options(ryvel_juce PRIVATE -w)
    target_link_libraries(ryvel_juce PUBLIC
        PkgConfig::FREETYPE png jpeg z ${CMAKE_DL_LIBS} pthread rt)
    set_target_properties(ryvel_juce PROPERTIES POSITION_INDEPENDENT_CODE ON)
endif()
