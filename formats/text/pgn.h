// PGN records: a tag section of [Name "value"] lines followed by move text in
// Chinese notation, WXF letters or ICCS coordinates.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class TJobState;
class TJobState;
struct TChessRec;

// One row of the tag table: the tag name as written and the header slot of
// Texts it fills.
struct TPgnTag {
  const char* Name;
  int Slot;
};
constexpr int kPgnTagCount = 14;
extern const TPgnTag PgnTags[kPgnTagCount];

// Result texts by GameResult - 1.
extern const char* const PgnResultTexts[4];

// Notation of the move text: the job's PGNFormat and the Format tag.
constexpr int kPgnChinese = 0;
constexpr int kPgnWxf = 1;
constexpr int kPgnIccs = 2;

// Recognises the format from the first bytes of a file (registry row).
// PGN text begins with a tag pair such as [Event "..."].
bool RecognisePgn(std::string_view head);

// The reader after loading: reads the first game of PGN text already decoded
// to UTF-8 into a freshly reset record. Logs through the job; returns whether
// the record is usable.
bool ReadPgnText(TJobState& job, TChessRec& rec, std::string_view text);

// Splits PGN text into its games: a tag section that follows move text opens
// the next game. Lines inside {} comments never do. Text without any game is
// one (empty) game.
std::vector<std::string_view> SplitPgnGames(std::string_view text);

// The writer before output: renders a completed record as PGN bytes into out
// (replacing its content) and returns the size estimate that goes with it.
size_t RenderPgn(const TJobState& job, TChessRec& rec, std::string& out);
