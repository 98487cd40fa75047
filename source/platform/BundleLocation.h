// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace Ryvel
{

// The plug-in bundle's resources folder (Contents/Resources), found from the module file that
// holds this code: two path components up from the binary, then "Resources". Empty when the
// module's file cannot be found.
std::string bundleResourcesFolder();

} // namespace Ryvel
