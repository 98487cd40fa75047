// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestServers.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <spawn.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Ryvel::TestSupport
{

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "ryvel-platform-XXXXXX");
    if (mkdtemp(pattern.data()))
        path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ignored);
}

void writeFile(const std::filesystem::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary) << bytes;
}

std::string readFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

LocalWebServer::LocalWebServer()
{
    const auto& dir = dir_.path();
    const std::string makeCertificate =
        "'" RYVEL_TEST_OPENSSL "' req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 "
        "-nodes -days 2 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout '" +
        (dir / "key.pem").string() + "' -out '" + (dir / "cert.pem").string() + "' >/dev/null 2>&1";
    if (dir.empty() || std::system(makeCertificate.c_str()) != 0)
        return;

    int out[2];
    if (pipe(out) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string script = RYVEL_TEST_FIXTURE_SCRIPT, cert = dir / "cert.pem",
                      key = dir / "key.pem", docroot = dir, log = dir / "requests.log";
    char* const argv[] = {const_cast<char*>(RYVEL_TEST_PYTHON),
                          const_cast<char*>(script.c_str()),
                          const_cast<char*>(cert.c_str()),
                          const_cast<char*>(key.c_str()),
                          const_cast<char*>(docroot.c_str()),
                          const_cast<char*>(log.c_str()),
                          nullptr};
    const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0)
    {
        pid_ = -1;
        close(out[0]);
        return;
    }
    FILE* ports = fdopen(out[0], "r");
    if (!ports || std::fscanf(ports, "%d %d", &httpsPort_, &httpPort_) != 2)
        httpsPort_ = httpPort_ = 0;
    if (ports)
        std::fclose(ports);
    else
        close(out[0]);
}

LocalWebServer::~LocalWebServer()
{
    if (pid_ > 0)
    {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

std::string LocalWebServer::host() const
{
    return "127.0.0.1:" + std::to_string(httpsPort_);
}

std::string LocalWebServer::plainHost() const
{
    return "127.0.0.1:" + std::to_string(httpPort_);
}

std::vector<LocalWebServer::Request> LocalWebServer::requests() const
{
    std::vector<Request> requests;
    std::istringstream lines(readFile(dir_.path() / "requests.log"));
    for (std::string line; std::getline(lines, line);)
    {
        std::istringstream fields(line);
        Request r;
        std::getline(fields, r.scheme, '\t');
        std::getline(fields, r.path, '\t');
        std::getline(fields, r.userAgent, '\t');
        std::getline(fields, r.cookie, '\t');
        requests.push_back(r);
    }
    return requests;
}

SilentServer::SilentServer()
{
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    port_ = ntohs(address.sin_port);
}

SilentServer::~SilentServer()
{
    for (const int connection : connections_)
        close(connection);
    if (listener_ >= 0)
        close(listener_);
}

std::string SilentServer::host() const
{
    return port_ == 0 ? std::string() : "127.0.0.1:" + std::to_string(port_);
}

int SilentServer::acceptPending()
{
    for (int connection; (connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;)
        connections_.push_back(connection);
    return static_cast<int>(connections_.size());
}

} // namespace Ryvel::TestSupport
