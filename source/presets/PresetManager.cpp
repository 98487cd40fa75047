// SPDX-License-Identifier: GPL-3.0-or-later
#include "presets/PresetManager.h"

#include "presets/DocumentsFolder.h"
#include "presets/FactoryPresetsData.h"
#include "presets/FileIo.h"
#include "presets/FileNameRules.h"
#include "presets/PresetFileFormat.h"
#include "presets/SettingsFile.h"
#include "presets/Utf8Path.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace Ryvel
{
namespace
{

namespace fs = std::filesystem;

constexpr std::string_view kPresetExtension = ".json";

std::string ensureFolder(const fs::path& folder)
{
    std::error_code ec;
    fs::create_directories(folder, ec);
    return utf8FromPath(folder);
}

std::string presetFileName(const std::string& name)
{
    return PresetManager::sanitizePresetName(name) + std::string(kPresetExtension);
}

// Besides the characters no file system takes, DEL too: it is a control byte like those below
// 0x20 and has no business in a file name.
constexpr bool isReplacedInFileNames(unsigned char c)
{
    return c < 0x20 || c == 0x7F ||
           std::string_view("\"*/:<>?\\|").find(static_cast<char>(c)) != std::string_view::npos;
}

const FactoryPreset* findFactoryPreset(const std::string& name)
{
    const FactoryPreset* presets = FactoryPresetsData::all();
    for (int i = 0; i < FactoryPresetsData::count(); ++i)
        if (name == presets[i].name)
            return &presets[i];
    return nullptr;
}

} // namespace

std::string PresetManager::sanitizePresetName(const std::string& name)
{
    std::string result = name;
    for (char& c : result)
        if (isReplacedInFileNames(static_cast<unsigned char>(c)))
            c = '_';
    const std::size_t last = result.find_last_not_of(' ');
    result.erase(last == std::string::npos ? 0 : last + 1);
    result.erase(0, result.find_first_not_of(' '));
    return result.empty() ? "Untitled" : avoidReservedFileName(std::move(result));
}

std::string PresetManager::presetBaseDir() const
{
    return ensureFolder(presetsBaseFolder());
}

std::string PresetManager::userPresetDir() const
{
    return ensureFolder(presetsBaseFolder() / "Presets");
}

std::string PresetManager::factoryPresetDir() const
{
    return ensureFolder(presetsBaseFolder() / "Factory");
}

std::string PresetManager::userPresetPath(const std::string& name) const
{
    return utf8FromPath(pathFromUtf8(userPresetDir()) / pathFromUtf8(presetFileName(name)));
}

std::string PresetManager::factoryPresetPath(const std::string& name) const
{
    return utf8FromPath(pathFromUtf8(factoryPresetDir()) / pathFromUtf8(presetFileName(name)));
}

std::vector<std::string> PresetManager::listUserPresets() const
{
    const fs::path folder = pathFromUtf8(userPresetDir());
    std::error_code ec;
    if (!fs::is_directory(fs::status(folder, ec)))
        return {};

    std::vector<std::string> names;
    // An error part-way through ends the listing with what was read so far.
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    {
        std::error_code typeError;
        if (!it->is_regular_file(typeError))
            continue;
        const std::string fileName = utf8FromPath(it->path().filename());
        // A file named just ".json" is a hidden file without extension, not an unnamed preset.
        if (fileName.size() > kPresetExtension.size() && fileName.ends_with(kPresetExtension))
            names.push_back(fileName.substr(0, fileName.size() - kPresetExtension.size()));
    }
    // std::string compares as unsigned bytes: "B" < "a" < "b" < "Délai", whatever the locale.
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> PresetManager::listFactoryPresets() const
{
    return FactoryPresetsData::names();
}

bool PresetManager::isFactoryName(const std::string& name) const
{
    return FactoryPresetsData::contains(name);
}

bool PresetManager::saveUserPreset(const std::string& name, const ParamMap& params) const
{
    // Checked on the sanitised name: "Thumper " would otherwise sit beside the factory "Thumper"
    // under the very same display name.
    if (FactoryPresetsData::contains(sanitizePresetName(name)))
        return false;
    return writePresetFile(userPresetPath(name), params);
}

std::optional<ParamMap> PresetManager::loadUserPreset(const std::string& name) const
{
    return readPresetFile(userPresetPath(name));
}

std::optional<ParamMap> PresetManager::loadFactoryPreset(const std::string& name) const
{
    const std::string path = factoryPresetPath(name);
    if (auto params = readPresetFile(path))
        return params;
    const FactoryPreset* preset = findFactoryPreset(name);
    if (preset == nullptr)
        return std::nullopt;
    ParamMap params = FactoryPresetsData::toParamMap(*preset);
    // Repairing the file is a courtesy; the compiled-in values are returned either way.
    writePresetFile(path, params);
    return params;
}

void PresetManager::extractFactoryPresetsIfMissing() const
{
    const fs::path folder = pathFromUtf8(factoryPresetDir());
    const FactoryPreset* presets = FactoryPresetsData::all();
    for (int i = 0; i < FactoryPresetsData::count(); ++i)
    {
        const fs::path path = folder / pathFromUtf8(presetFileName(presets[i].name));
        std::error_code ec;
        // Only a definite "not there" leads to a write: a status that cannot be read (a folder
        // without search permission, say) must not be taken for a missing file.
        if (fs::status(path, ec).type() == fs::file_type::not_found)
            writePresetFile(utf8FromPath(path), FactoryPresetsData::toParamMap(presets[i]));
    }
}

ParamMap PresetManager::defaultParams() const
{
    ParamMap params;
    for (const ParamInfo& info : kParams)
        if (isPresetParam(info.id))
            params[info.id] = info.defaultValue;
    return params;
}

std::string PresetManager::configPath() const
{
    return utf8FromPath(pathFromUtf8(presetBaseDir()) / "config.json");
}

void PresetManager::saveZoom(double zoom) const
{
    replaceFileAtomically(configPath(), formatSettingsText(zoom));
}

double PresetManager::loadZoom() const
{
    const auto text = readSmallRegularFile(configPath());
    return text ? scanZoomText(*text) : kDefaultZoom;
}

bool PresetManager::writePresetFile(const std::string& path, const ParamMap& params)
{
    return replaceFileAtomically(path, formatPresetText(params));
}

std::optional<ParamMap> PresetManager::readPresetFile(const std::string& path)
{
    const auto text = readSmallRegularFile(path);
    if (!text)
        return std::nullopt;
    return scanPresetText(*text);
}

} // namespace Ryvel
