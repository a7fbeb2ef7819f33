// Games written by the editor into real PGN files, read back by the game index and replayed by the
// saver's engine on the real board control.
#include "editor_fixture.h"
#include "pgn/board_fixture.h"
#include "pgnfile/edit_game.h"
#include "pgnfile/game_writer.h"

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
    // The lines of a text, line breaks left out.
    static std::vector<std::string> linesOf(std::string_view text) {
        std::vector<std::string> all;
        std::size_t start = 0;
        for (std::size_t at = text.find('\n'); at != std::string_view::npos;
             start = at + 1, at = text.find('\n', start))
            all.emplace_back(text.substr(start, at - start));
        all.emplace_back(text.substr(start));
        return all;
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
    std::string saved;
    withNewGame(*d, [&](frmEdit& e) {
        typeGame(e, typed);
        const test::EditorView v(e);
        v.save->click();
        saved = test::readBytes(file);
        // A second save of the same game writes the same bytes: nothing is added to the file.
        scripted.dialogs->files = {file};
        v.saveAs->click();
        EXPECT_EQ(test::readBytes(file), saved);
        v.finish->click();
    });
    EXPECT_EQ(shown().size(), 1u); // the caution question
    // The old text, then the new game with the file's line breaks, after one empty line.
    ASSERT_TRUE(saved.starts_with(old + "[Event \"?\"]\n[Site \"London\"]\n"));
    EXPECT_EQ(saved.find('\r'), std::string::npos);
    EXPECT_NE(saved.find("[Black \"Blackburne,J\"]\n\n1. c4 e6 2. e3 Nf6 "), std::string::npos);
    EXPECT_EQ(d->listCount(), 31);

    const auto before = test::gamesOf(old);
    const auto after = test::gamesOf(saved);
    ASSERT_EQ(after.size(), 31u);
    for (std::size_t i = 0; i < 29; ++i)
        EXPECT_EQ(after[i], before[i]);
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
    std::vector<QString> moves = test::lines(*e);
    v.event->setText("Immortal \\ \"game\"");
    // A move changed (here only given a mark): the movetext is written anew.
    v.moveList->setCurrentRow(0);
    v.whiteMove->setText("e4!");
    v.update->click();
    moves[0].replace("e4 ", "e4!");
    v.save->click();

    const std::string now = test::readBytes(file);
    const auto games = test::gamesOf(now);
    const auto oldGames = test::gamesOf(old);
    ASSERT_EQ(games.size(), 3u);
    EXPECT_EQ(games[0], oldGames[0]);
    EXPECT_EQ(games[2], oldGames[2]);
    EXPECT_TRUE(now.ends_with(oldGames[2]));
    // The tag section keeps its lines but the Event's; the movetext loses what the editor drops.
    const GameLayout was = readLayout(oldGames[1]);
    const GameLayout is = readLayout(games[1]);
    std::vector<std::string> tagsWere = linesOf(oldGames[1].substr(0, was.tagsEnd));
    tagsWere[0] = "[Event \"Immortal \\\\ \\\"game\\\"\"]";
    EXPECT_EQ(linesOf(games[1].substr(0, is.tagsEnd)), tagsWere);
    EXPECT_EQ(games[1].substr(is.tagsEnd, 2), "\n\n");
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

TEST_F(RoundTrip, LastGameSavedAndTheListRefreshedOnFinish) {
    const std::string old = test::readBytes(kReal);
    const QString file = box.path("real.pgn");
    test::writeBytes(file, old);
    auto d = openDialog();
    frmEdit* e = editGame(*d, file, 21);
    ASSERT_NE(e, nullptr);
    const test::EditorView v(*e);
    v.moveList->setCurrentRow(4);
    v.whiteMove->setText("Nf3");
    v.update->click();
    v.save->click();
    // Another file listed meanwhile: Finish lists the edited one again.
    listFile(*d, kDefault);
    ASSERT_EQ(d->listCount(), 30);
    v.finish->click();
    EXPECT_FALSE(e->isVisible());

    const std::string now = test::readBytes(file);
    EXPECT_EQ(d->currentFile(), file);
    EXPECT_EQ(d->gameSpans(), pgn::findGameSpans(now));
    const auto before = test::gamesOf(old);
    const auto after = test::gamesOf(now);
    ASSERT_EQ(after.size(), 22u);
    for (std::size_t i = 0; i < 21; ++i)
        EXPECT_EQ(after[i], before[i]);
    // The file ends as it ended: no line break is added.
    EXPECT_EQ(now.back(), old.back());
    EXPECT_NE(after[21].find("5. Nf3 "), std::string::npos);
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
    EXPECT_TRUE(now.starts_with("[Event \"AVRO\"]\n[Site \"?\"]\n"));
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
        EXPECT_EQ(test::readBytes(file), first.substr(0, first.find("[Black")) + "[Black \"R" +
                                             (utf8 ? "\xC3\xA9" : "\xE9") + "ti\"]" +
                                             first.substr(first.find("\n\n1.e4")) + second)
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
