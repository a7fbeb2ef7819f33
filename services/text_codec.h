// Text from files is kept as bytes. For the screen it is decoded as UTF-8 when it is valid UTF-8,
// else as Latin-1; text typed by the user goes back in the encoding the file was read with.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace pw2 {

bool isValidUtf8(std::string_view bytes);
// The text without leading and trailing spaces; only the space character counts as a space.
QString trimSpaces(const QString& text);
QString decodeFileText(std::string_view bytes);
// Encodes typed text as UTF-8 when utf8 is true, else as Latin-1 (characters outside Latin-1
// become "?").
std::string encodeFileText(const QString& text, bool utf8);

} // namespace pw2
