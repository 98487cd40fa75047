// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/ui/Bitmaps.h"

#include "platform/BundleLocation.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <vector>

namespace Ryvel::ui
{
namespace
{

juce::Image halve(const juce::Image& source)
{
    const int width = std::max(1, source.getWidth() / 2);
    const int height = std::max(1, source.getHeight() / 2);
    const juce::Image argb = source.convertedToFormat(juce::Image::ARGB);
    juce::Image result(juce::Image::ARGB, width, height, false, juce::SoftwareImageType());
    const juce::Image::BitmapData in(argb, juce::Image::BitmapData::readOnly);
    const juce::Image::BitmapData out(result, juce::Image::BitmapData::writeOnly);
    const int lastX = source.getWidth() - 1;
    const int lastY = source.getHeight() - 1;
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            // Premultiplied channels average correctly as they are.
            std::array<juce::uint32, 4> sum{};
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx)
                {
                    const auto* p = reinterpret_cast<const juce::PixelARGB*>(in.getPixelPointer(
                        std::min(2 * x + dx, lastX), std::min(2 * y + dy, lastY)));
                    sum[0] += p->getAlpha();
                    sum[1] += p->getRed();
                    sum[2] += p->getGreen();
                    sum[3] += p->getBlue();
                }
            auto* q = reinterpret_cast<juce::PixelARGB*>(out.getPixelPointer(x, y));
            q->setARGB(static_cast<juce::uint8>((sum[0] + 2) / 4),
                       static_cast<juce::uint8>((sum[1] + 2) / 4),
                       static_cast<juce::uint8>((sum[2] + 2) / 4),
                       static_cast<juce::uint8>((sum[3] + 2) / 4));
        }
    }
    return result;
}

// Reduced copies by source pixel data. An entry whose source no one else holds any more is
// dropped on the next lookup; JUCE deletes the whole cache when it shuts down, so no image
// outlives the toolkit.
class ReductionCache final : private juce::DeletedAtShutdown
{
public:
    ~ReductionCache() override { clearSingletonInstance(); }

    juce::Image get(const juce::Image& image, int level)
    {
        std::erase_if(entries, [](const Entry& e) { return e.source.getReferenceCount() <= 1; });
        auto it = std::find_if(entries.begin(), entries.end(),
                               [&](const Entry& e)
                               { return e.source.getPixelData() == image.getPixelData(); });
        if (it == entries.end())
            it = entries.insert(entries.end(), Entry{image, {}});
        while (static_cast<int>(it->levels.size()) < level)
            it->levels.push_back(halve(it->levels.empty() ? image : it->levels.back()));
        return it->levels[static_cast<std::size_t>(level - 1)];
    }

    JUCE_DECLARE_SINGLETON_SINGLETHREADED_MINIMAL(ReductionCache)

private:
    struct Entry
    {
        juce::Image source;
        std::vector<juce::Image> levels; // levels[i] is 1/2^(i+1) of the source
    };
    std::vector<Entry> entries;
};

JUCE_IMPLEMENT_SINGLETON(ReductionCache)

// JUCE's own PNG reader as Debian builds it cannot recover from a libpng error (its error
// handler returns into libpng instead of jumping out), so a damaged file would take the host
// down. libpng's simplified reader reports errors as a result instead.
juce::Image decodePng(const juce::MemoryBlock& data)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data.getData(), data.getSize()))
        return {};
    png.format = PNG_FORMAT_BGRA;
    const int width = static_cast<int>(png.width);
    const int height = static_cast<int>(png.height);
    constexpr int kMaxSide = 1 << 15; // the knob strip is 15600 tall; nothing of ours is larger
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
    {
        png_image_free(&png);
        return {};
    }
    std::vector<juce::uint8> pixels(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr))
    {
        png_image_free(&png);
        return {};
    }
    juce::Image image(juce::Image::ARGB, width, height, false, juce::SoftwareImageType());
    const juce::Image::BitmapData out(image, juce::Image::BitmapData::writeOnly);
    const juce::uint8* in = pixels.data();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, in += 4)
        {
            auto* p = reinterpret_cast<juce::PixelARGB*>(out.getPixelPointer(x, y));
            p->setARGB(in[3], in[2], in[1], in[0]);
            p->premultiply();
        }
    return image;
}

} // namespace

std::string bundleResourcesDir()
{
    return bundleResourcesFolder();
}

juce::Image loadBitmap(const std::string& resourcesDir, const std::string& fileName)
{
    if (resourcesDir.empty() || fileName.empty())
        return {};
    // juce::File insists on absolute paths; a relative folder is taken from the working folder.
    const juce::File folder = juce::File::getCurrentWorkingDirectory().getChildFile(
        juce::String::fromUTF8(resourcesDir.c_str()));
    const juce::File file = folder.getChildFile(juce::String::fromUTF8(fileName.c_str()));
    juce::MemoryBlock data;
    if (!file.existsAsFile() || !file.loadFileAsData(data))
        return {};
    return decodePng(data);
}

juce::Image reducedImage(const juce::Image& image, int level)
{
    if (level <= 0 || !image.isValid())
        return image;
    return ReductionCache::getInstance()->get(image, std::min(level, kMaxImageReduction));
}

} // namespace Ryvel::ui
