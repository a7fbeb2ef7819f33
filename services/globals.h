// The values shared by the whole program. They live for the whole run, start at 0, false or
// empty, and belong to no window.
#pragma once

#include "pgn/engine.h"

#include <QString>
#include <cstdint>
#include <string>

namespace pw2 {

struct ProgramValues {
    // Number (1-based) of the match game chosen last. 32-bit, so matches of any size play.
    std::int32_t GameNumber = 0;
    // 1 while a White half-move is being played, 2 for Black.
    std::int32_t SideToMove = 0;
    // The last token of the current game's movetext.
    std::string GameResult;
    // The move resolver's values: FromCol, FromRow, ToCol, ToRow, Candidates, MoveStatus.
    pgn::ResolverState Resolver;
    // Set when neither the configured nor the default game file exists.
    bool MissingGameFile = false;
    // The file's bytes before and after the game handed to the editor.
    std::string TextBefore;
    std::string TextAfter;
};

ProgramValues& globals();
// Back to the values of a fresh start (tests).
void resetGlobals();

} // namespace pw2
