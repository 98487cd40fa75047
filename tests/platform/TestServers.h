// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Local servers and scratch folders for the platform tests. Failures to set up leave ok()
// false (or an empty host) so that the test asserts on it instead of crashing.

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace Ryvel::TestSupport
{

// A fresh folder below the system's temporary folder, removed with everything in it.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

void writeFile(const std::filesystem::path& file, const std::string& bytes);
std::string readFile(const std::filesystem::path& file);

// https_fixture.py on 127.0.0.1 with a self-signed certificate for 127.0.0.1 made by openssl.
class LocalWebServer
{
public:
    struct Request
    {
        std::string scheme, path, userAgent, cookie;
    };

    LocalWebServer();
    ~LocalWebServer();
    LocalWebServer(const LocalWebServer&) = delete;
    LocalWebServer& operator=(const LocalWebServer&) = delete;

    bool ok() const { return httpsPort_ != 0 && httpPort_ != 0; }
    std::string host() const; // "127.0.0.1:<https port>"
    std::string plainHost() const;
    std::string caFile() const { return (dir_.path() / "cert.pem").string(); }
    void setDocument(const std::string& body) { writeFile(dir_.path() / "version.json", body); }
    std::vector<Request> requests() const;

private:
    TempDir dir_;
    pid_t pid_ = -1;
    int httpsPort_ = 0;
    int httpPort_ = 0;
};

// Accepts TCP connections on 127.0.0.1 and never says a word.
class SilentServer
{
public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    std::string host() const;
    // Accepts whatever connections are pending (keeping them open) and returns how many were
    // accepted so far.
    int acceptPending();

private:
    int listener_ = -1;
    int port_ = 0;
    std::vector<int> connections_;
};

} // namespace Ryvel::TestSupport
