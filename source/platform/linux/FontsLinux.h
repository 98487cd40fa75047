// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace Ryvel
{

// What registerBundledFontsMac does, for a given folder: tools that render the editor outside
// the plug-in module point it at a bundle's Contents/Resources/Fonts.
void registerFontFolderLinux(const std::string& folder) noexcept;

} // namespace Ryvel
