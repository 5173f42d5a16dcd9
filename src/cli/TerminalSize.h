#pragma once
// What the terminal can show: its width now (it may change while an update runs), and
// whether it is a dumb one that cannot redraw a line in place.

#include <cstdio>

namespace vantor::cli {

// The width of the terminal `stream` writes to; COLUMNS or 80 when it cannot be told.
int TerminalColumns(std::FILE* stream);
// TERM=dumb (Emacs shells, some CI logs): plain lines only.
bool DumbTerminal();
// The terminal `stream` shows understands cursor movement (the bench's board): not a
// dumb one, and on Windows a console that took virtual-terminal processing (switched on
// here; consoles older than Windows 10 refuse it and get plain lines).
bool UnderstandsEscapes(std::FILE* stream);

}  // namespace vantor::cli
