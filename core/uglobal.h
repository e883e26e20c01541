// Shared types and tables of the whole program: the format table row and the
// web-page block rows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TJobState;
struct TChessRec;

// The program's name and version, as --version and the window caption show it.
inline constexpr const char* kAppTitle = "Tavrik 1.21";

// Reader of one record from the loaded source: the file's bytes, or its text
// decoded to the row's TextCodePage. The reader may change the bytes in place
// (XQF unscrambles them).
using TRecordReader = bool (*)(TJobState& job, TChessRec& rec, std::string& data);
// Renders one completed record into out and returns the number of bytes of it
// to write.
using TRecordRenderer = size_t (*)(TJobState& job, TChessRec& rec, std::string& out);
// Takes the title (and what else the name carries) from a source file's name,
// without folder and extension, in the destination code page.
using TTitleFromName = void (*)(TJobState& job, TChessRec& rec, const std::string& name);
// A step on a completed record before it is rendered.
using TRecordStep = void (*)(TJobState& job, TChessRec& rec);

// Tells from the first bytes of a file (up to 64 KiB) whether it holds this
// format.
using TFormatRecogniser = bool (*)(std::string_view head);

// Which code pages the text of a format may be in.
enum class TCodePageRule : uint8_t {
  Any,         // GBK, Big5 or UTF-8 (UTF-16 too, as a source)
  DoubleByte,  // GBK or Big5: the format holds bytes of a Chinese double-byte code page
  GbkOnly,     // always GBK
};

// How a source of a format is read.
enum class TSourceKind : uint8_t {
  None,     // not read
  Bytes,    // the file's bytes go to the reader as they are
  Text,     // the file's or the clipboard's text, decoded to TextCodePage
  Page,     // a web page: every record block in it is read
  Library,  // a library file of many records
};

// The jobs that offer a format, as a source or as a destination. Exporting a
// library offers the destinations of the any-format job.
enum TJobOffer : uint8_t {
  kOfferAnySource = 1,       // source of the any-format job
  kOfferAnyDestination = 2,  // destination of the any-format job and of library export
  kOfferLibrarySource = 4,   // source of building a library
};

// One known format. The row index in FileTypes is the format number used by
// the job, the settings keys and the command line. Everything the jobs need to
// know about a format is here.
struct TFileTypeRec {
  const char* Id;
  const char* Ext;
  const char* Description;  // the caption of the format lists
  const char* Summary;      // what the format is, for the README's format table
  const char* Filter;
  int32_t BreakKind = 0;  // 0 no comments, 2 "||", 3 CR LF
  TSourceKind Source = TSourceKind::None;
  int32_t TextCodePage = 0;        // for TSourceKind::Text: the code page the reader takes
  TRecordReader Reader = nullptr;  // for TSourceKind::Bytes and Text
  TRecordRenderer Writer = nullptr;
  TRecordStep BeforeWrite = nullptr;
  TTitleFromName TitleFromName = nullptr;  // null: the name is the title
  TFormatRecogniser Recognise = nullptr;   // null: known by its extension only
  TCodePageRule CodePages = TCodePageRule::Any;
  // The reader keeps header and comment bytes as the file holds them; they are
  // converted when the record is completed.
  bool RawText = false;
  // A text format: a source may come from the clipboard, a record may go to it.
  bool Text = false;
  uint8_t Offers = 0;  // TJobOffer bits
};

// The format table (formats/text/registry.cpp) and its length.
extern const TFileTypeRec FileTypes[];
extern const int kFormatCount;

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
