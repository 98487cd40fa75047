// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// libsndfile behind a small owning handle. Samples are 32-bit float, interleaved as libsndfile
// delivers them.

#include <sndfile.h>

#include <cstdint>
#include <string>

namespace Ryvel::Render
{

class SoundFile
{
public:
    SoundFile() = default;
    SoundFile(const SoundFile&) = delete;
    SoundFile& operator=(const SoundFile&) = delete;
    ~SoundFile();

    // The containers the renderer reads and writes.
    static bool isSupportedContainer(int format);
    static std::string containerName(int format);

    // On failure these return false and leave a one-line reason in error().
    bool openRead(const std::string& path);
    bool openWrite(const std::string& path, int format, int channels, int sampleRate);

    std::int64_t read(float* interleaved, std::int64_t frames);
    bool write(const float* interleaved, std::int64_t frames);
    // Flushes and closes; false when the data did not reach the file.
    bool close();

    const SF_INFO& info() const { return fileInfo; }
    const std::string& error() const { return lastError; }

private:
    SNDFILE* file = nullptr;
    SF_INFO fileInfo{};
    std::string lastError;
};

} // namespace Ryvel::Render
