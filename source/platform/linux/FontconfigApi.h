// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The fontconfig functions the font registration uses, from libfontconfig.so.1 opened at run
// time (RuntimeLibrary.h). The header gives the types and constants; nothing links against
// fontconfig.

#include <fontconfig/fontconfig.h>

namespace Ryvel
{

struct FontconfigApi
{
    static constexpr const char* kLibrary = "libfontconfig.so.1";

    // fontconfig loaded once per process; null when it is not installed or lacks one of the
    // functions. Any thread.
    static const FontconfigApi* get() noexcept;

    // For RuntimeLibrary::load.
    static bool resolve(void* library, FontconfigApi& api) noexcept;

    decltype(&::FcConfigGetCurrent) configGetCurrent;
    decltype(&::FcConfigGetFonts) configGetFonts;
    decltype(&::FcConfigAppFontAddFile) configAppFontAddFile;
    decltype(&::FcPatternGetString) patternGetString;
};

} // namespace Ryvel
