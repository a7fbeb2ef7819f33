// The plain cache of a packed collection: made whole or not at all, used again while the
// collection stays as it is, made again once it changes, removed, and refused when the disk would
// be left with less than 1 GB free.
#include "archive_writer.h"
#include "collections/collection_cache.h"

#include <QTemporaryDir>
#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using pw2::collections::CollectionCache;
using pw2::collections::kFreeSpaceReserve;
using pw2::test::Packing;

const std::string kGame1 = "[Event \"One\"]\n\n1. e4 e5 1-0\n";
const std::string kGame2 = "[Event \"Two\"]\n\n1. d4 d5 0-1\n";

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* item = ::readdir(dir))
            if (item->d_name[0] != '.')
                names.emplace_back(item->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class Cache : public testing::Test {
protected:
    QTemporaryDir dir;
    std::string root = dir.path().toStdString();
    std::string folder = root + "/cache/pawnwatch2";
    std::uint64_t free = std::uint64_t(100) << 30;
    int asked = 0;

    CollectionCache cache() {
        CollectionCache::Options options;
        options.folder = folder;
        options.freeSpace = [this](const std::string&) {
            ++asked;
            return std::optional<std::uint64_t>(free);
        };
        return CollectionCache(options);
    }
};

TEST_F(Cache, HoldsTheJoinedTextOfEachKindOfCollection) {
    const std::string joined = kGame1 + kGame2;
    struct Case {
        const char* name;
        Packing packing;
        std::vector<pw2::test::ArchiveMember> members;
    };
    const Case cases[] = {
        {"games.pgn.gz", Packing::Gzip, {{"games.pgn", joined}}},
        {"games.pgn.zst", Packing::Zstd, {{"games.pgn", joined}}},
        // PGN members in name order; a text member passed over.
        {"games.zip", Packing::Zip, {{"b.pgn", kGame2}, {"read me.txt", "x"}, {"a.pgn", kGame1}}},
        {"games.tar.gz", Packing::TarGzip, {{"a.pgn", kGame1}, {"b.pgn", kGame2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = root + "/" + c.name;
        pw2::test::writeArchive(source, c.packing, c.members);
        EXPECT_TRUE(pw2::collections::isPackedCollection(source));
        const CollectionCache::Made made = cache().obtain(source);
        ASSERT_TRUE(made.ok()) << made.message;
        EXPECT_EQ(made.message, "");
        EXPECT_EQ(readBytes(made.path), joined);
    }
    // A folder of PGN files is a collection too; a plain file is not.
    ::mkdir((root + "/folder").c_str(), 0700);
    writeBytes(root + "/folder/2.pgn", kGame2);
    writeBytes(root + "/folder/1.pgn", kGame1);
    EXPECT_TRUE(pw2::collections::isPackedCollection(root + "/folder"));
    EXPECT_EQ(readBytes(cache().obtain(root + "/folder").path), joined);
    EXPECT_FALSE(pw2::collections::isPackedCollection(root + "/folder/1.pgn"));
    EXPECT_FALSE(pw2::collections::isPackedCollection(root + "/none.zip"));
}

TEST_F(Cache, IsMadeUsedMadeAgainAfterAChangeAndRemoved) {
    const std::string source = root + "/games.zip";
    pw2::test::writeArchive(source, Packing::Zip, {{"a.pgn", kGame1}});
    const CollectionCache::Made first = cache().obtain(source);
    ASSERT_TRUE(first.ok()) << first.message;
    EXPECT_EQ(first.path, folder + "/" + first.stamp.cacheName());

    // Used as it is: nothing is unpacked or written again.
    struct stat before {};
    ::stat(first.path.c_str(), &before);
    asked = 0;
    const CollectionCache::Made again = cache().obtain(source);
    EXPECT_EQ(again.path, first.path);
    EXPECT_EQ(asked, 0);
    struct stat after {};
    ::stat(again.path.c_str(), &after);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);

    // The collection changes: another cache, of the new text.
    ::usleep(10'000);
    pw2::test::writeArchive(source, Packing::Zip, {{"a.pgn", kGame1}, {"b.pgn", kGame2}});
    const CollectionCache::Made changed = cache().obtain(source);
    ASSERT_TRUE(changed.ok());
    EXPECT_NE(changed.path, first.path);
    EXPECT_EQ(readBytes(changed.path), kGame1 + kGame2);

    // Every cache but the one kept goes, and so does an unfinished one nobody writes; a file
    // being written (locked), and files of other names, stay.
    writeBytes(changed.path + ".Ab12Cd", "half");
    const std::string writing = first.path + ".Zz99Yy";
    writeBytes(writing, "half");
    const int locked = ::open(writing.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(locked, LOCK_EX), 0);
    writeBytes(folder + "/notes.txt", "mine");
    cache().removeAllBut(changed.path);
    std::vector<std::string> kept = {changed.stamp.cacheName(), first.stamp.cacheName() + ".Zz99Yy",
                                     "notes.txt"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(namesIn(folder), kept);
    ::close(locked);
    cache().removeAllBut("");
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"notes.txt"});
}

TEST_F(Cache, IsRefusedWhenItWouldLeaveLessThanOneGigabyteFree) {
    const std::string source = root + "/games.pgn.gz";
    const std::string text(200'000, 'x');
    pw2::test::writeArchive(source, Packing::Gzip, {{"games.pgn", text}});
    const struct {
        std::uint64_t free;
        bool made;
    } cases[] = {
        {kFreeSpaceReserve + text.size(), true},
        {kFreeSpaceReserve + text.size() - 1, false},
        {kFreeSpaceReserve - 1, false},
        {0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.free);
        free = c.free;
        cache().removeAllBut("");
        const CollectionCache::Made made = cache().obtain(source);
        EXPECT_EQ(made.ok(), c.made) << made.message;
        EXPECT_EQ(made.refused, !c.made);
        if (!c.made) {
            EXPECT_NE(made.message.find("\"" + source +
                                        "\" is not unpacked: its text would leave "
                                        "less than 1 GB free in \"" +
                                        folder + "\""),
                      std::string::npos)
                << made.message;
            // Nothing of the refused text is left behind.
            EXPECT_EQ(namesIn(folder), std::vector<std::string>{});
        }
    }
}

TEST_F(Cache, OfADamagedCollectionHoldsTheGamesBeforeTheDamageAndSaysWhere) {
    const std::string whole = root + "/whole.zip";
    std::string text;
    std::uint64_t noise = 1;
    for (int i = 0; i < 2000; ++i) {
        noise = noise * 6364136223846793005ULL + 1442695040888963407ULL;
        text += "[Event \"" + std::to_string(i) + "\"]\n[Site \"" + std::to_string(noise) +
                "\"]\n\n1. e4 e5 1-0\n\n";
    }
    pw2::test::writeArchive(whole, Packing::Zip, {{"a.pgn", kGame1}, {"b.pgn", text}});
    const std::string bytes = readBytes(whole);
    const std::string cut = root + "/cut.zip";
    writeBytes(cut, bytes.substr(0, bytes.size() / 2));
    const CollectionCache::Made made = cache().obtain(cut);
    ASSERT_TRUE(made.ok());
    EXPECT_NE(made.message.find(cut + ": b.pgn"), std::string::npos) << made.message;
    const std::string cached = readBytes(made.path);
    EXPECT_EQ(cached.substr(0, kGame1.size()), kGame1);
    EXPECT_EQ((kGame1 + text).substr(0, cached.size()), cached);
    EXPECT_EQ(pw2::collections::readCollectionRange(whole, 8, 11),
              std::optional<std::string>("One"));
}

} // namespace
