// A packed collection as the match: the match panel lists a zip's games, its OK makes the plain
// cache the stored table indexes, the saver plays from that cache (making it when it meets the
// collection without one, again once the collection changes), the editor never writes into the
// archive, and caches of collections no longer stored go.
#include "collections/archive_writer.h"
#include "collections/collection_cache.h"
#include "editor/editor_fixture.h"
#include "playback/game_scheduler.h"
#include "services/file_bytes.h"
#include "services/match_table.h"
#include "setup/frm_config.h"
#include "support/wait.h"

#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QTimer>
#include <gtest/gtest.h>
#include <unistd.h>

namespace pw2 {
namespace {

std::string game(const std::string& event) {
    return "[Event \"" + event +
           "\"]\n[Site \"S\"]\n[Date \"D\"]\n[White \"W\"]\n[Black \"B\"]\n\n"
           "1. e4 e5 2. Nf3 Nc6 *\n\n";
}

const QString kFromCollection =
    "The games of \"%1\" come from a compressed collection, which the editor does not write into. "
    "Save the game with Save As... into a .pgn file of its own.";

class CollectionMatch : public test::EditorTest {
protected:
    CollectionMatch() {
        test::writeBytes(box.path("default.pgn"), game("Bundled"));
        writeZip(
            {{"b.pgn", game("Two") + game("Three")}, {"notes.txt", "x"}, {"a.pgn", game("One")}});
    }
    void writeZip(const std::vector<test::ArchiveMember>& members) {
        test::writeArchive(local(zip), test::Packing::Zip, members);
    }
    static std::string local(const QString& path) { return QFile::encodeName(path).toStdString(); }
    // The caches in the cache folder.
    QStringList caches() const { return QDir(box.path("cache/pawnwatch2")).entryList(QDir::Files); }
    // A fresh saver's next game's Event line.
    std::string saverGame(GameScheduler& scheduler) {
        GameScheduler::NoGame noGame;
        std::optional<GameScheduler::Game> next = scheduler.nextGame(noGame);
        if (!next && noGame.indexing) {
            bool ready = false;
            scheduler.setIndexReady([&] { ready = true; });
            EXPECT_TRUE(test::waitUntil([&] { return ready; }, 20000));
            next = scheduler.nextGame(noGame);
        }
        return next ? next->text.substr(0, next->text.find('\n')) : std::string();
    }

    QString zip = box.path("games.zip");
};

TEST_F(CollectionMatch, IsListedStoredAsItsCacheAndPlayedFromIt) {
    auto d = openDialog();
    const test::ConfigView c(*d);
    listFile(*d, zip);
    EXPECT_EQ(d->listCount(), 3);
    EXPECT_TRUE(shown().empty());
    ASSERT_EQ(scripted.dialogs->fileRequests.size(), 1u);
    EXPECT_TRUE(scripted.dialogs->fileRequests[0].filter.startsWith(
        "PGN collections (*.pgn *.pgn.gz *.pgn.bz2 *.pgn.xz *.pgn.zst *.zip *.tar "));
    c.select(1);
    c.matchOk->click();

    // The table indexes the cache of the joined text; PGNFile names the zip.
    EXPECT_EQ(settings().read("PGNFile", ""), zip);
    ASSERT_EQ(caches().size(), 1);
    const QString cache = box.path("cache/pawnwatch2/") + caches()[0];
    EXPECT_EQ(test::readBytes(cache), game("One") + game("Two") + game("Three"));
    const std::optional<StoredMatch> match = StoredMatch::read(settings(), cache);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->count(), 3);
    EXPECT_TRUE(readFileRange(cache, match->range(3).begin, match->range(3).end)
                    .starts_with("[Event \"Three\"]"));

    // The saver plays from the cache, game 2 first.
    {
        GameScheduler saver;
        saver.startAtFirstGame();
        EXPECT_EQ(saverGame(saver), "[Event \"Two\"]");
        EXPECT_EQ(saverGame(saver), "[Event \"Three\"]");
    }

    // The zip changes: the saver makes its cache again and drops the old one.
    ::usleep(10'000);
    writeZip({{"a.pgn", game("New")}});
    {
        GameScheduler saver;
        saver.startAtFirstGame();
        EXPECT_EQ(saverGame(saver), "[Event \"New\"]");
    }
    ASSERT_EQ(caches().size(), 1);
    EXPECT_NE(box.path("cache/pawnwatch2/") + caches()[0], cache);
    EXPECT_TRUE(shown().empty());

    // Another file stored: no cache is left.
    const QString plain = box.path("plain.pgn");
    test::writeBytes(plain, game("Plain"));
    listFile(*d, plain);
    c.matchOk->click();
    EXPECT_TRUE(caches().isEmpty());
}

TEST_F(CollectionMatch, UnpackingAtOkShowsItsProgressAndCancelStoresNothing) {
    auto d = openDialog();
    const test::ConfigView c(*d);
    listFile(*d, zip);
    d->setListingPace({std::chrono::milliseconds(0)});
    QString label;
    QTimer::singleShot(0, d.get(), [&] {
        auto* progress = d->findChild<QProgressDialog*>("cacheProgress");
        ASSERT_NE(progress, nullptr);
        EXPECT_TRUE(progress->isModal());
        label = progress->labelText();
        progress->cancel();
    });
    c.matchOk->click();
    EXPECT_EQ(label.section('\n', 0, 0), "Unpacking the games of \"games.zip\"");
    EXPECT_EQ(settings().read("PGNFile", ""), "");
    EXPECT_TRUE(caches().isEmpty());
    EXPECT_TRUE(shown().empty());
    EXPECT_EQ(d->findChild<QProgressDialog*>("cacheProgress"), nullptr);

    c.matchOk->click(); // left to run
    EXPECT_EQ(settings().read("PGNFile", ""), zip);
    EXPECT_EQ(caches().size(), 1);
}

// A compressed file's listing measures its progress by the share of the file read; an
// archive's, read in the order of its names, is shown busy.
TEST_F(CollectionMatch, ListingProgressOfACompressedFileIsMeasured) {
    const QString gz = box.path("games.pgn.gz");
    test::writeArchive(local(gz), test::Packing::Gzip, {{"", game("One") + game("Two")}});
    for (const auto& [file, maximum] : {std::pair{gz, 1000}, std::pair{zip, 0}}) {
        auto d = openDialog();
        d->setListingPace({std::chrono::milliseconds(0), 64});
        std::pair<int, int> shown{-1, -1};
        QTimer::singleShot(0, d.get(), [&] {
            if (auto* progress = d->findChild<QProgressDialog*>("listingProgress"))
                shown = {progress->maximum(), progress->value()};
        });
        listFile(*d, file);
        EXPECT_EQ(shown.first, maximum) << file.toStdString();
        EXPECT_EQ(shown.second > 0, maximum > 0) << file.toStdString();
        EXPECT_GE(d->listCount(), 2);
    }
}

TEST_F(CollectionMatch, LargeCollectionHasItsCacheMadeByTheSaverInTheBackground) {
    std::string many;
    for (int i = 1; i <= 2000; ++i)
        many += game(std::to_string(i));
    writeZip({{"many.pgn", many}});
    settings().write("PGNFile", zip);
    GameScheduler saver;
    saver.setIndexAtOnceLimit(0);
    saver.startAtFirstGame();
    EXPECT_EQ(saverGame(saver), "[Event \"1\"]");
    EXPECT_EQ(saverGame(saver), "[Event \"2\"]");
    EXPECT_EQ(caches().size(), 1);
    const QString cache = box.path("cache/pawnwatch2/") + caches()[0];
    ASSERT_TRUE(StoredMatch::read(settings(), cache));
    EXPECT_EQ(StoredMatch::read(settings(), cache)->count(), 2000);
}

TEST_F(CollectionMatch, EditorSaysWhereTheGamesComeFromAndNeverWritesIntoTheArchive) {
    const std::string before = test::readBytes(zip);
    auto d = openDialog();
    const test::ConfigView c(*d);
    listFile(*d, zip);
    c.select(2);
    c.editGame->click();
    EXPECT_EQ(shown(), std::vector<QString>{kFromCollection.arg(zip)});
    frmEdit* e = d->editor();
    ASSERT_NE(e, nullptr);
    const test::EditorView v(*e);
    EXPECT_EQ(v.event->text(), "Three");
    EXPECT_EQ(v.fileName->text().trimmed(), "File name :");

    // Saved into the archive's own name: refused, the archive as it was.
    box.messages->shown.clear();
    scripted.dialogs->files = {zip};
    v.saveAs->click();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_TRUE(shown()[0].contains("is a compressed collection")) << shown()[0].toStdString();
    EXPECT_EQ(test::readBytes(zip), before);
    // Into a .pgn file: the game alone.
    const QString copy = box.path("three.pgn");
    scripted.dialogs->files = {copy};
    v.saveAs->click();
    EXPECT_TRUE(test::readBytes(copy).starts_with(game("Three").substr(0, 80)));
    e->close();

    box.messages->shown.clear();
    withNewGame(*d, [&](frmEdit& added) {
        EXPECT_EQ(test::EditorView(added).fileName->text().trimmed(), "File name :");
    });
    EXPECT_EQ(shown(), std::vector<QString>{kFromCollection.arg(zip)});
    EXPECT_EQ(test::readBytes(zip), before);
}

} // namespace
} // namespace pw2
