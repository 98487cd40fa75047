// SPDX-License-Identifier: GPL-3.0-or-later
// What a host sees of the module: exports, factory information, class records and creation.

#include "TestHost.h"

#include "pluginterfaces/base/ustring.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

using namespace Steinberg;
using namespace Ryvel::TestHost;

namespace
{

// The class IDs {A1B2C3D4-E5F6-0718-92A3-B4C5D6E7F809} and {10203040-5060-7080-90A0-B0C0D0E0F001}
// as the SDK lays them out in a TUID: in order, except on Windows, where a TUID is a COM GUID (its
// first 32-bit and two 16-bit fields little-endian). Hosts compare them as these bytes.
#if SMTG_OS_WINDOWS
constexpr std::array<std::uint8_t, 16> kProcessorBytes = {
    0xD4, 0xC3, 0xB2, 0xA1, 0xF6, 0xE5, 0x18, 0x07, 0x92, 0xA3, 0xB4, 0xC5, 0xD6, 0xE7, 0xF8, 0x09};
constexpr std::array<std::uint8_t, 16> kControllerBytes = {
    0x40, 0x30, 0x20, 0x10, 0x60, 0x50, 0x80, 0x70, 0x90, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0, 0xF0, 0x01};
constexpr const char* kEntryPoints[] = {"InitDll", "ExitDll"};
#else
constexpr std::array<std::uint8_t, 16> kProcessorBytes = {
    0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6, 0x07, 0x18, 0x92, 0xA3, 0xB4, 0xC5, 0xD6, 0xE7, 0xF8, 0x09};
constexpr std::array<std::uint8_t, 16> kControllerBytes = {
    0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0, 0xF0, 0x01};
constexpr const char* kEntryPoints[] = {"ModuleEntry", "ModuleExit"};
#endif

bool sameBytes(const TUID tuid, const std::array<std::uint8_t, 16>& bytes)
{
    return std::memcmp(tuid, bytes.data(), 16) == 0;
}

class ModuleTest : public ::testing::Test
{
protected:
    PluginModule module{moduleFileInBundle(builtBundle())};
};

TEST_F(ModuleTest, LoadsAndExportsOnlyTheEntryPoints)
{
    ASSERT_TRUE(module.loaded()) << module.error();
    EXPECT_NE(module.symbol("GetPluginFactory"), nullptr);
    for (const char* entry : kEntryPoints)
        EXPECT_NE(module.symbol(entry), nullptr) << entry;
    EXPECT_EQ(module.symbol("InitModule"), nullptr);
    EXPECT_EQ(module.symbol("_ZN5Ryvel14RyvelProcessor14createInstanceEPv"), nullptr);
}

TEST_F(ModuleTest, FactoryDescribesTheVendorAndTwoClassesProcessorFirst)
{
    ASSERT_TRUE(module.loaded()) << module.error();
    auto factory = module.factory();
    ASSERT_TRUE(factory);

    PFactoryInfo info;
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "Corvane");
    EXPECT_EQ(std::string(info.url).rfind("https://", 0), 0u);
    EXPECT_EQ(std::string(info.email).rfind("mailto:", 0), 0u);
    EXPECT_EQ(info.flags, PFactoryInfo::kUnicode);

    ASSERT_EQ(factory->countClasses(), 2);
    auto factory2 = factory.query<IPluginFactory2>();
    ASSERT_TRUE(factory2);

    PClassInfo2 processor;
    ASSERT_EQ(factory2->getClassInfo2(0, &processor), kResultOk);
    EXPECT_TRUE(sameBytes(processor.cid, kProcessorBytes));
    EXPECT_EQ(processor.cardinality, PClassInfo::kManyInstances);
    EXPECT_STREQ(processor.category, "Audio Module Class");
    EXPECT_STREQ(processor.name, "Ryvel");
    EXPECT_EQ(processor.classFlags, 1u);
    EXPECT_STREQ(processor.subCategories, "Fx|Delay");
    EXPECT_STREQ(processor.vendor, "");
    EXPECT_STREQ(processor.version, "1.0.4");
    EXPECT_STREQ(processor.sdkVersion, "VST 3.8.1");

    PClassInfo2 controller;
    ASSERT_EQ(factory2->getClassInfo2(1, &controller), kResultOk);
    EXPECT_TRUE(sameBytes(controller.cid, kControllerBytes));
    EXPECT_EQ(controller.cardinality, PClassInfo::kManyInstances);
    EXPECT_STREQ(controller.category, "Component Controller Class");
    EXPECT_STREQ(controller.name, "RyvelController");
    EXPECT_EQ(controller.classFlags, 0u);
    EXPECT_STREQ(controller.subCategories, "");
    EXPECT_STREQ(controller.version, "1.0.4");

    PClassInfo2 none;
    EXPECT_NE(factory2->getClassInfo2(2, &none), kResultOk);
    EXPECT_NE(factory2->getClassInfo2(-1, &none), kResultOk);

    auto factory3 = factory.query<IPluginFactory3>();
    ASSERT_TRUE(factory3);
    PClassInfoW wide;
    ASSERT_EQ(factory3->getClassInfoUnicode(0, &wide), kResultOk);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(wide.name)), u"Ryvel");
}

TEST_F(ModuleTest, GetPluginFactoryReturnsOneSharedFactoryAndRebuildsItAfterTheLastRelease)
{
    ASSERT_TRUE(module.loaded()) << module.error();
    auto proc = reinterpret_cast<GetFactoryProc>(module.symbol("GetPluginFactory"));
    IPluginFactory* first = proc();
    IPluginFactory* second = proc();
    EXPECT_EQ(first, second);
    // Two references from the two calls: one more add/release pair leaves exactly two.
    EXPECT_EQ(first->addRef(), 3u);
    EXPECT_EQ(first->release(), 2u);
    second->release();
    first->release();

    auto again = module.factory();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->countClasses(), 2);
    ProcessorDriver driver(*again.get(), 48000.0);
    EXPECT_TRUE(driver.ready());
}

TEST_F(ModuleTest, CreatesBothClassesByIdAndRefusesUnknownIds)
{
    ASSERT_TRUE(module.loaded()) << module.error();
    auto factory = module.factory();
    TUID processorId;
    std::memcpy(processorId, kProcessorBytes.data(), 16);
    TUID controllerId;
    std::memcpy(controllerId, kControllerBytes.data(), 16);

    auto component = createInstance<Vst::IComponent>(*factory.get(), processorId);
    ASSERT_TRUE(component);
    EXPECT_TRUE(component.query<Vst::IAudioProcessor>());
    TUID named;
    ASSERT_EQ(component->getControllerClassId(named), kResultOk);
    EXPECT_TRUE(sameBytes(named, kControllerBytes));

    auto controller = createInstance<Vst::IEditController>(*factory.get(), controllerId);
    EXPECT_TRUE(controller);

    TUID unknown = {};
    EXPECT_FALSE(createInstance<Vst::IComponent>(*factory.get(), unknown));
    // A known class asked for an interface it does not have.
    EXPECT_FALSE(createInstance<Vst::IEditController>(*factory.get(), processorId));
}

} // namespace
