// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Runs a program as a user runs it, for tests of command-line tools: found on PATH, with the
// test's environment plus some overrides, standard output and error captured.

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace Ryvel::Testing
{

struct ProgramResult
{
    int exitCode = -1; // -1 when it could not start or did not exit normally
    std::string out, err;
};

inline std::string readTextFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// `overrides` are NAME=value entries that replace the variables of the same name. The output is
// collected in files in `scratch`, which must exist.
inline ProgramResult runProgram(std::vector<std::string> args,
                                const std::vector<std::string>& overrides,
                                const std::filesystem::path& scratch)
{
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> env = overrides;
    for (char** e = environ; *e != nullptr; ++e)
    {
        const std::string entry(*e);
        bool replaced = false;
        for (const std::string& o : overrides)
            replaced = replaced || entry.compare(0, o.find('=') + 1, o, 0, o.find('=') + 1) == 0;
        if (!replaced)
            env.push_back(entry);
    }
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    const auto outFile = scratch / "stdout.txt", errFile = scratch / "stderr.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    ProgramResult result;
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0)
    {
        int status = 0;
        waitpid(pid, &status, 0);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    result.out = readTextFile(outFile);
    result.err = readTextFile(errFile);
    return result;
}

} // namespace Ryvel::Testing
