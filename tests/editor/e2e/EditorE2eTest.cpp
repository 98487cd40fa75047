// SPDX-License-Identifier: GPL-3.0-or-later
// The editor inside a real X11 window, driven the way a Linux host drives it: the host's run
// loop, its plug frame, clicks through the X server. Screenshots land in the test's working
// folder (kept as CTest artifacts).

#include "X11TestHost.h"

#include "core/ParameterCatalogue.h"
#include "formats/vst3/ClassIds.h"
#include "presets/FactoryPresetsData.h"

#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

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

// An idle editor may wake the host only for its frame clock: no toolkit timer posting messages
// (they arrive as descriptor callbacks) and no repainting per frame (each blit comes back as an
// X completion event, also a descriptor callback). Counted, not timed, so a loaded machine only
// makes the counts smaller.
TEST_F(EditorE2e, AnIdleEditorWakesTheHostOnlyForItsFrameClock)
{
    auto view = createEditor();
    ASSERT_EQ(view->attached(host->parentWindow(), kPlatformTypeX11EmbedWindowID), kResultOk);
    ASSERT_EQ(host->timerCount(), 1u);
    EXPECT_EQ(host->timerInterval(0), 20);
    host->pump(1000); // first paint, fonts, the toolkit's start-up messages

    host->fdCallbacks = host->timerCallbacks = 0;
    host->pump(2000);
    EXPECT_LE(host->timerCallbacks, 2000 / 20 + 2);
    EXPECT_GE(host->timerCallbacks, 10) << "the playhead is still polled";
    EXPECT_LE(host->fdCallbacks, 4) << "something keeps posting messages or repainting";

    // A change still reaches the screen within a few frames.
    const int x = static_cast<int>(150 * 1.25), y = static_cast<int>(126 * 1.25);
    host->click(x, y);
    host->pump(100);
    EXPECT_EQ(controller->getParamNormalized(0), 1.0);
    const Rgb lit = rgb(host->pixel(x, y));
    EXPECT_GT(lit.r - lit.g, 40);
    view->removed();
    EXPECT_EQ(host->timerCount(), 0u);
}

// Xlib's error handler is process-wide. While an editor is attached, errors on the toolkit's own
// connection must not reach the host's handler (GDK's ends the process); the host's own errors
// must, and the host's handler is back once the last editor has gone.
TEST_F(EditorE2e, XErrorsOnTheEditorsConnectionStayAwayFromTheHost)
{
    X11TestHost second(800, 600);
    host->pump(10); // the host handler installed last is the one in place
    const int otherBefore = X11TestHost::errorsOnOtherDisplays();
    const int hostBefore = X11TestHost::errorsOnHostDisplays();

    auto first = createEditor();
    Ref<IPlugView> other(controller->createView("editor"));
    ASSERT_TRUE(other);
    other->setFrame(&second);
    ASSERT_EQ(first->attached(host->parentWindow(), kPlatformTypeX11EmbedWindowID), kResultOk);
    ASSERT_EQ(other->attached(second.parentWindow(), kPlatformTypeX11EmbedWindowID), kResultOk);
    host->pump(400);

    host->provokeXError();
    EXPECT_EQ(X11TestHost::errorsOnHostDisplays(), hostBefore + 1);

    // The host closes the first window before removing the view: the toolkit then destroys,
    // and may query, a window that no longer exists.
    host->destroyWindow();
    host->pump(200);
    ASSERT_EQ(first->removed(), kResultOk);
    host->pump(200);
    EXPECT_EQ(X11TestHost::errorsOnOtherDisplays(), otherBefore);
    EXPECT_FALSE(X11TestHost::hostErrorHandlerInstalled()) << "one editor is still attached";

    // Same again with the last editor.
    second.destroyWindow();
    ASSERT_EQ(other->removed(), kResultOk);
    host->pump(100);
    EXPECT_EQ(X11TestHost::errorsOnOtherDisplays(), otherBefore);
    EXPECT_TRUE(X11TestHost::hostErrorHandlerInstalled());
    second.provokeXError();
    EXPECT_EQ(X11TestHost::errorsOnHostDisplays(), hostBefore + 2);
}

// Someone else installs a handler over ours and passes errors on to the one it replaced. Ours
// cannot leave that chain when the editor goes, so it must keep passing errors on to the host's
// handler even after the module has been unloaded. Its own process: the module stays resident.
TEST_F(EditorE2e, AHandlerInstalledOverOursKeepsWorkingAfterTheModuleIsUnloaded)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto view = createEditor();
            if (view->attached(host->parentWindow(), kPlatformTypeX11EmbedWindowID) != kResultOk)
                std::exit(10);
            host->pump(300);
            X11TestHost::installChainingErrorHandler();
            view->removed();
            view.reset();
            host->pump(50);
            if (!X11TestHost::chainingErrorHandlerInstalled())
                std::exit(11); // ours must not have removed it
            controller->terminate();
            controller.reset();
            factory.reset();
            module.reset();
            const int before = X11TestHost::errorsOnHostDisplays();
            host->provokeXError();
            std::exit(X11TestHost::errorsOnHostDisplays() == before + 1 &&
                              X11TestHost::errorsSeenByChainingHandler() == 1
                          ? 0
                          : 12);
        },
        ::testing::ExitedWithCode(0), "");
}

// A measurement, not a check (run with --gtest_also_run_disabled_tests): the CPU an open, idle
// editor costs, including this host's own loop. CPU time depends on the machine and its load,
// so the checked bound is the wake-up count above; this figure should stay well under 1 %.
TEST_F(EditorE2e, DISABLED_MeasuresTheCpuOfAnIdleEditor)
{
    const auto cpuSeconds = []
    {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    };
    const auto measure = [&](const char* what)
    {
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

// How each of the editor's pop-up menus is opened and which entry is then highlighted, and
// where that entry is on the screen (host window pixels at the default zoom).
struct MenuCase
{
    const char* name;
    int openX, openY;
    int openDelayMs; // the preset list waits for a possible second click
    std::vector<const char*> keys;
    int entryX, entryY;
};

const MenuCase kMenus[] = {
    // The actions menu with "Init" highlighted.
    {"actions-menu", px(808), px(20), 500, {"Down"}, px(830), px(46)},
    // The preset list with its Factory submenu open at the first factory preset. The point is
    // near the submenu's left edge: its width follows the names' widths in the font in use.
    {"preset-list", px(400), px(20), 700, {"Down", "Right"}, px(440), px(46)},
};

// The host closes and releases the view while one of its menus is open, then opens a new view
// (whose run loop would deliver whatever the stale menu received), and the user clicks and
// presses Return where the menu was. The menu must have gone with its editor, and nothing may
// reach that editor: under AddressSanitizer an entry chosen now would touch freed memory.
TEST_F(EditorE2e, MenusCloseWithTheirEditorAndReachNothingAfterwards)
{
    for (const MenuCase& menu : kMenus)
    {
        SCOPED_TRACE(menu.name);
        // Any entry that ran would move voice 1's gain from this value.
        ASSERT_EQ(controller->setParamNormalized(128, 0.123), kResultOk);
        auto view = createEditor();
        ASSERT_EQ(view->attached(host->parentWindow(), kPlatformTypeX11EmbedWindowID), kResultOk);
        host->pump(600);
        const std::uint32_t withoutMenu = host->pixel(menu.entryX, menu.entryY);
        host->click(menu.openX, menu.openY);
        host->pump(menu.openDelayMs);
        for (const char* key : menu.keys)
        {
            host->key(key);
            host->pump(150);
        }
        host->screenshot(std::string("e2e-") + menu.name + "-open.png");
        ASSERT_NE(host->pixel(menu.entryX, menu.entryY), withoutMenu) << "the menu is open";

        ASSERT_EQ(view->removed(), kResultOk);
        view.reset();
        host->pump(100);
        host->screenshot(std::string("e2e-") + menu.name + "-view-released.png");

        auto next = createEditor();
        ASSERT_EQ(next->attached(host->parentWindow(), kPlatformTypeX11EmbedWindowID), kResultOk);
        host->pump(600);
        EXPECT_EQ(host->pixel(menu.entryX, menu.entryY), withoutMenu) << "the menu is gone";
        host->click(menu.entryX, menu.entryY);
        host->pump(200);
        host->key("Return");
        host->pump(300);
        host->screenshot(std::string("e2e-") + menu.name + "-after-click.png");
        EXPECT_EQ(controller->getParamNormalized(128), 0.123);
        ASSERT_EQ(next->removed(), kResultOk);
        host->pump(100);
    }
    EXPECT_EQ(host->xErrors, 0);
}

// Closing one editor dismisses its own menus only: a menu of another instance's editor stays
// open and still works.
TEST_F(EditorE2e, ClosingOneEditorLeavesAnotherEditorsMenuOpen)
{
    TUID cid;
    Ryvel::Product::toFuid(Ryvel::Product::kControllerId).toTUID(cid);
    auto second = createInstance<Vst::IEditController>(*factory.get(), cid);
    ASSERT_EQ(second->initialize(nullptr), kResultOk);
    X11TestHost otherWindow(800, 600);

    ASSERT_EQ(controller->setParamNormalized(128, 0.123), kResultOk);
    auto first = createEditor();
    Ref<IPlugView> other(second->createView("editor"));
    other->setFrame(&otherWindow);
    // The first view's run loop gets the toolkit's descriptors: it is attached first.
    ASSERT_EQ(first->attached(host->parentWindow(), kPlatformTypeX11EmbedWindowID), kResultOk);
    ASSERT_EQ(other->attached(otherWindow.parentWindow(), kPlatformTypeX11EmbedWindowID),
              kResultOk);
    host->pump(600);

    const MenuCase& menu = kMenus[0];
    const std::uint32_t withoutMenu = host->pixel(menu.entryX, menu.entryY);
    host->click(menu.openX, menu.openY);
    host->pump(menu.openDelayMs);
    ASSERT_NE(host->pixel(menu.entryX, menu.entryY), withoutMenu) << "the menu is open";

    ASSERT_EQ(other->removed(), kResultOk);
    other.reset();
    host->pump(200);
    EXPECT_NE(host->pixel(menu.entryX, menu.entryY), withoutMenu) << "the menu is still open";
    host->screenshot("e2e-menu-of-the-other-editor.png");
    host->key("Down");
    host->pump(150);
    host->key("Return");
    host->pump(300);
    EXPECT_NEAR(controller->getParamNormalized(128), Ryvel::defaultValue(128), 1e-6) << "Init ran";

    ASSERT_EQ(first->removed(), kResultOk);
    host->pump(100);
    second->terminate();
}

} // namespace
