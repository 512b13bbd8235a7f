#pragma once
#include <QString>
#include <chrono>
#include <functional>
#include <string>

namespace olvaris {

// Writes the text and one more "\r\n" to the file named, following symbolic
// links. Every failure throws Failure with the system's own reason.
//
// The file is replaced in one step (a new file beside it, renamed over it)
// where that is safe: after a failure it holds what it held before, and no
// temporary file is left. A file with several names, a file of another
// owner, and a file in a folder where no new file can be made are written
// in place instead, as the user may write them: the space is reserved and
// the size limit checked before the first byte changes, an advisory lock
// keeps a second writer in place waiting, and a file that another program
// cuts or lengthens meanwhile fails the save. A replacing write carries the
// old file's group and extended attributes (access control lists) to the
// new one; where it cannot, the file is written in place.
//
// An existing target that is not an ordinary file (a pipe, a device, a
// socket, a folder) is refused and left as it is. A process that ends while
// a write yields (the window closed, a termination signal, exit() from Qt
// when the display goes) settles it first: see settleUnfinishedWrites.
//
// The text is written in pieces of WritePiece bytes, and betweenPieces
// (the command's yield) runs between two of them and while the disk syncs.
void WriteTextFile(const std::string& text, const QString& fileName, const std::function<void()>& betweenPieces = {});

inline constexpr size_t WritePiece = size_t(1) << 20;

// How long a write in place waits for another that holds the file.
inline constexpr std::chrono::seconds LockPatience{60};

// For a process that ends at once while a save yields: removes the new
// files of replacing writes still under way (the old file stays as it
// was), and finishes the writes in place (the file gets the whole new text).
// Runs by itself when the process ends through exit().
void settleUnfinishedWrites();

} // namespace olvaris
