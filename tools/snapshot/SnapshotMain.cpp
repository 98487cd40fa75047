// SPDX-License-Identifier: GPL-3.0-or-later
// ryvel-snapshot: renders Ryvel's editor to a PNG file, without a window, with the bitmaps and
// fonts of a built bundle. For tests and for the pictures in the README.

#include "core/ProductInfo.h"
#include "editor/RyvelEditor.h"
#include "formats/vst3/RyvelController.h"
#include "formats/vst3/RyvelPlugView.h"
#include "platform/UpdateChecker.h"
#include "platform/linux/FontsLinux.h"

#include "TestHost.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

struct Options
{
    std::string bundle;
    std::string output = "ryvel-editor.png";
    double zoom = 1.25;
    int page = 0;
    std::string stateFile;
    std::string preset;
    std::string dialog;
};

void usage(FILE* to)
{
    std::fprintf(
        to, "usage: ryvel-snapshot [options] [-o out.png]\n"
            "  --bundle DIR      Ryvel.vst3 to take bitmaps and fonts from (default: the build's)\n"
            "  --zoom Z          editor zoom (default 1.25, the 100%% size)\n"
            "  --page ptrn|ctrl  page to show (default ptrn)\n"
            "  --state FILE      a 220-byte processor state to show\n"
            "  --preset NAME     a factory preset to load\n"
            "  --dialog save|about|update  show a dialog on top\n"
            "  -o FILE           output PNG (default ryvel-editor.png)\n");
}

int fail(const std::string& message)
{
    std::fprintf(stderr, "ryvel-snapshot: %s\n", message.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    options.bundle = Ryvel::TestHost::builtBundle();
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        const std::string& a = args[i];
        const auto value = [&]() -> const std::string*
        { return i + 1 < args.size() ? &args[++i] : nullptr; };
        const std::string* v = nullptr;
        if (a == "--help" || a == "-h")
        {
            usage(stdout);
            return 0;
        }
        if (a != "--bundle" && a != "-o" && a != "--zoom" && a != "--page" && a != "--state" &&
            a != "--preset" && a != "--dialog")
            return fail("unknown option " + a + " (see --help)");
        if ((v = value()) == nullptr)
            return fail(a + " needs a value");
        if (a == "--bundle")
            options.bundle = *v;
        else if (a == "-o")
            options.output = *v;
        else if (a == "--zoom")
            options.zoom = std::atof(v->c_str());
        else if (a == "--page")
        {
            if (*v != "ptrn" && *v != "ctrl")
                return fail("--page takes ptrn or ctrl");
            options.page = *v == "ctrl" ? 1 : 0;
        }
        else if (a == "--state")
            options.stateFile = *v;
        else if (a == "--preset")
            options.preset = *v;
        else
            options.dialog = *v;
    }
    if (!(options.zoom >= 0.25 && options.zoom <= 4.0))
        return fail("--zoom must lie within 0.25..4");
    const std::string resources = options.bundle + "/Contents/Resources";
    if (!std::filesystem::is_directory(resources))
        return fail("no bundle resources at " + resources);

    // The editor writes factory presets and its zoom below HOME: keep that away from the user.
    const std::filesystem::path home =
        std::filesystem::temp_directory_path() / ("ryvel-snapshot-" + std::to_string(::getpid()));
    std::filesystem::create_directories(home);
    setenv("HOME", home.c_str(), 1);

    int result = 0;
    {
        juce::ScopedJuceInitialiser_GUI toolkit;
        Ryvel::registerFontFolderLinux(resources + "/Fonts");

        auto* controller = new Ryvel::RyvelController();
        controller->initialize(nullptr);
        if (!options.stateFile.empty())
        {
            std::ifstream in(options.stateFile, std::ios::binary);
            if (!in)
                result = fail("cannot read " + options.stateFile);
            std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                            std::istreambuf_iterator<char>()};
            Ryvel::TestHost::MemoryStream stream(std::move(bytes));
            controller->setComponentState(&stream);
        }
        auto* view = new Ryvel::RyvelPlugView(*controller);
        Ryvel::RyvelEditor* editor = &view->editor();
        editor->setResourcesDir(resources);
        // A picture shows the dialog as it opens; no request leaves the machine.
        editor->setCheckerFactory(
            []
            {
                return std::make_shared<Ryvel::UpdateChecker>(
                    std::string(Ryvel::Product::kVersion), "localhost",
                    [](const std::string&, const std::string&, std::int32_t)
                    { return std::string(); });
            });
        editor->open(nullptr);
        editor->applyZoom(options.zoom);
        if (!options.preset.empty() && !editor->loadFactoryPresetByName(options.preset))
            result = fail("no factory preset named " + options.preset);
        editor->selectTab(options.page);
        if (options.dialog == "save")
            editor->openSaveDialog();
        else if (options.dialog == "about")
            editor->openAboutDialog();
        else if (options.dialog == "update")
            editor->openUpdateCheckDialog();
        else if (!options.dialog.empty())
            result = fail("--dialog takes save, about or update");

        if (result == 0)
        {
            const juce::Image image = editor->renderSnapshot();
            const juce::File file = juce::File::getCurrentWorkingDirectory().getChildFile(
                juce::String::fromUTF8(options.output.c_str()));
            file.deleteFile();
            juce::FileOutputStream out(file);
            juce::PNGImageFormat png;
            if (!out.openedOk() || !png.writeImageToStream(image, out))
                result = fail("cannot write " + options.output);
            else
                std::printf("%s: %d x %d\n", options.output.c_str(), image.getWidth(),
                            image.getHeight());
        }
        editor->close();
        view->release();
        controller->terminate();
        controller->release();
        Ryvel::UpdateChecker::abortAllAndWait();
    }
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return result;
}
