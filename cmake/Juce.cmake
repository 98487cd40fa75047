# SPDX-License-Identifier: GPL-3.0-or-later
# JUCE's GUI modules from Debian (juce-modules-source) as one static library of ours, compiled
# into the plug-in with hidden visibility. No JUCE plug-in wrapper, no networking, no web view.

find_package(JUCE CONFIG REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)

# The toolkit's font and image libraries (freetype with what it needs, libpng, libjpeg, zlib) go
# into the plug-in binaries from Debian's static archives: a host on another distribution has
# other versions of them, or none, and would refuse to load a module that names them. Hidden
# by the binaries' version scripts, they never meet the host's own copies.
option(RYVEL_STATIC_TOOLKIT_LIBS
    "Link freetype, libpng, libjpeg and zlib from their static archives" ON)
if(RYVEL_STATIC_TOOLKIT_LIBS)
    # Each archive after everything that uses it (the last mention of a name counts).
    set(ryvel_static_names ${FREETYPE_STATIC_LIBRARIES} png16 jpeg z)
    list(REMOVE_ITEM ryvel_static_names m)
    list(REVERSE ryvel_static_names)
    list(REMOVE_DUPLICATES ryvel_static_names)
    list(REVERSE ryvel_static_names)
    set(ryvel_toolkit_image_libs)
    foreach(name IN LISTS ryvel_static_names)
        find_library(RYVEL_STATIC_LIB_${name} NAMES lib${name}.a REQUIRED
            DOC "Static archive linked into the plug-in binaries")
        list(APPEND ryvel_toolkit_image_libs ${RYVEL_STATIC_LIB_${name}})
    endforeach()
    list(APPEND ryvel_toolkit_image_libs m)
    # juce_core names zlib as plain "z", which the linker would take from the shared library.
    get_target_property(ryvel_core_links juce_core INTERFACE_LINK_LIBRARIES)
    list(TRANSFORM ryvel_core_links REPLACE "^z$" "${RYVEL_STATIC_LIB_z}")
    set_property(TARGET juce_core PROPERTY INTERFACE_LINK_LIBRARIES "${ryvel_core_links}")
    # Both pkg-config targets for freetype (ours and the one JUCE makes for juce_graphics) keep
    # their include folders and lose the shared library.
    set_property(TARGET PkgConfig::FREETYPE PROPERTY INTERFACE_LINK_LIBRARIES "")
    if(TARGET pkgconfig_juce_graphics_LINUX_DEPS)
        set_property(TARGET pkgconfig_juce_graphics_LINUX_DEPS PROPERTY INTERFACE_LINK_LIBRARIES "")
    endif()
else()
    set(ryvel_toolkit_image_libs png jpeg z)
endif()

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
        PkgConfig::FREETYPE ${ryvel_toolkit_image_libs} ${CMAKE_DL_LIBS} pthread rt)
else()
    add_library(ryvel_juce STATIC)
    target_link_libraries(ryvel_juce PRIVATE
        juce::juce_core juce::juce_events juce::juce_graphics juce::juce_gui_basics)
    target_compile_definitions(ryvel_juce PUBLIC ${ryvel_juce_definitions}
        $<IF:$<CONFIG:Debug>,DEBUG=1 _DEBUG=1,NDEBUG=1>)
    target_include_directories(ryvel_juce SYSTEM PUBLIC
        $<TARGET_PROPERTY:juce::juce_gui_basics,INTERFACE_INCLUDE_DIRECTORIES>)
    # Sections per function and object, so that the binaries' --gc-sections can drop what the
    # editor never calls.
    target_compile_options(ryvel_juce PRIVATE -w -ffunction-sections -fdata-sections)
    target_link_libraries(ryvel_juce PUBLIC
        PkgConfig::FREETYPE ${ryvel_toolkit_image_libs} ${CMAKE_DL_LIBS} pthread rt)
    set_target_properties(ryvel_juce PROPERTIES POSITION_INDEPENDENT_CODE ON)
endif()
