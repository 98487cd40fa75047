// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

namespace Ryvel
{

// The base folder of presets and settings, "Corvane Audio/Ryvel" in the user's documents: below
// $HOME/Documents on Linux and macOS, below the Documents known folder on Windows (wherever the
// user or an administrator has redirected it). Without either, below the working directory.
// Recomputed on every call; never created here.
std::filesystem::path presetsBaseFolder();

} // namespace Ryvel
