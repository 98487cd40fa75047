// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempHome.h"

#include "presets/FactoryPresetsData.h"

#include <array>
#include <cstdlib>
#include <iterator>
#include <set>
#include <sstream>
#include <stdexcept>

namespace Ryvel::test
{
namespace
{

// The factory table as the sound designers published it, transcribed as text in their own
// layout (value rows: gain, pan, filter, reso, drive; voices 1..4), independently of the
// compiled-in records.
struct PublishedPreset
{
    const char* name;
    const char* steps;
    const char* gain;
    const char* pan;
    const char* filter;
    const char* reso;
    const char* drive;
};

constexpr PublishedPreset kPublished[] = {
    {"Acetate Slap", "00000000 / 11000000 / 00000000 / 00010010",
     "0.518515 0.496683 0.163474 0.620109", "0.290049 0.903816 0.165003 0.445622",
     "0.696582 0.647707 0.906221 0.342048", "0.490857 0.155411 0.934907 0.703943",
     "0.732666 0.985343 0.121947 0.905041"},
    {"Basserator", "10010000 / 00100000 / 00001010 / 00000001",
     "0.054842 0.559543 0.445813 0.749919", "0.140932 0.768842 0.336273 0.076395",
     "0.929948 0.33381 0.166545 0.972395", "0.609929 0.66264 0.998875 0.790355",
     "0.862815 0.681515 0.33967 0.689562"},
    {"Broken Ether Clock", "00100000 / 00110000 / 00001010 / 00010000",
     "0.425312 0.242122 0.41604 0.168379", "0.059952 0.803633 0.243715 0.716269",
     "0.543858 0.341603 0.399362 0.07226", "0.305236 0.324812 0.551133 0.97373",
     "0.182948 0.118204 0.792591 0.688922"},
    {"Cold Vapor Trail", "01111000 / 00000010 / 10001000 / 00010000",
     "0.710943 0.094007 0.562913 0.209355", "0.500658 0.117542 0.643547 0.985951",
     "0.771018 0.458471 0.858289 0.450827", "0.180985 0.526688 0.601284 0.50904",
     "0.901217 0.080059 0.932184 0.848453"},
    {"Copper Wire", "01000000 / 00011001 / 00000000 / 10001000",
     "0.667048 0.117979 0.759665 0.270294", "0.6189 0.856516 0.658203 0.442096",
     "0.484759 0.169973 0.881467 0.13503", "0.718473 0.553088 0.847907 0.36279",
     "0.830709 0.833484 0.151027 0.896803"},
    {"Crystal Follower", "01000001 / 00010111 / 00000000 / 00000100",
     "0.13235 0.045646 0.0284 0.293317", "0.134894 0.19166 0.282067 0.971139",
     "0.724587 0.232954 0.50975 0.606021", "0.391657 0.247862 0.569531 0.455558",
     "0.252541 0.009176 0.778961 0.918187"},
    {"Dangerous", "00001001 / 01010000 / 01000101 / 00000100",
     "0.829932 0.471185 0.162565 0.700358", "0.691994 0.976239 0.075552 0.185176",
     "0.543684 0.759893 0.230325 0.828341", "0.740659 0.743333 0.65017 0.831786",
     "0.470056 0.322782 0.196074 0.256661"},
    {"Effervescent", "00111000 / 00000000 / 01100000 / 00000000",
     "0.423213 0.502003 0.087847 0.800033", "0.118068 0.315468 0.897887 0.349768",
     "0.496509 0.968352 0.624224 0.156879", "0.637496 0.453103 0.729297 0.201306",
     "0.607965 0.365023 0.11242 0.448347"},
    {"Flux Scatter Wide", "00000100 / 00010000 / 00000000 / 00100000",
     "0.451108 0.478801 0.404804 0.246485", "0.34885 0.864891 0.352914 0.826559",
     "0.463995 0.435903 0.53192 0.938927", "0.349416 0.542256 0.397601 0.134105",
     "0.387254 0.97826 0.137983 0.94036"},
    {"Galloper", "00000000 / 00010000 / 00100001 / 00000010", "0.396558 0.514284 0.153234 0.587986",
     "0.757171 0.296521 0.528866 0.758202", "0.309911 0.726652 0.793821 0.889289",
     "0.160061 0.295156 0.936199 0.480507", "0.593056 0.475826 0.372381 0.719864"},
    {"Ghost Tape", "00000010 / 00100000 / 00010000 / 01000000", "0.32049 0.431012 0.521254 0.71",
     "0.340344 0.723333 0.282951 0.687814", "0.239312 0.415736 0.649106 0.635492",
     "0.417874 0.800003 0.517769 0.688873", "0.330946 0.590297 0.667227 0.558384"},
    {"Haunt Tight", "00000010 / 01000000 / 10000000 / 00000100",
     "0.069078 0.403183 0.434157 0.017303", "0.777828 1 0.030487 0.868071",
     "0.823747 0.583047 0.711614 0.882487", "0.226095 0.550321 0.093363 0.196987",
     "0.20576 0.158534 0.078074 0.187439"},
    {"Iron Curtain", "01000001 / 10000100 / 00011001 / 01010000",
     "0.148237 0.758883 0.624106 0.194559", "0.807838 0.157402 0.893013 0.993553",
     "0.283514 0.963118 0.334727 0.643737", "0.676934 0.134249 0.403982 0.757497",
     "0.402707 0.371007 0.032614 0.146012"},
    {"Jekyll", "00000100 / 10000000 / 01000000 / 00000010", "0.920298 0.776755 0.847562 1",
     "0.963022 0.291437 0.817849 0", "0.626244 0.473705 0.538343 0.616203",
     "0.418652 0.992281 0.475869 0.278636", "1 0.162324 0.58166 1"},
    {"Kerala", "00000000 / 10100000 / 00101100 / 00001000", "0.731201 0.656428 0.750766 0.735874",
     "0.133483 0.764294 0.14244 0.518423", "0.796937 0.145372 0.280489 0.718225",
     "0.238181 0.398534 0.775443 0.682709", "0.604217 0.403643 0.060308 0.238406"},
    {"Lemon Drops", "00000000 / 11000010 / 00101000 / 00000000",
     "0.626555 0.402154 0.693073 0.63986", "0.439404 0.704852 0.535297 0.24207",
     "0.133735 0.09421 0.611814 0.990699", "0.451036 0.170258 0.531233 0.022522",
     "0.06172 0.142375 0.107449 0.60468"},
    {"LFO The Filters", "01001000 / 00010000 / 00100000 / 10010100",
     "0.534229 0.530726 0.605937 0.219977", "0.284126 0.608375 0.534396 0.05173",
     "0.679188 0.528518 0.530222 0.342828", "0.290183 0.499893 0.52795 0.941616",
     "0.344124 0.082134 0.134572 0.41027"},
    {"Lunar Glitch", "11110100 / 00000011 / 00000000 / 00100101",
     "0.29165 0.163882 0.738236 0.901755", "0.342757 0.944924 0.74273 0.404831",
     "0.797925 0.238084 0.672408 0.580448", "0.366557 0.81237 0.687735 0.149425",
     "0.204098 0.47579 0.579249 0.348501"},
    {"Marble Fever", "00001010 / 01000000 / 00010000 / 10110001",
     "0.531641 0.522724 0.566789 0.512643", "0.454161 0.973562 0.904817 0.343768",
     "0.549764 0.795605 0.616138 0.506735", "0.728141 0.688853 0.804001 0.062569",
     "0.743481 0.714593 0.486568 0.522043"},
    {"Melt Reactor", "00000010 / 10101000 / 10101000 / 11000010",
     "0.445802 0.432732 0.498122 0.610694", "0.805125 0.184396 0.758197 0.828757",
     "0.836109 0.309161 0.313793 0.02568", "0.512016 0.233562 0.789295 0.508705",
     "0.715505 0.650205 0.841592 0.197082"},
    {"Nice Pattern", "00001000 / 10010100 / 00000000 / 01000000",
     "0.246573 0.729157 0.60565 0.752464", "0.384826 0.119229 0.871078 0.01588",
     "0.081838 0.780977 0.660382 0.508215", "0.758479 0.747709 0.31552 0.090016",
     "0.626037 0.386992 0.492833 0.172822"},
    {"Pale Fire", "00000000 / 10100000 / 01010000 / 01000001",
     "0.112622 0.138222 0.274632 0.353408", "0.136272 0.058227 0.770232 0.538448",
     "0.41945 0.574039 0.781635 0.772828", "0.605168 0.945791 0.198975 0.442142",
     "0.457081 0.430676 0.271127 0.779993"},
    {"Red Dust", "10010000 / 00000010 / 00000100 / 01001000", "0.311969 0.757284 0.372939 0.712574",
     "0.74503 0.81713 0.400216 0.353994", "0.896296 0.820876 0.309256 0.288793",
     "0.889888 0.957691 0.645841 0.941399", "0.672816 0.29147 0.240989 0.362726"},
    {"Reso Jumper", "00000100 / 00000100 / 10000011 / 00110100",
     "0.385437 0.175883 0.118522 0.466796", "0.977746 0.058998 0.106665 0.562615",
     "0.5183 0.237284 0.389711 0.405032", "0.778617 0.73755 0.577959 0.241791",
     "0.462208 0.750411 0.14502 0.73376"},
    {"Scoops", "00010000 / 00100000 / 00000100 / 10000010", "0.457929 0.378131 0.700175 0.53405",
     "0.782588 0.223049 0.763117 0.357669", "0.331529 0.534183 0.462274 0.859949",
     "0.627298 0.54901 0.751641 0.576848", "0.432404 0.067074 0.434772 0.970872"},
    {"Silk Fracture", "10000000 / 01010000 / 00001000 / 10000101",
     "0.27962 0.158903 0.158944 0.272282", "0.925981 0.780169 0.127254 0.693824",
     "0.877183 0.85552 0.806894 0.355835", "0.300697 0.719173 0.577313 0.770302",
     "0.529556 0.278809 0.943982 0.031757"},
    {"Spooky Cave", "00010100 / 01000000 / 00010000 / 00010000",
     "0.676997 0.890945 0.600214 0.684811", "0.574173 0.979779 0.33766 0.89166",
     "0.943753 0.547263 0.120519 0.986893", "0.315725 0.274959 0.114863 0.729185",
     "0.141877 0.363701 0.123908 0.22325"},
    {"Sulphur Trail", "11110000 / 00000000 / 01000100 / 00001000",
     "0.391675 0.586777 0.76879 0.652543", "0.272785 0.102862 0.228839 0.662345",
     "0.415151 0.848712 0.325815 0.75179", "0.484171 0.156685 0.127923 0.734063",
     "0.652221 0.159779 0.20079 0.341728"},
    {"Thumper", "00011000 / 01010000 / 00000000 / 10100100", "0.624674 0.779657 0.806667 0.144127",
     "0.309636 0.892373 0.199763 0.339879", "0.460959 0.316521 0.326376 0.62513",
     "0.803535 0.737648 0.626742 0.973984", "0.097533 0.847077 0.419204 0.327767"},
    {"Torn Ether", "00000100 / 00000000 / 11000010 / 01010000", "0.459813 0.27673 0.49924 0.387593",
     "0.26953 0.951908 0.707079 0.442369", "0.700759 0.441761 0.937224 0.191923",
     "0.163254 0.292678 0.918929 0.002054", "0.523876 0.39319 0.296285 0.246352"},
    {"Void Flicker", "01010000 / 00010000 / 00100000 / 00100001",
     "0.175383 0.283133 0.244514 0.315011", "0.009149 0.882034 0.80724 0.203281",
     "0.960359 0.226112 0.105459 0.064577", "0.075843 0.797761 0.757782 0.235641",
     "0.387047 0.859946 0.198247 0.068716"},
};

std::vector<double> numbers(const char* text)
{
    std::vector<double> values;
    std::istringstream in(text);
    for (std::string word; in >> word;)
        values.push_back(std::strtod(word.c_str(), nullptr));
    return values;
}

// "00000000 / 11000000 / ..." to 32 doubles, index 8 * voice + step.
std::vector<double> switches(const char* text)
{
    std::vector<double> values;
    for (const char* c = text; *c != '\0'; ++c)
        if (*c == '0' || *c == '1')
            values.push_back(*c == '1' ? 1.0 : 0.0);
    return values;
}

using FactoryPresets = TempHomeTest;

const FactoryPreset& presetNamed(const std::string& name)
{
    for (int i = 0; i < FactoryPresetsData::count(); ++i)
        if (name == FactoryPresetsData::all()[i].name)
            return FactoryPresetsData::all()[i];
    throw std::runtime_error("no factory preset " + name);
}

} // namespace

TEST_F(FactoryPresets, HoldEveryPublishedValueInTheirRecordsAndMaps)
{
    ASSERT_EQ(FactoryPresetsData::count(), static_cast<int>(std::size(kPublished)));
    for (int i = 0; i < FactoryPresetsData::count(); ++i)
    {
        const PublishedPreset& expected = kPublished[i];
        const FactoryPreset& record = FactoryPresetsData::all()[i];
        SCOPED_TRACE(expected.name);
        EXPECT_STREQ(record.name, expected.name);

        const std::vector<double> steps = switches(expected.steps);
        ASSERT_EQ(steps.size(), 32u);
        const std::vector<double> columns[] = {numbers(expected.gain), numbers(expected.pan),
                                               numbers(expected.filter), numbers(expected.reso),
                                               numbers(expected.drive)};
        const std::array<double, 4>* fields[] = {&record.gain, &record.pan, &record.filter,
                                                 &record.reso, &record.drive};
        const ParamId bases[] = {kGainBase, kPanBase, kFilterBase, kResoBase, kDriveBase};

        const ParamMap map = FactoryPresetsData::toParamMap(record);
        for (std::size_t s = 0; s < steps.size(); ++s)
        {
            EXPECT_EQ(record.steps[s], steps[s]) << "step index " << s;
            EXPECT_EQ(map.at(static_cast<ParamId>(s)), steps[s]) << "step index " << s;
        }
        for (std::size_t c = 0; c < std::size(columns); ++c)
        {
            ASSERT_EQ(columns[c].size(), 4u);
            for (std::size_t v = 0; v < 4; ++v)
            {
                EXPECT_EQ((*fields[c])[v], columns[c][v]) << "column " << c << " voice " << v;
                EXPECT_EQ(map.at(bases[c] + static_cast<ParamId>(v)), columns[c][v])
                    << "ID " << bases[c] + v;
            }
        }
    }
}

TEST_F(FactoryPresets, ListTheirNamesAlphabeticallyRegardlessOfCase)
{
    const std::vector<std::string> names = FactoryPresetsData::names();
    ASSERT_EQ(names.size(), 31u);
    EXPECT_EQ(names.front(), "Acetate Slap");
    EXPECT_EQ(names.back(), "Void Flicker");
    const auto lemon = std::find(names.begin(), names.end(), "Lemon Drops");
    const auto lfo = std::find(names.begin(), names.end(), "LFO The Filters");
    ASSERT_NE(lemon, names.end());
    ASSERT_NE(lfo, names.end());
    EXPECT_LT(lemon, lfo);
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(names[i], FactoryPresetsData::all()[i].name);
}

TEST_F(FactoryPresets, RecogniseOnlyTheirExactNames)
{
    const struct
    {
        std::string name;
        bool expected;
    } cases[] = {
        {"Ghost Tape", true},   {"Void Flicker", true},
        {"ghost tape", false},  {"Ghost Tape ", false},
        {" Ghost Tape", false}, {"", false},
        {"Ghost", false},       {std::string("Ghost Tape\0", 11), false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE("\"" + c.name + "\"");
        EXPECT_EQ(FactoryPresetsData::contains(c.name), c.expected);
    }
}

TEST_F(FactoryPresets, MapToTheFiftyTwoPresetParametersAndNothingElse)
{
    std::set<ParamId> presetIds;
    for (const ParamInfo& info : kParams)
        if (isPresetParam(info.id))
            presetIds.insert(info.id);
    ASSERT_EQ(presetIds.size(), 52u);

    for (int i = 0; i < FactoryPresetsData::count(); ++i)
    {
        SCOPED_TRACE(FactoryPresetsData::all()[i].name);
        std::set<ParamId> ids;
        for (const auto& [id, value] : FactoryPresetsData::toParamMap(FactoryPresetsData::all()[i]))
            ids.insert(id);
        EXPECT_EQ(ids, presetIds);
    }

    const ParamMap jekyll = FactoryPresetsData::toParamMap(presetNamed("Jekyll"));
    EXPECT_EQ(jekyll.at(131), 1.0);
    EXPECT_EQ(jekyll.at(139), 0.0);
    EXPECT_EQ(jekyll.at(144), 1.0);
    for (ParamId global : {kMixId, kHighPassId, kBypassId})
        EXPECT_EQ(jekyll.count(global), 0u) << global;

    std::vector<ParamId> on;
    for (const auto& [id, value] : FactoryPresetsData::toParamMap(presetNamed("Acetate Slap")))
        if (id < 32 && value == 1.0)
            on.push_back(id);
    EXPECT_EQ(on, (std::vector<ParamId>{8, 9, 27, 30}));
}

TEST_F(FactoryPresets, SwitchStepsOnFromHalfUpAndCopyVoiceValuesUnlimited)
{
    FactoryPreset record{};
    record.name = "Probe";
    record.steps[0] = 0.5;
    record.steps[1] = 0.4999;
    record.steps[2] = 0.75;
    record.gain = {1.5, -0.25, 0.3, 0.0};
    const ParamMap map = FactoryPresetsData::toParamMap(record);
    EXPECT_EQ(map.at(0), 1.0);
    EXPECT_EQ(map.at(1), 0.0);
    EXPECT_EQ(map.at(2), 1.0);
    EXPECT_EQ(map.at(3), 0.0);
    EXPECT_EQ(map.at(kGainBase), 1.5);
    EXPECT_EQ(map.at(kGainBase + 1), -0.25);
}

} // namespace Ryvel::test
