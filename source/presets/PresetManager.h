// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "presets/ParamMap.h"

#include <optional>
#include <string>
#include <vector>

namespace Ryvel
{

// The on-disk side of presets and the settings file. UI thread only.
//
// Layout, below $HOME (or, without HOME, below the working directory and without "Documents";
// on Windows "Documents" is the Documents known folder, see DocumentsFolder.h):
//   Documents/Corvane Audio/Ryvel/Presets/<name>.json   user presets
//   Documents/Corvane Audio/Ryvel/Factory/<name>.json   factory presets, editable by the user
//   Documents/Corvane Audio/Ryvel/config.json           settings (editor zoom)
//
// The class holds nothing: every call recomputes its paths from the environment, so editors of
// several instances in one process see the same files. Folders are created on demand and their
// creation errors ignored; the file operation that follows then fails quietly. Nothing here
// throws or reports: failures are empty results or false. Every write replaces its file
// atomically, so a failed write leaves the previous file as it was.
class PresetManager
{
public:
    // A preset name made safe as a file name: control bytes and " * / : < > ? \ | become '_',
    // surrounding spaces go, and nothing left gives "Untitled". UTF-8 passes unchanged. On
    // Windows a device name (CON, NUL, COM1, ...) gets '_' (FileNameRules.h). Every path built
    // from a name goes through this, so no name can leave its folder.
    static std::string sanitizePresetName(const std::string& name);

    std::string presetBaseDir() const;
    std::string userPresetDir() const;
    std::string factoryPresetDir() const;
    std::string userPresetPath(const std::string& name) const;
    std::string factoryPresetPath(const std::string& name) const;

    // Names of the regular ".json" files in the user folder, sorted byte-wise.
    std::vector<std::string> listUserPresets() const;
    // The compiled-in factory names in menu order; the factory folder plays no part.
    std::vector<std::string> listFactoryPresets() const;
    bool isFactoryName(const std::string& name) const;

    // False, touching nothing, when the sanitised name is a factory name.
    bool saveUserPreset(const std::string& name, const ParamMap& params) const;
    std::optional<ParamMap> loadUserPreset(const std::string& name) const;
    // The factory file when it reads (the user may have edited it), otherwise the compiled-in
    // record, which then replaces the unreadable file. Empty for a name not in the table.
    std::optional<ParamMap> loadFactoryPreset(const std::string& name) const;
    // Writes the factory files that do not exist; existing ones, edited or damaged, stay.
    void extractFactoryPresetsIfMissing() const;
    // The init preset: every preset parameter at its default.
    ParamMap defaultParams() const;

    std::string configPath() const;
    void saveZoom(double zoom) const;
    // Always within 0.25..4.0; 1.25 for a missing, unreadable or out-of-range setting.
    double loadZoom() const;

    static bool writePresetFile(const std::string& path, const ParamMap& params);
    static std::optional<ParamMap> readPresetFile(const std::string& path);
};

} // namespace Ryvel
