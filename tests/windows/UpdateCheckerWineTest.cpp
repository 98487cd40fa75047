// SPDX-License-Identifier: GPL-3.0-or-later
// The update checker with its Windows request (WinHTTP) against the platform tests' local
// server (tests/windows/with-https-fixture.sh), and its unload path against connections that
// never answer.

#include "platform/PlatformServices.h"
#include "platform/UpdateChecker.h"

#include <gtest/gtest.h>

#include <winsock2.h>

#include <windows.h>

#include <wincrypt.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

// After winsock2.h, which must come before windows.h.
#include "TrustedCertificate.h"

namespace Ryvel
{
namespace
{

using namespace std::chrono_literals;

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

// Polls until the worker is done; the limit is a hang detector, not a timing requirement.
bool waitUntilDone(const UpdateChecker& checker, std::chrono::milliseconds limit = 10s)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!checker.isDone() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    return checker.isDone();
}

// Accepts connections on the loopback address and never sends a byte, so a TLS handshake
// waits until its client gives up.
class SilentListener
{
public:
    SilentListener()
    {
        WSADATA data;
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof address;
        u_long nonBlocking = 1;
        if (listener_ == INVALID_SOCKET ||
            bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            listen(listener_, 16) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
            ioctlsocket(listener_, FIONBIO, &nonBlocking) != 0)
            return;
        port_ = ntohs(address.sin_port);
    }
    ~SilentListener()
    {
        for (const SOCKET connection : connections_)
            closesocket(connection);
        if (listener_ != INVALID_SOCKET)
            closesocket(listener_);
        if (started_)
            WSACleanup();
    }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    // Wine's certificate check matches names only, and the request must get as far as the
    // handshake, so the name is localhost here too.
    std::string host() const { return port_ == 0 ? "" : "localhost:" + std::to_string(port_); }

    int acceptPending()
    {
        for (SOCKET connection;
             (connection = accept(listener_, nullptr, nullptr)) != INVALID_SOCKET;)
            connections_.push_back(connection);
        return static_cast<int>(connections_.size());
    }

private:
    bool started_ = false;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::vector<SOCKET> connections_;
};

class UpdateCheckerUnderWine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::istringstream ports(environment("RYVEL_FIXTURE_PORTS"));
        ports >> httpsPort;
        if (httpsPort == 0)
            GTEST_SKIP() << "no local server (run through tests/windows/with-https-fixture.sh)";
        ASSERT_TRUE(Ryvel::Testing::trustCertificateFile(fixtureFile("cert.pem")));
    }

    std::string host() const { return "localhost:" + std::to_string(httpsPort); }

    void serve(const std::string& document) const
    {
        std::ofstream(fixtureFile("docroot/version.json"), std::ios::binary) << document;
    }

    int httpsPort = 0;
};

TEST_F(UpdateCheckerUnderWine, FetchesTheDocumentThroughWinHttp)
{
    serve(R"({"version": "1.0.5", "url": "https://corvane-audio.com/ryvel/1.0.5"})");
    UpdateChecker checker("1.0.4", host(), httpsGetMac);
    ASSERT_TRUE(waitUntilDone(checker));
    const auto result = checker.result();
    EXPECT_EQ(result.status, UpdateChecker::kUpdateAvailable);
    EXPECT_EQ(result.latestVersion, "1.0.5");
    EXPECT_EQ(result.downloadUrl, "https://corvane-audio.com/ryvel/1.0.5");
}

TEST_F(UpdateCheckerUnderWine, AbortAllAndWaitEndsStalledChecksPromptlyAndLaterChecksStillWork)
{
    serve(R"({"version":"1.0.5"})");
    SilentListener silent;
    ASSERT_FALSE(silent.host().empty());
    std::vector<std::unique_ptr<UpdateChecker>> checkers;
    for (int i = 0; i < 3; ++i)
        checkers.push_back(std::make_unique<UpdateChecker>("1.0.4", silent.host(), httpsGetMac));
    // One checker is dropped at once, as a closing dialog would.
    checkers.front().reset();

    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (silent.acceptPending() < 3 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(silent.acceptPending(), 3);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(UpdateChecker::abortAllAndWait());
    // Well below the request timeout: the workers gave up instead of timing out. Not at once as
    // with libcurl: Wine's WinHTTP reports a request closed during its handshake only after the
    // worker's close wait (1 s) has run out.
    EXPECT_LT(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(UpdateChecker::kRequestTimeoutMs / 2));
    for (std::size_t i = 1; i < checkers.size(); ++i)
    {
        ASSERT_TRUE(checkers[i]->isDone());
        EXPECT_EQ(checkers[i]->result().status, UpdateChecker::kFailed);
    }

    UpdateChecker later("1.0.4", host(), httpsGetMac);
    ASSERT_TRUE(waitUntilDone(later));
    EXPECT_EQ(later.result().status, UpdateChecker::kUpdateAvailable);
}

} // namespace
} // namespace Ryvel
