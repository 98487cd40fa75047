// SPDX-License-Identifier: GPL-3.0-or-later
// httpsGetMac on Windows (WinHTTP) against the platform tests' local server, a Linux process on
// 127.0.0.1, reached as localhost (tests/windows/with-https-fixture.sh). Its certificate is made
// trusted for this test in the current user's root store, which is the test run's own Wine prefix.

#include "platform/NetworkAbort.h"
#include "platform/PlatformServices.h"

#include "TrustedCertificate.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <wincrypt.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <future>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace
{

constexpr std::int32_t kTimeoutMs = 5000;

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The fixture's folder, a path of the build machine, as Wine shows it.
std::string fixtureFile(const std::string& name)
{
    return "Z:" + environment("RYVEL_FIXTURE_DIR") + "/" + name;
}

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string pattern(std::size_t n)
{
    std::string bytes(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<char>(i % 256);
    return bytes;
}

class HttpsGetUnderWine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::istringstream ports(environment("RYVEL_FIXTURE_PORTS"));
        ports >> httpsPort >> httpPort;
        if (httpsPort == 0)
            GTEST_SKIP() << "no local server (run through tests/windows/with-https-fixture.sh)";
        ASSERT_TRUE(Ryvel::Testing::trustCertificateFile(fixtureFile("cert.pem")));
    }

    std::string host() const { return "localhost:" + std::to_string(httpsPort); }
    std::string get(const std::string& path) const
    {
        return Ryvel::httpsGetMac(host(), path, kTimeoutMs);
    }
    // "scheme<TAB>path<TAB>user-agent<TAB>cookie" per request.
    std::vector<std::vector<std::string>> requests() const
    {
        std::vector<std::vector<std::string>> rows;
        std::istringstream log(readAll(fixtureFile("requests.log")));
        for (std::string line; std::getline(log, line);)
        {
            std::vector<std::string> fields;
            std::istringstream row(line);
            for (std::string field; std::getline(row, field, '\t');)
                fields.push_back(field);
            fields.resize(4);
            rows.push_back(fields);
        }
        return rows;
    }

    int httpsPort = 0;
    int httpPort = 0;
};

TEST_F(HttpsGetUnderWine, KeepsTheBodyOnlyForAFinal200OfOneTo65536Bytes)
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

TEST_F(HttpsGetUnderWine, FollowsRedirectsToHttpsOnlySendsItsUserAgentAndNoCookie)
{
    const std::string plain = "localhost:" + std::to_string(httpPort);
    EXPECT_EQ(get("/redirect?to=https://" + host() + "/bytes/200/5"), pattern(5));
    EXPECT_EQ(get("/redirect?to=http://" + plain + "/bytes/200/5"), "");
    EXPECT_EQ(get("/bytes/200/3"), pattern(3));
    for (const auto& request : requests())
    {
        SCOPED_TRACE(request[1]);
        EXPECT_EQ(request[0], "https");
        EXPECT_EQ(request[2], "Ryvel/UpdateCheck");
        EXPECT_EQ(request[3], "") << "the redirect's Set-Cookie is never sent back";
    }
}

TEST_F(HttpsGetUnderWine, RefusesANameTheCertificateDoesNotCarry)
{
    EXPECT_EQ(
        Ryvel::httpsGetMac("127.0.0.1:" + std::to_string(httpsPort), "/bytes/200/5", kTimeoutMs),
        "");
}

TEST_F(HttpsGetUnderWine, AnAbortEndsARequestAtOnce)
{
    // With an abort in force (a module unload) a request fails at once; afterwards it works.
    Ryvel::NetworkAbort::begin();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(get("/bytes/200/5"), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    Ryvel::NetworkAbort::end();
    EXPECT_EQ(get("/bytes/200/5"), pattern(5));
}

TEST(HttpsGetAddressUnderWine, AddressesThatCannotBeHttpsAreRefusedAtOnce)
{
    for (const auto& [host, path] : std::vector<std::pair<std::string, std::string>>{
             {"", "/x"}, {"example.invalid", "x"}, {"example.invalid", ""}})
    {
        SCOPED_TRACE(host + path);
        EXPECT_EQ(Ryvel::httpsGetMac(host, path, kTimeoutMs), "");
    }
    EXPECT_EQ(Ryvel::httpsGetMac("127.0.0.1:1", "/x", 0), "");
}

} // namespace
