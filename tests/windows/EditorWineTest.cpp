// SPDX-License-Identifier: GPL-3.0-or-later
// The editor of the Windows module inside a real Win32 window, driven the way a Windows host
// drives it: a top-level window whose HWND the view is attached to, the host's message loop,
// input through SendInput (under Wine on Xvfb it travels through the X server). Screenshots of
// the window land in the working folder as BMP files.

#include "TestHost.h"

#include "formats/vst3/ClassIds.h"

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace Steinberg;
using namespace Ryvel::TestHost;

namespace
{

struct Rgb
{
    int r, g, b;
};

LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM w, LPARAM l)
{
    return DefWindowProcW(window, message, w, l);
}

// A host window and plug frame. UI thread only.
class Win32TestHost final : public IPlugFrame
{
public:
    Win32TestHost(int width, int height)
    {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &hostWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"RyvelTestHost";
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        RegisterClassW(&windowClass);
        window = CreateWindowExW(0, L"RyvelTestHost", L"Ryvel test host",
                                 WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width, height,
                                 nullptr, nullptr, windowClass.hInstance, nullptr);
        if (window != nullptr)
        {
            SetForegroundWindow(window);
            pump(200);
        }
    }
    ~Win32TestHost()
    {
        if (window != nullptr)
            DestroyWindow(window);
        pump(50);
    }

    HWND hwnd() const { return window; }

    void pump(int ms)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end)
        {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }

    // Pumps until the condition holds or the time is up; whether it holds in the end.
    template <typename Condition> bool pumpUntil(Condition condition, int ms)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!condition())
        {
            if (std::chrono::steady_clock::now() >= end)
                return false;
            pump(20);
        }
        return true;
    }

    // Whether a window of this thread other than the host's is on screen (a menu is one).
    bool popupShowing() const
    {
        struct Search
        {
            HWND host;
            bool found;
        } search{window, false};
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND candidate, LPARAM data)
            {
                auto& s = *reinterpret_cast<Search*>(data);
                s.found = s.found || (candidate != s.host && IsWindowVisible(candidate));
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    void click(int x, int y)
    {
        POINT at{x, y};
        ClientToScreen(window, &at);
        SetCursorPos(at.x, at.y);
        pump(50);
        INPUT inputs[2]{};
        inputs[0].type = inputs[1].type = INPUT_MOUSE;
        inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(1, &inputs[0], sizeof(INPUT));
        pump(60);
        SendInput(1, &inputs[1], sizeof(INPUT));
    }

    void key(WORD virtualKey)
    {
        INPUT inputs[2]{};
        inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
        inputs[0].ki.wVk = inputs[1].ki.wVk = virtualKey;
        inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, inputs, sizeof(INPUT));
        pump(60);
    }

    void type(const std::string& lowerCaseText)
    {
        for (const char c : lowerCaseText)
            key(c == ' ' ? VK_SPACE : static_cast<WORD>(c - 'a' + 'A'));
    }

    // What the screen shows at a point of the host window.
    Rgb pixel(int x, int y)
    {
        POINT at{x, y};
        ClientToScreen(window, &at);
        HDC screen = GetDC(nullptr);
        const COLORREF colour = GetPixel(screen, at.x, at.y);
        ReleaseDC(nullptr, screen);
        return {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
    }

    // The screen from the window's corner, 1600 x 900 (menus are windows of their own), as a
    // 24-bit BMP file.
    bool screenshot(const std::string& path)
    {
        const int width = 1600, height = 900;
        POINT origin{0, 0};
        ClientToScreen(window, &origin);
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
        SelectObject(memory, previous);

        BITMAPINFOHEADER header{};
        header.biSize = sizeof header;
        header.biWidth = width;
        header.biHeight = height;
        header.biPlanes = 1;
        header.biBitCount = 24;
        header.biCompression = BI_RGB;
        const int stride = (width * 3 + 3) & ~3;
        std::vector<unsigned char> pixels(static_cast<std::size_t>(stride) * height);
        GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header),
                  DIB_RGB_COLORS);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);

        BITMAPFILEHEADER file{};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof file + sizeof header;
        file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
        std::FILE* out = std::fopen(path.c_str(), "wb");
        if (out == nullptr)
            return false;
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&header, sizeof header, 1, out);
        std::fwrite(pixels.data(), 1, pixels.size(), out);
        return std::fclose(out) == 0;
    }

    int resizeCount = 0;
    ViewRect lastResize{};

    tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* newSize) override
    {
        if (view == nullptr || newSize == nullptr)
            return kInvalidArgument;
        ++resizeCount;
        lastResize = *newSize;
        SetWindowPos(window, nullptr, 0, 0, newSize->getWidth(), newSize->getHeight(),
                     SWP_NOMOVE | SWP_NOZORDER);
        view->onSize(newSize);
        return kResultTrue;
    }
    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
    {
        if (FUnknownPrivate::iidEqual(iid, IPlugFrame::iid) ||
            FUnknownPrivate::iidEqual(iid, FUnknown::iid))
        {
            *obj = this;
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }

private:
    HWND window = nullptr;
};

std::filesystem::path documentsFolder()
{
    PWSTR folder = nullptr;
    std::filesystem::path path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &folder)))
        path = folder;
    CoTaskMemFree(folder);
    return path;
}

// Design coordinates of the frame to window pixels at the default zoom.
int px(double design)
{
    return static_cast<int>(design * 1.25);
}

// The module loaded, its controller initialised and a view made for a host window.
class EditorUnderWine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        module = std::make_unique<PluginModule>(moduleFileInBundle(builtBundle()));
        ASSERT_TRUE(module->loaded()) << module->error();
        factory = module->factory();
        TUID cid;
        Ryvel::Product::toFuid(Ryvel::Product::kControllerId).toTUID(cid);
        controller = createInstance<Vst::IEditController>(*factory.get(), cid);
        ASSERT_TRUE(controller);
        ASSERT_EQ(controller->initialize(nullptr), kResultOk);
        host = std::make_unique<Win32TestHost>(1600, 900);
        ASSERT_NE(host->hwnd(), nullptr);
        view = Ref<IPlugView>(controller->createView("editor"));
        ASSERT_TRUE(view);
        view->setFrame(host.get());
    }

    // The view before the controller, the module last, the host window after everything.
    void TearDown() override
    {
        view.reset();
        if (controller)
            controller->terminate();
        controller.reset();
        factory.reset();
        module.reset();
        host.reset();
    }

    std::unique_ptr<PluginModule> module;
    Ref<IPluginFactory> factory;
    Ref<Vst::IEditController> controller;
    std::unique_ptr<Win32TestHost> host;
    Ref<IPlugView> view;
};

TEST_F(EditorUnderWine, AttachesClicksZoomsTypesDetachesAndUnloads)
{
    const auto saved =
        documentsFolder() / L"Corvane Audio" / L"Ryvel" / L"Presets" / L"night drive.json";
    std::error_code ignored;
    std::filesystem::remove(saved, ignored);

    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultTrue);
    EXPECT_NE(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultTrue);
    ASSERT_EQ(view->attached(host->hwnd(), kPlatformTypeHWND), kResultOk);
    // The header band is black once the editor has painted.
    const auto headerDark = [&]
    {
        const Rgb header = host->pixel(600, 5);
        return header.r + header.g + header.b < 30;
    };
    EXPECT_TRUE(host->pumpUntil(headerDark, 5000));
    host->pump(500);
    host->screenshot("wine-attached.bmp");

    // Voice 1, step 1 (design rect (107, 94)-(194, 159)): off, then lit by a click.
    const int x = px(150), y = px(126);
    const Rgb before = host->pixel(x, y);
    host->click(x, y);
    const auto lit = [&]
    {
        const Rgb after = host->pixel(x, y);
        return after.r - after.g > before.r - before.g + 40;
    };
    EXPECT_TRUE(host->pumpUntil(lit, 3000)) << "the switch is redrawn lit";
    EXPECT_EQ(controller->getParamNormalized(0), 1.0);
    host->screenshot("wine-step-on.bmp");

    // Zoom through the host: a content scale of 1.2 on zoom 1.25 asks for 1260 x 639.
    auto scale = view.query<IPlugViewContentScaleSupport>();
    ASSERT_TRUE(scale);
    const int resizesBefore = host->resizeCount;
    ASSERT_EQ(scale->setContentScaleFactor(1.2f), kResultTrue);
    host->pumpUntil([&] { return host->resizeCount > resizesBefore; }, 3000);
    host->pump(300);
    EXPECT_EQ(host->resizeCount, resizesBefore + 1);
    EXPECT_EQ(host->lastResize.getWidth(), 1260);
    EXPECT_EQ(host->lastResize.getHeight(), 639);
    host->screenshot("wine-scaled.bmp");
    ASSERT_EQ(scale->setContentScaleFactor(1.0f), kResultTrue);
    host->pump(600);

    // Actions menu, third entry: "Save Preset...", then a name typed into the dialog.
    host->click(px(808), px(20));
    ASSERT_TRUE(host->pumpUntil([&] { return host->popupShowing(); }, 5000));
    host->pump(300);
    host->screenshot("wine-actions-menu.bmp");
    host->click(px(820), px(82));
    EXPECT_TRUE(host->pumpUntil([&] { return !host->popupShowing(); }, 5000));
    host->pump(800);
    host->screenshot("wine-save-dialog.bmp");
    host->type("night drive");
    host->pump(300);
    host->screenshot("wine-save-dialog-typed.bmp");
    host->key(VK_RETURN);
    EXPECT_TRUE(host->pumpUntil([&] { return std::filesystem::exists(saved); }, 5000))
        << saved.string();
    host->screenshot("wine-saved.bmp");

    EXPECT_EQ(view->removed(), kResultOk);
    host->pump(200);
    scale.reset();
    std::filesystem::remove(saved, ignored);
}

} // namespace

// Prints the CPU time of 10 s with an idle editor attached (run by hand:
// --gtest_also_run_disabled_tests --gtest_filter=*Idle*).
TEST_F(EditorUnderWine, DISABLED_MeasuresTheCpuOfAnIdleEditor)
{
    ASSERT_EQ(view->attached(host->hwnd(), kPlatformTypeHWND), kResultOk);
    host->pump(1500);

    const auto cpuMs = []
    {
        FILETIME created, exited, kernel, user;
        GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
        const auto ticks = [](FILETIME t)
        { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
        return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
    };
    const double before = cpuMs();
    host->pump(10000);
    std::printf("idle editor: %.0f ms of CPU in 10 s\n", cpuMs() - before);

    view->removed();
}
