// SPDX-License-Identifier: GPL-3.0-or-later
// Preset and settings files on Windows: wide paths to the system, and an atomic replace through
// MoveFileExW, which swaps the finished file in under the target's name in one step.
#include "presets/FileIo.h"

#include "presets/Utf8Path.h"

#include <windows.h>

#include <atomic>
#include <climits>
#include <filesystem>

namespace Ryvel
{
namespace
{

class File
{
public:
    explicit File(HANDLE h) : handle(h) {}
    ~File()
    {
        if (valid())
            CloseHandle(handle);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    HANDLE get() const { return handle; }
    bool valid() const { return handle != INVALID_HANDLE_VALUE; }
    bool close()
    {
        const HANDLE h = handle;
        handle = INVALID_HANDLE_VALUE;
        return CloseHandle(h) != 0;
    }

private:
    HANDLE handle;
};

bool writeAll(HANDLE file, std::string_view bytes)
{
    while (!bytes.empty())
    {
        const DWORD chunk =
            bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

// Unique within the process by the counter and across processes by the process id; a name left
// behind by a crashed process is simply skipped.
std::wstring temporaryName(const std::filesystem::path& folder)
{
    static std::atomic<unsigned> counter{0};
    const std::wstring name = L".ryvel-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(counter.fetch_add(1, std::memory_order_relaxed)) +
                              L".tmp";
    return (folder / name).wstring();
}

} // namespace

std::optional<std::string> readSmallRegularFile(const std::string& path)
{
    const std::wstring wide = pathFromUtf8(path).wstring();
    if (wide.empty())
        return std::nullopt;
    // Folders cannot be opened this way (no FILE_FLAG_BACKUP_SEMANTICS); pipes and devices are
    // refused by their type below before anything is read.
    File file(CreateFileW(wide.c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid() || GetFileType(file.get()) != FILE_TYPE_DISK)
        return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > kMaxReadableFileSize)
        return std::nullopt;

    // The size is re-checked while reading: the file may grow between the two.
    std::string text;
    char buffer[16384];
    for (;;)
    {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr))
            return std::nullopt;
        if (got == 0)
            break;
        if (text.size() + got > kMaxReadableFileSize)
            return std::nullopt;
        text.append(buffer, got);
    }
    return text;
}

bool replaceFileAtomically(const std::string& path, std::string_view bytes)
{
    const std::filesystem::path target = pathFromUtf8(path);
    if (target.empty())
        return false;
    const std::filesystem::path parent = target.parent_path();
    const std::filesystem::path folder = parent.empty() ? std::filesystem::path(L".") : parent;

    std::wstring temporary;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt)
    {
        temporary = temporaryName(folder);
        handle = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    File file(handle);
    if (!file.valid())
        return false;

    const bool written = writeAll(file.get(), bytes) && FlushFileBuffers(file.get());
    const bool closed = file.close();
    if (!written || !closed ||
        !MoveFileExW(temporary.c_str(), target.wstring().c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    {
        DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace Ryvel
