// Games written by the editor into real PGN files, read back by the game index and replayed by the
// saver's engine on the real board control.
#include "editor_fixture.h"
#include "pgn/board_fixture.h"
#include "pgnfile/edit_game.h"

#include <QDir>
#include <csignal>
#include <sys/resource.h>

namespace pw2 {
namespace {

const QString kDefault = PW2_TEST_DATA "/../../data/default.pgn";
const QString kReal = PW2_TEST_DATA "/real-games.pgn";

class RoundTrip : public test::BoardTest, public test::EditorHarness {
protected:
    // Plays a game as the saver's scheduler and move player do; the final piece placement.
    std::string replay(std::string_view game) {
        host = {};
        state = {};
        board().newGame();
        std::vector<std::string> list;
        std::string result;
        pgn::FillMoveList(pgn::CleanGameText(game, host), list, result);
        EXPECT_FALSE(list.empty());
        for (const std::string& entry : list) {
            EXPECT_EQ(play(std::string(pgn::WhiteColumn(entry)), 1), pgn::MoveOutcome::Played)
                << entry;
            if (!pgn::BlackColumn(entry).empty()) {
                EXPECT_EQ(play(std::string(pgn::BlackColumn(entry)), 2), pgn::MoveOutcome::Played)
                    << entry;
            }
        }
        EXPECT_TRUE(host.messages.empty()) << game;
        return placement();
    }
    // The final placement of each game of real-games.pgn, found independently of this program.
    static std::vector<std::string> realFens() {
        std::vector<std::string> fens;
        for (const QByteArray& line :
             QByteArray::fromStdString(test::readBytes(PW2_TEST_DATA "/real-games.fen"))
                 .split('\n'))
            if (!line.isEmpty())
                fens.push_back(line.toStdString());
        return fens;
    }
    // Types the tags and every move of a real game into the editor.
    void typeGame(const frmEdit& e, std::string_view game) {
        std::vector<std::string> list;
        std::string result;
        pgn::FillMoveList(pgn::CleanGameText(game, host), list, result);
        for (const std::string& entry : list) {
            ASSERT_FALSE(pgn::BlackColumn(entry).empty()) << entry;
            test::typeMove(e, QString::fromStdString(std::string(pgn::WhiteColumn(entry))),
                           QString::fromStdString(std::string(pgn::BlackColumn(entry))));
        }
        const test::EditorView v(e);
        v.event->setText(QString::fromStdString(tagValue(game, "Event")));
        v.site->setText(QString::fromStdString(tagValue(game, "Site")));
        v.date->setText(QString::fromStdString(tagValue(game, "Date")));
        v.white->setText(QString::fromStdString(tagValue(game, "White")));
        v.black->setText(QString::fromStdString(tagValue(game, "Black")));
    }
    // A game the save did not touch keeps its bytes; the only bytes it may gain are the line
    // break the writer puts before the following game.
    static void expectKept(const std::string& before, const std::string& after) {
        ASSERT_TRUE(after.starts_with(before)) << before.substr(0, 40);
        EXPECT_EQ(after.find_first_not_of("\r\n", before.size()), std::string::npos);
    }
    // The five tag lines and the move lines as the writer puts them.
    static std::string writtenGame(const frmEdit& e) {
        return test::writtenTags(e) + test::movetext(e) + "\r\n";
    }
};

TEST_F(RoundTrip, NewGameFollowsTheThirtyGamesOfTheFile) {
    const std::string old = test::readBytes(kDefault);
    const std::string typed = test::gamesOf(test::readBytes(kReal))[3];
    const QString file = box.path("default.pgn");
    test::writeBytes(file, old);
    auto d = openDialog();
    test::ConfigView(*d).chooseFile->click();
    ASSERT_EQ(d->listCount(), 30);
    std::string game;
    withNewGame(*d, [&](frmEdit& e) {
        typeGame(e, typed);
        const test::EditorView v(e);
        v.save->click();
        game = writtenGame(e);
        v.finish->click();
    });
    EXPECT_EQ(shown().size(), 1u); // the caution question
    EXPECT_EQ(test::readBytes(file), old + "\r\n" + game + "\r\n");
    EXPECT_EQ(d->listCount(), 31);

    const auto before = test::gamesOf(old);
    const auto after = test::gamesOf(test::readBytes(file));
    ASSERT_EQ(after.size(), 31u);
    for (std::size_t i = 0; i < 30; ++i)
        expectKept(before[i], after[i]);
    EXPECT_EQ(replay(after[29]), replay(before[29]));
    EXPECT_EQ(replay(after[30]), realFens()[3]);
    EXPECT_EQ(tagValue(after[30], "Black"), "Blackburne,J");
}

TEST_F(RoundTrip, SecondOfThreeGamesRewrittenWithoutItsComments) {
    const std::string real = test::readBytes(kReal);
    const auto spans = pgn::findGameSpans(real);
    const std::string old = real.substr(0, std::size_t(spans[3].begin - 1));
    const QString file = box.path("three.pgn");
    test::writeBytes(file, old);
    auto d = openDialog();
    frmEdit* e = editGame(*d, file, 1);
    ASSERT_NE(e, nullptr);
    const test::EditorView v(*e);
    const std::vector<QString> moves = test::lines(*e);
    v.event->setText("Immortal \\ \"game\"");
    v.moveList->setCurrentRow(0);
    v.update->click();
    v.save->click();

    const GameSplit split = splitAtGame(old, spans[1]);
    const std::string now = test::readBytes(file);
    EXPECT_EQ(now, split.TextBefore +
                       "\r\n[Event \"Immortal \\\\ \\\"game\\\"\"]\r\n"
                       "[Site \"London\"]\r\n[Date \"1851.??.??\"]\r\n"
                       "[White \"Anderssen,A\"]\r\n[Black \"Kieseritzky,L\"]\r\n" +
                       test::movetext(*e) + "\r\n" + split.TextAfter + "\r\n");
    const auto games = test::gamesOf(now);
    ASSERT_EQ(games.size(), 3u);
    expectKept(test::gamesOf(old)[0], games[0]);
    expectKept(test::gamesOf(old)[2], games[2]);
    EXPECT_EQ(games[1].find_first_of("{($"), std::string::npos);
    const auto fens = realFens();
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(replay(games[i]), fens[i]) << "game " << i + 1;

    // Saving again, under the same name, writes the same bytes.
    scripted.dialogs->files = {file};
    v.saveAs->click();
    EXPECT_EQ(test::readBytes(file), now);
    // Edit Game reads back what was written.
    ASSERT_EQ(editGame(*d, file, 1), e);
    EXPECT_EQ(v.event->text(), "Immortal \\ \"game\"");
    EXPECT_EQ(test::lines(*e), moves);
}

TEST_F(RoundTrip, LastGameRewrittenAndTheListRefreshedOnFinish) {
    const std::string old = test::readBytes(kReal);
    const QString file = box.path("real.pgn");
    test::writeBytes(file, old);
    auto d = openDialog();
    frmEdit* e = editGame(*d, file, 21);
    ASSERT_NE(e, nullptr);
    const test::EditorView v(*e);
    v.moveList->setCurrentRow(4);
    v.update->click();
    v.save->click();
    const std::string game = writtenGame(*e);
    // Another file listed meanwhile: Finish lists the edited one again.
    listFile(*d, kDefault);
    ASSERT_EQ(d->listCount(), 30);
    v.finish->click();
    EXPECT_FALSE(e->isVisible());

    const std::string now = test::readBytes(file);
    const auto spans = pgn::findGameSpans(old);
    EXPECT_EQ(now, old.substr(0, std::size_t(spans[21].begin - 1)) + "\r\n" + game + "\r\n");
    EXPECT_EQ(d->currentFile(), file);
    EXPECT_EQ(d->gameSpans(), pgn::findGameSpans(now));
    const auto before = test::gamesOf(old);
    const auto after = test::gamesOf(now);
    ASSERT_EQ(after.size(), 22u);
    for (std::size_t i = 0; i < 21; ++i)
        expectKept(before[i], after[i]);
    EXPECT_EQ(replay(after[21]), realFens()[21]);
}

TEST_F(RoundTrip, NewGameIntoAFileThatDidNotExist) {
    const std::string typed = test::gamesOf(test::readBytes(kReal))[8];
    const QString file = box.path("fresh.pgn");
    auto d = openDialog();
    withNewGame(*d, [&](frmEdit& e) {
        typeGame(e, typed);
        const test::EditorView v(e);
        scripted.dialogs->files = {"  " + file + " "};
        v.save->click();
        EXPECT_EQ(v.fileName->text(), "File name : " + file);
        v.finish->click();
    });
    const std::string now = test::readBytes(file);
    EXPECT_TRUE(now.starts_with("\r\n[Event \"AVRO\"]\r\n[Site \"?\"]\r\n"));
    const auto games = test::gamesOf(now);
    ASSERT_EQ(games.size(), 1u);
    EXPECT_EQ(replay(games[0]), realFens()[8]);
    EXPECT_EQ(d->currentFile(), file);
    EXPECT_EQ(d->listCount(), 1);
}

// Bytes outside the game go back as they were; what the user typed is written in the encoding
// the file was read with.
TEST_F(RoundTrip, TypedTextTakesTheEncodingOfTheFile) {
    for (const bool utf8 : {false, true}) {
        const std::string u = utf8 ? "\xC3\xBC" : "\xFC";
        // In a Latin-1 file, the White tag's two bytes are the two letters they show.
        const std::string first = "[Event \"E\"]\n[Site \"M" + u + "nchen\"]\n[Date \"1900\"]\n" +
                                  "[White \"\xC3\xA9\"]\n[Black \"b\"]\n\n1.e4 e5 1-0\n\n";
        const std::string second = "[Event \"F\"]\n[Black \"b\"]\n\n1.d4 {caf" + u + "} d5 0-1\n";
        const QString file = box.path("enc.pgn");
        test::writeBytes(file, first + second);
        auto d = openDialog();
        frmEdit* e = editGame(*d, file, 0);
        ASSERT_NE(e, nullptr);
        const test::EditorView v(*e);
        EXPECT_EQ(v.site->text(), QString::fromUtf8("München"));
        EXPECT_EQ(v.white->text(), QString::fromUtf8(utf8 ? "é" : "Ã©"));
        v.black->setText(QString::fromUtf8("Réti"));
        v.moveList->setCurrentRow(0);
        v.update->click();
        v.save->click();
        EXPECT_EQ(test::readBytes(file),
                  "\r\n[Event \"E\"]\r\n[Site \"M" + u + "nchen\"]\r\n[Date \"1900\"]\r\n" +
                      "[White \"\xC3\xA9\"]\r\n[Black \"R" + (utf8 ? "\xC3\xA9" : "\xE9") +
                      "ti\"]\r\n1. e4            e5\r\n\r\n\n" + second + "\r\n")
            << "UTF-8 file: " << utf8;
    }
}

// Lets files of this process grow to limit bytes at most, for as long as it lives; a write beyond
// fails as it does on a full disk, even for root.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        getrlimit(RLIMIT_FSIZE, &old_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = old_;
        lower.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*previous_)(int) = SIG_DFL;
};

TEST_F(RoundTrip, AFailedWriteKeepsTheOldFileAndTellsWhy) {
    const std::string old = test::readBytes(kDefault);
    const QString file = box.path("games.pgn");
    test::writeBytes(file, old);
    auto d = openDialog();
    frmEdit* e = editGame(*d, file, 0);
    ASSERT_NE(e, nullptr);
    const test::EditorView v(*e);
    v.moveList->setCurrentRow(0);
    v.update->click();
    const QString caption = v.fileName->text();
    const QStringList entries = QDir(box.dir.path()).entryList(QDir::Files | QDir::Hidden);
    {
        const FileSizeLimit limit(1024);
        v.save->click();
    }
    ASSERT_EQ(shown().size(), 2u);
    EXPECT_EQ(box.messages->shown[1].icon, MsgIcon::Critical);
    EXPECT_EQ(shown()[1], "The file \"" + file + "\" cannot be written: File too large");
    EXPECT_EQ(test::readBytes(file), old);
    EXPECT_EQ(QDir(box.dir.path()).entryList(QDir::Files | QDir::Hidden), entries);
    EXPECT_EQ(v.fileName->text(), caption);
    EXPECT_TRUE(v.save->isEnabled());
    EXPECT_FALSE(e->isSaved());

    // A folder that is a file.
    box.messages->shown.clear();
    const QString inside = file + "/copy.pgn";
    scripted.dialogs->files = {inside};
    v.saveAs->click();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0], "The file \"" + inside + "\" cannot be written: Not a directory");
    EXPECT_EQ(v.fileName->text(), caption);
    EXPECT_FALSE(e->isSaved());

    // Once the disk takes it, the same save goes through.
    v.save->click();
    EXPECT_TRUE(e->isSaved());
    EXPECT_EQ(test::gamesOf(test::readBytes(file)).size(), 30u);
}

} // namespace
} // namespace pw2
