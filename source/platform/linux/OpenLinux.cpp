// SPDX-License-Identifier: GPL-3.0-or-later
// openURLMac and openPathMac on Linux: both hand their argument to the desktop's opener,
// xdg-open, as one argument of its own (no shell ever sees it) and do not wait for it.

#include "platform/PlatformServices.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Ryvel
{
namespace
{

bool isValidUtf8(std::string_view text) noexcept
{
    std::size_t i = 0;
    while (i < text.size())
    {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t code = 0;
        if (lead < 0x80)
            length = 1, code = lead;
        else if ((lead & 0xE0) == 0xC0)
            length = 2, code = lead & 0x1F;
        else if ((lead & 0xF0) == 0xE0)
            length = 3, code = lead & 0x0F;
        else if ((lead & 0xF8) == 0xF0)
            length = 4, code = lead & 0x07;
        else
            return false;
        if (i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
        {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        constexpr char32_t kSmallestOfLength[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kSmallestOfLength[length] || code > 0x10FFFF ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

// What a URL parser would refuse outright: control characters and white space.
bool hasNoControlOrSpace(std::string_view text) noexcept
{
    for (const char c : text)
    {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F)
            return false;
    }
    return true;
}

// RFC 3986: a letter, then letters, digits, "+", "-" or ".", then ":". A text that passes
// cannot start with "-", so it can never be read as an option of the opener.
bool hasScheme(std::string_view url) noexcept
{
    const std::size_t colon = url.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return false;
    for (std::size_t i = 0; i < colon; ++i)
    {
        const char c = url[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        if (!letter && (i == 0 || !other))
            return false;
    }
    return true;
}

// The opener's full path from PATH, looked up here because only async-signal-safe calls are
// allowed between fork and exec in a multi-threaded host.
std::string findOpener()
{
    const char* path = std::getenv("PATH");
    std::string_view dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true)
    {
        const std::size_t colon = dirs.find(':');
        const std::string_view dir = dirs.substr(0, colon);
        if (!dir.empty())
        {
            std::string candidate = std::string(dir) + "/xdg-open";
            if (access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        if (colon == std::string_view::npos)
            return {};
        dirs.remove_prefix(colon + 1);
    }
}

// Starts the opener through an intermediate child that exits at once: the opener is orphaned
// to init (or the nearest subreaper), which reaps it, and we wait only for the intermediate.
void launchOpener(const std::string& argument)
{
    const std::string opener = findOpener();
    if (opener.empty())
        return;
    char* const argv[] = {const_cast<char*>(opener.c_str()), const_cast<char*>(argument.c_str()),
                          nullptr};

    const pid_t child = fork();
    if (child < 0)
        return;
    if (child == 0)
    {
        if (fork() == 0)
        {
            // The host's blocked signals and open descriptors are none of the browser's business.
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            close_range(3, ~0U, 0);
            execve(argv[0], argv, environ);
            _exit(127);
        }
        _exit(0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR)
    {
    }
}

} // namespace

void openURLMac(const std::string& url) noexcept
{
    try
    {
        if (isValidUtf8(url) && hasNoControlOrSpace(url) && hasScheme(url))
            launchOpener(url);
    }
    catch (...)
    {
    }
}

void openPathMac(const std::string& path) noexcept
{
    try
    {
        struct stat info
        {
        };
        if (!path.empty() && path.front() == '/' && isValidUtf8(path) &&
            path.find('\0') == std::string::npos && stat(path.c_str(), &info) == 0)
            launchOpener(path);
    }
    catch (...)
    {
    }
}

} // namespace Ryvel
