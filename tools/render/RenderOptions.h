// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The command line of ryvel-render.

#include <optional>
#include <string>
#include <vector>

namespace Ryvel::Render
{

enum class SampleFormat
{
    Default, // 32-bit float; 24-bit for FLAC, which has no float samples
    Float,
    Pcm16,
    Pcm24,
};

// A parameter assignment as typed: a title ("V1 Step 3") or a decimal ID, and a value 0..1.
struct Assignment
{
    std::string name;
    double value = 0.0;
};

struct Options
{
    bool help = false;
    std::string makeDemoLoop; // non-empty: write the demo loop there and stop
    std::string input, output;
    std::string plugin; // Ryvel.vst3 or Ryvel.lv2; empty: the installed VST 3, else the build's
    int blockSize = 512;
    double tempo = 120.0;
    SampleFormat format = SampleFormat::Default;
    std::vector<Assignment> assignments;
    std::string loadState, saveState;
    bool progress = true;
};

// The parsed options, or nullopt with a one-line reason in `error`.
std::optional<Options> parseOptions(int argc, const char* const* argv, std::string& error);

extern const char* const kUsage;

} // namespace Ryvel::Render
