// SPDX-License-Identifier: GPL-3.0-or-later
// The editor inside a real X11 window, driven the way a Linux host drives it: the host's run
// loop, its plug frame, clicks through the X server. Screenshots land in the test's working
// folder (kept as CTest artifacts).

#include "X11TestHost.h"

#include "presets/FactoryPresetsData.h"
#include "shell/ClassIds.h"

#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <filesystem>
#include <string>

using namespace Steinberg;
using namespace Ryvel::TestHost;

namespace
{

struct Rgb
{
    int r, g, b;
};
Rgb rgb(std::uint32_t p)
{
    return {int(p >> 16) & 255, int(p >> 8) & 255, int(p) & 255};
}

class EditorE2e : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (std::getenv("DISPLAY") == nullptr)
            GTEST_SKIP() << "no X display (run under xvfb-run)";
        home = std::filesystem::temp_directory_path() / ("ryvel-e2e-" + std::to_string(::getpid()));
        std::filesystem::create_directories(home);
        setenv("HOME", home.c_str(), 1);

        module = std::make_unique<PluginModule>(moduleFileInBundle(builtBundle()));
        ASSERT_TRUE(module->loaded()) << module->error();
        factory = module->factory();
        TUID cid;
        Ryvel::Product::toFuid(Ryvel::Product::kControllerId).toTUID(cid);
        controller = createInstance<Vst::IEditController>(*factory.get(), cid);
        ASSERT_TRUE(controller);
        ASSERT_EQ(controller->initialize(nullptr), kResultOk);
        host = std::make_unique<X11TestHost>(1600, 900);
        ASSERT_TRUE(host->ok());
    }

    void TearDown() override
    {
        host.reset();
        if (controller)
            controller->terminate();
        controller.reset();
        factory.reset();
        module.reset();
        std::error_code ignored;
        std::filesystem::remove_all(home, ignored);
    }

    Ref<IPlugView> createEditor()
    {
        Ref<IPlugView> view(controller->createView("editor"));
        if (view)
            view->setFrame(host.get());
        return view;
    }

    std::filesystem::path home;
    std::unique_ptr<PluginModule> module;
    Ref<IPluginFactory> factory;
    Ref<Vst::IEditController> controller;
    std::unique_ptr<X11TestHost> host;
};

TEST_F(EditorE2e, AttachesClicksZoomsDetachesAndReattaches)
{
    auto view = createEditor();
    ASSERT_TRUE(view);
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultTrue);
    EXPECT_NE(view->isPlatformTypeSupported("HWND"), kResultTrue);
    ViewRect size;
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.getWidth(), 1050);
    EXPECT_EQ(size.getHeight(), 532);

    ASSERT_EQ(view->attached(host->parentWindow(), kPlatformTypeX11EmbedWindowID), kResultOk);
    host->pump(800);
    EXPECT_GT(host->handlerCount(), 0u) << "the toolkit's descriptors reach the host's run loop";
    host->screenshot("e2e-attached.png");

    // The header band is black; the switch of voice 1, step 1 is off.
    const Rgb header = rgb(host->pixel(600, 5));
    EXPECT_LT(header.r + header.g + header.b, 30);

    // Voice 1, step 1: design rect (107, 94)-(194, 159) in the frame, at zoom 1.25.
    const int x = static_cast<int>(150 * 1.25), y = static_cast<int>(126 * 1.25);
    const Rgb before = rgb(host->pixel(x, y));
    host->click(x, y);
    host->pump(300);
    EXPECT_EQ(controller->getParamNormalized(0), 1.0);
    const Rgb after = rgb(host->pixel(x, y));
    EXPECT_GT(after.r - after.g, before.r - before.g + 40) << "the switch is redrawn lit";
    host->screenshot("e2e-step-on.png");

    // Zoom through the host: a content scale of 1.2 on zoom 1.25 asks for 1260 x 639.
    auto scale = view.query<IPlugViewContentScaleSupport>();
    ASSERT_TRUE(scale);
    const int resizesBefore = host->resizeCount;
    ASSERT_EQ(scale->setContentScaleFactor(1.2f), kResultTrue);
    host->pump(300);
    EXPECT_EQ(host->resizeCount, resizesBefore + 1);
    EXPECT_EQ(host->lastResize.getWidth(), 1260);
    EXPECT_EQ(host->lastResize.getHeight(), 639);
    host->screenshot("e2e-scaled.png");

    ASSERT_EQ(view->removed(), kResultOk);
    host->pump(100);
    ASSERT_EQ(view->attached(host->parentWindow(), kPlatformTypeX11EmbedWindowID), kResultOk);
    host->pump(500);
    // The grid shows the controller's values again after re-attaching.
    const Rgb reattached =
        rgb(host->pixel(static_cast<int>(150 * 1.5), static_cast<int>(126 * 1.5)));
    EXPECT_GT(reattached.r - reattached.g, 40);
    host->screenshot("e2e-reattached.png");
    ASSERT_EQ(view->removed(), kResultOk);
    host->pump(100);
    EXPECT_EQ(host->handlerCount(), 0u);
    EXPECT_EQ(host->timerCount(), 0u);
    EXPECT_EQ(host->xErrors, 0);
}

// Design coordinates of the frame to window pixels at the default zoom.
int px(double design)
{
    return static_cast<int>(design * 1.25);
}

TEST_F(EditorE2e, SavesBrowsesAndRandomizesThroughMenusKeysAndClicks)
{
    auto view = createEditor();
    ASSERT_EQ(view->attached(host->parentWindow(), kPlatformTypeX11EmbedWindowID), kResultOk);
    host->pump(600);

    // Actions menu, third entry: "Save Preset...".
    host->click(px(808), px(20));
    host->pump(500);
    host->screenshot("e2e-actions-menu.png");
    for (const char* key : {"Down", "Down", "Down", "Return"})
    {
        host->key(key);
        host->pump(120);
    }
    host->pump(400);
    host->screenshot("e2e-save-dialog.png");
    for (const char* key : {"n", "i", "g", "h", "t", "space", "d", "r", "i", "v", "e"})
        host->key(key);
    host->pump(200);
    host->screenshot("e2e-save-dialog-typed.png");
    host->key("Return");
    host->pump(500);
    const auto saved =
        home / "Documents" / "Corvane Audio" / "Ryvel" / "Presets" / "night drive.json";
    EXPECT_TRUE(std::filesystem::exists(saved));
    host->screenshot("e2e-saved.png");

    // The preset list, User submenu: the new preset is there (see the screenshot).
    host->click(px(400), px(20));
    host->pump(700); // the list opens once no second click followed
    for (const char* key : {"Down", "Down", "Right"})
    {
        host->key(key);
        host->pump(150);
    }
    host->pump(300);
    host->screenshot("e2e-user-menu.png");
    host->key("Escape");
    host->key("Escape");
    host->pump(300);

    // The dice changes the pattern and voices; the next chevron then loads a preset.
    const double gainBefore = controller->getParamNormalized(128);
    host->click(px(318), px(20));
    host->pump(300);
    double steps = 0.0;
    for (Vst::ParamID id = 0; id < 32; ++id)
        steps += controller->getParamNormalized(id);
    EXPECT_NE(controller->getParamNormalized(128), gainBefore);
    EXPECT_LE(controller->getParamNormalized(128), 0.7);
    host->screenshot("e2e-random.png");

    host->click(px(522), px(20));
    host->pump(300);
    const Ryvel::ParamMap first =
        Ryvel::FactoryPresetsData::toParamMap(Ryvel::FactoryPresetsData::all()[0]);
    for (const auto& [id, value] : first)
        EXPECT_NEAR(controller->getParamNormalized(id), value, 1e-6) << id;
    host->screenshot("e2e-next-preset.png");

    view->removed();
    host->pump(100);
    EXPECT_EQ(host->xErrors, 0);
    (void)steps;
}

TEST_F(EditorE2e, AnEditorReleasedWhileAttachedLeavesTheControllerSafe)
{
    auto view = createEditor();
    ASSERT_EQ(view->attached(host->parentWindow(), kPlatformTypeX11EmbedWindowID), kResultOk);
    host->pump(300);
    view.reset(); // no removed(): some hosts do this
    host->pump(100);
    // Would reach a dead editor if the controller still pointed at it.
    EXPECT_EQ(controller->setParamNormalized(5, 1.0), kResultOk);
    EXPECT_EQ(controller->setParamNormalized(128, 0.2), kResultOk);
}

TEST_F(EditorE2e, TwoEditorsOfTwoInstancesRunSideBySide)
{
    TUID cid;
    Ryvel::Product::toFuid(Ryvel::Product::kControllerId).toTUID(cid);
    auto second = createInstance<Vst::IEditController>(*factory.get(), cid);
    ASSERT_EQ(second->initialize(nullptr), kResultOk);
    X11TestHost otherWindow(1200, 700);

    auto first = createEditor();
    Ref<IPlugView> other(second->createView("editor"));
    other->setFrame(&otherWindow);
    ASSERT_EQ(first->attached(host->parentWindow(), kPlatformTypeX11EmbedWindowID), kResultOk);
    ASSERT_EQ(other->attached(otherWindow.parentWindow(), kPlatformTypeX11EmbedWindowID),
              kResultOk);
    host->pump(400);
    otherWindow.pump(200);
    first->removed();
    host->pump(100);
    // The second view keeps working after the first went away.
    otherWindow.click(static_cast<int>(150 * 1.25), static_cast<int>(126 * 1.25));
    otherWindow.pump(300);
    host->pump(100);
    EXPECT_EQ(second->getParamNormalized(0), 1.0);
    other->removed();
    host->pump(50);
    second->terminate();
}

// A measurement, not a check (run with --gtest_also_run_disabled_tests): the CPU an open, idle
// editor costs, including this host's own loop.
TEST_F(EditorE2e, DISABLED_MeasuresTheCpuOfAnIdleEditor)
{
    const auto cpuSeconds = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    };
    const auto measure = [&](const char* what) {
        const double before = cpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        host->pump(10000);
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double cpu = cpuSeconds() - before;
        std::printf("%s: %.3f s CPU in %.1f s = %.2f %% of a core\n", what, cpu, wall,
                    100.0 * cpu / wall);
    };
    measure("host alone");
    auto view = createEditor();
    ASSERT_EQ(view->attached(host->parentWindow(), kPlatformTypeX11EmbedWindowID), kResultOk);
    host->pump(1000);
    measure("host with an idle editor");
    view->removed();
}

TEST_F(EditorE2e, RefusesToAttachWithoutAHostRunLoop)
{
    host->offerRunLoop = false;
    auto view = createEditor();
    EXPECT_EQ(view->attached(host->parentWindow(), kPlatformTypeX11EmbedWindowID), kResultFalse);
}

} // namespace
