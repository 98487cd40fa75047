// SPDX-License-Identifier: GPL-3.0-or-later
// ryvel-info: loads a Ryvel.vst3 bundle as a host does and prints what it offers.

#include "TestHost.h"

#include <cstdio>
#include <cstring>
#include <string>

using namespace Steinberg;
using namespace Ryvel::TestHost;

namespace
{

std::string ascii(const Vst::TChar* text)
{
    std::string out;
    for (; *text != 0; ++text)
        out.push_back(*text < 128 ? static_cast<char>(*text) : '?');
    return out;
}

std::string hexId(const TUID id)
{
    std::string out;
    char byte[3];
    for (int i = 0; i < 16; ++i)
    {
        std::snprintf(byte, sizeof(byte), "%02X", static_cast<unsigned char>(id[i]));
        out += byte;
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || std::string(argv[1]) == "--help")
    {
        std::fprintf(stderr, "usage: ryvel-info <path to Ryvel.vst3>\n");
        return 2;
    }
    PluginModule module(moduleFileInBundle(argv[1]));
    if (!module.loaded())
    {
        std::fprintf(stderr, "ryvel-info: cannot load %s: %s\n", argv[1], module.error().c_str());
        return 2;
    }
    auto factory = module.factory();
    auto factory2 = factory.query<IPluginFactory2>();
    if (!factory2)
    {
        std::fprintf(stderr, "ryvel-info: the module offers no class factory\n");
        return 2;
    }
    PFactoryInfo info;
    factory->getFactoryInfo(&info);
    std::printf("Vendor  %s  %s  %s\n", info.vendor, info.url, info.email);
    TUID controllerId = {};
    for (int32 i = 0; i < factory2->countClasses(); ++i)
    {
        PClassInfo2 ci;
        factory2->getClassInfo2(i, &ci);
        std::printf("Class   %s  \"%s\"  %s  %s  v%s  (%s)\n", hexId(ci.cid).c_str(), ci.name,
                    ci.category, ci.subCategories, ci.version, ci.sdkVersion);
        if (std::string(ci.category) == kVstComponentControllerClass)
            std::memcpy(controllerId, ci.cid, sizeof(TUID));
    }

    auto controller = createInstance<Vst::IEditController>(*factory.get(), controllerId);
    if (controller && controller->initialize(nullptr) == kResultOk)
    {
        std::printf("Parameters (%d):\n", controller->getParameterCount());
        for (int32 i = 0; i < controller->getParameterCount(); ++i)
        {
            Vst::ParameterInfo p{};
            controller->getParameterInfo(i, p);
            Vst::String128 text;
            controller->getParamStringByValue(p.id, p.defaultNormalizedValue, text);
            std::printf("  %3u  %-10s default %s%s\n", p.id, ascii(p.title).c_str(),
                        ascii(text).c_str(),
                        (p.flags & Vst::ParameterInfo::kIsBypass) ? "  [bypass]" : "");
        }
        controller->terminate();
    }
    return 0;
}
