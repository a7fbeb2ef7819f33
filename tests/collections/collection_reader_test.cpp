// The collection reader on its own: how formats and member names are told, how members join.
#include "archive_writer.h"
#include "collections/collection_reader.h"

#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using pw2::collections::CollectionReader;
using pw2::collections::Format;
using pw2::test::Packing;

TEST(CollectionReader, TellsFormatsByTheirFirstBytesAndMembersByName) {
    std::string tar(300, '\0');
    tar.replace(257, 5, "ustar");
    const struct {
        std::string head;
        Format format;
    } heads[] = {
        {"\x1f\x8b\x08", Format::Gzip},
        {"BZh91AY&SY", Format::Bzip2},
        {"BZh", Format::Plain}, // too short for the block's magic
        {std::string("\xfd"
                     "7zXZ\0",
                     6),
         Format::Xz},
        {"\x28\xb5\x2f\xfd", Format::Zstd},
        {"PK\x03\x04", Format::Zip},
        {"PK\x05\x06", Format::Zip}, // an empty zip
        {tar, Format::Tar},
        {"[Event \"x\"]", Format::Plain},
        {"", Format::Plain},
    };
    for (const auto& h : heads)
        EXPECT_EQ(pw2::collections::formatOf(h.head), h.format) << h.head;

    for (const char* name : {"a.pgn", "dir/B.PGN", "x.Pgn"})
        EXPECT_TRUE(pw2::collections::isPgnName(name)) << name;
    for (const char* name : {".pgn", "dir/.pgn", "a.pgn.txt", "a.pgnx", "pgn", "a.pgn/", ""})
        EXPECT_FALSE(pw2::collections::isPgnName(name)) << name;
}

std::string readAll(CollectionReader& reader) {
    std::string text;
    char block[7]; // small, so that members end in the middle of a read
    for (;;) {
        const std::ptrdiff_t got = reader.read(block, sizeof block);
        if (got <= 0) {
            EXPECT_EQ(got, 0) << reader.failure();
            return text;
        }
        text.append(block, std::size_t(got));
    }
}

TEST(CollectionReader, JoinsMembersInNameOrderWithALineFeedWhereOneIsMissing) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("games.tar").toStdString();
    pw2::test::writeArchive(path, Packing::Tar,
                            {{"c.pgn", "[Event \"c\"]"},
                             {"a.pgn", "[Event \"a\"]\n"},
                             {"empty.pgn", ""},
                             {"b.pgn", "[Event \"b\"]"}});
    std::string error;
    auto reader = CollectionReader::open(path, {}, error);
    ASSERT_TRUE(reader) << error;
    EXPECT_EQ(reader->format(), Format::Tar);
    // empty.pgn comes after c.pgn: the line feed that ends c.pgn's text is added before it.
    EXPECT_EQ(readAll(*reader), "[Event \"a\"]\n[Event \"b\"]\n[Event \"c\"]\n");

    // A stream is read in the order the archive stores its members.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::dup2(fd, STDIN_FILENO), STDIN_FILENO); // a file, but read as the stream "-" is
    ::close(fd);
    std::vector<std::string> skipped;
    CollectionReader::Options options;
    options.onSkipped = [&](const std::string& member, const std::string& why) {
        skipped.push_back(member + ": " + why);
    };
    reader = CollectionReader::open("-", options, error);
    ASSERT_TRUE(reader) << error;
    EXPECT_EQ(readAll(*reader), "[Event \"c\"]\n[Event \"a\"]\n[Event \"b\"]");
    EXPECT_TRUE(skipped.empty());
}

TEST(CollectionReader, StopsAtTheUnpackLimitAndRefusesWhatCannotEnd) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("big.pgn.gz").toStdString();
    pw2::test::writeArchive(path, Packing::Gzip, {{"data", std::string(100000, 'x')}});
    std::string error;
    CollectionReader::Options options;
    options.unpackLimit = 99999;
    auto reader = CollectionReader::open(path, options, error);
    ASSERT_TRUE(reader) << error;
    std::string text;
    char block[4096];
    std::ptrdiff_t got = 0;
    while ((got = reader->read(block, sizeof block)) > 0)
        text.append(block, std::size_t(got));
    EXPECT_EQ(got, -1);
    EXPECT_LE(text.size(), 99999u + sizeof block);
    EXPECT_EQ(reader->failure(), path + ": it unpacks to more than 99999 bytes, the most a "
                                        "collection may unpack to; reading stopped there");

    options.unpackLimit = 100000; // exactly the size: read to its end
    reader = CollectionReader::open(path, options, error);
    ASSERT_TRUE(reader) << error;
    EXPECT_TRUE(readAll(*reader) == std::string(100000, 'x'));

    EXPECT_FALSE(CollectionReader::open("/dev/zero", {}, error));
    EXPECT_EQ(error, "it is not a regular file");
}

} // namespace
