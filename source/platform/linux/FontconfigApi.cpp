// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/FontconfigApi.h"

#include "platform/linux/RuntimeLibrary.h"

namespace Ryvel
{

const FontconfigApi* FontconfigApi::get() noexcept
{
    return RuntimeLibrary::load<FontconfigApi>(kLibrary);
}

bool FontconfigApi::resolve(void* library, FontconfigApi& api) noexcept
{
    using RuntimeLibrary::resolveFunction;
    return resolveFunction(library, "FcConfigGetCurrent", api.configGetCurrent) &&
           resolveFunction(library, "FcConfigGetFonts", api.configGetFonts) &&
           resolveFunction(library, "FcConfigAppFontAddFile", api.configAppFontAddFile) &&
           resolveFunction(library, "FcPatternGetString", api.patternGetString);
}

} // namespace Ryvel
