// SPDX-License-Identifier: GPL-3.0-or-later
// The update checker's reading of the document and its worker's lifetime, with the request
// replaced; built for every system. The requests through libcurl are in UpdateCheckerHttpsTest.cpp.
#include "platform/UpdateChecker.h"
#include "core/ProductInfo.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

namespace Ryvel
{
namespace
{

using namespace std::chrono_literals;
const std::string kDefaultPage = "https://" + std::string(Product::kWebHost) + "/downloads";

// Polls until the worker is done; the limit is a hang detector, not a timing requirement.
bool waitUntilDone(const UpdateChecker& checker, std::chrono::milliseconds limit = 10s)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!checker.isDone() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    return checker.isDone();
}

TEST(UpdateCheckerParsing, ParseSemverReadsThreeLeadingNumbersAndZerosTheRest)
{
    const struct
    {
        const char* text;
        UpdateChecker::Semver expected;
    } cases[] = {
        {"1.2", {1, 2, 0}},
        {"2", {2, 0, 0}},
        {"1.0.4-beta", {1, 0, 4}},
        {"1.x.3", {1, 0, 3}},
        {"v1.2.3", {0, 2, 3}},
        {"", {0, 0, 0}},
        {"1.", {1, 0, 0}},
        {"1..3", {1, 0, 3}},
        {"1.2.3.4", {1, 2, 3}},
        {" +7.-1.\t9", {7, -1, 9}},
        {"2147483648.1.2", {0, 1, 2}},
        {"-2147483648.2147483647", {INT32_MIN, INT32_MAX, 0}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(UpdateChecker::parseSemver(c.text), c.expected);
    }
}

TEST(UpdateCheckerParsing, CompareSemverOrdersNumericallyPartByPart)
{
    const struct
    {
        const char *a, *b;
        int expected;
    } cases[] = {
        {"1.10.0", "1.9.9", 1},  {"1.0.4", "1.0.5", -1},  {"1.0.4", "1.0.4", 0},
        {"1.0.4.1", "1.0.4", 0}, {"2.0.0", "1.99.99", 1}, {"abc", "0.0.0", 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.a << " vs " << c.b);
        EXPECT_EQ(UpdateChecker::compareSemver(c.a, c.b), c.expected);
    }
}

TEST(UpdateCheckerParsing, ExtractJsonStringTakesTheFirstQuotedTextAfterTheKeysColon)
{
    const struct
    {
        const char *text, *key, *expected;
    } cases[] = {
        {R"({"version":"1.0.5"})", "version", "1.0.5"},
        {"{ \"version\"  :\n  \"1.0.5\" }", "version", "1.0.5"},
        {R"({"url":"https://a/b","version":"2"})", "url", "https://a/b"},
        {R"({"note":"\"version","x":"9","version":"1"})", "version", "9"},
        {R"({"version":"1.0\"x"})", "version", "1.0\\"},
        {R"({"version":105,"url":"x"})", "version", "url"},
        {R"({"version":""})", "version", ""},
        {R"({"versions":"3"})", "version", ""},
        {R"({"version" "1"})", "version", ""},
        {R"({"version":"unterminated)", "version", ""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(UpdateChecker::extractJsonString(c.text, c.key), c.expected);
    }
}

struct Outcome
{
    const char* name;
    const char* running;
    const char* document;
    std::int32_t status;
    const char* latestVersion;
    std::string downloadUrl;
};

void PrintTo(const Outcome& outcome, std::ostream* out)
{
    *out << outcome.name;
}

class UpdateCheckerOutcome : public ::testing::TestWithParam<Outcome>
{
};

TEST_P(UpdateCheckerOutcome, ReportsTheServersVersionAgainstTheRunningOne)
{
    const Outcome& o = GetParam();
    std::string askedHost, askedPath;
    std::int32_t askedTimeout = 0;
    UpdateChecker checker(o.running, "updates.test",
                          [&](const std::string& host, const std::string& path, std::int32_t ms)
                          {
                              askedHost = host, askedPath = path, askedTimeout = ms;
                              return std::string(o.document);
                          });
    ASSERT_TRUE(waitUntilDone(checker));

    EXPECT_EQ(askedHost, "updates.test");
    EXPECT_EQ(askedPath, "/ryvel/version.json");
    EXPECT_EQ(askedTimeout, 5000);
    const auto result = checker.result();
    EXPECT_EQ(result.status, o.status);
    EXPECT_EQ(result.latestVersion, o.latestVersion);
    EXPECT_EQ(result.downloadUrl, o.downloadUrl);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, UpdateCheckerOutcome,
    ::testing::Values(
        Outcome{"Newer", "1.0.4", R"({"version":"1.0.5"})", 1, "1.0.5", kDefaultPage},
        Outcome{"Same", "1.0.4", R"({"version":"1.0.4"})", 0, "1.0.4", kDefaultPage},
        Outcome{"Older", "1.0.4", R"({"version":"0.9.9"})", 0, "0.9.9", kDefaultPage},
        Outcome{"NumericNotTextual", "1.9.9", R"({"version":"1.10.0"})", 1, "1.10.0", kDefaultPage},
        Outcome{"FourthPartIgnored", "1.0.4", R"({"version":"1.0.4.1"})", 0, "1.0.4.1",
                kDefaultPage},
        Outcome{"UrlWithoutVersion", "1.0.4", R"({"url":"https://cdn.test/ryvel.zip"})", 2, "",
                "https://cdn.test/ryvel.zip"},
        Outcome{"NumericVersionTakesTheNextQuotedText", "1.0.4",
                R"({"version":105,"url":"https://cdn.test/r"})", 0, "url", "https://cdn.test/r"},
        Outcome{"UpperCaseHttpsUrl", "1.0.4", R"({"version":"1.1","url":"HTTPS://cdn.test/r"})", 1,
                "1.1", "HTTPS://cdn.test/r"},
        Outcome{"PlainHttpUrlKeepsDefault", "1.0.4",
                R"({"version":"1.1","url":"http://cdn.test/r"})", 1, "1.1", kDefaultPage},
        Outcome{"OtherSchemeKeepsDefault", "1.0.4",
                R"({"version":"1.1","url":"file:///etc/passwd"})", 1, "1.1", kDefaultPage},
        Outcome{"UrlWithControlKeepsDefault", "1.0.4",
                "{\"version\":\"1.1\",\"url\":\"https://cdn.test/\x1b[0m\"}", 1, "1.1",
                kDefaultPage},
        Outcome{"UrlWithSpaceKeepsDefault", "1.0.4",
                R"({"version":"1.1","url":"https://cdn.test/a b"})", 1, "1.1", kDefaultPage},
        Outcome{"UrlWithDeleteKeepsDefault", "1.0.4",
                "{\"version\":\"1.1\",\"url\":\"https://cdn.test/a\x7f\"}", 1, "1.1", kDefaultPage},
        // The printable bytes right next to the refused ones.
        Outcome{"UrlWithBangAndTildeIsTaken", "1.0.4",
                R"({"version":"1.1","url":"https://cdn.test/!~"})", 1, "1.1",
                "https://cdn.test/!~"},
        Outcome{"BareSchemeKeepsDefault", "1.0.4", R"({"version":"1.1","url":"https://"})", 1,
                "1.1", kDefaultPage},
        Outcome{"NoDocument", "1.0.4", "", 2, "", kDefaultPage},
        Outcome{"NotJson", "1.0.4", "<html>503</html>", 2, "", kDefaultPage}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UpdateChecker, BeforeTheWorkerIsDoneTheResultIsAFailureWithTheDefaultPage)
{
    std::promise<void> release;
    auto released = release.get_future().share();
    UpdateChecker checker("1.0.4", "updates.test",
                          [released](const std::string&, const std::string&, std::int32_t)
                          {
                              released.wait();
                              return std::string(R"({"version":"9.9.9"})");
                          });
    EXPECT_FALSE(checker.isDone());
    const auto early = checker.result();
    EXPECT_EQ(early.status, UpdateChecker::kFailed);
    EXPECT_EQ(early.latestVersion, "");
    EXPECT_EQ(early.downloadUrl, kDefaultPage);

    release.set_value();
    ASSERT_TRUE(waitUntilDone(checker));
    EXPECT_EQ(checker.result().status, UpdateChecker::kUpdateAvailable);
}

TEST(UpdateChecker, AWorkerThatOutlivesItsCheckerFinishesOnItsOwn)
{
    std::promise<void> checkerGone;
    std::promise<void> workerReturned;
    {
        UpdateChecker checker("1.0.4", "updates.test",
                              [gone = checkerGone.get_future().share(), &workerReturned](
                                  const std::string&, const std::string&, std::int32_t)
                              {
                                  gone.wait();
                                  workerReturned.set_value();
                                  return std::string(R"({"version":"1.0.5"})");
                              });
    }
    checkerGone.set_value();
    // The worker now stores its result into state that only it still holds.
    workerReturned.get_future().wait();
    EXPECT_TRUE(UpdateChecker::abortAllAndWait());
}

} // namespace
} // namespace Ryvel
