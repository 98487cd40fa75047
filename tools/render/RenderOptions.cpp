// SPDX-License-Identifier: GPL-3.0-or-later
#include "RenderOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace Ryvel::Render
{

const char* const kUsage =
    R"(usage: ryvel-render [options] <input> <output>
       ryvel-render --make-demo-loop <output.wav>

Runs an audio file (WAV, AIFF or FLAC; mono is played on both channels) through the Ryvel
plug-in as a host does, at the file's sample rate with the transport playing, and writes the
result in the same container, followed by the echo tail (up to 4 s). Both plug-in formats give
the same file to the bit; states saved by one load into the other.

options:
  --plugin <bundle>     Ryvel.vst3 or Ryvel.lv2 to load; a folder ending in .lv2 or holding
                        a manifest.ttl is hosted as LV2 (default: ~/.vst3/Ryvel.vst3 when
                        installed, else the VST 3 bundle of this build)
  --block <n>           block size in samples, 1 to 8192 (default 512)
  --tempo <bpm>         host tempo, 1 to 999 (default 120)
  --set <name>=<value>  set a parameter by title or ID to a normalised value 0..1, e.g.
                        --set "V1 Step 3=1" --set 162=0.4; repeatable, applied after a state
  --load-state <file>   load a processor state (220 bytes) before rendering
  --save-state <file>   save the processor state after rendering
  --format <f>          float (default), pcm16 or pcm24; FLAC defaults to pcm24
  --no-progress         no progress bar, even on a terminal
  --make-demo-loop <f>  write a two-bar drum loop (120 BPM, 48 kHz, stereo WAV) and stop
  --help                this text

Exit status: 0 on success, 2 on any error (one line on standard error).
)";

namespace
{

bool parseNumber(const std::string& text, double& out)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return errno == 0 && end == text.c_str() + text.size() && std::isfinite(out);
}

std::string trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

} // namespace

std::optional<Options> parseOptions(int argc, const char* const* argv, std::string& error)
{
    Options options;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        auto value = [&](std::string& out)
        {
            if (i + 1 >= argc)
            {
                error = arg + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        std::string text;
        if (arg == "--help" || arg == "-h")
            options.help = true;
        else if (arg == "--no-progress")
            options.progress = false;
        else if (arg == "--plugin")
        {
            if (!value(options.plugin))
                return std::nullopt;
        }
        else if (arg == "--make-demo-loop")
        {
            if (!value(options.makeDemoLoop))
                return std::nullopt;
        }
        else if (arg == "--load-state")
        {
            if (!value(options.loadState))
                return std::nullopt;
        }
        else if (arg == "--save-state")
        {
            if (!value(options.saveState))
                return std::nullopt;
        }
        else if (arg == "--block")
        {
            double n = 0.0;
            if (!value(text))
                return std::nullopt;
            if (!parseNumber(text, n) || n < 1.0 || n > 8192.0 || n != std::floor(n))
            {
                error = "--block must be a whole number from 1 to 8192, not '" + text + "'";
                return std::nullopt;
            }
            options.blockSize = static_cast<int>(n);
        }
        else if (arg == "--tempo")
        {
            if (!value(text))
                return std::nullopt;
            if (!parseNumber(text, options.tempo) || options.tempo < 1.0 || options.tempo > 999.0)
            {
                error = "--tempo must be a number of beats per minute from 1 to 999, not '" + text +
                        "'";
                return std::nullopt;
            }
        }
        else if (arg == "--format")
        {
            if (!value(text))
                return std::nullopt;
            if (text == "float")
                options.format = SampleFormat::Float;
            else if (text == "pcm16")
                options.format = SampleFormat::Pcm16;
            else if (text == "pcm24")
                options.format = SampleFormat::Pcm24;
            else
            {
                error = "--format must be float, pcm16 or pcm24, not '" + text + "'";
                return std::nullopt;
            }
        }
        else if (arg == "--set")
        {
            if (!value(text))
                return std::nullopt;
            // The value follows the last '=': titles contain spaces but no '='.
            const auto equals = text.rfind('=');
            Assignment assignment;
            if (equals != std::string::npos)
                assignment.name = trim(text.substr(0, equals));
            if (equals == std::string::npos || assignment.name.empty() ||
                !parseNumber(trim(text.substr(equals + 1)), assignment.value) ||
                assignment.value < 0.0 || assignment.value > 1.0)
            {
                error = "--set expects <title or ID>=<value 0..1>, not '" + text + "'";
                return std::nullopt;
            }
            options.assignments.push_back(assignment);
        }
        else if (arg.size() > 1 && arg[0] == '-')
        {
            error = "unknown option " + arg + " (see --help)";
            return std::nullopt;
        }
        else
            positional.push_back(arg);
    }

    if (options.help)
        return options;
    if (!options.makeDemoLoop.empty())
    {
        if (!positional.empty())
        {
            error = "--make-demo-loop takes no input or output file";
            return std::nullopt;
        }
        return options;
    }
    if (positional.size() != 2)
    {
        error = "expected an input and an output file (see --help)";
        return std::nullopt;
    }
    options.input = positional[0];
    options.output = positional[1];
    return options;
}

} // namespace Ryvel::Render
