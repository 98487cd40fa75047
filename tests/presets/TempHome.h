// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every preset test runs with HOME pointing at a fresh temporary folder, so nothing outside it is
// read or written, and the real user's presets are never at risk.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace Ryvel::test
{

namespace fs = std::filesystem;

class TempHomeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "ryvel-presets-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        home = pattern;
        if (const char* old = std::getenv("HOME"))
            savedHome = old;
        ::setenv("HOME", home.c_str(), 1);
    }

    void TearDown() override
    {
        if (savedHome)
            ::setenv("HOME", savedHome->c_str(), 1);
        else
            ::unsetenv("HOME");
        std::error_code ec;
        fs::remove_all(home, ec);
    }

    fs::path baseDir() const { return home / "Documents" / "Corvane Audio" / "Ryvel"; }
    fs::path userDir() const { return baseDir() / "Presets"; }
    fs::path factoryDir() const { return baseDir() / "Factory"; }

    static std::string readBytes(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    static void writeBytes(const fs::path& path, const std::string& bytes)
    {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }

    static std::vector<std::string> folderEntries(const fs::path& folder)
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path home;

private:
    std::optional<std::string> savedHome;
};

// Limits the size of files this process may write, the way a nearly full disk would: the write
// that crosses the limit fails (EFBIG) even for root, where a read-only folder would not stop it.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        savedHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, savedHandler_);
    }

private:
    rlimit saved_{};
    void (*savedHandler_)(int) = nullptr;
};

} // namespace Ryvel::test
