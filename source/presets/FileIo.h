// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace Ryvel
{

// Preset and settings files are a few kilobytes; anything bigger is not one of ours, and reading
// it on the UI thread would stall the editor.
inline constexpr std::size_t kMaxReadableFileSize = std::size_t{1} << 20;

// The whole content of a regular file of at most kMaxReadableFileSize bytes. Empty for anything
// else: missing, unreadable, a directory, a FIFO or device (opened without blocking), too large.
std::optional<std::string> readSmallRegularFile(const std::string& path);

// Writes bytes to a temporary file in the target's folder and renames it over the target once it
// is written, synced and closed without error. On any failure the temporary file is removed, the
// target is left as it was, and the result is false. The temporary name starts with a dot and
// does not end in ".json", so a listing never mistakes it for a preset.
bool replaceFileAtomically(const std::string& path, std::string_view bytes);

} // namespace Ryvel
