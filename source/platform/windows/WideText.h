// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// UTF-8, the program's text everywhere, to and from the UTF-16 of Windows' wide functions.
// Both are strict: text that is not valid in its encoding gives an empty result, so a broken
// name can never reach the system as something else.

#include <string>
#include <string_view>

namespace Ryvel
{

std::wstring widenUtf8(std::string_view utf8);
std::string narrowToUtf8(std::wstring_view wide);

} // namespace Ryvel
