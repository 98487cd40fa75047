// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/ParameterCatalogue.h"

#include <optional>
#include <string>
#include <string_view>

namespace Ryvel
{

// Numbers in preset and settings files. Both directions are independent of the process locale:
// a host running with a comma decimal separator still writes and reads "0.7".

// Six significant digits, printf "%g" style: "0", "1", "0.7", "0.123457", "1e-05".
std::string formatNumber(double value);

// The longest decimal prefix after leading white space ([+-] digits [. digits] [e [+-] digits]),
// anything after it ignored. Empty when there is no number, or when it is not a finite double.
std::optional<double> parseLeadingNumber(std::string_view text);

// A decimal parameter ID after leading white space, an optional '+', trailing text ignored.
// Empty for a negative number or one beyond 32 bits: such a key names no parameter, and wrapping
// it would let a damaged file silently set an unrelated one.
std::optional<ParamId> parseLeadingParamId(std::string_view text);

} // namespace Ryvel
