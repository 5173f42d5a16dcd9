#pragma once
// Text laid out for a terminal by display width (a Chinese character takes two
// columns): rows of cells in aligned columns, and long sentences wrapped.

#include <string>
#include <vector>

namespace vantor::cli {

// Each row's cells joined, every column as wide as its widest cell plus two spaces; a
// column empty in every row is left out, and the last cell is never padded.
std::vector<std::string> AlignColumns(const std::vector<std::vector<std::string>>& rows);

// `text` with each line longer than `columns` broken at its last space that fits, or
// between two wide characters (Chinese has no spaces); a word longer than the line is
// cut. A broken line's continuation keeps its indentation.
std::string WrapToWidth(const std::string& text, int columns);

}  // namespace vantor::cli
