// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A deliberately plain model of one processor session, kept apart from the production code so
// that an optimised signal path can be checked against it bit for bit. Everything is written
// out per sample and per channel in the order the sound is defined in; nothing is cached that
// need not be, and nothing is shared with source/core.
//
// Units: times in samples at the session's rate; normalised parameter values 0..1; voices 0..3,
// steps 0..7.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Ryvel::Reference
{

class ReferenceEcho
{
public:
    // A session as a host starts it: parameters at their defaults, delay lines cleared,
    // 120 BPM until a host tempo arrives.
    explicit ReferenceEcho(double sampleRate);

    // A host parameter change, applied at once; the caller applies the changes of a block
    // before that block's audio, last value last.
    void setParameter(std::uint32_t id, double value);
    // The tempo a block's process context carries (call only when it is marked valid).
    void hostTempo(double bpm);
    // One block of audio. Input and output may alias.
    void process(const float* inL, const float* inR, float* outL, float* outR, int numSamples);

    // Differential tests only: a step longer than any tempo gives, to reach the longest delay the
    // line allows. Holds until the next tempo change.
    void forceStepSamples(int samples) { stepLength = samples; }

    int stepSamples() const { return stepLength; }
    std::size_t delayLength() const { return length; }

private:
    struct Voice
    {
        std::vector<float> left, right;
        std::size_t writePos = 0;
        float ladderLeft[4] = {0, 0, 0, 0};
        float ladderRight[4] = {0, 0, 0, 0};
        // Ladder coefficients: g and its powers, the feedback amount.
        float g = 0, oneMinusG = 0, g2 = 0, g3 = 0, g4 = 0, k = 0;
        bool steps[8] = {false, false, false, false, false, false, false, false};
        float gain = 0.7f, pan = 0.5f, drive = 0.0f, filter = 1.0f, reso = 0.0f;
    };

    void computeStepLength();
    void computeLadder(Voice& voice) const;
    void computeHighpass();
    float runLadder(float* s, float u, const Voice& voice) const;

    double rate;
    float fs;
    std::size_t length;
    std::array<Voice, 4> voices;
    float tempo = 120.0f;
    int stepLength = 0;
    float mix = 0.5f;
    float highpass = 0.0f;
    bool bypass = false;
    float highpassG = 0.0f;
    float highpassLeft = 0.0f;
    float highpassRight = 0.0f;
};

} // namespace Ryvel::Reference
