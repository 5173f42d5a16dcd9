#include "cli/TextColumns.h"

#include <algorithm>

#include "cli/ProgressMeter.h"

namespace vantor::cli {
namespace {

std::size_t CharacterLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

struct Piece {
  std::string bytes;
  int width;
};

std::vector<Piece> Characters(const std::string& line) {
  std::vector<Piece> pieces;
  for (std::size_t i = 0; i < line.size();) {
    const std::size_t length = std::min(CharacterLength(static_cast<unsigned char>(line[i])), line.size() - i);
    const std::string bytes = line.substr(i, length);
    pieces.push_back({bytes, DisplayWidth(bytes)});
    i += length;
  }
  return pieces;
}

std::string WrapLine(const std::string& line, int columns) {
  if (DisplayWidth(line) <= columns) return line;
  const std::size_t indentLength = line.find_first_not_of(' ');
  const std::string indent =
      indentLength == std::string::npos || static_cast<int>(indentLength) * 2 >= columns ? "" : line.substr(0, indentLength);
  const std::vector<Piece> pieces = Characters(line);
  std::string out;
  std::size_t start = 0;
  bool first = true;
  while (start < pieces.size()) {
    const std::string lead = first ? "" : indent;
    int width = DisplayWidth(lead);
    std::size_t end = start;
    std::size_t lastBreak = start;  // a break before pieces[lastBreak]
    while (end < pieces.size() && width + pieces[end].width <= columns) {
      width += pieces[end].width;
      ++end;
      const bool space = end < pieces.size() && pieces[end].bytes == " ";
      const bool wide = end < pieces.size() && (pieces[end].width == 2 || pieces[end - 1].width == 2);
      if (space || wide) lastBreak = end;
    }
    if (end < pieces.size() && lastBreak > start) end = lastBreak;
    if (end == start) end = start + 1;  // a column too narrow for even one character
    std::string row = lead;
    for (std::size_t i = start; i < end; ++i) row += pieces[i].bytes;
    while (!row.empty() && row.back() == ' ' && row.size() > lead.size()) row.pop_back();
    out += (first ? "" : "\n") + row;
    first = false;
    start = end;
    while (start < pieces.size() && pieces[start].bytes == " ") ++start;
  }
  return out;
}

}  // namespace

std::vector<std::string> AlignColumns(const std::vector<std::vector<std::string>>& rows) {
  std::vector<int> widths;
  for (const std::vector<std::string>& row : rows) {
    if (widths.size() < row.size()) widths.resize(row.size(), 0);
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], DisplayWidth(row[i]));
  }
  std::vector<std::string> lines;
  for (const std::vector<std::string>& row : rows) {
    std::string line;
    bool any = false;
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (widths[i] == 0) continue;
      if (any) line += "  ";
      any = true;
      line += row[i];
      const bool last = i + 1 == row.size();
      if (!last) line += std::string(static_cast<std::size_t>(widths[i] - DisplayWidth(row[i])), ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string WrapToWidth(const std::string& text, int columns) {
  if (columns <= 0) return text;
  std::string out;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find('\n', start);
    out += WrapLine(text.substr(start, end == std::string::npos ? std::string::npos : end - start), columns);
    if (end == std::string::npos) break;
    out += '\n';
    start = end + 1;
  }
  return out;
}

}  // namespace vantor::cli
