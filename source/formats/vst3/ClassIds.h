// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/ProductInfo.h"

#include "pluginterfaces/base/funknown.h"

namespace Ryvel::Product
{

inline Steinberg::FUID toFuid(const ClassId& id)
{
    return Steinberg::FUID(id.w1, id.w2, id.w3, id.w4);
}

} // namespace Ryvel::Product
