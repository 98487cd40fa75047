// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/ui/Fonts.h"

#include "platform/BundledFonts.h"

#include <cmath>
#include <map>
#include <tuple>
#include <utility>
#include <vector>

namespace Ryvel::ui
{
namespace
{

// Sizes in points the editor never goes below or above; anything else is a caller's mistake
// that should still draw legibly.
constexpr float kFallbackPointSize = 10.0f;

juce::String toJuce(const std::string& s)
{
    return juce::String::fromUTF8(s.c_str());
}

juce::String styleNameFor(int styleFlags)
{
    const bool bold = (styleFlags & juce::Font::bold) != 0;
    const bool italic = (styleFlags & juce::Font::italic) != 0;
    if (bold && italic)
        return "Bold Italic";
    if (bold)
        return "Bold";
    if (italic)
        return "Italic";
    return "Regular";
}

// Everything that costs file or folder access, made once and shared by all editors. JUCE
// deletes it when it shuts down, so no typeface outlives the toolkit.
class FontRegistry final : private juce::DeletedAtShutdown
{
public:
    ~FontRegistry() override { clearSingletonInstance(); }

    std::set<std::string> families()
    {
        const juce::ScopedLock lock(mutex);
        refreshBundled();
        std::set<std::string> all = systemFamilies();
        // A registered file that JUCE cannot read offers no family: the fallbacks must apply.
        for (const auto& entry : bundled)
            if (entry.face != nullptr)
                all.insert(entry.family);
        return all;
    }

    bool contains(const std::string& family)
    {
        const juce::ScopedLock lock(mutex);
        refreshBundled();
        if (systemFamilies().count(family) != 0)
            return true;
        for (const auto& entry : bundled)
            if (entry.face != nullptr && entry.family == family)
                return true;
        return false;
    }

    juce::Typeface::Ptr resolve(const std::string& family, const juce::String& style)
    {
        const juce::ScopedLock lock(mutex);
        refreshBundled();
        const auto key = std::make_pair(family, style.toStdString());
        if (const auto it = resolved.find(key); it != resolved.end())
            return it->second;
        juce::Typeface::Ptr face = bundledTypeface(family, style);
        if (face == nullptr)
        {
            const bool known = systemFamilies().count(family) != 0;
            const juce::Font request(known ? toJuce(family)
                                           : juce::Font::getDefaultSansSerifFontName(),
                                     style, kFallbackPointSize);
            face = juce::Font::getDefaultTypefaceForFont(request);
        }
        resolved.emplace(key, face);
        return face;
    }

    JUCE_DECLARE_SINGLETON(FontRegistry, false)

private:
    struct Bundled
    {
        std::string file;
        std::string family; // as the platform registered it
        juce::Typeface::Ptr face;
    };

    const std::set<std::string>& systemFamilies()
    {
        if (!systemScanned)
        {
            for (const auto& name : juce::Font::findAllTypefaceNames())
                system.insert(name.toStdString());
            systemScanned = true;
        }
        return system;
    }

    // Registrations only grow, so a longer list means new fonts: load them and forget what was
    // resolved before, which may have fallen back for want of them.
    void refreshBundled()
    {
        const auto entries = BundledFonts::all();
        if (entries.size() == bundledSeen)
            return;
        for (std::size_t i = bundledSeen; i < entries.size(); ++i)
            bundled.push_back({entries[i].file, entries[i].family, loadFile(entries[i].file)});
        bundledSeen = entries.size();
        resolved.clear();
    }

    juce::Typeface::Ptr loadFile(const std::string& path)
    {
        if (const auto it = files.find(path); it != files.end())
            return it->second;
        juce::MemoryBlock data;
        juce::Typeface::Ptr face;
        if (juce::File(toJuce(path)).loadFileAsData(data) && data.getSize() > 0)
            face = juce::Typeface::createSystemTypefaceFor(data.getData(), data.getSize());
        // A typeface without a name is what JUCE makes of a file FreeType cannot read.
        if (face != nullptr && face->getName().isEmpty())
            face = nullptr;
        files.emplace(path, face);
        return face;
    }

    // A file registered under `family` (or whose own family name it is) in the wanted style;
    // the file whose own name is the family wins over one that only fontconfig lists under it
    // ("Barlow Condensed" is both the regular file's name and an alias of the medium file).
    juce::Typeface::Ptr bundledTypeface(const std::string& family, const juce::String& style)
    {
        juce::Typeface::Ptr best;
        auto bestRank = std::make_tuple(true, true, true);
        for (const auto& entry : bundled)
        {
            if (entry.face == nullptr)
                continue;
            const bool ownName = entry.face->getName().toStdString() == family;
            if (!ownName && entry.family != family)
                continue;
            const juce::String faceStyle = entry.face->getStyle();
            const auto rank = std::make_tuple(!ownName, faceStyle != style, faceStyle != "Regular");
            if (best == nullptr || rank < bestRank)
            {
                best = entry.face;
                bestRank = rank;
            }
        }
        return best;
    }

    juce::CriticalSection mutex;
    bool systemScanned = false;
    std::set<std::string> system;
    std::vector<Bundled> bundled;
    std::size_t bundledSeen = 0;
    std::map<std::string, juce::Typeface::Ptr> files;
    std::map<std::pair<std::string, std::string>, juce::Typeface::Ptr> resolved;
};

JUCE_IMPLEMENT_SINGLETON(FontRegistry)

juce::Font fontFor(const std::string& family, int styleFlags, float size)
{
    const float points = std::isfinite(size) && size > 0.0f ? size : kFallbackPointSize;
    const juce::Typeface::Ptr face =
        FontRegistry::getInstance()->resolve(family, styleNameFor(styleFlags));
    if (face == nullptr)
        return juce::Font(points);
    return juce::Font(face).withPointHeight(points);
}

template <typename Contains>
std::string firstAvailable(Contains&& contains, const char* const* families, std::size_t count)
{
    if (families == nullptr || count == 0)
        return {};
    for (std::size_t i = 0; i < count; ++i)
        if (families[i] != nullptr && contains(std::string(families[i])))
            return families[i];
    return families[0] != nullptr ? families[0] : std::string();
}

bool isAvailable(const std::string& family)
{
    return FontRegistry::getInstance()->contains(family);
}

} // namespace

std::set<std::string> availableFontFamilies()
{
    return FontRegistry::getInstance()->families();
}

std::string chooseFontFamily(const std::set<std::string>& available, const char* const* families,
                             std::size_t count)
{
    return firstAvailable([&](const std::string& f) { return available.count(f) != 0; }, families,
                          count);
}

juce::Font pickFontFamily(const char* const* families, std::size_t count, int styleFlags,
                          float size)
{
    return fontFor(firstAvailable(isAvailable, families, count), styleFlags, size);
}

juce::Font makeUiFont(float size)
{
    if (isAvailable(kUiFontFamily))
        return fontFor(kUiFontFamily, juce::Font::plain, size);
    return fontFor(
        firstAvailable(isAvailable, kUiFallbackFamilies.data(), kUiFallbackFamilies.size()),
        juce::Font::bold, size);
}

juce::Typeface::Ptr typefaceFor(const juce::Font& font)
{
    const juce::String name = font.getTypefaceName();
    if (name.isEmpty() || name.startsWithChar('<'))
        return nullptr;
    return FontRegistry::getInstance()->resolve(name.toStdString(), font.getTypefaceStyle());
}

} // namespace Ryvel::ui
