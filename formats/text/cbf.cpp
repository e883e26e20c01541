// CCBridge XML records: reader and writer.
#include "formats/text/cbf.h"

#include <libxml/encoding.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "core/bytereader.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/position.h"
#include "core/variants.h"

// clang-format off
const TCodeRec CbfHeadFields[kCbfHeadFieldCount] = {
    {kSlotTitle, "Name"},               {kSlotUrl, "URL"},
    {kSlotFrom, "From"},                {kSlotContestType, "ContestType"},
    {kSlotEvent, "Contest"},            {kSlotRound, "Round"},
    {kSlotGroup, "Group"},              {kSlotTable, "Table"},
    {kSlotDate, "Date"},                {kSlotSite, "Site"},
    {kSlotTimeRule, "TimeRule"},        {kSlotRedName, "Red"},
    {kSlotRedTeam, "RedTeam"},          {kSlotRedTime, "RedTime"},
    {kSlotRedRating, "RedRating"},      {kSlotBlackName, "Black"},
    {kSlotBlackTeam, "BlackTeam"},      {kSlotBlackTime, "BlackTime"},
    {kSlotBlackRating, "BlackRating"},  {kSlotReferee, "Referee"},
    {kSlotRecorder, "Recorder"},        {kSlotCommentator, "Commentator"},
    {kSlotCommentatorUrl, "CommentatorURL"}, {kSlotCreator, "Creator"},
    {kSlotCreatorUrl, "CreatorURL"},    {kSlotDateCreated, "DateCreated"},
    {kSlotDateModified, "DateModified"}, {kSlotEcco, "ECCO"},
    {kSlotRecordType, "RecordType"},    {kSlotRecordKind, "RecordKind"},
    {kSlotResult, "RecordResult"},      {kSlotResultType, "ResultType"},
    {kSlotFen, "FEN"},
};
// clang-format on

namespace {

// ---------------------------------------------------------------- reader

// No network, no error output of the library's own (errors are taken from the
// context), whitespace-only text between elements left out. Entities are not
// substituted and no DTD is loaded, so external entities are never fetched and
// entity references stay unexpanded nodes.
constexpr int kParseOptions =
    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOBLANKS;

// Decodes GBK or Big5 for the parser with the program's own code pages (the
// platform's 936 and 950, user-defined area and euro sign included), so that
// whatever the writer produces reads back. Only whole characters are taken;
// a lead byte at the end of a chunk waits for the next one. Bytes that are no
// character of the code page become "?".
template <int kCodePage>
int DecodeDbcsChunk(unsigned char* out, int* outlen, const unsigned char* in, int* inlen) {
  if (!out || !outlen || !inlen) return -2;
  const size_t available = in && *inlen > 0 ? static_cast<size_t>(*inlen) : 0;
  // One input byte never gives more than three bytes of UTF-8.
  const size_t room = *outlen > 0 ? static_cast<size_t>(*outlen) / 3 : 0;
  size_t take = 0;
  while (take < available) {
    const size_t length = in[take] >= 0x81 && in[take] <= 0xFE ? 2 : 1;
    if (take + length > available || take + length > room) break;
    take += length;
  }
  const std::string utf8 = WideToBytes(
      BytesToWide(std::string_view(reinterpret_cast<const char*>(in), take), kCodePage), kCpUtf8);
  if (utf8.size() > static_cast<size_t>(*outlen)) return -1;
  std::memcpy(out, utf8.data(), utf8.size());
  *outlen = static_cast<int>(utf8.size());
  *inlen = static_cast<int>(take);
  return *outlen;
}

void RegisterCodePageDecoders() {
  static const bool registered = [] {
    xmlInitParser();
    // The parser keeps and owns the handlers it is given.
    for (const char* name : {"GBK", "GB2312", "CP936", "WINDOWS-936"})
      xmlNewCharEncodingHandler(name, DecodeDbcsChunk<kCpGbk>, nullptr);
    for (const char* name : {"BIG5", "BIG-5", "CP950", "WINDOWS-950"})
      xmlNewCharEncodingHandler(name, DecodeDbcsChunk<kCpBig5>, nullptr);
    return true;
  }();
  (void)registered;
}

// Silences the library's messages that do not go through the parser context
// (encoding errors) while a document is parsed; the context keeps the error.
void IgnoreGenericError(void*, const char*, ...) {}

class TQuietParser {
 public:
  TQuietParser() : Handler(xmlGenericError), Context(xmlGenericErrorContext) {
    xmlSetGenericErrorFunc(nullptr, IgnoreGenericError);
  }
  ~TQuietParser() { xmlSetGenericErrorFunc(Context, Handler); }
  TQuietParser(const TQuietParser&) = delete;
  TQuietParser& operator=(const TQuietParser&) = delete;

 private:
  xmlGenericErrorFunc Handler;
  void* Context;
};

struct TXmlDocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct TXmlContextFree {
  void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
};

// Refuses every external entity or DTD that a document names.
xmlParserInputPtr RefuseExternalEntity(void*, const xmlChar*, const xmlChar*) { return nullptr; }

const char* Chars(const xmlChar* s) { return reinterpret_cast<const char*>(s); }

// An element whose name, without any namespace prefix, is `name`.
bool IsElement(const xmlNode* node, const char* name) {
  return node->type == XML_ELEMENT_NODE && (!node->ns || !node->ns->prefix) &&
         std::strcmp(Chars(node->name), name) == 0;
}

// Text nodes of nothing but XML whitespace do not count as children.
bool IsBlankText(const xmlNode* node) {
  if (node->type != XML_TEXT_NODE) return false;
  for (const xmlChar* p = node->content; p && *p; ++p)
    if (*p != ' ' && *p != '\t' && *p != '\n' && *p != '\r') return false;
  return true;
}

const xmlNode* SkipBlanks(const xmlNode* node) {
  while (node && IsBlankText(node)) node = node->next;
  return node;
}

// Header row of an element name (exact, case-sensitive); null when unknown.
const TCodeRec* FindHeadField(const xmlNode* element) {
  if (element->ns && element->ns->prefix) return nullptr;
  for (const TCodeRec& row : CbfHeadFields)
    if (std::strcmp(Chars(element->name), row.Text) == 0) return &row;
  return nullptr;
}

// The value of the unprefixed attribute `name`, nullopt when it is missing.
// Entity references other than the predefined ones stay as written ("&x;"):
// they are never expanded.
std::optional<std::string> AttributeText(const xmlNode* element, const char* name) {
  for (const xmlAttr* a = element->properties; a; a = a->next) {
    if (a->ns || std::strcmp(Chars(a->name), name) != 0) continue;
    std::string value;
    for (const xmlNode* c = a->children; c; c = c->next) {
      if (c->type == XML_TEXT_NODE && c->content)
        value += Chars(c->content);
      else if (c->type == XML_ENTITY_REF_NODE)
        value.append("&").append(Chars(c->name)).append(";");
    }
    return value;
  }
  return std::nullopt;
}

bool AttributeIsOne(const xmlNode* element, const char* name) {
  std::optional<std::string> value = AttributeText(element, name);
  return value && *value == "1";
}

// Where the texts of the document go: the Big5 hint of the declared encoding,
// the job's script mapping and its destination code page.
struct TTextTarget {
  int Hint;
  int Flag;
  int CodePage;
};

std::string ConvertText(const TTextTarget& target, const xmlChar* utf8) {
  std::string out;
  if (!utf8 || !*utf8) return out;
  WideToCodePage(out, BytesToWide(Chars(utf8), kCpUtf8), target.Hint, target.Flag, target.CodePage);
  return out;
}

// A decimal integer with optional leading blanks and sign; fallback otherwise.
int NumberOr(std::string_view s, int fallback) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  if (i < s.size() && s[i] == '+') ++i;
  if (i == s.size()) return fallback;
  int value = 0;
  auto [end, ec] = std::from_chars(s.data() + i, s.data() + s.size(), value);
  return ec == std::errc() && end == s.data() + s.size() ? value : fallback;
}

std::string NodeMessage(int node, const char* rest) {
  return SystemText("第 " + std::to_string(node) + rest);
}

// The parser's message about the document, with its line.
std::string ParserMessage(xmlParserCtxt* context) {
  const xmlError* error = xmlCtxtGetLastError(context);
  if (!error || !error->message) return "XML parser error";
  std::string text = TrimText(error->message);
  if (error->line > 0) text += " (line " + std::to_string(error->line) + ")";
  return SystemText(text);
}

bool IsColumnDigit(char16_t c) { return c >= u'0' && c <= u'8'; }
bool IsRowDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

uint8_t SquareFrom(char16_t x, char16_t y) {
  return static_cast<uint8_t>(((x - u'0') << 4) | (y - u'0'));
}

void ReadHead(const xmlNode* head, const TTextTarget& target, TChessRec& rec) {
  for (const xmlNode* field = SkipBlanks(head->children); field; field = SkipBlanks(field->next)) {
    if (field->type != XML_ELEMENT_NODE) continue;
    const xmlNode* only = SkipBlanks(field->children);
    if (!only || SkipBlanks(only->next)) continue;  // no child or several
    const TCodeRec* row = FindHeadField(field);
    if (!row) continue;
    // An entity reference or an element has no text of its own.
    if (only->type != XML_TEXT_NODE && only->type != XML_CDATA_SECTION_NODE) continue;
    rec.Texts[static_cast<size_t>(row->Code)] = ConvertText(target, only->content);
  }
}

// Reads the Move elements into nodes 0, 1, ...; returns the last node read,
// -1 when none.
int ReadMoveList(TJobState& job, const xmlNode* list, const TTextTarget& target, TChessRec& rec) {
  int count = 0;
  for (const xmlNode* c = SkipBlanks(list->children); c; c = SkipBlanks(c->next)) ++count;
  SetMoveCapacity(rec, count);
  int last = -1;
  int node = 0;
  for (const xmlNode* c = SkipBlanks(list->children); c; c = SkipBlanks(c->next), ++node) {
    if (!IsElement(c, "Move") || !c->properties) break;
    std::optional<std::string> value = AttributeText(c, "value");
    if (!value) break;
    const std::u16string v = BytesToWide(*value, kCpUtf8);
    if (v.size() != 5) break;
    if (!IsColumnDigit(v[0]) || !IsRowDigit(v[1])) {
      job.LogRecord(rec, NodeMessage(node, " 步棋的開始位置錯誤。"), kLogError);
      break;
    }
    if (!IsColumnDigit(v[3]) || !IsRowDigit(v[4])) {
      job.LogRecord(rec, NodeMessage(node, " 步棋的到達位置錯誤。"), kLogError);
      break;
    }
    TMoveNode& move = rec.Moves[static_cast<size_t>(node)];
    move.From = SquareFrom(v[0], v[1]);
    move.Dest = SquareFrom(v[3], v[4]);
    move.Flags = (AttributeIsOne(c, "end") ? 0 : kFlagContinues) |
                 (AttributeIsOne(c, "branch") ? kFlagHasAlt : 0);
    for (const xmlNode* part = c->children; part; part = part->next) {
      if (part->type != XML_CDATA_SECTION_NODE) continue;
      std::string comment = ConvertText(target, part->content);
      if (!comment.empty()) SetMoveText(rec, node, comment);
      break;
    }
    last = node;
  }
  return last;
}

// ---------------------------------------------------------------- writer

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr const char* kEncodingNames[3] = {"GBK", "BIG5", "UTF-8"};

// The writer describes its output once and runs the description twice: first
// to count the bytes, then to append them into a buffer of that size.
struct TSizer {
  size_t Size = 0;
  void Put(std::string_view s) { Size += s.size(); }
};
struct TAppender {
  std::string& Out;
  void Put(std::string_view s) { Out.append(s); }
};

// Control characters that XML does not allow anywhere; written as blanks so
// that the file stays readable. No byte below 0x20 is ever part of a GBK or
// Big5 double-byte character.
bool IsForbiddenControl(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b < 0x20 && b != '\t' && b != '\n' && b != '\r';
}

const char* EscapeOf(char c) {
  for (const TXmlEscape& e : kXmlEscapes)
    if (e.Plain == c) return e.Escaped;
  return nullptr;
}

template <class TSink>
void PutHeadValue(TSink& sink, std::string_view value) {
  size_t run = 0;
  for (size_t i = 0; i < value.size(); ++i) {
    const char* escaped = EscapeOf(value[i]);
    const bool control = !escaped && IsForbiddenControl(value[i]);
    if (!escaped && !control) continue;
    sink.Put(value.substr(run, i - run));
    sink.Put(escaped ? std::string_view(escaped) : std::string_view(" "));
    run = i + 1;
  }
  sink.Put(value.substr(run));
}

// Comments go into CDATA unescaped; a "]]>" inside becomes "] ]>" (found only
// at character starts of the destination code page) so that the section ends
// only where it should.
template <class TSink>
void PutComment(TSink& sink, std::string_view comment, int codePage) {
  const bool closes = comment.find("]]>") != std::string_view::npos;
  const bool controls = std::any_of(comment.begin(), comment.end(), IsForbiddenControl);
  if (!closes && !controls) {
    sink.Put(comment);
    return;
  }
  std::string copy(comment);
  if (controls) std::replace_if(copy.begin(), copy.end(), IsForbiddenControl, ' ');
  if (closes) ReplaceAllDbcs(codePage, copy, "]]>", true, "] ]>");
  sink.Put(copy);
}

template <class TSink>
void PutSquares(TSink& sink, uint8_t from, uint8_t dest) {
  if (!IsValidSquare(from) || !IsValidSquare(dest)) {
    sink.Put("XX-XX");
    return;
  }
  const char value[5] = {static_cast<char>('0' + (from >> 4)), static_cast<char>('0' + (from & 15)),
                         '-', static_cast<char>('0' + (dest >> 4)),
                         static_cast<char>('0' + (dest & 15))};
  sink.Put(std::string_view(value, 5));
}

std::string_view SlotText(const TChessRec& rec, int slot) {
  return slot > 0 && static_cast<size_t>(slot) < rec.Texts.size()
             ? std::string_view(rec.Texts[static_cast<size_t>(slot)])
             : std::string_view();
}

template <class TSink>
void EmitCbf(TSink& sink, const TJobState& job, const TChessRec& rec, int last) {
  const int cpIndex = std::clamp(job.DstCodePageIndex, 0, 2);
  const int codePage = static_cast<int>(job.DstCodePage);
  if (cpIndex == 2) sink.Put(kUtf8Bom);
  sink.Put("<?xml version=\"1.0\" encoding=\"");
  sink.Put(kEncodingNames[cpIndex]);
  sink.Put("\"?>\r\n<ChineseChessRecord Version=\"1.0\">\r\n  <Head>\r\n");
  const std::string recordType = std::to_string(rec.GameType);
  for (const TCodeRec& field : CbfHeadFields) {
    const std::string_view value =
        field.Code == kSlotRecordType ? std::string_view(recordType) : SlotText(rec, field.Code);
    sink.Put("    <");
    sink.Put(field.Text);
    if (value.empty()) {
      sink.Put("/>\r\n");
      continue;
    }
    sink.Put(">");
    PutHeadValue(sink, value);
    sink.Put("</");
    sink.Put(field.Text);
    sink.Put(">\r\n");
  }
  sink.Put("  </Head>\r\n  <MoveList>\r\n");
  for (int i = 0; i <= last; ++i) {
    const TMoveNode& move = rec.Moves[static_cast<size_t>(i)];
    sink.Put("    <Move value=\"");
    if (i == 0)
      sink.Put("00-00");  // node 0 is the start position, not a move
    else
      PutSquares(sink, move.From, move.Dest);
    sink.Put("\"");
    if (!(move.Flags & kFlagContinues)) sink.Put(" end=\"1\"");
    if (move.Flags & kFlagHasAlt) sink.Put(" branch=\"1\"");
    if (i > 0 && move.NoteHead == 0xFF) sink.Put(" ErrorMove=\"1\"");
    const std::string_view comment = SlotText(rec, move.TextIndex);
    if (comment.empty()) {
      sink.Put("/>\r\n");
      continue;
    }
    sink.Put("><![CDATA[");
    PutComment(sink, comment, codePage);
    sink.Put("]]></Move>\r\n");
  }
  sink.Put("  </MoveList>\r\n</ChineseChessRecord>\r\n");
}

}  // namespace

bool ReadCbfData(TJobState& job, TChessRec& rec, std::string_view bytes) {
  try {
    if (bytes.size() > static_cast<size_t>(INT_MAX)) {
      job.LogRecord(rec, SystemText("此文件太大，不能讀取。"), kLogError);
      return false;
    }
    RegisterCodePageDecoders();
    TQuietParser quiet;
    std::unique_ptr<xmlParserCtxt, TXmlContextFree> context(xmlNewParserCtxt());
    if (!context || !context->sax) throw std::bad_alloc();
    context->sax->resolveEntity = RefuseExternalEntity;
    std::unique_ptr<xmlDoc, TXmlDocFree> doc(xmlCtxtReadMemory(context.get(), bytes.data(),
                                                               static_cast<int>(bytes.size()),
                                                               nullptr, nullptr, kParseOptions));
    if (!doc) {
      job.LogRecord(rec, ParserMessage(context.get()), kLogError);
      return false;
    }
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    if (!root || !IsElement(root, "ChineseChessRecord")) {
      job.LogRecord(rec, SystemText("此文件不是象棋橋XML棋譜文件。"), kLogError);
      return false;
    }
    const xmlNode* head = nullptr;
    const xmlNode* moveList = nullptr;
    for (const xmlNode* c = root->children; c; c = c->next) {
      if (IsElement(c, "Head")) head = c;
      if (IsElement(c, "MoveList")) moveList = c;
    }
    const std::string declared = doc->encoding ? UpperAscii(Chars(doc->encoding)) : std::string();
    const TTextTarget target{declared == "BIG5" ? kCpBig5 : 0, job.MapFlags,
                             static_cast<int>(job.DstCodePage)};
    if (head) ReadHead(head, target, rec);
    ParseFen(rec, rec.Texts[kSlotFen]);
    rec.GameType = NumberOr(rec.Texts[kSlotRecordType], 1);
    rec.GameResult = NumberOr(rec.Texts[kSlotResult], 0);
    const int last = moveList ? ReadMoveList(job, moveList, target, rec) : -1;
    BuildTreeFromFlags(rec, last);
    return true;
  } catch (const std::exception& e) {
    job.LogRecord(rec, e.what(), kLogError);
    return false;
  }
}

bool RecogniseCbf(std::string_view head) {
  // Only blanks, the declaration, comments and a document type may stand
  // before the root element.
  if (head.starts_with("\xEF\xBB\xBF")) head.remove_prefix(3);
  size_t p = 0;
  while (p < head.size()) {
    if (static_cast<unsigned char>(head[p]) <= ' ') {
      ++p;
      continue;
    }
    const std::string_view rest = head.substr(p);
    const char* close = rest.starts_with("<?")     ? "?>"
                        : rest.starts_with("<!--") ? "-->"
                        : rest.starts_with("<!")   ? ">"
                                                   : nullptr;
    if (close == nullptr) return rest.starts_with("<ChineseChessRecord");
    const size_t end = head.find(close, p + 2);
    if (end == std::string_view::npos) return false;
    p = end + std::string_view(close).size();
  }
  return false;
}

size_t RenderCbf(const TJobState& job, const TChessRec& rec, std::string& out) {
  const int last =
      rec.Moves.empty() ? -1 : std::clamp(rec.MoveCount, 0, static_cast<int>(rec.Moves.size()) - 1);
  TSizer sizer;
  EmitCbf(sizer, job, rec, last);
  out.clear();
  out.reserve(sizer.Size);
  TAppender appender{out};
  EmitCbf(appender, job, rec, last);
  return sizer.Size;
}
