// Shared types and tables of the whole program: the format table row and the
// web-page block rows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/record.h"

class TJobState;

// Reader of one record from a file or the clipboard.
using TRecordReader = bool (*)(TJobState& job, TChessRec& rec, const std::string& path);
// Writer of one completed record; returns WriteOutput's result or 0.
using TRecordWriter = int (*)(TJobState& job, TChessRec& rec, const std::string& path);

// Tells from the first bytes of a file (up to 64 KiB) whether it holds this
// format.
using TFormatRecogniser = bool (*)(std::string_view head);

// Which code pages the text of a format may be in.
enum class TCodePageRule : uint8_t {
  Any,         // GBK, Big5 or UTF-8 (UTF-16 too, as a source)
  DoubleByte,  // GBK or Big5: the format holds bytes of a Chinese double-byte code page
  GbkOnly,     // always GBK
};

// One known format. The row index in FileTypes is the format number used by
// the job, the settings keys and the command line.
struct TFileTypeRec {
  const char* Id;
  const char* Ext;
  const char* Description;
  const char* Filter;
  int32_t BreakKind;  // 0 no comments, 2 "||", 3 CR LF
  TRecordReader Reader;
  TRecordWriter Writer;
  TFormatRecogniser Recognise = nullptr;  // null: known by its extension only
  TCodePageRule CodePages = TCodePageRule::Any;
  // The reader keeps header and comment bytes as the file holds them; they are
  // converted when the record is completed.
  bool RawText = false;
  // A text format: a source may come from the clipboard, a record may go to it.
  bool Text = false;
};

constexpr int kFormatCount = 17;
extern const TFileTypeRec FileTypes[kFormatCount];

// Format numbers (rows of FileTypes).
enum TFormat : int {
  kFmtXqf = 0,
  kFmtCbf = 1,
  kFmtUbbJava = 2,
  kFmtWebC5 = 3,
  kFmtUbb = 4,
  kFmtMxq = 5,
  kFmtMcj = 6,
  kFmtChe = 7,
  kFmtOurGame = 8,
  kFmtCcm = 9,
  kFmtCnc = 10,
  kFmtPgn = 11,
  kFmtText = 12,
  kFmtTextLayout = 13,
  kFmtFen = 14,
  kFmtCbl = 15,
  kFmtCbl3 = 16,
};

// Comment line-break tokens by kind - 1.
extern const char* const BreakTokens[5];
