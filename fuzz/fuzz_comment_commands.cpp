// The reading of clocks and evaluations from comments: the input is read both as one comment's
// text and as a game's text whose main-line comments carry them. Besides the sanitizers, it
// checks that every value read lies in its range, that the commands are placed in the order of
// their half-moves, one entry a place, and that an evaluation reads back from the text written
// for it.
#include "pgn/comment_commands.h"
#include "pgn/commentary.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_comment_commands: %s\n", what);
        std::abort();
    }
}

void checkValues(const pgn::CommentCommands& c) {
    if (c.clockMs)
        require(*c.clockMs >= 0 && *c.clockMs <= pgn::kLongestClockMs, "a clock out of range");
    if (!c.evaluation)
        return;
    const pgn::Evaluation& e = *c.evaluation;
    require(e.value >= -pgn::kLargestEvaluation && e.value <= pgn::kLargestEvaluation,
            "an evaluation out of range");
    require(!e.mate || e.value != 0, "a mate in 0");
    const std::string written = "[%eval " + pgn::EvaluationText(e) + "]";
    const pgn::CommentCommands back = pgn::ReadCommentCommands(written);
    require(back.evaluation == e && back.onlyCommands, "an evaluation does not read back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    checkValues(pgn::ReadCommentCommands(text));

    const pgn::Annotations a = pgn::ReadAnnotations(text);
    for (std::size_t i = 0; i < a.commands.size(); ++i) {
        const pgn::CommentCommands& c = a.commands[i];
        require(c.clockMs || c.evaluation, "a place without a value");
        require(!c.onlyCommands, "a placed entry marked as a comment");
        require(i == 0 || a.commands[i - 1].afterHalfMoves < c.afterHalfMoves,
                "commands out of order or two at one place");
        require(pgn::CommandsAfter(a.commands, c.afterHalfMoves) == &c, "CommandsAfter missed one");
        checkValues(c);
    }
    return 0;
}
