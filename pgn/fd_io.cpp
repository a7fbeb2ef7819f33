#include "pgn/fd_io.h"

#include <cerrno>
#include <unistd.h>

namespace pgn {

bool WriteAll(int fd, const void* from, std::size_t size) {
    const char* bytes = static_cast<const char*>(from);
    while (size > 0) {
        const ssize_t put = ::write(fd, bytes, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        bytes += put;
        size -= std::size_t(put);
    }
    return true;
}

bool ReadAll(int fd, void* into, std::size_t size) {
    char* bytes = static_cast<char*>(into);
    while (size > 0) {
        const ssize_t got = ::read(fd, bytes, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        bytes += got;
        size -= std::size_t(got);
    }
    return true;
}

} // namespace pgn
