// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a preset name typed by the user or found in a host's program list. Every preset
// path is built from a name, so a name must never reach outside its folder: the file name has no
// separator, is never "." or "..", ends in ".json", and the path's folder is the preset folder.

#include "presets/PresetManager.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{

void checkPath(const std::string& path, const std::string& folder, const std::string& sanitized)
{
    const fs::path built(path);
    if (built.parent_path() != fs::path(folder))
        std::abort();
    const std::string file = built.filename().string();
    if (file != sanitized + ".json" || file == "." || file == ".." || file.size() <= 5)
        std::abort();
    if (built.lexically_normal().parent_path() != fs::path(folder).lexically_normal())
        std::abort();
}

} // namespace

// The manager creates its folders below HOME: give it a scratch one.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    char scratch[] = "/tmp/ryvel-fuzz-home-XXXXXX";
    if (mkdtemp(scratch) == nullptr || setenv("HOME", scratch, 1) != 0)
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string name(reinterpret_cast<const char*>(data), size);
    const std::string sanitized = Ryvel::PresetManager::sanitizePresetName(name);
    if (sanitized.empty() || sanitized.find('/') != std::string::npos || sanitized.find('\\') != std::string::npos ||
        sanitized.find('\0') != std::string::npos)
        std::abort();
    // Sanitising is idempotent: a name read back from a file name stays that name.
    if (Ryvel::PresetManager::sanitizePresetName(sanitized) != sanitized)
        std::abort();

    const Ryvel::PresetManager manager;
    checkPath(manager.userPresetPath(name), manager.userPresetDir(), sanitized);
    checkPath(manager.factoryPresetPath(name), manager.factoryPresetDir(), sanitized);
    return 0;
}
