// SPDX-License-Identifier: GPL-3.0-or-later
// The built Ryvel.lv2 through the in-repo lilv host, as an LV2 host loads it: its port
// description and presets as lilv reads them, and its processing against the scalar reference
// and at the edges a host can reach (sample rates, missing features, the enabled port, aliased
// buffers, the playhead output).

#include "DifferentialSessions.h"
#include "Lv2Host.h"
#include "TestHost.h"
#include "TestSignals.h"

#include "core/ParameterCatalogue.h"
#include "core/ProcessorCore.h"
#include "formats/lv2/Lv2Ports.h"
#include "presets/FactoryPresetsData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

using namespace Ryvel;
using Lv2Host::Bundle;
using Lv2Host::Features;
using Lv2Host::PluginDriver;
using TestHost::Transport;

namespace
{

constexpr float kSilence = 1e-6f;

// The first frame at or after `from` where the left output is audible, or -1.
long firstAudible(const std::vector<float>& left, std::size_t from)
{
    for (std::size_t i = from; i < left.size(); ++i)
        if (std::fabs(left[i]) > kSilence)
            return static_cast<long>(i);
    return -1;
}

class Lv2Plugin : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(bundle.loaded()) << bundle.error(); }

    Bundle bundle{Lv2Host::builtBundle()};
};

TEST_F(Lv2Plugin, PortsFollowTheCatalogueUnderSymbolsThatNeverChange)
{
    // Hosts save sessions and presets by symbol: this list is fixed, whatever the code says.
    const std::vector<std::string> symbols = {
        "v1_step_1", "v1_step_2", "v1_step_3", "v1_step_4", "v1_step_5", "v1_step_6", "v1_step_7",
        "v1_step_8", "v2_step_1", "v2_step_2", "v2_step_3", "v2_step_4", "v2_step_5", "v2_step_6",
        "v2_step_7", "v2_step_8", "v3_step_1", "v3_step_2", "v3_step_3", "v3_step_4", "v3_step_5",
        "v3_step_6", "v3_step_7", "v3_step_8", "v4_step_1", "v4_step_2", "v4_step_3", "v4_step_4",
        "v4_step_5", "v4_step_6", "v4_step_7", "v4_step_8", "v1_gain",   "v1_pan",    "v1_drive",
        "v1_filter", "v1_reso",   "v2_gain",   "v2_pan",    "v2_drive",  "v2_filter", "v2_reso",
        "v3_gain",   "v3_pan",    "v3_drive",  "v3_filter", "v3_reso",   "v4_gain",   "v4_pan",
        "v4_drive",  "v4_filter", "v4_reso",   "mix",       "hp",        "enabled"};
    ASSERT_EQ(symbols.size(), kParams.size());

    const LilvPlugin* plugin = bundle.plugin();
    std::vector<float> minimum(Lv2::kNumPorts), maximum(Lv2::kNumPorts), defaults(Lv2::kNumPorts);
    lilv_plugin_get_port_ranges_float(plugin, minimum.data(), maximum.data(), defaults.data());
    for (std::size_t i = 0; i < kParams.size(); ++i)
    {
        const ParamInfo& info = kParams[i];
        SCOPED_TRACE(std::string(info.title()));
        const std::uint32_t port = Lv2::paramPort(static_cast<int>(i));
        const LilvPort* p = lilv_plugin_get_port_by_index(plugin, port);
        ASSERT_NE(p, nullptr);
        EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, p)), symbols[i].c_str());
        EXPECT_EQ(minimum[port], 0.0f);
        EXPECT_EQ(maximum[port], 1.0f);
        // The host's bypass switch drives "enabled": processing by default.
        const double expectedDefault = info.isBypass() ? 1.0 : info.defaultValue;
        EXPECT_EQ(defaults[port], static_cast<float>(expectedDefault));
    }
}

TEST_F(Lv2Plugin, DeclaresAReleaseVersionThatHostsOffer)
{
    // LV2 reads minor version 0, or an odd minor or micro version, as a development build.
    auto versionPart = [this](const char* predicate)
    {
        LilvNode* uri = lilv_new_uri(bundle.world(), predicate);
        LilvNodes* values = lilv_plugin_get_value(bundle.plugin(), uri);
        const int value =
            lilv_nodes_size(values) == 1 && lilv_node_is_int(lilv_nodes_get_first(values))
                ? lilv_node_as_int(lilv_nodes_get_first(values))
                : -1;
        lilv_nodes_free(values);
        lilv_node_free(uri);
        return value;
    };
    const int minor = versionPart(LV2_CORE__minorVersion);
    const int micro = versionPart(LV2_CORE__microVersion);
    EXPECT_GT(minor, 0);
    EXPECT_EQ(minor % 2, 0) << minor;
    EXPECT_GE(micro, 0);
    EXPECT_EQ(micro % 2, 0) << micro;
}

TEST_F(Lv2Plugin, PresetsHoldTheFactoryValues)
{
    std::map<std::string, const FactoryPreset*> factory;
    for (int i = 0; i < FactoryPresetsData::count(); ++i)
        factory[FactoryPresetsData::all()[i].name] = &FactoryPresetsData::all()[i];

    const std::vector<Lv2Host::Preset> presets = bundle.presets();
    ASSERT_EQ(presets.size(), 31u);
    std::set<std::string> seen;
    for (const Lv2Host::Preset& preset : presets)
    {
        SCOPED_TRACE(preset.label);
        ASSERT_EQ(factory.count(preset.label), 1u) << preset.uri;
        EXPECT_TRUE(seen.insert(preset.label).second);
        const ParamMap expected = FactoryPresetsData::toParamMap(*factory[preset.label]);

        // Exactly the 52 pattern and voice values, by symbol; never Mix, HP or Enabled.
        std::map<ParamId, float> values;
        for (const auto& [symbol, value] : preset.portValues)
        {
            LilvNode* node = lilv_new_string(bundle.world(), symbol.c_str());
            const LilvPort* port = lilv_plugin_get_port_by_symbol(bundle.plugin(), node);
            lilv_node_free(node);
            ASSERT_NE(port, nullptr) << symbol;
            const int index = Lv2::catalogueIndexOfPort(lilv_port_get_index(bundle.plugin(), port));
            ASSERT_GE(index, 0) << symbol;
            EXPECT_TRUE(values.emplace(kParams[static_cast<std::size_t>(index)].id, value).second)
                << symbol;
        }
        ASSERT_EQ(values.size(), expected.size());
        for (const auto& [id, value] : expected)
        {
            ASSERT_EQ(values.count(id), 1u) << id;
            EXPECT_EQ(values[id], static_cast<float>(value)) << id;
        }
    }
    EXPECT_EQ(seen.size(), factory.size());
}

TEST_F(Lv2Plugin, MatchesTheReferenceOverTheDifferentialSessions)
{
    using namespace Differential;
    for (unsigned seed = 1; seed <= sessionCount(); ++seed)
    {
        const Session s = makeSession(seed);
        SCOPED_TRACE(testing::Message()
                     << "session " << seed << ", " << s.rate << " Hz, " << s.blocks.size()
                     << " blocks" << (s.inPlace ? ", in place" : ""));
        PluginDriver driver(bundle, s.rate);
        ASSERT_TRUE(driver.ready());
        Outputs out{s.left, s.right};
        std::vector<float> scratchL(8192), scratchR(8192);
        std::size_t at = 0;
        for (const BlockPlan& b : s.blocks)
        {
            for (const Change& c : b.changes)
                driver.setParameter(c.id, c.value);
            float* l = out.left.data() + at;
            float* r = out.right.data() + at;
            if (s.inPlace)
                driver.process(l, r, l, r, b.size, b.transport);
            else
            {
                driver.process(l, r, scratchL.data(), scratchR.data(), b.size, b.transport);
                std::copy_n(scratchL.data(), b.size, l);
                std::copy_n(scratchR.data(), b.size, r);
            }
            at += static_cast<std::size_t>(b.size);
        }
        ASSERT_EQ(firstMismatch(s, out, renderReference(s)), "");
    }
}

TEST_F(Lv2Plugin, InstantiateRefusesTheSampleRatesTheVst3BuildRefuses)
{
    TestHost::PluginModule module(TestHost::moduleFileInBundle(TestHost::builtBundle()));
    ASSERT_TRUE(module.loaded()) << module.error();
    auto factory = module.factory();
    constexpr double kMax = ProcessorCore::kMaxSampleRate;
    const struct
    {
        double rate;
        bool accepted;
    } cases[] = {
        {0.0, false},
        {-48000.0, false},
        {0.5, false},
        {std::numeric_limits<double>::quiet_NaN(), false},
        {std::numeric_limits<double>::infinity(), false},
        {std::nextafter(kMax, 2 * kMax), false},
        {1e12, false},
        {1.0, true},
        {44100.0, true},
        {kMax, true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.rate);
        EXPECT_EQ(PluginDriver(bundle, c.rate).ready(), c.accepted);
        EXPECT_EQ(PluginDriver(bundle, c.rate, Features::None).ready(), c.accepted);
        EXPECT_EQ(TestHost::ProcessorDriver(*factory.get(), c.rate).ready(), c.accepted);
    }
}

TEST_F(Lv2Plugin, WithoutAUridMapTheDefaultTempoHolds)
{
    // Positions at 150 BPM put V1 Step 1 at 4800 samples; unread, 120 BPM puts it at 6000.
    const struct
    {
        Features features;
        long echoAt;
    } cases[] = {{Features::UridMap, 4800}, {Features::None, 6000}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.echoAt);
        PluginDriver driver(bundle, 48000.0, c.features);
        ASSERT_TRUE(driver.ready());
        driver.setParameter(stepId(0, 0), 1.0);
        std::vector<float> in(12000, 0.0f), outL, outR;
        in[0] = 0.5f;
        driver.processBuffer(in, in, outL, outR, 256, Transport{150.0, true, true});
        EXPECT_EQ(firstAudible(outL, 1), c.echoAt);
    }
}

TEST_F(Lv2Plugin, EnabledPortAtZeroPassesTheDryInputBitForBit)
{
    PluginDriver driver(bundle, 48000.0);
    ASSERT_TRUE(driver.ready());
    for (int s = 0; s < 8; ++s)
        driver.setParameter(stepId(0, s), 1.0);
    driver.setParameter(kMixId, 0.8);
    const std::vector<float> inL = Testing::noise(20000, 1), inR = Testing::noise(20000, 2);
    std::vector<float> outL, outR;
    driver.processBuffer(inL, inR, outL, outR, 500);
    EXPECT_NE(outL, inL); // the echoes sound

    float& enabled = driver.controlPort(Lv2::paramPort(paramIndex(kBypassId)));
    ASSERT_EQ(enabled, 1.0f);
    enabled = 0.0f; // what a host's bypass switch writes
    driver.processBuffer(inL, inR, outL, outR, 500);
    EXPECT_EQ(outL, inL);
    EXPECT_EQ(outR, inR);
    EXPECT_EQ(driver.parameter(kBypassId), 1.0);
    EXPECT_EQ(driver.getState()[4 * 53], 1); // the state's bypass field

    enabled = 1.0f;
    driver.processBuffer(inL, inR, outL, outR, 500);
    EXPECT_NE(outL, inL);
}

TEST_F(Lv2Plugin, AnyInputMayShareAnOutputsBuffer)
{
    // LV2 lets a host connect any input and output to one buffer unless the plug-in says it
    // cannot cope; the result must be what separate buffers give.
    enum Sharing
    {
        Separate,
        Straight,      // in L = out L, in R = out R
        RightIntoLeft, // in R = out L
        LeftIntoRight, // in L = out R
        Crossed,       // both
    };
    const std::vector<float> inL = Testing::noise(9000, 3), inR = Testing::noise(9000, 4);
    for (const bool bypassed : {false, true})
    {
        std::vector<float> expectedL, expectedR;
        for (const Sharing sharing : {Separate, Straight, RightIntoLeft, LeftIntoRight, Crossed})
        {
            SCOPED_TRACE(testing::Message() << (bypassed ? "bypassed, " : "") << "sharing "
                                            << static_cast<int>(sharing));
            PluginDriver driver(bundle, 44100.0);
            ASSERT_TRUE(driver.ready());
            driver.setParameter(stepId(1, 0), 1.0);
            driver.setParameter(stepId(2, 1), 1.0);
            driver.setParameter(voiceParamId(ParamKind::Pan, 1), 0.1);
            driver.setParameter(kBypassId, bypassed ? 1.0 : 0.0);
            std::vector<float> a = inL, b = inR, c(inL.size()), d(inL.size());
            std::vector<float>*outL = &c, *outR = &d;
            switch (sharing)
            {
            case Separate:
                break;
            case Straight:
                outL = &a;
                outR = &b;
                break;
            case RightIntoLeft:
                outL = &b;
                break;
            case LeftIntoRight:
                outR = &a;
                break;
            case Crossed:
                outL = &b;
                outR = &a;
                break;
            }
            for (std::size_t at = 0; at < inL.size(); at += 3000)
                driver.process(a.data() + at, b.data() + at, outL->data() + at, outR->data() + at,
                               3000);
            if (sharing == Separate)
            {
                expectedL = *outL;
                expectedR = *outR;
                if (bypassed)
                {
                    EXPECT_EQ(expectedL, inL);
                }
                continue;
            }
            EXPECT_EQ(*outL, expectedL);
            EXPECT_EQ(*outR, expectedR);
        }
    }
}

TEST_F(Lv2Plugin, PlayheadOutputFollowsTheTransport)
{
    // 120 BPM at 48 kHz: a step every 6000 samples, eight steps to a cycle.
    PluginDriver driver(bundle, 48000.0);
    ASSERT_TRUE(driver.ready());
    std::vector<float> in(4000, 0.0f), outL(4000), outR(4000);
    const Transport playing{120.0, true, true};
    const Transport stopped{120.0, true, false};
    const struct
    {
        std::optional<Transport> transport;
        int frames;
        int step;
    } blocks[] = {
        {stopped, 100, -1},
        {playing, 4000, 0},
        {playing, 2000, 1},
        {playing, 4000, 1},
        {playing, 4000, 2},
        {playing, 4000 * 7, 7},
        {playing, 6000, 0}, // the cycle wraps
        {playing, 7000, 1},
        {stopped, 100, -1},
        {playing, 100, 0}, // a start restarts the
                           // cycle
        {playing, 4000 * 5, 3},
        {std::nullopt, 100, -1}, // no position: stopped
        {playing, 3000, 0},
    };
    for (std::size_t i = 0; i < std::size(blocks); ++i)
    {
        SCOPED_TRACE(i);
        for (int done = 0; done < blocks[i].frames; done += 4000)
        {
            const int n = std::min(4000, blocks[i].frames - done);
            driver.process(in.data(), in.data(), outL.data(), outR.data(), n, blocks[i].transport);
        }
        EXPECT_EQ(driver.playheadStep(), blocks[i].step);
    }
}

} // namespace
