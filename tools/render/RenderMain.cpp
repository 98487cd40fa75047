// SPDX-License-Identifier: GPL-3.0-or-later
// ryvel-render: an offline host. Loads Ryvel.vst3 through GetPluginFactory, or Ryvel.lv2 through
// lilv, streams an audio file through the processor block by block with the transport playing,
// and writes the result followed by the echo tail.

#include "DemoLoop.h"
#include "Lv2Host.h"
#include "RenderOptions.h"
#include "SoundFile.h"
#include "TestHost.h"

#include "core/ParameterCatalogue.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using namespace Ryvel::Render;
using namespace Ryvel::TestHost;
using namespace Steinberg;

namespace
{

constexpr int kExitError = 2;
constexpr std::size_t kStateSize = 220;
// The longest echo is eight half-second steps after the last input sample.
constexpr double kTailSeconds = 4.0;
// Below this the tail is silence (about -120 dBFS) and is not written.
constexpr float kSilence = 1e-6f;
// Shorter files finish before a progress bar would be worth drawing.
constexpr double kProgressAfterSeconds = 20.0;

// Every failure ends the program through here: one line, exit status 2.
class Failure
{
public:
    explicit Failure(std::string text) : message(std::move(text)) {}
    const std::string message;
};

std::string dbfs(float peak)
{
    if (peak <= 0.0f)
        return "-inf dBFS";
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f dBFS", 20.0 * std::log10(static_cast<double>(peak)));
    return text;
}

std::string resolveBundle(const std::string& requested)
{
    namespace fs = std::filesystem;
    if (!requested.empty())
    {
        const std::string expected = Ryvel::Lv2Host::isLv2BundlePath(requested)
                                         ? requested + "/manifest.ttl"
                                         : moduleFileInBundle(requested);
        if (!fs::is_regular_file(expected))
            throw Failure("plug-in bundle not found: " + requested);
        return requested;
    }
    if (const char* home = std::getenv("HOME"))
    {
        const std::string installed = std::string(home) + "/.vst3/Ryvel.vst3";
        if (fs::is_regular_file(moduleFileInBundle(installed)))
            return installed;
    }
    const std::string built = builtBundle();
    if (!fs::is_regular_file(moduleFileInBundle(built)))
        throw Failure("plug-in bundle not found: neither ~/.vst3/Ryvel.vst3 nor " + built +
                      " (use --plugin)");
    return built;
}

std::vector<std::uint8_t> readStateFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Failure("cannot open state file " + path);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (bytes.size() != kStateSize)
        throw Failure("not a Ryvel state: " + path + " holds " + std::to_string(bytes.size()) +
                      " bytes, a state has 220");
    return bytes;
}

void writeStateFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        throw Failure("cannot write state file " + path);
}

int outputFormat(int inputFormat, SampleFormat requested)
{
    const int container = inputFormat & SF_FORMAT_TYPEMASK;
    const bool flac = container == SF_FORMAT_FLAC;
    switch (requested)
    {
    case SampleFormat::Pcm16:
        return container | SF_FORMAT_PCM_16;
    case SampleFormat::Pcm24:
        return container | SF_FORMAT_PCM_24;
    case SampleFormat::Float:
        if (flac)
            throw Failure("FLAC cannot hold 32-bit float samples (use --format pcm24)");
        return container | SF_FORMAT_FLOAT;
    case SampleFormat::Default:
        break;
    }
    return container | (flac ? SF_FORMAT_PCM_24 : SF_FORMAT_FLOAT);
}

// The processor as the renderer drives it, in either format.
class Processor
{
public:
    virtual ~Processor() = default;
    // The parameters by ID and title, as the plug-in's host shows them.
    virtual std::vector<PublishedParameter> parameters() = 0;
    // A parameter's value from the next block on.
    virtual void set(Vst::ParamID id, double value) = 0;
    virtual void loadState(const std::vector<std::uint8_t>& bytes, const std::string& path) = 0;
    virtual std::vector<std::uint8_t> state() = 0;
    virtual void process(const float* inL, const float* inR, float* outL, float* outR, int n,
                         const Transport& transport) = 0;
};

class Vst3Processor final : public Processor
{
public:
    Vst3Processor(const std::string& bundle, int rate, int blockSize)
        : module(moduleFileInBundle(bundle))
    {
        if (!module.loaded())
            throw Failure("cannot load " + bundle + ": " + module.error());
        factory = module.factory();
        if (!factory)
            throw Failure("no plug-in factory in " + bundle);
        driver = std::make_unique<ProcessorDriver>(*factory.get(), rate, blockSize);
        if (!driver->ready())
            throw Failure("the plug-in refused " + std::to_string(rate) + " Hz");
    }
    std::vector<PublishedParameter> parameters() override
    {
        return publishedParameters(*factory.get(), driver->component());
    }
    void set(Vst::ParamID id, double value) override { driver->changes.add(id, value); }
    void loadState(const std::vector<std::uint8_t>& bytes, const std::string& path) override
    {
        MemoryStream stream(bytes);
        if (driver->component().setState(&stream) != kResultOk)
            throw Failure("the plug-in refused the state in " + path);
    }
    std::vector<std::uint8_t> state() override { return getState(driver->component()); }
    void process(const float* inL, const float* inR, float* outL, float* outR, int n,
                 const Transport& transport) override
    {
        driver->process(inL, inR, outL, outR, n, transport);
    }

private:
    PluginModule module;
    Ref<IPluginFactory> factory;
    std::unique_ptr<ProcessorDriver> driver;
};

class Lv2Processor final : public Processor
{
public:
    Lv2Processor(const std::string& path, int rate) : bundle(path)
    {
        if (!bundle.loaded())
            throw Failure("cannot load " + path + ": " + bundle.error());
        driver = std::make_unique<Ryvel::Lv2Host::PluginDriver>(bundle, rate);
        if (!driver->ready())
            throw Failure("the plug-in refused " + std::to_string(rate) + " Hz");
    }
    // The catalogue's titles and IDs, so that --set means the same in both formats.
    std::vector<PublishedParameter> parameters() override
    {
        std::vector<PublishedParameter> out;
        for (const Ryvel::ParamInfo& info : Ryvel::kParams)
            out.push_back({info.id, std::string(info.title())});
        return out;
    }
    // A control port holds its value until the host writes another.
    void set(Vst::ParamID id, double value) override { driver->setParameter(id, value); }
    void loadState(const std::vector<std::uint8_t>& bytes, const std::string&) override
    {
        driver->setState(bytes);
    }
    std::vector<std::uint8_t> state() override
    {
        const auto bytes = driver->getState();
        return {bytes.begin(), bytes.end()};
    }
    void process(const float* inL, const float* inR, float* outL, float* outR, int n,
                 const Transport& transport) override
    {
        driver->process(inL, inR, outL, outR, n, transport);
    }

private:
    Ryvel::Lv2Host::Bundle bundle;
    std::unique_ptr<Ryvel::Lv2Host::PluginDriver> driver;
};

// Titles are matched as the controller publishes them, ignoring case; a number is an ID.
Vst::ParamID resolveParameter(const std::string& name,
                              const std::vector<PublishedParameter>& params)
{
    auto lower = [](std::string text)
    {
        for (char& c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    const bool numeric =
        std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
    for (const PublishedParameter& p : params)
    {
        if (numeric ? std::to_string(p.id) == name : lower(p.title) == lower(name))
            return p.id;
    }
    throw Failure("unknown parameter '" + name + "'");
}

class ProgressBar
{
public:
    ProgressBar(bool enabled, std::int64_t total) : enabled(enabled), total(total) {}
    void update(std::int64_t done)
    {
        if (!enabled || total <= 0)
            return;
        const int percent = static_cast<int>(100 * std::min(done, total) / total);
        if (percent == shown)
            return;
        shown = percent;
        constexpr int kWidth = 40;
        const int filled = percent * kWidth / 100;
        std::fprintf(stderr, "\r[%s%s] %3d%%",
                     std::string(static_cast<std::size_t>(filled), '#').c_str(),
                     std::string(static_cast<std::size_t>(kWidth - filled), ' ').c_str(), percent);
        std::fflush(stderr);
    }
    void finish()
    {
        if (enabled && shown >= 0)
            std::fprintf(stderr, "\n");
    }

private:
    bool enabled;
    std::int64_t total;
    int shown = -1;
};

int writeDemoLoop(const std::string& path)
{
    const DemoLoop loop = makeDemoLoop();
    SoundFile out;
    if (!out.openWrite(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, DemoLoop::kSampleRate))
        throw Failure("cannot write " + path + ": " + out.error());
    std::vector<float> interleaved(loop.left.size() * 2);
    for (std::size_t i = 0; i < loop.left.size(); ++i)
    {
        interleaved[2 * i] = loop.left[i];
        interleaved[2 * i + 1] = loop.right[i];
    }
    if (!out.write(interleaved.data(), static_cast<std::int64_t>(loop.left.size())) || !out.close())
        throw Failure("cannot write " + path + ": " + out.error());
    std::printf("Wrote %s: two bars of drums at %.0f BPM, %d Hz, %.1f s\n", path.c_str(),
                DemoLoop::kTempo, DemoLoop::kSampleRate,
                static_cast<double>(loop.left.size()) / DemoLoop::kSampleRate);
    return 0;
}

int render(const Options& options)
{
    SoundFile in;
    if (!std::filesystem::exists(options.input))
        throw Failure("input file not found: " + options.input);
    if (!in.openRead(options.input))
        throw Failure("unsupported or unreadable audio file " + options.input + ": " + in.error());
    const SF_INFO info = in.info();
    if (!SoundFile::isSupportedContainer(info.format))
        throw Failure("unsupported format in " + options.input + " (WAV, AIFF or FLAC only)");
    if (info.channels < 1 || info.channels > 2)
        throw Failure("unsupported channel count " + std::to_string(info.channels) + " in " +
                      options.input + " (mono or stereo only)");
    const int format = outputFormat(info.format, options.format);

    const std::string bundle = resolveBundle(options.plugin);
    std::unique_ptr<Processor> plugin;
    if (Ryvel::Lv2Host::isLv2BundlePath(bundle))
        plugin = std::make_unique<Lv2Processor>(bundle, info.samplerate);
    else
        plugin = std::make_unique<Vst3Processor>(bundle, info.samplerate, options.blockSize);

    if (!options.loadState.empty())
        plugin->loadState(readStateFile(options.loadState), options.loadState);
    if (!options.assignments.empty())
    {
        const auto published = plugin->parameters();
        for (const Assignment& a : options.assignments)
            plugin->set(resolveParameter(a.name, published), a.value);
    }

    SoundFile out;
    if (!out.openWrite(options.output, format, 2, info.samplerate))
        throw Failure("cannot write " + options.output + ": " + out.error());

    const auto block = static_cast<std::size_t>(options.blockSize);
    const auto tailFrames = static_cast<std::int64_t>(kTailSeconds * info.samplerate);
    const Transport transport{options.tempo, true, true};
    std::vector<float> interleaved(block * static_cast<std::size_t>(info.channels));
    std::vector<float> inL(block), inR(block), outL(block), outR(block), stereo(2 * block);
    float peakIn = 0.0f, peakOut = 0.0f;
    std::chrono::steady_clock::duration busy{};
    ProgressBar progress(options.progress && isatty(STDERR_FILENO) != 0 &&
                             info.frames > kProgressAfterSeconds * info.samplerate,
                         info.frames + tailFrames);

    auto runBlock = [&](std::size_t n)
    {
        const auto start = std::chrono::steady_clock::now();
        plugin->process(inL.data(), inR.data(), outL.data(), outR.data(), static_cast<int>(n),
                        transport);
        busy += std::chrono::steady_clock::now() - start;
        for (std::size_t i = 0; i < n; ++i)
        {
            stereo[2 * i] = outL[i];
            stereo[2 * i + 1] = outR[i];
            peakOut = std::max({peakOut, std::fabs(outL[i]), std::fabs(outR[i])});
        }
    };

    std::int64_t done = 0;
    for (;;)
    {
        const auto n =
            static_cast<std::size_t>(in.read(interleaved.data(), static_cast<std::int64_t>(block)));
        if (n == 0)
            break;
        for (std::size_t i = 0; i < n; ++i)
        {
            const std::size_t c = static_cast<std::size_t>(info.channels);
            inL[i] = interleaved[i * c];
            inR[i] = interleaved[i * c + c - 1]; // mono plays on both sides
            peakIn = std::max({peakIn, std::fabs(inL[i]), std::fabs(inR[i])});
        }
        runBlock(n);
        if (!out.write(stereo.data(), static_cast<std::int64_t>(n)))
            throw Failure("cannot write " + options.output + ": " + out.error());
        done += static_cast<std::int64_t>(n);
        progress.update(done);
    }

    // The tail is kept in memory so that its trailing silence can be left out.
    std::fill(inL.begin(), inL.end(), 0.0f);
    std::fill(inR.begin(), inR.end(), 0.0f);
    std::vector<float> tail;
    tail.reserve(static_cast<std::size_t>(2 * tailFrames));
    for (std::int64_t t = 0; t < tailFrames; t += static_cast<std::int64_t>(block))
    {
        const auto n = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(block), tailFrames - t));
        runBlock(n);
        tail.insert(tail.end(), stereo.begin(), stereo.begin() + static_cast<long>(2 * n));
        progress.update(done + t + static_cast<std::int64_t>(n));
    }
    progress.finish();
    std::size_t audible = tail.size();
    while (audible > 0 && std::fabs(tail[audible - 1]) < kSilence)
        --audible;
    const auto tailWritten = static_cast<std::int64_t>((audible + 1) / 2);
    if (!out.write(tail.data(), tailWritten) || !out.close())
        throw Failure("cannot write " + options.output + ": " + out.error());

    if (!options.saveState.empty())
        writeStateFile(options.saveState, plugin->state());

    const double rate = info.samplerate;
    // Speed counts everything the plug-in processed, the silent end of the tail included.
    const double processedSeconds = static_cast<double>(done + tailFrames) / rate;
    const double busySeconds = std::chrono::duration<double>(busy).count();
    std::printf("Rendered %s -> %s through %s\n", options.input.c_str(), options.output.c_str(),
                bundle.c_str());
    std::printf("  duration  %.2f s input + %.2f s tail at %d Hz, %s, blocks of %d, %.2f BPM\n",
                static_cast<double>(done) / rate, static_cast<double>(tailWritten) / rate,
                info.samplerate, SoundFile::containerName(format).c_str(), options.blockSize,
                options.tempo);
    std::printf("  peak      in %s, out %s\n", dbfs(peakIn).c_str(), dbfs(peakOut).c_str());
    if (busySeconds > 0.0)
        std::printf("  speed     %.0fx realtime (%.3f s processing)\n",
                    processedSeconds / busySeconds, busySeconds);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try
    {
        std::string error;
        const auto options = parseOptions(argc, argv, error);
        if (!options)
            throw Failure(error);
        if (options->help)
        {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (!options->makeDemoLoop.empty())
            return writeDemoLoop(options->makeDemoLoop);
        return render(*options);
    }
    catch (const Failure& failure)
    {
        std::fprintf(stderr, "ryvel-render: %s\n", failure.message.c_str());
    }
    catch (const std::exception& e)
    {
        std::fprintf(stderr, "ryvel-render: %s\n", e.what());
    }
    return kExitError;
}
