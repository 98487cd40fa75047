// SPDX-License-Identifier: GPL-3.0-or-later
// The built UI binary (Ryvel.lv2/ryvel-ui.so) in real X11 windows under Xvfb, driven the way
// LV2 hosts drive it: a parent window, port events, idle calls at 30 Hz, clicks and keys through
// the X server. Screenshots land in the test's working folder.

#include "Lv2UiTestHost.h"
#include "X11TestHost.h"

#include "formats/lv2/Lv2Ports.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

using namespace Ryvel;
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

// Design coordinates to window pixels at the default zoom (1.25).
int px(double design)
{
    return static_cast<int>(design * 1.25);
}
// The centre of the step switch of voice `v`, step `s` (0-based), in window pixels.
int stepX(int s)
{
    return px(150 + 82 * s);
}
int stepY(int v)
{
    return px(126 + 78 * v);
}

bool lit(std::uint32_t pixel)
{
    const Rgb c = rgb(pixel);
    return c.r - c.g > 40;
}

class Lv2UiE2e : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (std::getenv("DISPLAY") == nullptr)
            GTEST_SKIP() << "no X display (run under xvfb-run)";
        home =
            std::filesystem::temp_directory_path() / ("ryvel-lv2ui-" + std::to_string(::getpid()));
        std::filesystem::create_directories(home);
        setenv("HOME", home.c_str(), 1);
        binary = std::filesystem::canonical(std::string(RYVEL_TEST_LV2_BUNDLE) + "/ryvel-ui.so");
        window = std::make_unique<X11TestHost>(1400, 800);
        ASSERT_TRUE(window->ok());
        threadsBefore = Lv2UiLibrary::threadCount();
        load();
    }

    void TearDown() override
    {
        library.reset();
        window.reset();
        std::error_code ignored;
        std::filesystem::remove_all(home, ignored);
    }

    void load()
    {
        library = std::make_unique<Lv2UiLibrary>(binary);
        ASSERT_NE(library->descriptor(), nullptr) << library->error();
    }

    std::unique_ptr<Lv2UiTestHost> instantiate(X11TestHost& parent,
                                               Lv2UiTestHost::Options options = {})
    {
        auto ui = std::make_unique<Lv2UiTestHost>(*library->descriptor(), parent, options);
        if (!ui->instantiate(std::string(RYVEL_TEST_LV2_BUNDLE) + "/"))
            return nullptr;
        // As hosts do right after instantiating: every control port's value.
        for (int i = 0; i < kNumParams; ++i)
        {
            const ParamInfo& info = kParams[static_cast<std::size_t>(i)];
            ui->portEvent(Lv2::paramPort(i), Lv2::portValue(info, info.defaultValue));
        }
        ui->portEvent(Lv2::kPlayhead, -1.0f);
        return ui;
    }

    std::filesystem::path home;
    std::string binary;
    std::unique_ptr<X11TestHost> window;
    std::unique_ptr<Lv2UiLibrary> library;
    int threadsBefore = 0;
};

TEST_F(Lv2UiE2e, EmbedsPaintsAndTurnsClicksIntoTouchedPortWritesAndZoomsIntoAResize)
{
    auto ui = instantiate(*window);
    ASSERT_NE(ui, nullptr);
    ASSERT_NE(ui->widget(), 0u);
    EXPECT_EQ(ui->events, (std::vector<std::string>{"resize 1050x532"}));
    EXPECT_EQ(window->windowSize(ui->widget()), std::make_pair(1050, 532));
    runIdle({window.get()}, {ui.get()}, 1000);
    window->screenshot("lv2ui-open.png");

    const Rgb header = rgb(window->pixel(600, 5));
    EXPECT_LT(header.r + header.g + header.b, 30) << "nothing painted";
    EXPECT_FALSE(lit(window->pixel(stepX(0), stepY(0))));

    ui->events.clear();
    window->click(stepX(0), stepY(0));
    runIdle({window.get()}, {ui.get()}, 300);
    const auto firstStep = std::to_string(Lv2::paramPort(0));
    EXPECT_EQ(ui->events,
              (std::vector<std::string>{"grab " + firstStep, "write " + firstStep + " 1",
                                        "release " + firstStep}));
    EXPECT_TRUE(lit(window->pixel(stepX(0), stepY(0)))) << "the switch is redrawn lit";

    // The host's side: voice 3, step 4 switched on (automation), then the playhead on step 4.
    ui->portEvent(Lv2::paramPort(8 * 2 + 3), 1.0f);
    runIdle({window.get()}, {ui.get()}, 150);
    EXPECT_TRUE(lit(window->pixel(stepX(3), stepY(2))));
    ui->portEvent(Lv2::kPlayhead, 3.0f);
    runIdle({window.get()}, {ui.get()}, 70);
    window->screenshot("lv2ui-playhead.png");

    // Actions menu, "Size", second entry: zoom 1.5.
    ui->events.clear();
    window->click(px(808), px(20));
    runIdle({window.get()}, {ui.get()}, 500);
    window->screenshot("lv2ui-actions-menu.png");
    for (const char* key : {"Down", "Down", "Down", "Down", "Down", "Right", "Down", "Return"})
    {
        window->key(key);
        runIdle({window.get()}, {ui.get()}, 150);
    }
    runIdle({window.get()}, {ui.get()}, 500);
    EXPECT_EQ(ui->events, (std::vector<std::string>{"resize 1260x639"}));
    EXPECT_EQ(window->windowSize(ui->widget()), std::make_pair(1260, 639));
    EXPECT_TRUE(lit(window->pixel(static_cast<int>(150 * 1.5), static_cast<int>(126 * 1.5))))
        << "repainted at the new size";
    window->screenshot("lv2ui-zoomed.png");

    // A host that sizes the UI through its ui:resize interface.
    EXPECT_EQ(ui->resizeUi(1300, 700), 0);
    runIdle({window.get()}, {ui.get()}, 150);
    EXPECT_EQ(window->windowSize(ui->widget()), std::make_pair(1300, 700));

    ui->cleanup();
    window->pump(100);
    EXPECT_EQ(window->xErrors, 0);
}

TEST_F(Lv2UiE2e, RefusesWithoutAParentWindowOrIdleCalls)
{
    for (const auto& [what, options] :
         {std::pair{"no parent", Lv2UiTestHost::Options{.parent = false}},
          std::pair{"no idle interface", Lv2UiTestHost::Options{.idleInterface = false}}})
    {
        SCOPED_TRACE(what);
        Lv2UiTestHost ui(*library->descriptor(), *window, options);
        EXPECT_FALSE(ui.instantiate(std::string(RYVEL_TEST_LV2_BUNDLE) + "/"));
    }
}

// Two UIs share the one toolkit of the binary; the host closes the first one's window before
// cleaning it up (the toolkit then destroys a window that no longer exists). Errors on the
// toolkit's connection must not reach the host's handler, which in Ardour ends the process, and
// the second UI, in a host without ui:touch like jalv and at a HiDPI scale, keeps working.
TEST_F(Lv2UiE2e, TwoUisRunSideBySideAndOneGoingLeavesTheOtherWorking)
{
    X11TestHost second(1200, 700);
    const int otherErrorsBefore = X11TestHost::errorsOnOtherDisplays();
    auto first = instantiate(*window);
    auto other = instantiate(second, {.touch = false, .scaleFactor = 1.5f});
    ASSERT_NE(first, nullptr);
    ASSERT_NE(other, nullptr);
    // The second host asks for HiDPI through ui:scaleFactor: 1.5 times the size of the first.
    EXPECT_EQ(first->events.front(), "resize 1050x532");
    EXPECT_EQ(other->events.front(), "resize 1575x798");
    const auto hiDpi = [](int designX, int designY)
    {
        return std::pair{static_cast<int>(designX * 1.25 * 1.5),
                         static_cast<int>(designY * 1.25 * 1.5)};
    };
    const auto [secondStepX, secondStepY] = hiDpi(150 + 82, 126 + 78);
    runIdle({window.get(), &second}, {first.get(), other.get()}, 600);

    window->destroyWindow();
    runIdle({&second}, {first.get(), other.get()}, 200);
    first->cleanup();
    runIdle({&second}, {other.get()}, 200);
    EXPECT_EQ(X11TestHost::errorsOnOtherDisplays(), otherErrorsBefore);
    EXPECT_FALSE(X11TestHost::hostErrorHandlerInstalled()) << "one UI is still open";

    other->events.clear();
    second.click(secondStepX, secondStepY);
    runIdle({&second}, {other.get()}, 300);
    const auto port = std::to_string(Lv2::paramPort(8 + 1));
    EXPECT_EQ(other->events, (std::vector<std::string>{"write " + port + " 1"}));
    EXPECT_TRUE(lit(second.pixel(secondStepX, secondStepY)));
    second.screenshot("lv2ui-second.png");

    other->cleanup();
    second.pump(50);
    EXPECT_TRUE(X11TestHost::hostErrorHandlerInstalled());
    EXPECT_EQ(X11TestHost::errorsOnOtherDisplays(), otherErrorsBefore);
}

// Hosts unload the binary when its last UI has gone and load it again for the next: the binary
// must really go (nothing may pin it), take its threads with it, and work again when reloaded.
TEST_F(Lv2UiE2e, UnloadsCompletelyAfterTheLastCleanupAndWorksWhenLoadedAgain)
{
    for (int round = 0; round < 2; ++round)
    {
        SCOPED_TRACE(round == 0 ? "first load" : "loaded again");
        if (library == nullptr)
            load();
        auto ui = instantiate(*window);
        ASSERT_NE(ui, nullptr);
        runIdle({window.get()}, {ui.get()}, 400);
        window->click(stepX(round), stepY(0));
        runIdle({window.get()}, {ui.get()}, 300);
        EXPECT_EQ(ui->written[Lv2::paramPort(round)], 1.0f);
        // The playhead on that step flashes it, which starts the toolkit's timer thread.
        ui->portEvent(Lv2::kPlayhead, static_cast<float>(round));
        runIdle({window.get()}, {ui.get()}, 100);
        EXPECT_GT(Lv2UiLibrary::threadCount(), threadsBefore) << "the toolkit's timer thread";
        ui->cleanup();
        ui.reset();
        library.reset();
        EXPECT_FALSE(Lv2UiLibrary::isMapped(binary)) << "something keeps the binary loaded";
        EXPECT_EQ(Lv2UiLibrary::threadCount(), threadsBefore);
    }
    window->pump(50);
    EXPECT_EQ(window->xErrors, 0);
}

} // namespace
