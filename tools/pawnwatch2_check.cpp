// pawnwatch2-check: replays every game of a PGN file headless, exactly as the saver plays it, on
// the real board control, and reports each game.
//
//   pawnwatch2-check [--fen] FILE
//   pawnwatch2-check --help | --version     (answered without a display)
//
// One line per game on standard output: number, tab, "ok" or "fail", tab, half-moves played;
// with --fen a tab and the piece placement of the final position; for a failed game a tab and
// the first message the game showed. Last line on standard error: "N games, K ok, M failed".
// Exit status: 0 when every game replayed, 1 when any failed or the file holds no game, 2 when
// the file cannot be read (or shrank while it was read), a game's line cannot be written, the
// arguments are wrong or the board control cannot be created. FILE "-" reads standard input; a
// named pipe (or a shell's <(command)) is read the same way, to its end. Games are read one at a
// time, so memory stays bounded by the largest game.
#include "boardhost/board_proxy.h"
#include "boardhost/control_loader.h"
#include "pgn/engine.h"
#include "pgn/game_reader.h"
#include "playback/game_player.h"

#include <QApplication>
#include <QString>
#include <QWidget>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

#ifndef PW2_VERSION
#error "PW2_VERSION is set by tools/CMakeLists.txt from the project's version"
#endif

constexpr const char* kUsage =
    "usage: pawnwatch2-check [--fen] FILE   (FILE \"-\" reads standard input)\n";

// --help: the usage line, what is printed and the exit statuses.
constexpr const char* kHelp =
    "usage: pawnwatch2-check [--fen] FILE   (FILE \"-\" reads standard input)\n"
    "       pawnwatch2-check --help | --version\n"
    "Replays every game of a PGN file exactly as pawnwatch2 would, without a display.\n"
    "\n"
    "  --fen          add the final piece placement to each game's line\n"
    "  --help, -h     print this text and exit\n"
    "  --version      print the version and exit\n"
    "\n"
    "Prints one line per game as soon as it is replayed: its number, \"ok\" or \"fail\",\n"
    "the half-moves played, with --fen the piece placement, and for a failed game the\n"
    "message it showed, separated by tabs; last, on standard error, \"N games, K ok,\n"
    "M failed\". FILE is a regular file or a named pipe, read one game at a time.\n"
    "\n"
    "Exit status: 0 every game replayed; 1 a game failed, or the file holds no game;\n"
    "2 the file cannot be read, is a device, a folder or a socket, or shrank while it\n"
    "was read, the report cannot be written, or the arguments are wrong.\n";

// The saver as the engine sees it, reduced to what a replay needs: the first message shown is
// the game's failure.
class CheckHost final : public pgn::Host {
public:
    void setStatus(std::string_view) override {}
    void showMessage(std::string_view text, pgn::Icon) override {
        if (!failed) {
            failed = true;
            message.assign(text);
        }
    }

    void startGame() {
        failed = false;
        message.clear();
    }

    bool failed = false;
    std::string message;
};

void appendPlacement(std::string& out, pw2::BoardProxy& board) {
    static constexpr char kLetters[] = "?prnbqkPRNBQK"; // indexed by PieceNum - 1
    for (std::int16_t row = 1; row <= 8; ++row) {
        if (row > 1)
            out += '/';
        int empty = 0;
        for (std::int16_t col = 1; col <= 8; ++col) {
            const std::int32_t value = board.piece(col, row);
            if (value == pgn::pieces::none) {
                ++empty;
                continue;
            }
            if (empty > 0)
                out += static_cast<char>('0' + empty);
            empty = 0;
            out += value >= 2 && value <= 13 ? kLetters[value - 1] : '?';
        }
        if (empty > 0)
            out += static_cast<char>('0' + empty);
    }
}

// The message on one line: each run of carriage returns and line feeds becomes one space.
void appendOneLine(std::string& out, std::string_view text) {
    bool inBreak = false;
    for (const char c : text) {
        if (c == '\r' || c == '\n') {
            if (!inBreak)
                out += ' ';
            inBreak = true;
            continue;
        }
        inBreak = false;
        out += c == '\t' ? ' ' : c;
    }
}

void appendNumber(std::string& out, long long n) {
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof digits, n);
    out.append(digits, r.ptr);
}

// Plays each game as the saver does, on a board set up anew for it; returns the half-moves
// played.
class Replayer {
public:
    explicit Replayer(pw2::BoardProxy& board) : board_(board) {}

    long play(std::string_view gameText) {
        host.startGame();
        board_.newGame();
        player_.load(gameText, host);
        return player_.playToEnd(board_, host).halfMoves;
    }

    CheckHost host;

private:
    pw2::BoardProxy& board_;
    pw2::GamePlayer player_;
};

// The input: a regular file or a named pipe by its path, or standard input for "-". Anything
// else (a device, a folder, a socket) is refused, since reading it might never end. A pipe ends
// when its writer closes it, as standard input does.
struct Input {
    int fd = -1;
    std::int64_t size = -1; // a regular file's size when opened; -1 for a stream
    std::string error;
};

bool readable(const struct stat& info) {
    return S_ISREG(info.st_mode) || S_ISFIFO(info.st_mode);
}

Input openInput(const char* path) {
    Input input;
    if (std::string_view(path) == "-") {
        input.fd = STDIN_FILENO;
        return input;
    }
    struct stat info {};
    if (::stat(path, &info) == 0 && !readable(info)) {
        input.error = S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "it is not a regular file";
        return input;
    }
    input.fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (input.fd < 0 || ::fstat(input.fd, &info) != 0) {
        input.error = std::strerror(errno);
        return input;
    }
    if (!readable(info)) {
        input.error = "it is not a regular file";
        ::close(input.fd);
        input.fd = -1;
        return input;
    }
    if (S_ISREG(info.st_mode))
        input.size = info.st_size;
    return input;
}

} // namespace

int main(int argc, char** argv) {
    bool fen = false;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--fen") {
            fen = true;
        } else if (arg == "-h" || arg == "--help" || arg == "--version") {
            // Answered before the Qt application exists: they need no display.
            if (arg == "--version")
                std::fputs("pawnwatch2-check " PW2_VERSION "\n", stdout);
            else
                std::fputs(kHelp, stdout);
            if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
                std::perror("pawnwatch2-check: standard output");
                return 2;
            }
            return 0;
        } else if (!path && (arg.empty() || arg.front() != '-' || arg == "-")) {
            path = argv[i];
        } else {
            std::fprintf(stderr, "pawnwatch2-check: unexpected argument '%s'\n%s", argv[i], kUsage);
            return 2;
        }
    }
    if (!path) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    const Input input = openInput(path);
    if (input.fd < 0) {
        std::fprintf(stderr, "pawnwatch2-check: cannot read %s: %s\n", path, input.error.c_str());
        return 2;
    }

    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    QWidget parent;
    QString loadError;
    vantrelkit::IControl* control =
        pw2::createControl(vantrelkit::kProgId, &parent, nullptr, &loadError);
    if (!control) {
        std::fprintf(stderr, "pawnwatch2-check: %s\n", loadError.toLocal8Bit().constData());
        return 2;
    }
    control->initNew();

    long long games = 0;
    long long ok = 0;
    int writeError = 0; // errno of a report line that could not be written
    pgn::GameReader reader(input.fd, input.size);
    {
        pw2::BoardProxy board(*control);
        Replayer replayer(board);
        std::string out;
        std::string_view game;
        while (reader.next(game)) {
            ++games;
            const long played = replayer.play(game);
            const bool failed = replayer.host.failed;
            ok += failed ? 0 : 1;
            out.clear();
            appendNumber(out, games);
            out += failed ? "\tfail\t" : "\tok\t";
            appendNumber(out, played);
            if (fen) {
                out += '\t';
                appendPlacement(out, board);
            }
            if (failed) {
                out += '\t';
                appendOneLine(out, replayer.host.message);
            }
            out += '\n';
            // Each game's line is out before the next game is read, so that whatever stops the
            // run later leaves every finished game reported.
            // A report that cannot be written (a full disk, a closed output) ends the run: its
            // games would otherwise go unreported under a status that says they were checked.
            if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() ||
                std::fflush(stdout) != 0) {
                writeError = errno != 0 ? errno : EIO;
                break;
            }
        }
    }
    control->release();
    if (input.fd != STDIN_FILENO)
        ::close(input.fd);

    if (writeError != 0) {
        std::fprintf(stderr, "pawnwatch2-check: cannot write the report of game %lld: %s\n", games,
                     std::strerror(writeError));
        return 2;
    }

    switch (reader.status()) {
    case pgn::GameReader::Status::Shrank:
        std::fprintf(stderr,
                     "pawnwatch2-check: %s shrank while it was read (%lld of %lld bytes); the "
                     "games after game %lld were not checked\n",
                     path, static_cast<long long>(reader.bytesRead()),
                     static_cast<long long>(input.size), games);
        return 2;
    case pgn::GameReader::Status::TooLarge:
        std::fprintf(stderr,
                     "pawnwatch2-check: %s: game %lld is larger than %zu MiB, which no game is\n",
                     path, games + 1, pgn::GameReader::kLargestGame >> 20);
        return 2;
    case pgn::GameReader::Status::Failed:
        std::fprintf(stderr, "pawnwatch2-check: cannot read %s: %s\n", path,
                     std::strerror(reader.error()));
        return 2;
    case pgn::GameReader::Status::Reading:
    case pgn::GameReader::Status::Finished:
        break;
    }
    if (games == 0) {
        std::fprintf(stderr, "pawnwatch2-check: %s: no game found\n", path);
        return 1;
    }
    std::fprintf(stderr, "%lld games, %lld ok, %lld failed\n", games, ok, games - ok);
    return ok == games ? 0 : 1;
}
