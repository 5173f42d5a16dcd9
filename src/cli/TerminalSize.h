#pragma once
// What the terminal can show: its width now (it may change while an update runs), and
// whether it is a dumb one that cannot redraw a line in place.

#include <cstdio>

namespace vantor::cli {

// The width of the terminal `stream` writes to; COLUMNS or 80 when it cannot be told.
int TerminalColumns(std::FILE* stream);
// TERM=dumb (Emacs shells, some CI logs): plain lines only.
bool DumbTerminal();

}  // namespace vantor::cli
