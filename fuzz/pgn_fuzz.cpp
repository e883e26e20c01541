// Feeds arbitrary bytes to the PGN reader as decoded source text, then writes
// what it read in every notation, with and without variations. A second mode
// builds an arbitrary move tree from the bytes and writes it, so that the
// writer's walk over variations meets every tree shape.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/board.h"
#include "core/jobstate.h"
#include "core/movecheck.h"
#include "core/position.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "formats/text/pgn.h"
#include "tests/support/test_job.h"

namespace {

void Require(bool ok) {
  if (!ok) std::abort();
}

void WriteAll(TQuietJob& job, TChessRec& rec, uint8_t options) {
  std::string out;
  for (int format = 0; format < 3; ++format) {
    job.PGNFormat = format;
    job.IncludeChange = (options & 1) != 0;
    job.PGNBrace = (options & 2) != 0;
    job.PgnPliesPerLine = 2 + 2 * ((options >> 2) % 5);
    RenderPgn(job, rec, out);
    Require(out.size() >= 30);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  TQuietJob job;
  job.SrcFormat = kFmtPgn;
  job.DstFormat = kFmtPgn;
  job.DstCodePage = kCpUtf8;
  job.DstCodePageIndex = 2;
  job.TextVariant = 3;
  const uint8_t options = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  TChessRec rec;
  ResetRecord(rec, kFmtPgn, kFmtPgn);

  if (options & 0x80) {
    // An arbitrary tree: each byte gives one node's from and continuation /
    // alternative flags.
    const int n = static_cast<int>(std::min<size_t>(text.size(), 4096));
    SetMoveCapacity(rec, n + 1);
    for (int i = 1; i <= n; ++i) {
      const uint8_t b = static_cast<uint8_t>(text[i - 1]);
      rec.Moves[i].From = static_cast<uint8_t>(b & 0x3F);
      rec.Moves[i].Dest = static_cast<uint8_t>((b & 0x3F) + 1);
      rec.Moves[i].Flags = b & (kFlagContinues | kFlagHasAlt);
      if (b & 1) rec.Texts[TextSlotOf(rec, i)] = "{c}";
    }
    BuildTreeFromFlags(rec, n);
  } else {
    const bool ok = ReadPgnText(job, rec, text);
    if (!ok) return 0;
    Require(rec.MoveCount >= 0 && rec.MoveCount < static_cast<int>(rec.Moves.size()));
    Require(rec.LastLine == 0);
  }
  FixFirstSide(rec);
  CheckMoves(job, rec);
  MakeFen(rec);
  rec.Texts[kSlotResult] = "*";
  WriteAll(job, rec, options);
  return 0;
}
