// XQF game records (象棋演播室棋譜): reader and writer.
//
// An XQF file is a 1024-byte header followed by one move record per tree node
// in pre-order. Versions up to 1.0 use the plain layout with fixed square keys;
// versions 1.1 to 1.8 derive their keys from eight header bytes and scramble
// the whole body with a 32-byte key, and from 1.2 on also rotate the piece
// slots. The writer produces version 1.0 or 1.8 (the job's XQFVersion).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class TJobState;
class TJobState;
struct TChessRec;

// The 32-byte constant that masks the body key of versions 1.1 and up.
extern const char XqfMaskText[33];

constexpr size_t kXqfHeaderSize = 1024;
// Shortest file accepted: the header up to the end of its last text field.
constexpr size_t kXqfMinSize = 496;

struct TXqfKeys {
  uint8_t PieceKey = 0;
  uint8_t FromKey = 24;
  uint8_t DestKey = 32;
  int32_t CommentKey = 0;
  uint8_t BodyKey[32] = {};
};

// Keys of the keyed layout from header bytes 3 and 8..15 (header must hold at
// least 16 bytes).
TXqfKeys DeriveXqfKeys(const uint8_t* header);

// Length-prefixed header texts, addressed by their record text slot 51..61
// (other slots read as empty and are not written). The header must hold at
// least kXqfMinSize bytes. codePage selects the double-byte rule used when a
// text is cut at its field's end: 936 GBK (the XQF default), 950 Big5 or
// 65001 UTF-8.
std::string ReadShortText(const uint8_t* header, int slot, int codePage = 936);
void WriteShortText(uint8_t* header, int slot, std::string_view text, int codePage = 936);

// Recognises the format from the first bytes of a file (registry row).
bool RecogniseXqf(std::string_view head);
// The row's writer: rec as XQF version job.XQFVersion in the destination code page.
size_t RenderXqfRecord(TJobState& job, TChessRec& rec, std::string& out);

// The in-memory halves of the two, used by ReadXqf/WriteXqf and by tests and
// fuzzing. ReadXqfData unscrambles `data` in place.
bool ReadXqfData(TJobState& job, TChessRec& rec, std::string& data);
// Renders rec as XQF `version` (10 or 18) into out; returns the size computed
// in advance (equal to out.size()).
size_t RenderXqf(const TChessRec& rec, int version, int codePage, std::string& out);
