// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the LV2 bundle's Turtle (manifest.ttl, ryvel.ttl, presets.ttl) from the parameter
// catalogue, the port layout and the factory preset table, so the description can never drift
// from the code. Run at build time: ryvel-lv2-turtle <bundle folder> <dsp binary> <ui binary>.

#include "core/ParameterCatalogue.h"
#include "core/ProductInfo.h"
#include "formats/lv2/Lv2Ports.h"
#include "presets/FactoryPresetsData.h"
#include "presets/NumberText.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace
{

using namespace Ryvel;

constexpr const char* kPrefixes = "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
                                  "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                                  "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                                  "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                                  "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
                                  "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                                  "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                                  "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
                                  "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
                                  "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

std::string iri(std::string_view uri)
{
    std::string text = "<"; // appended: GCC 12 warns falsely (-Wrestrict) about "<" + string
    text += uri;
    return text + ">";
}

// Preset names are plain text; Turtle strings escape backslash and quote.
std::string literal(std::string_view text)
{
    std::string out = "\"";
    for (char c : text)
    {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// "LFO The Filters" -> ".../presets/lfo-the-filters"
std::string presetUri(std::string_view name)
{
    std::string slug;
    for (char c : name)
    {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u))
            slug += static_cast<char>(std::tolower(u));
        else if (!slug.empty() && slug.back() != '-')
            slug += '-';
    }
    while (!slug.empty() && slug.back() == '-')
        slug.pop_back();
    return std::string(Lv2::kPluginUri) + "/presets/" + slug;
}

std::string number(double value)
{
    std::string text = formatNumber(value);
    // Turtle reads a bare integer as xsd:integer; the ports are floats.
    if (text.find_first_of(".e") == std::string::npos)
        text += ".0";
    return text;
}

std::string manifest(const std::string& dspBinary, const std::string& uiBinary)
{
    std::ostringstream out;
    out << kPrefixes;
    out << iri(Lv2::kPluginUri) << "\n    a lv2:Plugin ;\n    lv2:binary <" << dspBinary
        << "> ;\n    rdfs:seeAlso <ryvel.ttl> .\n\n";
    out << iri(Lv2::kUiUri) << "\n    a ui:X11UI ;\n    lv2:binary <" << uiBinary
        << "> ;\n    rdfs:seeAlso <ryvel.ttl> .\n";
    for (int i = 0; i < FactoryPresetsData::count(); ++i)
    {
        const FactoryPreset& preset = FactoryPresetsData::all()[i];
        out << "\n"
            << iri(presetUri(preset.name)) << "\n    a pset:Preset ;\n    lv2:appliesTo "
            << iri(Lv2::kPluginUri) << " ;\n    rdfs:seeAlso <presets.ttl> .\n";
    }
    return out.str();
}

void audioPort(std::ostream& out, std::uint32_t index, const char* direction, const char* symbol,
               const char* name)
{
    out << "    [\n        a lv2:AudioPort , lv2:" << direction << " ;\n        lv2:index " << index
        << " ;\n        lv2:symbol \"" << symbol << "\" ;\n        lv2:name \"" << name
        << "\" ;\n    ] ,\n";
}

struct Lv2Version
{
    int minor = 0, micro = 0;
};

// LV2 versions have no major part, and LV2 reads a minor version of 0, or an odd minor or micro
// version, as a development build that hosts should not offer by default. The product version
// maps to even numbers that grow with every release: major.minor.patch becomes minor
// 100 major + 2 minor, micro 2 patch (1.0.4 is 100.8).
Lv2Version lv2VersionOf(const std::string& version)
{
    int major = 0, minor = 0, patch = 0;
    std::sscanf(version.c_str(), "%d.%d.%d", &major, &minor, &patch);
    return {100 * major + 2 * minor, 2 * patch};
}

std::string plugin()
{
    const std::string version(Product::kVersion);
    const Lv2Version lv2Version = lv2VersionOf(version);
    std::ostringstream out;
    out << kPrefixes;
    out << iri(Lv2::kPluginUri) << "\n    a lv2:Plugin , lv2:DelayPlugin ;\n"
        << "    doap:name \"" << Product::kName << "\" ;\n"
        << "    doap:license <https://spdx.org/licenses/GPL-3.0-or-later> ;\n"
        << "    doap:maintainer [\n        foaf:name \"" << Product::kVendorFullName
        << "\" ;\n        foaf:homepage <" << Product::kVendorUrl << "> ;\n        foaf:mbox <"
        << Product::kSupportEmail << "> ;\n    ] ;\n"
        << "    doap:release [ doap:revision \"" << version << "\" ] ;\n"
        << "    lv2:minorVersion " << lv2Version.minor << " ;\n"
        << "    lv2:microVersion " << lv2Version.micro << " ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable , urid:map ;\n"
        << "    ui:ui " << iri(Lv2::kUiUri) << " ;\n"
        << "    lv2:port\n";
    audioPort(out, Lv2::kInLeft, "InputPort", "in_l", "In L");
    audioPort(out, Lv2::kInRight, "InputPort", "in_r", "In R");
    audioPort(out, Lv2::kOutLeft, "OutputPort", "out_l", "Out L");
    audioPort(out, Lv2::kOutRight, "OutputPort", "out_r", "Out R");
    out << "    [\n        a atom:AtomPort , lv2:InputPort ;\n        atom:bufferType "
           "atom:Sequence "
           ";\n        atom:supports time:Position ;\n        lv2:index "
        << Lv2::kTimeIn
        << " ;\n        lv2:symbol \"time\" ;\n        lv2:name \"Time\" ;\n"
           "        lv2:portProperty lv2:connectionOptional ;\n    ] ,\n";
    for (std::size_t i = 0; i < kParams.size(); ++i)
    {
        const ParamInfo& info = kParams[i];
        out << "    [\n        a lv2:InputPort , lv2:ControlPort ;\n        lv2:index "
            << Lv2::paramPort(static_cast<int>(i)) << " ;\n        lv2:symbol \""
            << Lv2::portSymbol(info) << "\" ;\n        lv2:name \"" << Lv2::portName(info)
            << "\" ;\n        lv2:default " << number(Lv2::portValue(info, info.defaultValue))
            << " ;\n        lv2:minimum 0.0 ;\n        lv2:maximum 1.0 ;\n";
        if (info.isSwitch())
            out << "        lv2:portProperty lv2:toggled ;\n";
        if (info.isBypass())
            out << "        lv2:designation lv2:enabled ;\n";
        out << "    ] ,\n";
    }
    out << "    [\n        a lv2:OutputPort , lv2:ControlPort ;\n        lv2:index "
        << Lv2::kPlayhead
        << " ;\n        lv2:symbol \"playhead\" ;\n        lv2:name \"Playhead\" ;\n"
           "        lv2:default -1.0 ;\n        lv2:minimum -1.0 ;\n        lv2:maximum 7.0 ;\n"
           "        lv2:portProperty lv2:integer ;\n    ] .\n\n";

    out << iri(Lv2::kUiUri) << "\n    a ui:X11UI ;\n"
        << "    lv2:requiredFeature ui:parent , ui:idleInterface ;\n"
        << "    lv2:optionalFeature ui:resize , ui:touch , urid:map , opts:options ;\n"
        << "    opts:supportedOption ui:scaleFactor ;\n"
        << "    lv2:extensionData ui:idleInterface , ui:resize ;\n"
        << "    ui:portNotification\n";
    for (std::size_t i = 0; i < kParams.size(); ++i)
        out << "        [ ui:plugin " << iri(Lv2::kPluginUri) << " ; lv2:symbol \""
            << Lv2::portSymbol(kParams[i]) << "\" ; ui:protocol ui:floatProtocol ] ,\n";
    out << "        [ ui:plugin " << iri(Lv2::kPluginUri)
        << " ; lv2:symbol \"playhead\" ; ui:protocol ui:floatProtocol ] .\n";
    return out.str();
}

std::string presets()
{
    std::ostringstream out;
    out << kPrefixes;
    for (int i = 0; i < FactoryPresetsData::count(); ++i)
    {
        const FactoryPreset& preset = FactoryPresetsData::all()[i];
        out << iri(presetUri(preset.name)) << "\n    a pset:Preset ;\n    lv2:appliesTo "
            << iri(Lv2::kPluginUri) << " ;\n    rdfs:label " << literal(preset.name)
            << " ;\n    lv2:port\n";
        const ParamMap values = FactoryPresetsData::toParamMap(preset);
        std::size_t n = 0;
        for (const auto& [id, value] : values)
        {
            out << "        [ lv2:symbol \"" << Lv2::portSymbol(*findParam(id))
                << "\" ; pset:value " << number(value) << " ]"
                << (++n == values.size() ? " .\n\n" : " ,\n");
        }
    }
    return out.str();
}

bool writeFile(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file)
    {
        std::fprintf(stderr, "ryvel-lv2-turtle: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
    {
        std::fprintf(stderr, "usage: ryvel-lv2-turtle <bundle folder> <dsp binary> <ui binary>\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok = writeFile(dir + "/manifest.ttl", manifest(argv[2], argv[3])) &&
                    writeFile(dir + "/ryvel.ttl", plugin()) &&
                    writeFile(dir + "/presets.ttl", presets());
    return ok ? 0 : 1;
}
