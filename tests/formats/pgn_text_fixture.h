// Records and helpers shared by the PGN and plain-text tests: canonical games
// built move by move (with variations and comments), destination settings, a
// main-line extract; golden files and file reads come from tests/support.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/board.h"
#include "core/encoding.h"
#include "core/movecheck.h"
#include "core/notation.h"
#include "core/position.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "core/variants.h"
#include "tests/support/files.h"
#include "tests/support/golden.h"
#include "tests/support/test_job.h"

namespace pgntext {

// Destination code page and script, as the job framework derives them.
inline void SetDestination(TJobState& job, int cp, bool traditional) {
  job.DstCodePage = cp;
  job.DstCodePageIndex = cp == kCpGbk ? 0 : cp == kCpBig5 ? 1 : 2;
  job.MapFlags = traditional ? kMapToTraditional : 0;
  job.TextVariant = TextVariantFor(cp, job.MapFlags);
}

inline uint8_t Square(const char* iccs) { return SquareOf(iccs[0] - 'A', 9 - (iccs[1] - '0')); }

struct TPlannedMove {
  int Ply;
  const char* Iccs;  // "H2-E2"
  const char* Comment = nullptr;
};

// A record from moves in pre-order with their plies, completed the way the
// dispatch completes it: notation codes, FEN, and header and comment text in
// the destination code page (given here as UTF-8).
inline void BuildRecord(TTestJob& job, TChessRec& rec, const std::vector<TPlannedMove>& moves,
                        const char* fen = nullptr) {
  ResetRecord(rec, kFmtXqf, static_cast<int>(job.DstFormat));
  if (fen) {
    ASSERT_TRUE(ParseFen(rec, fen));
  }
  SetMoveCapacity(rec, static_cast<int>(moves.size()) + 1);
  for (size_t i = 0; i < moves.size(); ++i) {
    TMoveNode& node = rec.Moves[i + 1];
    node.From = Square(moves[i].Iccs);
    node.Dest = Square(moves[i].Iccs + 3);
    node.Ply = moves[i].Ply;
  }
  BuildTreeFromPlies(job, rec, static_cast<int>(moves.size()));
  for (size_t i = 0; i < moves.size(); ++i)
    if (moves[i].Comment) rec.Texts[TextSlotOf(rec, static_cast<int>(i) + 1)] = moves[i].Comment;
  FixFirstSide(rec);
  CheckMoves(job, rec);
  MakeFen(rec);
}

// Converts every text slot from UTF-8 into the job's destination.
inline void ConvertTexts(const TJobState& job, TChessRec& rec) {
  for (int slot = 1; slot <= rec.TextTop; ++slot)
    if (!rec.Texts[slot].empty() && slot != kSlotFen)
      ConvertCodePage(rec.Texts[slot], kCpUtf8, job.MapFlags, static_cast<int>(job.DstCodePage));
}

// The canonical game: twelve plies of a central-cannon opening with five
// variations (two alternatives to black's first reply, one to red's first move,
// one to red's seventh ply with a nested alternative inside it), comments on a
// red move, a black move and a variation move, one comment holding braces, and
// an event name holding double quotes.
inline void BuildCanonicalGame(TTestJob& job, TChessRec& rec, bool forPgn) {
  BuildRecord(job, rec,
              {
                  {1, "H2-E2", "中炮開局。"},
                  {2, "H9-G7"},
                  {3, "H0-G2"},
                  {4, "I9-H9", "黑方出車，{穩健}。"},
                  {5, "I0-H0"},
                  {6, "B9-C7"},
                  {7, "C3-C4"},
                  {8, "G6-G5"},
                  {9, "B0-C2"},
                  {10, "C9-E7"},
                  {11, "H0-H6"},
                  {12, "H7-I7"},
                  // alternative to ply 7, with its own alternative at ply 8
                  {7, "G3-G4"},
                  {8, "C6-C5"},
                  {8, "A9-A8", "橫車。"},
                  // two alternatives to black's first reply
                  {2, "B9-C7"},
                  {3, "H0-G2"},
                  {2, "H7-E7"},
                  {3, "H0-G2"},
                  {4, "B9-C7"},
                  // alternative to red's first move
                  {1, "C3-C4"},
                  {2, "G6-G5"},
              });
  rec.Texts[kSlotTitle] = "中炮對屏風馬";
  rec.Texts[kSlotEvent] = "全國賽 \"甲組\" 第一輪";
  rec.Texts[kSlotDate] = "2024.05.01";
  rec.Texts[kSlotSite] = "北京";
  rec.Texts[kSlotRedName] = "紅方棋手";
  rec.Texts[kSlotBlackName] = "黑方棋手";
  rec.Texts[kSlotRound] = "1";
  rec.Texts[kSlotRedTeam] = "甲隊";
  rec.Texts[kSlotStartComment] = "這是開局前的注解 {a}";
  rec.GameResult = 1;
  rec.Texts[kSlotResult] =
      forPgn ? std::string("1-0") : VariantText(kVtResultWords, 0, kVariantUtf8Traditional);
  ConvertTexts(job, rec);
}

// An ending from a FEN in which two red pawns stand on each of two files, so
// that the two notation standards name them differently.
inline void BuildPawnEnding(TTestJob& job, TChessRec& rec, bool forPgn) {
  BuildRecord(job, rec,
              {
                  {1, "G6-G7"},
                  {2, "E9-D9"},
                  {3, "E6-E7"},
                  {4, "D9-D8"},
                  {5, "G5-F5"},
                  {6, "D8-D9"},
                  {7, "E5-D5"},
              },
              "4k4/9/9/4P1P2/4P1P2/9/9/9/9/4K4 w - - 0 1");
  rec.GameType = 3;
  rec.Texts[kSlotTitle] = "兵卒殘局";
  rec.GameResult = 1;
  rec.Texts[kSlotResult] =
      forPgn ? std::string("1-0") : VariantText(kVtResultWords, 0, kVariantUtf8Traditional);
  ConvertTexts(job, rec);
}

// The main line as (from, dest) pairs.
inline std::vector<std::pair<int, int>> MainLine(const TChessRec& rec) {
  std::vector<std::pair<int, int>> out;
  const int last = rec.MoveCount == 0 ? 0 : rec.Lines[0].Last;
  for (int i = 1; i <= last; ++i) out.emplace_back(rec.Moves[i].From, rec.Moves[i].Dest);
  return out;
}

}  // namespace pgntext
