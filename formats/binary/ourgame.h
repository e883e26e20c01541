// OurGame game records (聯眾棋譜, files *.CHN and *.XQI): reader only.
//
// Both versions start with the magic bytes 47 4C D0 07 and a version number.
// The older version (67534) holds the main line only, as 32-byte move records
// seen from player A's side; the newer one (67540) holds a start position and
// a move tree of 36-byte node records, each followed by its comment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class TJobState;
class TJobState;
struct TChessRec;

constexpr uint32_t kOurGameOldVersion = 67534;
constexpr uint32_t kOurGameNewVersion = 67540;
// Shortest files accepted: the magic and version, and each version's header.
constexpr size_t kOurGameMinSize = 8;
constexpr size_t kOurGameOldMinSize = 188;
constexpr size_t kOurGameNewMinSize = 508;

// Recognises the format from the first bytes of a file (registry row).
bool RecogniseOurGame(std::string_view head);

// The in-memory half of ReadOurGame, used by it and by tests and fuzzing.
// Honours the job's XQILayout (1: keep the record's start position).
bool ReadOurGameData(TJobState& job, TChessRec& rec, std::string_view data);
