// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as the body of the update endpoint's answer. The document comes over the network,
// so its readers get the same treatment as files: the whole worker runs on it through the
// checker's test seam, and its result must follow from the two readers alone.

#include "platform/UpdateChecker.h"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>

using Ryvel::UpdateChecker;

namespace
{

constexpr std::string_view kRunning = "1.0.4";

// The text comes from inside `text`, and the quote that ends it is not part of it.
void checkExtract(std::string_view text, std::string_view key)
{
    const std::string found = UpdateChecker::extractJsonString(text, key);
    if (found.find('"') != std::string::npos)
        std::abort();
    if (!found.empty() && text.find(found) == std::string_view::npos)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    checkExtract(text, "version");
    checkExtract(text, "url");
    // The first line as a key of its own: odd keys (empty, quotes, the whole text) must not trip
    // the search either.
    const std::string_view key = text.substr(0, text.find('\n'));
    checkExtract(text.substr(key.size()), key);

    const auto half = text.size() / 2;
    const std::string a(text.substr(0, half)), b(text.substr(half));
    const int ab = UpdateChecker::compareSemver(a, b);
    if (ab < -1 || ab > 1 || ab != -UpdateChecker::compareSemver(b, a) ||
        UpdateChecker::compareSemver(a, a) != 0)
        std::abort();
    if ((ab == 0) != (UpdateChecker::parseSemver(a) == UpdateChecker::parseSemver(b)))
        std::abort();

    const std::string body(text);
    UpdateChecker checker(std::string(kRunning), "updates.test",
                          [body](const std::string&, const std::string&, std::int32_t)
                          { return body; });
    while (!checker.isDone())
        std::this_thread::yield();
    const UpdateChecker::Result result = checker.result();

    const std::string version = UpdateChecker::extractJsonString(body, "version");
    if (result.latestVersion != version)
        std::abort();
    const std::int32_t expected =
        version.empty() ? UpdateChecker::kFailed
        : UpdateChecker::parseSemver(version) > UpdateChecker::parseSemver(kRunning)
            ? UpdateChecker::kUpdateAvailable
            : UpdateChecker::kUpToDate;
    if (result.status != expected)
        std::abort();
    // Whatever the document says, the button opens an https address (the scheme in any case, as
    // addresses allow) without white space or control bytes that a desktop opener could split.
    std::string scheme = result.downloadUrl.substr(0, 8);
    for (char& c : scheme)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (scheme != "https://")
        std::abort();
    for (const char c : result.downloadUrl)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F)
            std::abort();
    return 0;
}
