// What the setup dialog hands the game editor: a PGN file split around one game. The editor
// writes its game between the bytes before and after it, in the file's encoding.
#pragma once

#include <QString>
#include <string>

namespace pw2 {

struct GameDocument {
    // The file the game is read from and saved to; empty when the game has no file yet.
    QString path;
    // The file's bytes before the game: for a new game, the whole file.
    std::string textBefore;
    // The game's own bytes; empty for a new game.
    std::string game;
    // The file's bytes after the game.
    std::string textAfter;
    // True when the file is valid UTF-8 (text typed into the editor is written as UTF-8), false
    // for Latin-1.
    bool utf8 = true;
};

} // namespace pw2
