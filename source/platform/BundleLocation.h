// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace Ryvel
{

// The plug-in bundle's resources folder, found from the module file that holds this code: the
// binary's own folder's "Resources" where that exists (an LV2 bundle: Ryvel.lv2/Resources next
// to the binaries), otherwise two path components up from the binary, then "Resources" (a VST 3
// bundle: Contents/Resources). Empty when the module's file cannot be found.
std::string bundleResourcesFolder();

} // namespace Ryvel
