// SPDX-License-Identifier: GPL-3.0-or-later
// A loadable module around the platform library, so that registerBundledFontsMac finds itself
// inside a bundle the way it does in the plug-in.

#include "platform/BundledFonts.h"
#include "platform/PlatformServices.h"

#include <cstring>

// Registers the bundle's fonts and writes "file<TAB>family" lines of the registry to `out`.
extern "C" __attribute__((visibility("default"))) void ryvelProbeRegisterFonts(char* out,
                                                                               std::size_t size)
{
    Ryvel::registerBundledFontsMac();
    std::string lines;
    for (const auto& entry : Ryvel::BundledFonts::all())
        lines += entry.file + "\t" + entry.family + "\n";
    std::strncpy(out, lines.c_str(), size - 1);
    out[size - 1] = '\0';
}
