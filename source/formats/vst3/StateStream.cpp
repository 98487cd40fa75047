// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/vst3/StateStream.h"

#include <algorithm>

namespace Ryvel::StateStream
{

using namespace Steinberg;

namespace
{

// Streams are judged by the bytes they move (a host stream may report a short transfer with
// either result code), and never trusted to move more than was asked.
std::size_t transferred(int32 n, std::size_t asked)
{
    return n > 0 ? std::min(static_cast<std::size_t>(n), asked) : 0;
}

} // namespace

std::size_t read(IBStream& stream, StateFormat::Bytes& bytes)
{
    std::size_t got = 0;
    while (got < bytes.size())
    {
        const std::size_t asked = bytes.size() - got;
        int32 n = 0;
        const tresult result = stream.read(bytes.data() + got, static_cast<int32>(asked), &n);
        const std::size_t moved = transferred(n, asked);
        got += moved;
        if (result != kResultOk || moved == 0)
            break;
    }
    return got;
}

bool write(IBStream& stream, StateFormat::Bytes bytes)
{
    std::size_t written = 0;
    while (written < bytes.size())
    {
        const std::size_t asked = bytes.size() - written;
        int32 n = 0;
        const tresult result = stream.write(bytes.data() + written, static_cast<int32>(asked), &n);
        const std::size_t moved = transferred(n, asked);
        written += moved;
        if (moved == 0 || (result != kResultOk && written < bytes.size()))
            return false;
    }
    return true;
}

} // namespace Ryvel::StateStream
