// Code-page conversion through ICU, simplified/traditional mapping through the
// ICU Han transliterators, and byte-level text helpers that know about the
// double-byte characters of GBK and Big5.
#include "core/encoding.h"

#include <unicode/translit.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "core/jobstate.h"

namespace {

// ---------------------------------------------------------------------------
// Converters, opened on first use and kept for the whole process.

// Writes "?" for every byte sequence that is invalid or has no Unicode mapping.
void ToUnicodeQuestionMark(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                           UConverterCallbackReason reason, UErrorCode* err) {
  if (reason > UCNV_IRREGULAR) return;  // reset, close or clone: nothing to substitute
  *err = U_ZERO_ERROR;
  static const UChar kQuestion = u'?';
  ucnv_cbToUWriteUChars(args, &kQuestion, 1, 0, err);
}

struct TConverters {
  UConverter* Gbk = nullptr;
  UConverter* Big5 = nullptr;
  UConverter* Utf8 = nullptr;
  ~TConverters() {
    for (UConverter* c : {Gbk, Big5, Utf8})
      if (c) ucnv_close(c);
  }
};

TConverters& Converters() {
  static TConverters converters;
  return converters;
}

UConverter* OpenConverter(const char* name) {
  UErrorCode err = U_ZERO_ERROR;
  UConverter* conv = ucnv_open(name, &err);
  if (U_FAILURE(err) || !conv) {
    // ICU data without the Windows tables: fall back to ICU's plain names.
    err = U_ZERO_ERROR;
    if (std::strcmp(name, "windows-936-2000") == 0) conv = ucnv_open("GBK", &err);
    if (std::strcmp(name, "windows-950-2000") == 0) conv = ucnv_open("Big5", &err);
    if (U_FAILURE(err) || !conv) {
      err = U_ZERO_ERROR;
      conv = ucnv_open("UTF-8", &err);
    }
  }
  // Best-fit mappings, as the platform's own conversion uses them.
  ucnv_setFallback(conv, true);
  err = U_ZERO_ERROR;
  ucnv_setSubstChars(conv, "?", 1, &err);
  err = U_ZERO_ERROR;
  ucnv_setToUCallBack(conv, ToUnicodeQuestionMark, nullptr, nullptr, nullptr, &err);
  return conv;
}

// The code pages this program knows; anything else is treated as UTF-8.
int KnownCodePage(int cp) {
  if (cp == kCpGbk || cp == kCpBig5 || cp == kCpUtf8) return cp;
  return kCpUtf8;
}

// Byte text in "code page 0" is in the system code page.
int ByteCodePage(int cp) { return KnownCodePage(cp == 0 ? Process().SystemCodePage : cp); }

UConverter* ConverterFor(int cp) {
  TConverters& all = Converters();
  switch (KnownCodePage(cp)) {
    case kCpGbk:
      if (!all.Gbk) all.Gbk = OpenConverter("windows-936-2000");
      return all.Gbk;
    case kCpBig5:
      if (!all.Big5) all.Big5 = OpenConverter("windows-950-2000");
      return all.Big5;
    default:
      if (!all.Utf8) all.Utf8 = OpenConverter("UTF-8");
      return all.Utf8;
  }
}

bool IsAscii(std::string_view s) {
  for (unsigned char b : s)
    if (b >= 0x80) return false;
  return true;
}

// Whether the double-byte character lead, trail of code page cp (GBK or Big5)
// decodes and encodes back to the same two bytes. Asked of ICU once per
// character and code page, then remembered.
bool PairRoundTrips(int cp, unsigned char lead, unsigned char trail) {
  enum : uint8_t { kUnknown, kSame, kChanged };
  static std::atomic<uint8_t> known[2][0x10000];
  std::atomic<uint8_t>& entry = known[cp == kCpBig5 ? 1 : 0][(lead << 8) | trail];
  uint8_t state = entry.load(std::memory_order_relaxed);
  if (state == kUnknown) {
    const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    const std::string_view bytes(pair, 2);
    state = WideToBytes(BytesToWide(bytes, cp), cp) == bytes ? kSame : kChanged;
    entry.store(state, std::memory_order_relaxed);
  }
  return state == kSame;
}

// True when decoding text from code page cp and encoding it back gives the
// same bytes. Only well-formed text passes: UTF-8 as ICU defines it; in GBK
// and Big5 ASCII bytes and double-byte characters (lead 0x81..0xFE, trail
// 0x40..0xFE but 0x7F) that round-trip on their own. Anything else (a lone
// lead byte, a single high byte) answers false and takes the full conversion.
bool RoundTripsUnchanged(std::string_view text, int cp) {
  const size_t n = text.size();
  if (cp == kCpUtf8) {
    const uint8_t* s = reinterpret_cast<const uint8_t*>(text.data());
    for (int32_t i = 0, length = static_cast<int32_t>(n); i < length;) {
      UChar32 c;
      U8_NEXT(s, i, length, c);
      if (c < 0) return false;
    }
    return n <= static_cast<size_t>(INT32_MAX);
  }
  for (size_t i = 0; i < n; ++i) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) continue;
    if (lead < 0x81 || lead == 0xFF || i + 1 == n) return false;
    const unsigned char trail = static_cast<unsigned char>(text[++i]);
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
    if (!PairRoundTrips(cp, lead, trail)) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Script mapping.

std::unique_ptr<icu::Transliterator> CreateMapper(const char* id) {
  UErrorCode err = U_ZERO_ERROR;
  std::unique_ptr<icu::Transliterator> t(
      icu::Transliterator::createInstance(icu::UnicodeString(id, -1, US_INV), UTRANS_FORWARD, err));
  if (U_FAILURE(err)) t.reset();
  return t;
}

// Maps UTF-16 units one by one, as the platform's locale mapping does (so
// punctuation such as curly quotes is left alone). Each
// unit is passed through the ICU transliterator once, on first sight, and the
// answer is kept in a table of the whole BMP, so that a long text costs one
// table look-up per character.
class TScriptMapper {
 public:
  explicit TScriptMapper(const char* id) : id_(id) {}

  void Map(std::u16string& w) {
    for (char16_t& c : w) {
      if (c < kFirstHan || (c >= 0xD800 && c <= 0xDFFF)) continue;
      if (table_.empty()) {
        if (failed_) return;
        translit_ = CreateMapper(id_);
        failed_ = !translit_;
        if (failed_) return;
        table_.assign(0x10000, u'\0');
      }
      char16_t& mapped = table_[c];
      if (mapped == 0) mapped = MapOne(c);
      c = mapped;
    }
  }

  static constexpr char16_t kFirstHan = 0x2E80;

 private:
  char16_t MapOne(char16_t c) {
    // The transliterators also swap corner brackets and curly quotes; a script
    // mapping changes Han characters only.
    UErrorCode err = U_ZERO_ERROR;
    if (uscript_getScript(c, &err) != USCRIPT_HAN) return c;
    icu::UnicodeString one(c);
    translit_->transliterate(one);
    // Only a one-for-one answer is taken, so the text keeps its length.
    return one.length() == 1 ? one.charAt(0) : c;
  }

  const char* id_;
  bool failed_ = false;
  std::unique_ptr<icu::Transliterator> translit_;
  std::vector<char16_t> table_;
};

// Only Han characters take part in the mapping; text without them never
// builds a transliterator.
bool MayNeedMapping(std::u16string_view w) {
  for (char16_t c : w)
    if (c >= TScriptMapper::kFirstHan) return true;
  return false;
}

void MapScript(std::u16string& w, int flag) {
  static TScriptMapper toTraditional("Simplified-Traditional");
  static TScriptMapper toSimplified("Traditional-Simplified");
  if (flag & kMapToTraditional)
    toTraditional.Map(w);
  else if (flag & kMapToSimplified)
    toSimplified.Map(w);
}

// The flag after the Big5 rule: Big5 cannot hold simplified characters, so a
// Big5 destination always maps to traditional unless the text is Big5 already.
int EffectiveFlag(int src, int flag, int dst) {
  if (KnownCodePage(dst) == kCpBig5) return src == kCpBig5 ? 0 : kMapToTraditional;
  return flag;
}

// ---------------------------------------------------------------------------
// Double-byte helpers.

bool IsDbcs(int cp) { return cp == kCpGbk || cp == kCpBig5; }
bool IsLeadRange(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

// Length of the character at 0-based i (1 or 2).
size_t DbcsCharLen(std::string_view t, size_t i) {
  return (IsLeadRange(static_cast<unsigned char>(t[i])) && i + 1 < t.size()) ? 2 : 1;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// True when needle matches text at 0-based i, ASCII case ignored on bytes
// that are single-byte characters of the text.
bool MatchTextAt(bool dbcs, std::string_view needle, std::string_view text, size_t i) {
  bool trail = false;
  for (size_t j = 0; j < needle.size(); ++j) {
    char tb = text[i + j];
    if (trail) {
      trail = false;
      if (tb != needle[j]) return false;
    } else if (dbcs && IsLeadRange(static_cast<unsigned char>(tb)) && i + j + 1 < text.size()) {
      trail = true;
      if (tb != needle[j]) return false;
    } else if (AsciiLower(tb) != AsciiLower(needle[j])) {
      return false;
    }
  }
  return true;
}

// First match at or after the character boundary i (0-based); npos if none.
size_t FindFrom(int cp, std::string_view needle, std::string_view text, size_t i,
                bool caseSensitive) {
  const size_t m = needle.size();
  if (m == 0 || m > text.size()) return std::string_view::npos;
  if (!IsDbcs(cp)) {
    if (caseSensitive) return text.find(needle, i);
    for (; i + m <= text.size(); ++i)
      if (MatchTextAt(false, needle, text, i)) return i;
    return std::string_view::npos;
  }
  const char first = needle[0];
  while (i + m <= text.size()) {
    if (caseSensitive) {
      if (text[i] == first && std::memcmp(text.data() + i, needle.data(), m) == 0) return i;
    } else if (MatchTextAt(true, needle, text, i)) {
      return i;
    }
    i += DbcsCharLen(text, i);
  }
  return std::string_view::npos;
}

// 0-based first character boundary at or after 1-based position start.
size_t SyncStart(int cp, std::string_view text, size_t start) {
  if (IsDbcs(cp) && DbcsByteKind(cp, text, start) == 2) return start;
  return start - 1;
}

size_t PosImpl(int cp, std::string_view needle, std::string_view text, size_t limit, size_t start,
               bool caseSensitive) {
  if (needle.empty() || text.empty() || start < 1) return 0;
  text = text.substr(0, std::min(limit, text.size()));
  if (start > text.size()) return 0;
  size_t p = FindFrom(cp, needle, text, SyncStart(cp, text, start), caseSensitive);
  return p == std::string_view::npos ? 0 : p + 1;
}

// Number of bytes of the character at 0-based i in the system code page: a
// double-byte character of GBK or Big5, or one well-formed UTF-8 sequence.
size_t SystemCharLen(int cp, std::string_view s, size_t i) {
  unsigned char b = static_cast<unsigned char>(s[i]);
  if (IsDbcs(cp)) return DbcsCharLen(s, i);
  size_t len = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b <= 0xDF ? 2 : 1;
  if (b > 0xF4) len = 1;
  if (i + len > s.size()) return 1;
  for (size_t k = 1; k < len; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
  return len;
}

bool IsFileNameJunk(unsigned char b) {
  return b < 0x20 || std::strchr("\"*/:<>?\\|", b) != nullptr;
}

bool IsLeadByteOf(int cp, unsigned char c) {
  return (cp == kCpGbk || cp == kCpBig5) && c >= 0x81 && c <= 0xFE;
}
char UpperChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Lower-cases the ASCII letters of s, leaving double-byte characters of code
// page cp alone (their trail bytes may look like letters).
std::string LowerText(int cp, std::string_view s) {
  std::string out(s);
  for (size_t i = 0; i < out.size(); ++i) {
    if (IsLeadByteOf(cp, static_cast<unsigned char>(out[i]))) {
      ++i;
      continue;
    }
    if (out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] - 'A' + 'a');
  }
  return out;
}

}  // namespace

// ---------------------------------------------------------------------------
// Conversion.

std::u16string BytesToWide(std::string_view bytes, int cp) {
  std::u16string w;
  if (bytes.empty()) return w;
  if (IsAscii(bytes)) {
    w.assign(bytes.begin(), bytes.end());
    return w;
  }
  UConverter* conv = ConverterFor(ByteCodePage(cp));
  // Every input byte yields at most one UTF-16 unit in these code pages.
  w.resize(bytes.size() + 1);
  UErrorCode err = U_ZERO_ERROR;
  int32_t n = ucnv_toUChars(conv, w.data(), static_cast<int32_t>(w.size()), bytes.data(),
                            static_cast<int32_t>(bytes.size()), &err);
  if (U_FAILURE(err) && err != U_STRING_NOT_TERMINATED_WARNING) n = 0;
  w.resize(static_cast<size_t>(std::max<int32_t>(n, 0)));
  return w;
}

std::string WideToBytes(std::u16string_view wide, int cp) {
  std::string s;
  if (wide.empty()) return s;
  UConverter* conv = ConverterFor(ByteCodePage(cp));
  s.resize(wide.size() * 3 + 4);
  UErrorCode err = U_ZERO_ERROR;
  int32_t n = ucnv_fromUChars(conv, s.data(), static_cast<int32_t>(s.size()), wide.data(),
                              static_cast<int32_t>(wide.size()), &err);
  if (U_FAILURE(err) && err != U_STRING_NOT_TERMINATED_WARNING) n = 0;
  s.resize(static_cast<size_t>(std::max<int32_t>(n, 0)));
  return s;
}

void ConvertCodePage(std::string& text, int src, int flag, int dst) {
  if (text.empty()) return;
  // ASCII text reads the same in every code page here and no mapping touches it.
  if (IsAscii(text)) return;
  // Into its own code page with no script mapping, text whose characters all
  // come back as the same bytes would only be decoded and encoded again.
  if (ByteCodePage(src) == ByteCodePage(dst) && EffectiveFlag(src, flag, dst) == 0 &&
      RoundTripsUnchanged(text, ByteCodePage(src)))
    return;
  std::u16string wide = BytesToWide(text, src);
  MapScript(wide, EffectiveFlag(src, flag, dst));
  text = WideToBytes(wide, dst);
}

void WideToCodePage(std::string& text, const std::u16string& wide, int src, int flag, int dst) {
  flag = EffectiveFlag(src, flag, dst);
  if (flag == 0 || !MayNeedMapping(wide)) {
    text = WideToBytes(wide, dst);
    return;
  }
  std::u16string mapped = wide;
  MapScript(mapped, flag);
  text = WideToBytes(mapped, dst);
}

// ---------------------------------------------------------------------------
// Double-byte aware searching.

int DbcsByteKind(int cp, std::string_view s, size_t p) {
  if (!IsDbcs(cp) || p < 1 || p > s.size()) return 0;
  auto lead = [&](size_t pos) { return IsLeadRange(static_cast<unsigned char>(s[pos - 1])); };
  if (p == 1) return lead(1) ? 1 : 0;
  size_t q = p - 1;  // walk back over the run of lead-range bytes before p
  while (q >= 1 && lead(q)) --q;
  if ((p - q) % 2 == 0) return 2;
  return lead(p) ? 1 : 0;
}

size_t PosDbcs(int cp, std::string_view needle, std::string_view text, size_t limit, size_t start) {
  return PosImpl(cp, needle, text, limit, start, true);
}

size_t PosTextDbcs(int cp, std::string_view needle, std::string_view text, size_t limit,
                   size_t start) {
  return PosImpl(cp, needle, text, limit, start, false);
}

size_t PosCharDbcs(int cp, char c, std::string_view text, size_t limit, size_t start) {
  if (text.empty() || start < 1) return 0;
  text = text.substr(0, std::min(limit, text.size()));
  if (start > text.size()) return 0;
  size_t i = SyncStart(cp, text, start);
  if (!IsDbcs(cp)) {
    size_t p = text.find(c, i);
    return p == std::string_view::npos ? 0 : p + 1;
  }
  if (IsLeadRange(static_cast<unsigned char>(c))) return 0;  // never a single-byte character
  while (i < text.size()) {
    if (text[i] == c) return i + 1;
    i += DbcsCharLen(text, i);
  }
  return 0;
}

size_t LastPosCharDbcs(int cp, char c, std::string_view text, size_t start, size_t end) {
  if (text.empty() || start < 1) return 0;
  if (end < 1) end = 1;
  start = std::min(start, text.size());
  if (IsDbcs(cp) && IsLeadRange(static_cast<unsigned char>(c))) return 0;
  // Each candidate's backward scan stops at the previous non-lead byte, and the
  // candidates themselves are such bytes, so the whole search stays linear.
  for (size_t p = start; p >= end; --p)
    if (text[p - 1] == c && DbcsByteKind(cp, text, p) == 0) return p;
  return 0;
}

void ReplaceAllDbcs(int cp, std::string& s, std::string_view needle, bool caseSensitive,
                    std::string_view repl) {
  if (needle.empty() || needle.size() > s.size()) return;
  std::string_view text(s);
  const size_t m = needle.size();
  // Next boundary after a match: walk whole characters so that a needle ending
  // in a lead byte cannot make the next search start on a trail byte.
  auto after = [&](size_t p) {
    size_t q = p;
    while (q < p + m) q += IsDbcs(cp) ? DbcsCharLen(text, q) : 1;
    return q;
  };
  size_t count = 0;
  for (size_t p = FindFrom(cp, needle, text, 0, caseSensitive); p != std::string_view::npos;
       p = FindFrom(cp, needle, text, after(p), caseSensitive))
    ++count;
  if (count == 0) return;
  std::string out;
  out.reserve(s.size() - count * m + count * repl.size());
  size_t from = 0;
  for (size_t p = FindFrom(cp, needle, text, 0, caseSensitive); p != std::string_view::npos;
       p = FindFrom(cp, needle, text, from, caseSensitive)) {
    out.append(text.substr(from, p - from));
    out.append(repl);
    from = after(p);
  }
  out.append(text.substr(std::min(from, text.size())));
  s = std::move(out);
}

// ---------------------------------------------------------------------------
// Small text helpers.

void NormaliseLineBreaks(std::string& s) {
  size_t newLen = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\0') s[i] = ' ';
    if (s[i] == '\r') {
      newLen += 2;
      if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
    } else if (s[i] == '\n') {
      newLen += 2;
    } else {
      ++newLen;
    }
  }
  if (newLen == s.size()) return;  // every break is already CR LF
  std::string out;
  out.reserve(newLen);
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' || s[i] == '\n') {
      if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
      out += "\r\n";
    } else {
      out += s[i];
    }
  }
  s = std::move(out);
}

void TrimRightCtl(std::string& s) {
  size_t n = s.size();
  while (n > 0 && static_cast<unsigned char>(s[n - 1]) <= 0x20) --n;
  s.resize(n);
}

std::string FitFileName(std::string_view s, int maxChars, size_t maxBytes) {
  std::string out;
  if (s.empty() || maxChars <= 0) return out;
  const int cp = KnownCodePage(Process().SystemCodePage);
  // Keep every multi-byte character and every single byte outside the junk set.
  out.reserve(s.size());
  int chars = 0;
  size_t i = 0;
  size_t lastKeep = 0;  // output length after the last character that is not a blank
  while (i < s.size() && chars < maxChars) {
    size_t len = SystemCharLen(cp, s, i);
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (len == 1 && IsFileNameJunk(b)) {
      ++i;
      continue;
    }
    if (len == 1 && b == ' ' && out.empty()) {  // leading blanks
      ++i;
      continue;
    }
    if (out.size() + len > maxBytes) break;
    out.append(s.substr(i, len));
    if (!(len == 1 && b == ' ')) lastKeep = out.size();
    ++chars;
    i += len;
  }
  out.resize(lastKeep);
  return out;
}

int DigitCount(int n) {
  long long v = n < 0 ? -static_cast<long long>(n) : n;
  int digits = 1;
  while (v >= 10) {
    v /= 10;
    ++digits;
  }
  return digits;
}

std::string SystemText(std::string_view utf8) {
  std::string text(utf8);
  if (Process().SystemCodePage != kCpUtf8)
    ConvertCodePage(text, kCpUtf8, 0, Process().SystemCodePage);
  return text;
}

std::string TrimText(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
  return std::string(s.substr(b, e - b));
}

std::string UpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool MatchesMask(const std::string& fileName, const std::string& mask) {
  const size_t dot = fileName.rfind('.');
  const size_t slash = fileName.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  if (dot + 1 == fileName.size()) return false;  // "a." has no extension
  const std::string ext = UpperAscii(std::string_view(fileName).substr(dot));
  // The mask lists patterns "*.EXT" separated by ';'; the extension must equal
  // one of them, so ".X" or ".HT" match nothing.
  size_t start = 0;
  while (start <= mask.size()) {
    size_t end = mask.find(';', start);
    if (end == std::string::npos) end = mask.size();
    std::string_view pattern(mask.data() + start, end - start);
    while (!pattern.empty() && pattern.front() == ' ') pattern.remove_prefix(1);
    while (!pattern.empty() && pattern.back() == ' ') pattern.remove_suffix(1);
    if (!pattern.empty() && pattern.front() == '*') pattern.remove_prefix(1);
    if (pattern.size() == ext.size() &&
        std::equal(pattern.begin(), pattern.end(), ext.begin(),
                   [](char a, char b) { return UpperChar(a) == b; }))
      return true;
    start = end + 1;
  }
  return false;
}

int FindTagPair(TJobState& job, std::string_view openPrefix, std::string_view closePrefix,
                std::string_view text, size_t textLength, size_t& pos, std::string& name,
                size_t& valueStart, size_t& valueLength) {
  const int cp = static_cast<int>(job.DstCodePage);
  textLength = std::min(textLength, text.size());
  name.clear();
  valueStart = 0;
  valueLength = 0;
  const size_t open = PosTextDbcs(cp, openPrefix, text, textLength, pos);
  if (open == 0) return 0;
  pos = open + openPrefix.size();
  const size_t bracket = PosCharDbcs(cp, ']', text, textLength, pos);
  if (bracket == 0) return 0;
  name = LowerText(cp, text.substr(pos - 1, bracket - pos));
  const std::string closeTag = std::string(closePrefix) + name + "]";
  valueStart = bracket + 1;
  const size_t close = PosTextDbcs(cp, closeTag, text, textLength, valueStart);
  if (close == 0) {
    job.Log(SystemText("沒有找到字符串：") + closeTag);
    return 1;
  }
  valueLength = close - valueStart;
  pos = close + closeTag.size();
  return name.empty() || valueLength == 0 ? 1 : 2;
}

std::u16string Utf16LeToWide(std::string_view bytes, bool swap) {
  std::u16string w((bytes.size() + 1) / 2, u'\0');
  for (size_t i = 0; i < bytes.size(); ++i) {
    char16_t b = static_cast<unsigned char>(bytes[i]);
    w[i / 2] |= (i % 2 == 0) ? b : static_cast<char16_t>(b << 8);
  }
  if (swap)
    for (char16_t& c : w) c = static_cast<char16_t>((c >> 8) | (c << 8));
  return w;
}
