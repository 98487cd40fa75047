// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The state bytes on a VST 3 host's stream, for the processor and the edit controller.

#include "core/StateFormat.h"

#include "pluginterfaces/base/ibstream.h"

#include <cstddef>

namespace Ryvel::StateStream
{

// Reads at most the layout's size (bytes after it belong to whoever wrote the stream, not to
// us) and returns how many bytes came.
std::size_t read(Steinberg::IBStream& stream, StateFormat::Bytes& bytes);

// False when the stream takes only part of the state: that is never reported as a save.
bool write(Steinberg::IBStream& stream, StateFormat::Bytes bytes);

} // namespace Ryvel::StateStream
