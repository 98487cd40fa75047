// SPDX-License-Identifier: GPL-3.0-or-later
// Inputs the fuzzers found to break the plug-in, replayed through the real module so that they
// stay fixed. Each test says what the input was and what went wrong.

#include "TestHost.h"

#include "core/ParameterCatalogue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace Ryvel::TestHost;

namespace
{

class FuzzFindings : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(module.loaded()) << module.error(); }

    PluginModule module{moduleFileInBundle(builtBundle())};
    Ref<IPluginFactory> factory = module.factory();
};

// fuzz_process_block: a set-up at 8.2e-121 Hz was accepted; in single precision, where the
// filter coefficients take the rate, it is 0, and every block after it was NaN.
TEST_F(FuzzFindings, ARateTooSmallForSinglePrecisionIsRefusedAndTheSoundStaysFinite)
{
    ProcessorDriver driver(*factory.get(), 44100.0);
    ASSERT_TRUE(driver.ready());
    const double tiny[] = {8.22926e-121, 1e-50, std::numeric_limits<double>::denorm_min(), 0.5};
    for (const double rate : tiny)
    {
        SCOPED_TRACE(rate);
        driver.component().setActive(false);
        ProcessSetup setup{kRealtime, kSample32, 512, rate};
        EXPECT_EQ(driver.processor().setupProcessing(setup), kResultFalse);
        driver.component().setActive(true);

        for (const Ryvel::ParamInfo& info : Ryvel::kParams)
            if (!info.isBypass())
                driver.changes.add(info.id, 1.0);
        std::vector<float> in(512, 0.0f), outL(512), outR(512);
        for (std::size_t i = 0; i < in.size(); i += 37)
            in[i] = 1.0f;
        for (int block = 0; block < 30; ++block)
            driver.process(in.data(), in.data(), outL.data(), outR.data(), 512);
        for (std::size_t i = 0; i < outL.size(); ++i)
            ASSERT_TRUE(std::isfinite(outL[i]) && std::isfinite(outR[i])) << i;
    }
}

// The smallest rate still taken works: 1 Hz is slow, not broken.
TEST_F(FuzzFindings, OneHertzIsTheLowestRateTakenAndPlaysFinite)
{
    ProcessorDriver driver(*factory.get(), 1.0, 512);
    ASSERT_TRUE(driver.ready());
    std::vector<float> in(512, 1.0f), outL(512), outR(512);
    driver.changes.add(0, 1.0);
    for (int block = 0; block < 4; ++block)
        driver.process(in.data(), in.data(), outL.data(), outR.data(), 512);
    for (std::size_t i = 0; i < outL.size(); ++i)
        ASSERT_TRUE(std::isfinite(outL[i]) && std::fabs(outL[i]) < 8.0f) << i;
}

} // namespace
