// The collection reader's front end: any bytes, as a file of any format, read to the end through
// libarchive and cut into games as pawnwatch2-check cuts them. The input is kept in memory
// (memfd) and opened by its path, as a file the user names is. Unpacking is bounded by a limit of
// 1 MiB, which the reader must keep to, with no more than one block beyond it.
#include "collections/collection_reader.h"
#include "pgn/game_reader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr std::uint64_t kLimit = std::uint64_t(1) << 20;

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_collection: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = ::memfd_create("collection", MFD_CLOEXEC);
    require(fd >= 0, "memfd_create failed");
    require(::write(fd, data, size) == static_cast<ssize_t>(size), "write failed");
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    pw2::collections::CollectionReader::Options options;
    options.unpackLimit = kLimit;
    std::size_t skipped = 0;
    options.onSkipped = [&](const std::string&, const std::string&) { ++skipped; };
    std::string error;
    auto reader = pw2::collections::CollectionReader::open(path, options, error);
    require(reader != nullptr || !error.empty(), "a refusal without a reason");
    if (reader) {
        require(pw2::collections::formatOf(std::string_view(reinterpret_cast<const char*>(data),
                                                            std::min<std::size_t>(size, 262))) ==
                    reader->format(),
                "the format differs from the one the first bytes show");
        if (reader->plainFd() >= 0) {
            require(reader->plainSize() == static_cast<std::int64_t>(size), "wrong plain size");
        } else {
            pgn::GameReader games(*reader);
            std::string_view game;
            std::uint64_t text = 0;
            while (games.next(game))
                text += game.size();
            require(text <= kLimit + (std::uint64_t(1) << 16) + 16, "unpacked past the limit");
            require(games.status() != pgn::GameReader::Status::Failed || !reader->failure().empty(),
                    "a failure without a message");
        }
    }
    reader.reset();
    ::close(fd);
    return 0;
}
