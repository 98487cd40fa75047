// SPDX-License-Identifier: GPL-3.0-or-later
// The processor's 220-byte state stream as hosts store it in projects.

#include "TestHost.h"

#include "core/ParameterCatalogue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace Ryvel::TestHost;

namespace
{

std::vector<std::uint8_t> defaultStateBytes()
{
    // 32 switches off, four voices (gain 0.7, pan 0.5, drive 0, filter 1, reso 0), mix 0.5,
    // bypass off, high-pass 0.
    std::vector<std::uint8_t> bytes(128, 0);
    for (int v = 0; v < 4; ++v)
        for (std::uint8_t b : {0x33, 0x33, 0x33, 0x3F, 0x00, 0x00, 0x00, 0x3F, 0x00, 0x00,
                               0x00, 0x00, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x00})
            bytes.push_back(b);
    for (std::uint8_t b : {0x00, 0x00, 0x00, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0})
        bytes.push_back(b);
    return bytes;
}

float floatAt(const std::vector<std::uint8_t>& bytes, size_t offset)
{
    float f;
    std::memcpy(&f, bytes.data() + offset, 4);
    return f;
}

std::int32_t intAt(const std::vector<std::uint8_t>& bytes, size_t offset)
{
    std::int32_t i;
    std::memcpy(&i, bytes.data() + offset, 4);
    return i;
}

void putFloat(std::vector<std::uint8_t>& bytes, size_t offset, float f)
{
    std::memcpy(bytes.data() + offset, &f, 4);
}

class StateTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(module.loaded()) << module.error(); }

    tresult load(ProcessorDriver& driver, std::vector<std::uint8_t> bytes)
    {
        MemoryStream stream(std::move(bytes));
        return driver.component().setState(&stream);
    }

    PluginModule module{moduleFileInBundle(builtBundle())};
    Ref<IPluginFactory> factory = module.factory();
};

TEST_F(StateTest, FreshProcessorSavesTheDefaultBytes)
{
    ProcessorDriver driver(*factory.get(), 44100.0);
    EXPECT_EQ(getState(driver.component()), defaultStateBytes());
}

TEST_F(StateTest, SaveLoadSaveRoundTripsAndKeepsEchoesInFlight)
{
    ProcessorDriver driver(*factory.get(), 44100.0);
    driver.changes.add(2, 1.0); // V1 step 3: an echo 16536 samples later
    driver.changes.add(Ryvel::kMixId, 1.0);
    driver.changes.add(131, 0.123456789);
    driver.changes.add(155, 0.987654321);
    driver.changes.add(Ryvel::kHighPassId, 0.01);
    std::vector<float> in(8192, 0.0f), outL, outR;
    in[0] = 0.25f;
    driver.processBuffer(in, in, outL, outR, 512);

    const auto saved = getState(driver.component());
    ASSERT_EQ(saved.size(), 220u);
    EXPECT_EQ(intAt(saved, 8), 1);
    EXPECT_EQ(floatAt(saved, 128 + 20 * 3), 0.123456789f);
    EXPECT_EQ(floatAt(saved, 128 + 20 * 3 + 16), 0.987654321f);
    EXPECT_EQ(floatAt(saved, 216), 0.01f);

    ASSERT_EQ(load(driver, saved), kResultOk);
    EXPECT_EQ(getState(driver.component()), saved);

    std::vector<float> rest(12000, 0.0f);
    driver.processBuffer(rest, rest, outL, outR, 512);
    float peak = 0.0f;
    size_t at = 0;
    for (size_t i = 0; i < outL.size(); ++i)
        if (std::fabs(outL[i]) > peak)
            peak = std::fabs(outL[i]), at = i;
    EXPECT_GT(peak, 0.05f);
    EXPECT_NEAR(static_cast<double>(at + 8192), 16536.0, 3.0);
}

TEST_F(StateTest, ShortStreamsLoadZerosFromTheFirstMissingField)
{
    ProcessorDriver driver(*factory.get(), 44100.0);
    ASSERT_EQ(load(driver, {}), kResultOk);
    auto state = getState(driver.component());
    EXPECT_EQ(state, std::vector<std::uint8_t>(220, 0));

    auto withoutHighpass = defaultStateBytes();
    putFloat(withoutHighpass, 216, 0.5f);
    withoutHighpass.resize(216);
    withoutHighpass[212] = 1; // bypass on
    ASSERT_EQ(load(driver, withoutHighpass), kResultOk);
    state = getState(driver.component());
    EXPECT_EQ(intAt(state, 212), 1);
    EXPECT_EQ(floatAt(state, 216), 0.0f);
    EXPECT_EQ(floatAt(state, 128), 0.7f);

    // A stream cut inside a field: that field and everything after it are zero.
    auto cut = defaultStateBytes();
    cut.resize(130);
    ASSERT_EQ(load(driver, cut), kResultOk);
    state = getState(driver.component());
    EXPECT_EQ(state, std::vector<std::uint8_t>(220, 0));

    // Bytes after 220 are ignored.
    auto longer = defaultStateBytes();
    longer.resize(300, 0xFF);
    ASSERT_EQ(load(driver, longer), kResultOk);
    EXPECT_EQ(getState(driver.component()), defaultStateBytes());
}

TEST_F(StateTest, HostileValuesLoadAsDefaultsOrLimited)
{
    ProcessorDriver driver(*factory.get(), 44100.0);
    auto bytes = defaultStateBytes();
    bytes[0] = 2;                                                  // step 1: 2 loads as on
    std::memset(bytes.data() + 4, 0xFF, 4);                        // step 2: -1 loads as on
    putFloat(bytes, 128, std::numeric_limits<float>::quiet_NaN()); // gain NaN: default 0.7
    putFloat(bytes, 132, 1.5f);                                    // pan: limited to 1
    putFloat(bytes, 136, -3.0f);                                   // drive: limited to 0
    putFloat(bytes, 140, std::numeric_limits<float>::infinity());  // filter: limited to 1
    putFloat(bytes, 144, 0.3f);                                    // in range: bit for bit
    putFloat(bytes, 216, std::numeric_limits<float>::quiet_NaN()); // high-pass: default 0
    ASSERT_EQ(load(driver, bytes), kResultOk);

    const auto state = getState(driver.component());
    EXPECT_EQ(intAt(state, 0), 1);
    EXPECT_EQ(intAt(state, 4), 1);
    EXPECT_EQ(floatAt(state, 128), 0.7f);
    EXPECT_EQ(floatAt(state, 132), 1.0f);
    EXPECT_EQ(floatAt(state, 136), 0.0f);
    EXPECT_EQ(floatAt(state, 140), 1.0f);
    EXPECT_EQ(floatAt(state, 144), 0.3f);
    EXPECT_EQ(floatAt(state, 216), 0.0f);

    std::vector<float> in(4096, 0.5f), outL, outR;
    driver.processBuffer(in, in, outL, outR, 256);
    for (float x : outL)
        ASSERT_TRUE(std::isfinite(x));
}

TEST_F(StateTest, MissingStreamsAndFailedWritesAreReported)
{
    ProcessorDriver driver(*factory.get(), 44100.0);
    EXPECT_EQ(driver.component().setState(nullptr), kInvalidArgument);
    EXPECT_EQ(driver.component().getState(nullptr), kInvalidArgument);
    EXPECT_EQ(getState(driver.component()), defaultStateBytes());

    MemoryStream small;
    small.writeLimit = 100;
    EXPECT_EQ(driver.component().getState(&small), kResultFalse);
}

} // namespace
