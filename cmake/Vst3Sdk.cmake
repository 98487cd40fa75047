# SPDX-License-Identifier: GPL-3.0-or-later
# The VST 3 SDK as one static library.
#
# By default this is the SDK copy that Debian ships inside juce-modules-source-data. That copy
# has the interfaces, the base library and the component/controller/parameter/bus classes, but
# not AudioEffect, CPluginFactory or the Linux module entry points; those come from
# source/vst3sdk-supplement. With RYVEL_VST3_SDK_DIR pointing at a full upstream SDK, the
# upstream files are used instead and the supplement is not compiled.

set(RYVEL_DEBIAN_VST3_SDK
    /usr/share/juce/modules/juce_audio_processors/format_types/VST3_SDK)

if(RYVEL_VST3_SDK_DIR)
    set(sdk ${RYVEL_VST3_SDK_DIR})
    set(use_supplement OFF)
else()
    set(sdk ${RYVEL_DEBIAN_VST3_SDK})
    set(use_supplement ON)
endif()
if(NOT EXISTS ${sdk}/pluginterfaces/base/funknown.h)
    message(FATAL_ERROR "VST 3 SDK not found at ${sdk} (install juce-modules-source-data)")
endif()

set(sdk_sources
    ${sdk}/base/source/baseiids.cpp
    ${sdk}/base/source/fbuffer.cpp
    ${sdk}/base/source/fdebug.cpp
    ${sdk}/base/source/fobject.cpp
    ${sdk}/base/source/fstreamer.cpp
    ${sdk}/base/source/fstring.cpp
    ${sdk}/base/source/updatehandler.cpp
    ${sdk}/base/thread/source/flock.cpp
    ${sdk}/pluginterfaces/base/conststringtable.cpp
    ${sdk}/pluginterfaces/base/coreiids.cpp
    ${sdk}/pluginterfaces/base/funknown.cpp
    ${sdk}/pluginterfaces/base/ustring.cpp
    ${sdk}/public.sdk/source/common/pluginview.cpp
    ${sdk}/public.sdk/source/vst/vstbus.cpp
    ${sdk}/public.sdk/source/vst/vstcomponent.cpp
    ${sdk}/public.sdk/source/vst/vstcomponentbase.cpp
    ${sdk}/public.sdk/source/vst/vsteditcontroller.cpp
    ${sdk}/public.sdk/source/vst/vstinitiids.cpp
    ${sdk}/public.sdk/source/vst/vstparameters.cpp)

set(supplement ${CMAKE_CURRENT_SOURCE_DIR}/source/vst3sdk-supplement)
# The module entry points must be compiled into the plug-in module itself (nothing references
# them, so the linker would drop them from a static library); RYVEL_VST3_MODULE_ENTRY names them.
if(use_supplement)
    # The view interface IDs are needed by the SDK's own editor classes, so they belong to the
    # core library.
    list(APPEND sdk_sources ${supplement}/public.sdk/source/common/guiiids.cpp)
    set(supplement_sources
        ${supplement}/public.sdk/source/main/pluginfactory.cpp
        ${supplement}/public.sdk/source/vst/vstaudioeffect.cpp)
    set(RYVEL_VST3_MODULE_ENTRY ${supplement}/public.sdk/source/main/linuxmain.cpp)
    if(WIN32)
        set(RYVEL_VST3_MODULE_ENTRY ${supplement}/public.sdk/source/main/dllmain.cpp)
    endif()
else()
    list(APPEND sdk_sources
        ${sdk}/public.sdk/source/main/pluginfactory.cpp
        ${sdk}/public.sdk/source/vst/vstaudioeffect.cpp)
    set(RYVEL_VST3_MODULE_ENTRY ${sdk}/public.sdk/source/main/linuxmain.cpp)
    if(WIN32)
        set(RYVEL_VST3_MODULE_ENTRY ${sdk}/public.sdk/source/main/dllmain.cpp)
    endif()
endif()

add_library(vst3sdk_core STATIC ${sdk_sources})
target_include_directories(vst3sdk_core SYSTEM PUBLIC ${sdk})
# The SDK's debug machinery (FDebugPrint, asserts) stays off in every configuration: it writes
# to stderr from any thread.
target_compile_definitions(vst3sdk_core PUBLIC RELEASE=1)
target_compile_options(vst3sdk_core PRIVATE -w)
target_link_libraries(vst3sdk_core PUBLIC ${CMAKE_DL_LIBS} pthread)

add_library(vst3sdk INTERFACE)
if(use_supplement)
    # Our own code: built with our warnings.
    add_library(vst3sdk_supplement STATIC ${supplement_sources})
    target_include_directories(vst3sdk_supplement SYSTEM PUBLIC ${supplement})
    target_link_libraries(vst3sdk_supplement PUBLIC vst3sdk_core)
    ryvel_warnings(vst3sdk_supplement)
    target_link_libraries(vst3sdk INTERFACE vst3sdk_supplement)
endif()
target_link_libraries(vst3sdk INTERFACE vst3sdk_core)
