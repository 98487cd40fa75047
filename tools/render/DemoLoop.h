// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A short drum loop synthesised on demand, so that the demo needs no recorded audio.

#include <vector>

namespace Ryvel::Render
{

struct DemoLoop
{
    static constexpr int kSampleRate = 48000;
    static constexpr double kTempo = 120.0;
    std::vector<float> left, right;
};

// Two bars of kick, snare and hi-hat at 120 BPM and 48 kHz, peaking at -3 dBFS. The same
// samples on every run: the noise comes from a fixed-seed integer generator.
DemoLoop makeDemoLoop();

} // namespace Ryvel::Render
