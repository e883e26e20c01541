#include "tests/support/record_dump.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "core/record.h"
#include "tests/support/test_job.h"

namespace {

// Length of the UTF-8 sequence starting at text[i]; 0 when there is none.
size_t Utf8Length(const std::string& text, size_t i) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  const size_t length = c < 0x80                 ? 1
                        : c >= 0xC2 && c < 0xE0  ? 2
                        : c >= 0xE0 && c < 0xF0  ? 3
                        : c >= 0xF0 && c <= 0xF4 ? 4
                                                 : 0;
  if (length == 0 || i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k)
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
  return length;
}

std::string Shown(const std::string& text) {
  std::string out;
  char hex[8];
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const size_t length = Utf8Length(text, i);
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (length == 0 || (c < 0x20 && c != '\t') || c == 0x7F) {
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else {
      out.append(text, i, length);
      i += length;
      continue;
    }
    ++i;
  }
  return out;
}

}  // namespace

std::string DumpRecord(const TChessRec& rec) {
  std::ostringstream s;
  s << "pieces";
  for (uint8_t p : rec.Pieces) s << ' ' << std::hex << int(p) << std::dec;
  s << "\nredfirst " << rec.RedFirst << " type " << rec.GameType << " result " << rec.GameResult
    << " moves " << rec.MoveCount << "\n";
  const int lastSlot = std::min<int>(kSlotCreator, static_cast<int>(rec.Texts.size()) - 1);
  for (int slot = 1; slot <= lastSlot; ++slot)
    if (!rec.Texts[slot].empty()) s << "text " << slot << " " << Shown(rec.Texts[slot]) << "\n";
  const int lastMove = std::min<int>(rec.MoveCount, static_cast<int>(rec.Moves.size()) - 1);
  for (int i = 0; i <= lastMove; ++i) {
    const TMoveNode& m = rec.Moves[i];
    s << i << ": " << std::hex << int(m.From) << "-" << int(m.Dest) << " flags " << m.Flags
      << std::dec << " ply " << m.Ply << " parent " << m.Parent;
    if (std::string c = GetMoveText(rec, i); !c.empty()) s << " {" << Shown(c) << "}";
    s << "\n";
  }
  const int lastLine = std::min<int>(rec.LastLine, static_cast<int>(rec.Lines.size()) - 1);
  for (int l = 0; l <= lastLine; ++l)
    s << "line " << rec.Lines[l].First << ".." << rec.Lines[l].Last << "\n";
  return s.str();
}

std::string DumpReading(bool ok, const TTestJob& job, const TChessRec& rec) {
  std::string out = std::string("ok ") + (ok ? "1" : "0") + "\n";
  for (const TTestJob::TLine& line : job.Lines)
    out += std::string(line.Level == kLogError     ? "error "
                       : line.Level == kLogWarning ? "warning "
                                                   : "log ") +
           Shown(line.Text) + "\n";
  return out + DumpRecord(rec);
}
