// Whole reads and writes on a file descriptor: the system calls repeated until every byte has
// gone, across short counts and interruptions by signals. Qt-free.
#pragma once

#include <cstddef>
#include <string>

namespace pgn {

// Writes size bytes; false on an error (errno tells which) or when nothing more can be written.
bool WriteAll(int fd, const void* from, std::size_t size);
// Reads size bytes; false on an error or at the end of the file before size bytes.
bool ReadAll(int fd, void* into, std::size_t size);

// Removes the unfinished file at path when no writer holds it locked any more (its writer is
// gone) and the name still names the file that was locked; a writer that holds its lock keeps it.
void RemoveIfAbandoned(const std::string& path);

} // namespace pgn
