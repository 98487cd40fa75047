// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/SystemSeed.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace Ryvel::Randomizer
{

std::optional<std::uint32_t> readSystemSeed()
{
    const int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::uint32_t seed = 0;
    auto* out = reinterpret_cast<unsigned char*>(&seed);
    std::size_t got = 0;
    while (got < sizeof(seed))
    {
        const ssize_t n = ::read(fd, out + got, sizeof(seed) - got);
        if (n > 0)
            got += static_cast<std::size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            break;
    }
    ::close(fd);
    if (got != sizeof(seed))
        return std::nullopt;
    return seed;
}

} // namespace Ryvel::Randomizer
