// The format table: one row per known format, holding every fact the jobs
// need about it: identifier, file extension, description, file mask, comment
// line-break kind, how a source is read, reader and writer, how it is
// recognised, its code pages and which jobs offer it. A new format adds its
// row here and its own files; nothing else names it.
#include "formats/text/registry.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <type_traits>

#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/uglobal.h"
#include "formats/binary/ccm.h"
#include "formats/binary/che.h"
#include "formats/binary/cnc.h"
#include "formats/binary/mxq.h"
#include "formats/binary/ourgame.h"
#include "formats/binary/xqf.h"
#include "formats/ccbridge/cbl.h"
#include "formats/ccbridge/cbl3.h"
#include "formats/text/cbf.h"
#include "formats/text/dhtmlxq.h"
#include "formats/text/diagram.h"
#include "formats/text/fenfile.h"
#include "formats/text/pgn.h"
#include "formats/text/text.h"
#include "formats/text/webc5.h"
#include "formats/text/webpage.h"

namespace {

// The row's reader: a format's reader on the loaded bytes or text.
template <auto Read>
bool ReaderOf(TJobState& job, TChessRec& rec, std::string& data) {
  return Read(job, rec, data);
}

// The row's writer: a format's renderer, with or without the job state.
template <auto Render>
size_t WriterOf(TJobState& job, TChessRec& rec, std::string& out) {
  if constexpr (std::is_invocable_v<decltype(Render), TJobState&, TChessRec&, std::string&>)
    return Render(job, rec, out);
  else
    return Render(rec, out);
}

constexpr uint8_t kAnySource = kOfferAnySource | kOfferLibrarySource;
constexpr uint8_t kAnyDestination = kOfferAnyDestination;

}  // namespace

const TFileTypeRec FileTypes[] = {
    {.Id = "XQF",
     .Ext = "XQF",
     .Description = "象棋演播室棋譜",
     .Summary = "XQF records, versions 1.0 to 1.8; written as 1.0 or 1.8",
     .Filter = "*.XQF",
     .BreakKind = 3,
     .Source = TSourceKind::Bytes,
     .Reader = ReaderOf<ReadXqfData>,
     .Writer = WriterOf<RenderXqfRecord>,
     .Recognise = RecogniseXqf,
     .CodePages = TCodePageRule::DoubleByte,
     .RawText = true,
     .Offers = kAnySource | kAnyDestination},
    {.Id = "CBF",
     .Ext = "CBF",
     .Description = "象棋橋XML棋譜",
     .Summary = "CCBridge XML record",
     .Filter = "*.CBF",
     .BreakKind = 3,
     .Source = TSourceKind::Bytes,
     .Reader = ReaderOf<ReadCbfData>,
     .Writer = WriterOf<RenderCbf>,
     .Recognise = RecogniseCbf,
     .Offers = kAnySource | kAnyDestination},
    {.Id = "UBBJava",
     .Ext = "HTM",
     .Description = "東萍、汕頭棋院、Java",
     .Summary = "web pages: DhtmlXQ blocks, WebCchess 5 and CCBridge Java applets, other applet "
                "pages, STQY pages",
     .Filter = "*.HTM;*.HTML",
     .BreakKind = 2,
     .Source = TSourceKind::Page,
     .Recognise = RecogniseWebPage,
     .Text = true,
     .Offers = kAnySource},
    {.Id = "WebC5",
     .Ext = "HTM",
     .Description = "[WebCchess 5]",
     .Summary = "WebCchess 5 page (at most 10,000 moves)",
     .Filter = "*.HTM;*.HTML",
     .BreakKind = 2,
     .Writer = WriterOf<RenderWebC5>,
     .BeforeWrite = LimitWebC5Moves,
     .Text = true,
     .Offers = kAnyDestination},
    {.Id = "UBB",
     .Ext = "HTM",
     .Description = "東萍新格式",
     .Summary = "DhtmlXQ page, with the page templates",
     .Filter = "*.HTM;*.HTML",
     .BreakKind = 2,
     .Writer = WriterOf<RenderDhtmlXQRecord>,
     .Text = true,
     .Offers = kAnyDestination},
    {.Id = "MXQ",
     .Ext = "MXQ",
     .Description = "弈天全局棋譜",
     .Summary = "弈天 full-game record",
     .Filter = "*.MXQ",
     .Source = TSourceKind::Bytes,
     .Reader = ReaderOf<ReadMxqData>,
     .CodePages = TCodePageRule::DoubleByte,
     .RawText = true,
     .Offers = kAnySource},
    {.Id = "MCJ",
     .Ext = "MCJ",
     .Description = "弈天殘局棋譜",
     .Summary = "弈天 endgame record",
     .Filter = "*.MCJ",
     .Source = TSourceKind::Bytes,
     .Reader = ReaderOf<ReadMcjData>,
     .Offers = kAnySource},
    {.Id = "CHE",
     .Ext = "CHE",
     .Description = "QQ棋譜",
     .Summary = "move-list record (QQ)",
     .Filter = "*.CHE",
     .Source = TSourceKind::Bytes,
     .Reader = ReaderOf<ReadCheData>,
     .TitleFromName = TitleFromCheName,
     .Offers = kAnySource},
    {.Id = "OurGame",
     .Ext = "CHN",
     .Description = "聯眾棋譜",
     .Summary = "OurGame records, both layouts",
     .Filter = "*.CHN;*.XQI",
     .BreakKind = 3,
     .Source = TSourceKind::Bytes,
     .Reader = ReaderOf<ReadOurGameData>,
     .Recognise = RecogniseOurGame,
     .CodePages = TCodePageRule::GbkOnly,
     .RawText = true,
     .Offers = kAnySource},
    {.Id = "CCM",
     .Ext = "CCM",
     .Description = "中國游戲中心棋譜",
     .Summary = "move-list record (game centre)",
     .Filter = "*.CCM",
     .Source = TSourceKind::Bytes,
     .Reader = ReaderOf<ReadCcmData>,
     .TitleFromName = TitleFromCcmName,
     .Offers = kAnySource},
    {.Id = "CNC",
     .Ext = "CNC",
     .Description = "楚漢棋緣棋譜",
     .Summary = "move-list record",
     .Filter = "*.CNC",
     .Source = TSourceKind::Bytes,
     .Reader = ReaderOf<ReadCncData>,
     .Writer = WriterOf<RenderCnc>,
     .Recognise = RecogniseCnc,
     .Offers = kAnySource | kAnyDestination},
    {.Id = "PGN",
     .Ext = "PGN",
     .Description = "便攜式棋譜",
     .Summary = "portable game notation: Chinese, WXF or ICCS moves, variations; a file holds any "
                "number of games (the seven-argument form reads the first)",
     .Filter = "*.PGN",
     .BreakKind = 3,
     .Source = TSourceKind::Text,
     .TextCodePage = kCpUtf8,
     .Reader = ReaderOf<ReadPgnText>,
     .Writer = WriterOf<RenderPgn>,
     .Recognise = RecognisePgn,
     .Text = true,
     .Offers = kAnySource | kAnyDestination},
    {.Id = "Text",
     .Ext = "TXT",
     .Description = "文本棋譜",
     .Summary = "plain-text record with branch sections and a board diagram (Chinese moves)",
     .Filter = "*.TXT",
     .BreakKind = 3,
     .Source = TSourceKind::Text,
     .TextCodePage = kCpUtf8,
     .Reader = ReaderOf<ReadTextContent>,
     .Writer = WriterOf<RenderText>,
     .Text = true,
     .Offers = kAnySource | kAnyDestination},
    {.Id = "TextLayout",
     .Ext = "TXT",
     .Description = "文本棋圖",
     .Summary = "text board diagram",
     .Filter = "*.TXT",
     .Source = TSourceKind::Text,
     .TextCodePage = kCpGbk,
     .Reader = ReaderOf<ReadDiagramText>,
     .Text = true,
     .Offers = kAnySource},
    {.Id = "FEN",
     .Ext = "FEN",
     .Description = "FEN局面",
     .Summary = "FEN position",
     .Filter = "*.FEN",
     .Source = TSourceKind::Text,
     .TextCodePage = kCpUtf8,
     .Reader = ReaderOf<ReadFenText>,
     .Writer = WriterOf<RenderFenRecord>,
     .Text = true,
     .Offers = kAnySource | kAnyDestination},
    {.Id = "CBL",
     .Ext = "CBL",
     .Description = "象棋橋2.x棋庫",
     .Summary =
         "CCBridge 2.x library (zlib): read by the library jobs, written by building a library",
     .Filter = "*.CBL",
     .BreakKind = 2,
     .Source = TSourceKind::Library,
     .Recognise = RecogniseCbl,
     .CodePages = TCodePageRule::GbkOnly,
     .RawText = true,
     .Offers = kOfferLibrarySource},
    {.Id = "CBL3",
     .Ext = "CBL",
     .Description = "象棋橋3.0棋庫",
     .Summary = "CCBridge 3.0 library, cut into .CBR files by the library job",
     .Filter = "*.CBL",
     .BreakKind = 3,
     .Recognise = RecogniseCbl3},
};

const char* const BreakTokens[5] = {"|", "||", "\r\n", "<br>", "  "};

const int kFormatCount = static_cast<int>(std::size(FileTypes));

std::string FormatNames[std::size(FileTypes)];
std::string FormatIds[std::size(FileTypes)];
std::string DialogFilters[std::size(FileTypes)];

void BuildFormatStrings() {
  for (int i = 0; i < kFormatCount; ++i) {
    const TFileTypeRec& row = FileTypes[i];
    FormatNames[i] = std::string(row.Description) + " (" + row.Filter + ")";
    FormatIds[i] = row.Id;
    for (char& c : FormatIds[i]) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    DialogFilters[i] = FormatNames[i] + "|" + row.Filter;
  }
}

namespace {
// The derived strings exist before anything can ask for them.
const bool kFormatStringsBuilt = (BuildFormatStrings(), true);
}  // namespace

int FormatIndexOf(const std::string& text, int selector) {
  const std::string* list = selector == 0 ? FormatNames : selector == 1 ? FormatIds : nullptr;
  if (!list) return 0;
  for (int i = 0; i < kFormatCount; ++i)
    if (list[i] == text) return i;
  return 0;
}

std::string FormatIdList(uint8_t offer, std::string_view separator, std::string_view last,
                         bool upper) {
  const std::vector<int> rows = RowsOffering(offer);
  std::string list;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (i > 0) list += i + 1 == rows.size() ? last : separator;
    list += upper ? UpperAscii(FileTypes[rows[i]].Id) : LowerAscii(FileTypes[rows[i]].Id);
  }
  return list;
}

std::string FormatTable() {
  std::string table =
      "| name | format | extension | read | write |\n"
      "|---|---|---|---|---|\n";
  for (int row = 0; row < kFormatCount; ++row) {
    const TFileTypeRec& r = FileTypes[row];
    std::string extensions;
    for (std::string_view mask = r.Filter; !mask.empty();) {
      const size_t semicolon = std::min(mask.find(';'), mask.size());
      if (!extensions.empty()) extensions += ", ";
      extensions += mask.substr(1, semicolon - 1);
      mask.remove_prefix(std::min(semicolon + 1, mask.size()));
    }
    std::string read;
    switch (r.Source) {
      case TSourceKind::Bytes:
      case TSourceKind::Text:
      case TSourceKind::Library:
        read = "yes";
        break;
      case TSourceKind::Page:
        read = "yes: every record of a page";
        break;
      case TSourceKind::None:
        // A page that is only written is read through the page row of its mask.
        for (const TFileTypeRec& page : FileTypes)
          if (page.Source == TSourceKind::Page && std::string_view(page.Filter) == r.Filter)
            read = std::string("through `") + page.Id + "`";
        break;
    }
    table += std::string("| `") + r.Id + "` | " + r.Summary + " | " + extensions + " | " + read +
             " | " + (r.Writer ? "yes" : "") + " |\n";
  }
  return table;
}

std::vector<int> RowsOffering(uint8_t offer) {
  std::vector<int> rows;
  for (int row = 0; row < kFormatCount; ++row)
    if (FileTypes[row].Offers & offer) rows.push_back(row);
  return rows;
}

std::string ReadingLine(uint32_t format, const std::string& path) {
  return SystemText(SourceKindOf(format) == TSourceKind::Library ? "\r\n讀取象棋橋2.x棋庫："
                                                                 : "\r\n讀取棋譜：") +
         path;
}
