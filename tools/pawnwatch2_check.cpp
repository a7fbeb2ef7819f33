// pawnwatch2-check: replays every game of a collection headless, exactly as the saver plays it,
// and reports each game.
//
//   pawnwatch2-check [--fen] [-j N] [--unpack-limit BYTES] FILE
//   pawnwatch2-check --help | --version     (answered without a display)
//
// FILE is a PGN file, plain or compressed (gzip, bzip2, xz, zstd), a zip or tar archive of PGN
// files, or a folder of them (see collections/collection_reader.h); "-" reads standard input,
// and a named pipe (or a shell's <(command)) is read the same way, to its end. Members that are
// not PGN are named on standard error and passed over.
//
// One line per game on standard output: number, tab, "ok" or "fail", tab, half-moves played;
// with --fen a tab and the piece placement of the final position; for a failed game a tab and
// the first message the game showed, with the move that failed and why when a move failed.
// Last line on standard error: "N games, K ok, M failed".
// Exit status: 0 when every game replayed, 1 when any failed or the file holds no game, 2 when
// the file cannot be read (or shrank while it was read, or is damaged, or unpacks past the
// limit, or holds an encrypted PGN member), a game's line cannot be written, the arguments are
// wrong or the board control cannot be created.
//
// With -j 1 the games are replayed one after another on the real board control, through
// dispatch. With more jobs (the default: one per core) each worker thread replays games on a
// board of its own in memory, which answers as the control does (playback/memory_board.h), and
// the lines still come out in the order of the games. Games are read one at a time and handed
// over in small batches, and at most kInFlightPerWorker batches per worker are read ahead, so
// memory stays bounded by the largest game.
//
// A line is flushed as soon as its game and all before it are done, unless the next game's line
// is ready without waiting: with -j 1 the output is flushed before the input is read (so a line
// waits at most for the games already read with it), with more jobs when the next game's line
// is not done yet.
#include "boardhost/board_proxy.h"
#include "boardhost/control_loader.h"
#include "collections/collection_reader.h"
#include "pgn/engine.h"
#include "pgn/game_reader.h"
#include "playback/game_player.h"
#include "playback/memory_board.h"

#include <QApplication>
#include <QString>
#include <QWidget>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <mutex>
#include <sched.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

#ifndef PW2_VERSION
#error "PW2_VERSION is set by tools/CMakeLists.txt from the project's version"
#endif

constexpr const char* kUsage = "usage: pawnwatch2-check [--fen] [-j N] [--unpack-limit BYTES] FILE "
                               "  (\"-\": standard input)\n";

// --help: the usage line, what is printed and the exit statuses; no line is wider than 80.
constexpr const char* kHelp =
    "usage: pawnwatch2-check [--fen] [-j N] [--unpack-limit BYTES] FILE\n"
    "       pawnwatch2-check --help | --version\n"
    "Replays every game of a PGN collection exactly as pawnwatch2 would, without a\n"
    "display.\n"
    "\n"
    "  --fen          add the final piece placement to each game's line\n"
    "  -j N           replay on N cores (default: every core); -j 1 replays on the\n"
    "                 board control itself\n"
    "  --unpack-limit BYTES\n"
    "                 stop a compressed file or an archive that unpacks past BYTES\n"
    "                 (default 64 GiB; K, M and G suffixes count in 1024s)\n"
    "  --help, -h     print this text and exit\n"
    "  --version      print the version and exit\n"
    "\n"
    "FILE is a PGN file, plain or compressed with gzip, bzip2, xz or zstd, a zip or\n"
    "tar archive (compressed or not) of .pgn files, or a folder of .pgn files; the\n"
    ".pgn members are read in the order of their names, and the others are named\n"
    "and passed over. \"-\" reads standard input, and a named pipe is read to its end.\n"
    "\n"
    "Prints one line per game as soon as it is replayed: its number, \"ok\" or \"fail\",\n"
    "the half-moves played, with --fen the piece placement, and for a failed game the\n"
    "message it showed (with the move that failed and why), separated by tabs; last,\n"
    "on standard error, \"N games, K ok, M failed\". Games are read one at a time.\n"
    "\n"
    "Exit status: 0 every game replayed; 1 a game failed, or the file holds no game;\n"
    "2 the file cannot be read, is a device or a socket, shrank while it was read, is\n"
    "damaged, unpacks past the limit or holds an encrypted PGN member, the report\n"
    "cannot be written, or the arguments are wrong.\n";

// At most this many batches of games per worker are read ahead of the lines last written.
constexpr std::size_t kInFlightPerWorker = 16;

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

void appendPlacement(std::string& out, pgn::Board& board) {
    static constexpr char kLetters[] = "?prnbqkPRNBQK"; // indexed by PieceNum - 1
    pgn::Squares squares;
    board.readSquares(squares);
    for (int row = 1; row <= 8; ++row) {
        if (row > 1)
            out += '/';
        int empty = 0;
        for (int col = 1; col <= 8; ++col) {
            const std::int32_t value = squares.at[col - 1][row - 1];
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

// Plays each game as the saver does, on a board set up anew for it, and makes its line.
template <class GameBoard>
class Replayer {
public:
    Replayer(GameBoard& board, bool fen) : board_(board), fen_(fen) {}

    // The line of game number; returns whether the game failed.
    bool play(long long number, std::string_view gameText, std::string& out) {
        host_.startGame();
        board_.newGame();
        player_.load(gameText, host_);
        const long played = player_.playToEnd(board_, host_).halfMoves;
        const bool failed = host_.failed;
        out.clear();
        appendNumber(out, number);
        out += failed ? "\tfail\t" : "\tok\t";
        appendNumber(out, played);
        if (fen_) {
            out += '\t';
            appendPlacement(out, board_);
        }
        if (failed) {
            out += '\t';
            appendOneLine(out, host_.message);
            // The move that failed and why, when a move failed.
            if (!player_.failure().empty()) {
                out += " (";
                appendOneLine(out, player_.failure());
                out += ')';
            }
        }
        out += '\n';
        return failed;
    }

private:
    GameBoard& board_;
    bool fen_;
    CheckHost host_;
    pw2::GamePlayer player_;
};

// Standard output. A report that cannot be written (a full disk, a closed output) ends the run:
// its games would otherwise go unreported under a status that says they were checked.
class Report {
public:
    bool write(const std::string& line) {
        if (error_ == 0 && std::fwrite(line.data(), 1, line.size(), stdout) != line.size())
            error_ = errno != 0 ? errno : EIO;
        return error_ == 0;
    }
    bool flush() {
        if (error_ == 0 && std::fflush(stdout) != 0)
            error_ = errno != 0 ? errno : EIO;
        return error_ == 0;
    }
    int error() const { return error_; }

private:
    int error_ = 0;
};

// The input, with something done before each read: with -j 1 the report is flushed, with more
// jobs the batch being filled is handed to the workers, so that every game read so far is out, or
// on its way, before the program may wait for more input.
class BeforeEachRead final : public pgn::ByteSource {
public:
    BeforeEachRead(pgn::ByteSource& input, std::function<void()> before)
        : input_(input), before_(std::move(before)) {}
    std::ptrdiff_t read(char* to, std::size_t size) override {
        before_();
        return input_.read(to, size);
    }

private:
    pgn::ByteSource& input_;
    std::function<void()> before_;
};

struct Tally {
    long long games = 0; // games whose line was written
    long long ok = 0;
};

// -j 1: one game after another on the board control, on this thread.
int replayOnControl(pgn::GameReader& reader, bool fen, Report& report, Tally& tally, char* argv0) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    char* qtArgv[] = {argv0, nullptr};
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
    {
        pw2::BoardProxy board(*control);
        Replayer<pw2::BoardProxy> replayer(board, fen);
        std::string line;
        std::string_view game;
        while (reader.next(game)) {
            const bool failed = replayer.play(tally.games + 1, game, line);
            if (!report.write(line))
                break;
            ++tally.games;
            tally.ok += failed ? 0 : 1;
        }
    }
    control->release();
    return 0;
}

// More jobs: the games go round a ring of slots in batches, kInFlightPerWorker batches per worker.
// This thread reads games into the batch it is filling and hands the batch over when it holds
// kBatchGames games or kBatchBytes bytes, or before the input is read again (so that no game
// already read waits for input); a worker takes the oldest batch not taken, replays its games on
// its own board and writes, in the order of the games, every batch of lines that is done. A
// batch, not a game, is handed over, so a game of one move costs no more than its replay.
//
// Flushing: lines go out at once when no batch after them is handed over yet (the reader may be
// waiting for input), when a worker is about to wait for a batch, and when a worker is about to
// start a batch larger than kQuickBatch. Otherwise the next lines are due within moments, and the
// output is flushed at most every kFlushEvery while lines keep coming (a worker about to start a
// batch flushes what has waited that long). A thread sleeps only when it must and is woken only
// when another thread sleeps, so a batch handed over costs no system call.
class ParallelReplay {
public:
    ParallelReplay(unsigned workers, bool fen, Report& report, Tally& tally)
        : slots_(workers * kInFlightPerWorker), fen_(fen), report_(report), tally_(tally) {
        for (unsigned i = 0; i < workers; ++i)
            threads_.emplace_back([this] { work(); });
    }

    ~ParallelReplay() { finish(); }

    // Adds one game to the batch being filled, handing the batch over when it is full; false
    // once the report cannot be written.
    bool add(std::string_view game) {
        filling_.text.append(game);
        filling_.ends.push_back(filling_.text.size());
        if (filling_.ends.size() >= kBatchGames || filling_.text.size() >= kBatchBytes)
            return handOver();
        return true;
    }

    // Hands the batch being filled to the workers, waiting while every slot is taken; false
    // once the report cannot be written.
    bool handOver() {
        if (filling_.ends.empty())
            return true;
        std::unique_lock lock(mutex_);
        if (submitted_ - written_ == slots_.size() && !stopped_) {
            readerWaiting_ = true;
            // Woken once half the ring is free, not at every batch: the reader runs ahead in
            // bursts instead of waking for each one.
            slotFree_.wait(lock,
                           [&] { return submitted_ - written_ <= slots_.size() / 2 || stopped_; });
            readerWaiting_ = false;
        }
        if (stopped_)
            return false;
        Slot& slot = slots_[submitted_ % slots_.size()];
        slot.batch.text.swap(filling_.text);
        slot.batch.ends.swap(filling_.ends);
        slot.firstGame = gamesHandedOver_;
        gamesHandedOver_ += slot.batch.ends.size();
        filling_.text.clear();
        filling_.ends.clear();
        slot.done = false;
        ++submitted_;
        if (idleWorkers_ > 0)
            gameReady_.notify_one();
        return true;
    }

    // Hands over what is left and waits until every game is replayed and its line written.
    void finish() {
        handOver();
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
        }
        gameReady_.notify_all();
        for (std::thread& thread : threads_)
            thread.join();
        threads_.clear();
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr auto kFlushEvery = std::chrono::milliseconds(5);
    // A batch this large or smaller replays in well under a millisecond.
    static constexpr std::size_t kQuickBatch = std::size_t(16) << 10;
    static constexpr std::size_t kBatchGames = 64;
    static constexpr std::size_t kBatchBytes = kQuickBatch;

    // Games read one after another: the text of all of them and where each one ends.
    struct Batch {
        std::string text;
        std::vector<std::size_t> ends;
    };

    struct Slot {
        Batch batch;
        std::size_t firstGame = 0; // the number of games before the batch's first
        std::string lines;
        std::size_t games = 0;
        std::size_t ok = 0;
        bool done = false;
    };

    void work() {
        pw2::MemoryBoard board;
        Replayer<pw2::MemoryBoard> replayer(board, fen_);
        Batch batch;
        std::string lines;
        std::string line;
        std::unique_lock lock(mutex_);
        for (;;) {
            if (taken_ == submitted_ && !closing_ && !stopped_) {
                flush(true);
                ++idleWorkers_;
                gameReady_.wait(lock, [&] { return taken_ < submitted_ || closing_ || stopped_; });
                --idleWorkers_;
            }
            if (stopped_ || taken_ == submitted_)
                return;
            Slot& slot = slots_[taken_++ % slots_.size()];
            flush(slot.batch.text.size() > kQuickBatch);
            batch.text.swap(slot.batch.text);
            batch.ends.swap(slot.batch.ends);
            const std::size_t firstGame = slot.firstGame;
            lock.unlock();
            lines.clear();
            std::size_t ok = 0;
            std::size_t begin = 0;
            for (std::size_t i = 0; i < batch.ends.size(); ++i) {
                const std::string_view game(batch.text.data() + begin, batch.ends[i] - begin);
                begin = batch.ends[i];
                const long long number = static_cast<long long>(firstGame + i) + 1;
                ok += replayer.play(number, game, line) ? 0 : 1;
                lines += line;
            }
            lock.lock();
            slot.lines.swap(lines);
            slot.games = batch.ends.size();
            slot.ok = ok;
            slot.done = true;
            writeReady();
        }
    }

    // Writes the lines that are next in order and done.
    void writeReady() {
        const std::size_t before = written_;
        while (!stopped_ && written_ < submitted_) {
            Slot& slot = slots_[written_ % slots_.size()];
            if (!slot.done)
                break;
            if (!report_.write(slot.lines)) {
                stop();
                return;
            }
            slot.done = false;
            ++written_;
            tally_.games += static_cast<long long>(slot.games);
            tally_.ok += static_cast<long long>(slot.ok);
        }
        if (written_ == before)
            return;
        unflushed_ = true;
        // No batch after these is handed over yet: nothing else is due soon.
        flush(written_ == submitted_);
        if (readerWaiting_ && submitted_ - written_ <= slots_.size() / 2)
            slotFree_.notify_one();
    }

    // Flushes the lines written: now, or when they have waited kFlushEvery since the last flush.
    void flush(bool now) {
        if (!unflushed_ || stopped_)
            return;
        const Clock::time_point time = Clock::now();
        if (!now && time - lastFlush_ < kFlushEvery)
            return;
        unflushed_ = false;
        lastFlush_ = time;
        if (!report_.flush())
            stop();
    }

    void stop() {
        stopped_ = true;
        slotFree_.notify_all();
        gameReady_.notify_all();
    }

    std::vector<Slot> slots_;
    bool fen_;
    Report& report_;
    Tally& tally_;
    Batch filling_;                   // only the reader's thread touches it
    std::size_t gamesHandedOver_ = 0; // likewise
    std::mutex mutex_;
    std::condition_variable gameReady_;
    std::condition_variable slotFree_;
    std::size_t submitted_ = 0; // batches handed to the workers
    std::size_t taken_ = 0;     // batches a worker took
    std::size_t written_ = 0;   // batches whose lines are written
    unsigned idleWorkers_ = 0;
    bool readerWaiting_ = false;
    bool unflushed_ = false;
    Clock::time_point lastFlush_{};
    bool closing_ = false;
    bool stopped_ = false;
    std::vector<std::thread> threads_;
};

unsigned coreCount() {
    cpu_set_t cores;
    CPU_ZERO(&cores);
    if (::sched_getaffinity(0, sizeof cores, &cores) == 0 && CPU_COUNT(&cores) > 0)
        return static_cast<unsigned>(CPU_COUNT(&cores));
    const unsigned count = std::thread::hardware_concurrency();
    return count > 0 ? count : 1;
}

// A count of bytes: digits with an optional K, M or G (powers of 1024); false when it is none.
bool parseBytes(std::string_view text, std::uint64_t& bytes) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data())
        return false;
    std::string_view rest(end, static_cast<std::size_t>(text.data() + text.size() - end));
    int shift = 0;
    if (rest == "K" || rest == "k")
        shift = 10;
    else if (rest == "M")
        shift = 20;
    else if (rest == "G")
        shift = 30;
    else if (!rest.empty())
        return false;
    if (value > (~std::uint64_t(0) >> shift))
        return false;
    bytes = value << shift;
    return bytes > 0;
}

bool parseJobs(std::string_view text, unsigned& jobs) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
    return error == std::errc() && end == text.data() + text.size() && jobs >= 1 && jobs <= 1024;
}

} // namespace

int main(int argc, char** argv) {
    bool fen = false;
    const char* path = nullptr;
    unsigned jobs = 0;
    std::uint64_t unpackLimit = pw2::collections::kDefaultUnpackLimit;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--fen") {
            fen = true;
        } else if (arg == "-h" || arg == "--help" || arg == "--version") {
            // Answered before anything is read: they need no display.
            if (arg == "--version")
                std::fputs("pawnwatch2-check " PW2_VERSION "\n", stdout);
            else
                std::fputs(kHelp, stdout);
            if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
                std::perror("pawnwatch2-check: standard output");
                return 2;
            }
            return 0;
        } else if ((arg == "-j" || arg == "--jobs") && i + 1 < argc &&
                   parseJobs(argv[i + 1], jobs)) {
            ++i;
        } else if (arg.starts_with("-j") && arg.size() > 2 && parseJobs(arg.substr(2), jobs)) {
        } else if (arg == "--unpack-limit" && i + 1 < argc &&
                   parseBytes(argv[i + 1], unpackLimit)) {
            ++i;
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
    if (jobs == 0)
        jobs = coreCount();

    pw2::collections::CollectionReader::Options options;
    options.unpackLimit = unpackLimit;
    options.onSkipped = [](const std::string& member, const std::string& why) {
        std::fprintf(stderr, "pawnwatch2-check: %s: %s\n", member.c_str(), why.c_str());
    };
    std::string openError;
    const std::unique_ptr<pw2::collections::CollectionReader> collection =
        pw2::collections::CollectionReader::open(path, options, openError);
    if (!collection) {
        std::fprintf(stderr, "pawnwatch2-check: cannot read %s: %s\n", path, openError.c_str());
        return 2;
    }
    // A plain regular file is read directly, and so is told apart when it shrinks.
    pgn::FdSource plainFile(collection->plainFd());
    pgn::ByteSource& input =
        collection->plainFd() >= 0 ? static_cast<pgn::ByteSource&>(plainFile) : *collection;
    const std::int64_t expectedSize = collection->plainFd() >= 0 ? collection->plainSize() : -1;

    Report report;
    Tally tally;
    pgn::GameReader::Status endStatus = pgn::GameReader::Status::Finished;
    std::int64_t bytesRead = 0;
    int readError = 0;
    if (jobs == 1) {
        BeforeEachRead flushing(input, [&report] { report.flush(); });
        pgn::GameReader reader(flushing, expectedSize);
        const int status = replayOnControl(reader, fen, report, tally, argv[0]);
        if (status != 0)
            return status;
        endStatus = reader.status();
        bytesRead = reader.bytesRead();
        readError = reader.error();
    } else {
        ParallelReplay replay(jobs, fen, report, tally);
        BeforeEachRead handingOver(input, [&replay] { replay.handOver(); });
        pgn::GameReader reader(handingOver, expectedSize);
        std::string_view game;
        while (reader.next(game)) {
            if (!replay.add(game))
                break;
        }
        replay.finish();
        endStatus = reader.status();
        bytesRead = reader.bytesRead();
        readError = reader.error();
    }
    report.flush();

    if (report.error() != 0) {
        std::fprintf(stderr, "pawnwatch2-check: cannot write the report of game %lld: %s\n",
                     tally.games + 1, std::strerror(report.error()));
        return 2;
    }

    switch (endStatus) {
    case pgn::GameReader::Status::Shrank:
        std::fprintf(stderr,
                     "pawnwatch2-check: %s shrank while it was read (%lld of %lld bytes); the "
                     "games after game %lld were not checked\n",
                     path, static_cast<long long>(bytesRead), static_cast<long long>(expectedSize),
                     tally.games);
        return 2;
    case pgn::GameReader::Status::TooLarge:
        std::fprintf(stderr,
                     "pawnwatch2-check: %s: game %lld is larger than %zu MiB, which no game is\n",
                     path, tally.games + 1, pgn::GameReader::kLargestGame >> 20);
        return 2;
    case pgn::GameReader::Status::Failed:
        if (!collection->failure().empty())
            std::fprintf(stderr,
                         "pawnwatch2-check: %s; the games after game %lld were not checked\n",
                         collection->failure().c_str(), tally.games);
        else
            std::fprintf(stderr, "pawnwatch2-check: cannot read %s: %s\n", path,
                         std::strerror(readError));
        return 2;
    case pgn::GameReader::Status::Reading:
    case pgn::GameReader::Status::Finished:
        break;
    }
    if (tally.games == 0) {
        std::fprintf(stderr, "pawnwatch2-check: %s: no game found\n", path);
        return collection->incomplete() ? 2 : 1;
    }
    std::fprintf(stderr, "%lld games, %lld ok, %lld failed\n", tally.games, tally.ok,
                 tally.games - tally.ok);
    if (collection->incomplete())
        return 2;
    return tally.ok == tally.games ? 0 : 1;
}
