// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoundFile.h"

namespace Ryvel::Render
{

SoundFile::~SoundFile()
{
    if (file != nullptr)
        sf_close(file);
}

bool SoundFile::isSupportedContainer(int format)
{
    switch (format & SF_FORMAT_TYPEMASK)
    {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_AIFF:
    case SF_FORMAT_FLAC:
        return true;
    default:
        return false;
    }
}

std::string SoundFile::containerName(int format)
{
    switch (format & SF_FORMAT_TYPEMASK)
    {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
        return "WAV";
    case SF_FORMAT_AIFF:
        return "AIFF";
    case SF_FORMAT_FLAC:
        return "FLAC";
    default:
        return "unknown";
    }
}

bool SoundFile::openRead(const std::string& path)
{
    fileInfo = SF_INFO{};
    file = sf_open(path.c_str(), SFM_READ, &fileInfo);
    if (file == nullptr)
    {
        lastError = sf_strerror(nullptr);
        return false;
    }
    return true;
}

bool SoundFile::openWrite(const std::string& path, int format, int channels, int sampleRate)
{
    fileInfo = SF_INFO{};
    fileInfo.format = format;
    fileInfo.channels = channels;
    fileInfo.samplerate = sampleRate;
    if (sf_format_check(&fileInfo) == 0)
    {
        lastError = "this container cannot hold that sample format";
        return false;
    }
    file = sf_open(path.c_str(), SFM_WRITE, &fileInfo);
    if (file == nullptr)
    {
        lastError = sf_strerror(nullptr);
        return false;
    }
    // Integer formats clip overs instead of wrapping them around.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    // The peak chunk carries a time stamp: without it the same render gives the same bytes.
    sf_command(file, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    return true;
}

std::int64_t SoundFile::read(float* interleaved, std::int64_t frames)
{
    return sf_readf_float(file, interleaved, frames);
}

bool SoundFile::write(const float* interleaved, std::int64_t frames)
{
    if (sf_writef_float(file, interleaved, frames) != frames)
    {
        lastError = sf_strerror(file);
        return false;
    }
    return true;
}

bool SoundFile::close()
{
    if (file == nullptr)
        return true;
    sf_write_sync(file);
    const int result = sf_close(file);
    file = nullptr;
    if (result != 0)
    {
        lastError = sf_error_number(result);
        return false;
    }
    return true;
}

} // namespace Ryvel::Render
