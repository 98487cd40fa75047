// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/ParameterCatalogue.h"

#include <map>

namespace Ryvel
{

// The currency of presets: parameter ID to normalised value, iterated in ascending ID order.
// Maps built by the preset layer hold the step switches and voice controls only, never Mix, HP
// or Bypass, so applying one leaves those where the user put them.
using ParamMap = std::map<ParamId, double>;

} // namespace Ryvel
