// GameReader: games read one at a time from a descriptor, delimited as findGameSpans does.
#include "pgn/game_reader.h"
#include "pgn/game_spans.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A temporary file holding text, open for reading from its start.
class TextFile {
public:
    explicit TextFile(const std::string& text) : file_(std::tmpfile()) {
        std::fwrite(text.data(), 1, text.size(), file_);
        std::fflush(file_);
        std::rewind(file_);
    }
    ~TextFile() { std::fclose(file_); }
    int fd() const { return fileno(file_); }

private:
    std::FILE* file_;
};

std::vector<std::string> readAll(pgn::GameReader& reader) {
    std::vector<std::string> games;
    std::string_view game;
    while (reader.next(game))
        games.emplace_back(game);
    return games;
}

std::vector<std::string> spansOf(const std::string& text) {
    std::vector<std::string> games;
    for (const pgn::GameSpan& span : pgn::findGameSpans(text))
        games.emplace_back(pgn::gameText(text, span));
    return games;
}

TEST(GameReader, DelimitsGamesAsTheGameSpansDoAcrossBlockBoundaries) {
    // Games of every size around the 64 KiB block, so that game starts fall on, before and
    // across the boundaries; text before the first game; and a last game without a line end.
    const char* pieces[] = {"[Event \"a\"]\n1. e4 e5 1-0\n\n", "[Event ", "[Even", "t ", "\n",
                            "{ [Event inside a comment }",     "x"};
    std::mt19937 random(11);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    for (int round = 0; round < 40; ++round) {
        std::string text;
        const std::size_t size = std::size_t(1) << (10 + round % 9);
        while (text.size() < size) {
            text += pieces[pick(random)];
            if (random() % 8 == 0)
                text.append(random() % 70000, ' ');
        }
        TextFile file(text);
        pgn::GameReader reader(file.fd(), std::int64_t(text.size()));
        ASSERT_EQ(readAll(reader), spansOf(text)) << "round " << round;
        EXPECT_EQ(reader.status(), pgn::GameReader::Status::Finished);
        EXPECT_EQ(reader.bytesRead(), std::int64_t(text.size()));
    }
}

TEST(GameReader, ReadsAPipeAndTellsAnEmptyInputFromAShrunkenFile) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const std::string text = "junk\n[Event \"1\"]\n1. d4 *\n\n[Event \"2\"]\n1. c4 *";
    ASSERT_EQ(::write(fds[1], text.data(), text.size()), ssize_t(text.size()));
    ::close(fds[1]);
    pgn::GameReader pipe(fds[0], -1);
    EXPECT_EQ(readAll(pipe), spansOf(text));
    EXPECT_EQ(pipe.status(), pgn::GameReader::Status::Finished);
    ::close(fds[0]);

    TextFile empty("");
    pgn::GameReader none(empty.fd(), 0);
    EXPECT_TRUE(readAll(none).empty());
    EXPECT_EQ(none.status(), pgn::GameReader::Status::Finished);

    // A file that held more when it was opened: the games read before the cut are given, the
    // cut-off last game is not, and the status says the file shrank.
    TextFile cut(text);
    pgn::GameReader shrunk(cut.fd(), std::int64_t(text.size()) + 100);
    EXPECT_EQ(readAll(shrunk), std::vector<std::string>{spansOf(text).front()});
    EXPECT_EQ(shrunk.status(), pgn::GameReader::Status::Shrank);
}

TEST(GameReader, StopsAtAGameLargerThanAnyGameMayBe) {
    const std::string text = "[Event \"small\"]\n*\n[Event \"huge\"]\n" + std::string(300000, 'x') +
                             "\n[Event \"after\"]\n*";
    TextFile file(text);
    pgn::GameReader reader(file.fd(), std::int64_t(text.size()), 100000);
    EXPECT_EQ(readAll(reader).size(), 1u);
    EXPECT_EQ(reader.status(), pgn::GameReader::Status::TooLarge);
}

} // namespace
