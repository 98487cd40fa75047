// SPDX-License-Identifier: GPL-3.0-or-later
// The Linux HTTPS GET against a local server that the tests trust through their own CA file.

#include "TestServers.h"
#include "platform/PlatformServices.h"
#include "platform/linux/CurlApi.h"
#include "platform/linux/HttpsGetLinux.h"
#include "platform/linux/RuntimeLibrary.h"

#include <gtest/gtest.h>

#include <chrono>

namespace Ryvel
{
namespace
{

using TestSupport::LocalWebServer;
using TestSupport::SilentServer;

constexpr std::int32_t kTimeoutMs = 5000;

// The bytes the fixture sends for /bytes/STATUS/N.
std::string pattern(std::size_t n)
{
    std::string bytes(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<char>(i % 256);
    return bytes;
}

class HttpsGet : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(server.ok()) << "the local web server did not start"; }

    std::string get(const std::string& path)
    {
        return httpsGetTrusting(server.host(), path, kTimeoutMs, server.caFile());
    }

    void expectRedirectsOnlyToHttps()
    {
        const std::string target = "/bytes/200/5";
        EXPECT_EQ(get("/redirect?to=https://" + server.host() + target), pattern(5));
        EXPECT_EQ(get("/redirect?to=http://" + server.plainHost() + target), "");
        for (const auto& request : server.requests())
            EXPECT_EQ(request.scheme, "https") << request.path;
    }

    LocalWebServer server;
};

TEST_F(HttpsGet, FollowsARedirectOnlyWhenItLeadsToHttps)
{
    expectRedirectsOnlyToHttps();
}

// Ubuntu 22.04's libcurl names no protocols by name and has no quick exit: the request still
// succeeds there, and the limit to https still holds.
TEST_F(HttpsGet, KeepsItsLimitsWithALibcurlOlderThan785)
{
    struct Restore
    {
        ~Restore() { RuntimeLibrary::replaceForTesting(CurlApi::kLibrary, {}); }
    } restore;
    RuntimeLibrary::replaceForTesting(CurlApi::kLibrary, RYVEL_TEST_OLD_CURL);
    ASSERT_NE(CurlApi::get(), nullptr);
    expectRedirectsOnlyToHttps();
}

TEST_F(HttpsGet, KeepsTheBodyOnlyForAFinal200OfOneTo65536Bytes)
{
    const struct
    {
        const char* path;
        std::size_t expectedBytes; // 0: empty result
    } cases[] = {
        {"/bytes/200/65536", 65536}, {"/bytes/200/1", 1},  {"/bytes/200/65537", 0},
        {"/bytes/200/0", 0},         {"/bytes/204/16", 0}, {"/bytes/203/16", 0},
        {"/bytes/404/16", 0},        {"/bytes/500/16", 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(get(c.path), pattern(c.expectedBytes));
    }
}

TEST_F(HttpsGet, SendsItsUserAgentAndNeverReturnsACookie)
{
    ASSERT_EQ(get("/redirect?to=https://" + server.host() + "/bytes/200/3"), pattern(3));
    ASSERT_EQ(get("/bytes/200/3"), pattern(3));

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    for (const auto& request : requests)
    {
        SCOPED_TRACE(request.path);
        EXPECT_EQ(request.userAgent, "Ryvel/UpdateCheck");
        EXPECT_EQ(request.cookie, "");
    }
}

TEST_F(HttpsGet, RefusesACertificateItCannotVerify)
{
    // The system's authorities do not know the test certificate, and it names 127.0.0.1 only.
    EXPECT_EQ(httpsGetMac(server.host(), "/bytes/200/5", kTimeoutMs), "");
    const std::string port = server.host().substr(server.host().find(':'));
    EXPECT_EQ(httpsGetTrusting("localhost" + port, "/bytes/200/5", kTimeoutMs, server.caFile()),
              "");
    EXPECT_TRUE(server.requests().empty());
}

TEST(HttpsGetTimeout, GivesUpOnAServerThatNeverAnswersAfterAboutTheTimeout)
{
    SilentServer silent;
    ASSERT_FALSE(silent.host().empty());
    constexpr std::int32_t timeoutMs = 300;

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(httpsGetMac(silent.host(), "/ryvel/version.json", timeoutMs), "");
    const auto elapsed = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(silent.acceptPending(), 1);
    EXPECT_LT(elapsed, std::chrono::milliseconds(timeoutMs + 2000));
}

TEST(HttpsGetAddress, AnAddressThatDoesNotParseNeverReachesTheNetwork)
{
    SilentServer silent;
    ASSERT_FALSE(silent.host().empty());
    const struct
    {
        std::string host, path;
        std::int32_t timeoutMs;
    } cases[] = {
        {silent.host(), "/ryvel/version json", kTimeoutMs},
        {silent.host(), "/ryvel/\nversion.json", kTimeoutMs},
        {silent.host() + "\r", "/ryvel/version.json", kTimeoutMs},
        {"", "/ryvel/version.json", kTimeoutMs},
        {silent.host(), "/ryvel/version.json", 0}, // no time at all is not "no limit"
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << '"' << c.host << '"' << c.path << ' ' << c.timeoutMs);
        EXPECT_EQ(httpsGetMac(c.host, c.path, c.timeoutMs), "");
    }
    EXPECT_EQ(silent.acceptPending(), 0);
}

} // namespace
} // namespace Ryvel
