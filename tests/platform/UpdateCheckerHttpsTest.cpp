// SPDX-License-Identifier: GPL-3.0-or-later
// The update checker's requests through libcurl against a local HTTPS server.
#include "TestServers.h"
#include "platform/UpdateChecker.h"
#include "platform/linux/CurlApi.h"
#include "platform/linux/HttpsGetLinux.h"
#include "platform/linux/RuntimeLibrary.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace Ryvel
{
namespace
{

using namespace std::chrono_literals;
using TestSupport::LocalWebServer;
using TestSupport::SilentServer;

// Polls until the worker is done; the limit is a hang detector, not a timing requirement.
bool waitUntilDone(const UpdateChecker& checker, std::chrono::milliseconds limit = 10s)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!checker.isDone() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    return checker.isDone();
}

UpdateChecker::Get getFrom(const std::string& caFile)
{
    return [caFile](const std::string& host, const std::string& path, std::int32_t timeoutMs)
    { return httpsGetTrusting(host, path, timeoutMs, caFile); };
}

TEST(UpdateChecker, FetchesTheDocumentOverHttps)
{
    LocalWebServer server;
    ASSERT_TRUE(server.ok());
    server.setDocument(R"({"version": "1.0.5", "url": "https://corvane-audio.com/ryvel/1.0.5"})");

    UpdateChecker checker("1.0.4", server.host(), getFrom(server.caFile()));
    ASSERT_TRUE(waitUntilDone(checker));
    const auto result = checker.result();
    EXPECT_EQ(result.status, UpdateChecker::kUpdateAvailable);
    EXPECT_EQ(result.latestVersion, "1.0.5");
    EXPECT_EQ(result.downloadUrl, "https://corvane-audio.com/ryvel/1.0.5");
}

// A system without libcurl: the check ends as failed without a request, and the same server
// answers as soon as the library can be loaded again.
TEST(UpdateChecker, EndsFailedWithoutARequestWhenLibcurlCannotBeLoaded)
{
    LocalWebServer server;
    ASSERT_TRUE(server.ok());
    server.setDocument(R"({"version":"1.0.5"})");
    struct Restore
    {
        ~Restore() { RuntimeLibrary::replaceForTesting(CurlApi::kLibrary, {}); }
    } restore;

    RuntimeLibrary::replaceForTesting(CurlApi::kLibrary, server.caFile() + ".missing.so");
    {
        UpdateChecker checker("1.0.4", server.host(), getFrom(server.caFile()));
        ASSERT_TRUE(waitUntilDone(checker));
        EXPECT_EQ(checker.result().status, UpdateChecker::kFailed);
    }
    // A file that is there but is no library fails the same way.
    RuntimeLibrary::replaceForTesting(CurlApi::kLibrary, server.caFile());
    {
        UpdateChecker checker("1.0.4", server.host(), getFrom(server.caFile()));
        ASSERT_TRUE(waitUntilDone(checker));
        EXPECT_EQ(checker.result().status, UpdateChecker::kFailed);
    }
    EXPECT_TRUE(server.requests().empty());

    RuntimeLibrary::replaceForTesting(CurlApi::kLibrary, {});
    UpdateChecker checker("1.0.4", server.host(), getFrom(server.caFile()));
    ASSERT_TRUE(waitUntilDone(checker));
    EXPECT_EQ(checker.result().status, UpdateChecker::kUpdateAvailable);
}

TEST(UpdateCheckerUnload, AbortAllAndWaitEndsStalledChecksPromptlyAndLaterChecksStillWork)
{
    SilentServer silent;
    LocalWebServer server;
    ASSERT_FALSE(silent.host().empty());
    ASSERT_TRUE(server.ok());
    server.setDocument(R"({"version":"1.0.5"})");
    std::vector<std::unique_ptr<UpdateChecker>> checkers;
    for (int i = 0; i < 3; ++i)
        checkers.push_back(
            std::make_unique<UpdateChecker>("1.0.4", silent.host(), getFrom(server.caFile())));
    // One checker is dropped at once, as a closing dialog would.
    checkers.front().reset();

    // Wait until every worker is inside its request. (The small test CA file keeps certificate
    // loading, which nothing can interrupt, out of the measured time.)
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (silent.acceptPending() < 3 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(silent.acceptPending(), 3);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(UpdateChecker::abortAllAndWait());
    // Well below the 5000 ms request timeout: the workers gave up instead of timing out.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    for (std::size_t i = 1; i < checkers.size(); ++i)
    {
        ASSERT_TRUE(checkers[i]->isDone());
        EXPECT_EQ(checkers[i]->result().status, UpdateChecker::kFailed);
    }

    UpdateChecker later("1.0.4", server.host(), getFrom(server.caFile()));
    ASSERT_TRUE(waitUntilDone(later));
    EXPECT_EQ(later.result().status, UpdateChecker::kUpdateAvailable);
}

} // namespace
} // namespace Ryvel
