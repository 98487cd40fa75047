// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace Ryvel
{

// An https address (the scheme in any letter case, something after it) that is one unbroken
// token: no control characters and no white space. The only kind of address Ryvel ever hands
// to the system's opener, wherever it came from.
bool isHttpsAddress(std::string_view url) noexcept;

} // namespace Ryvel
