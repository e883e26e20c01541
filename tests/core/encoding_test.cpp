#include "core/encoding.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/clipboard.h"
#include "core/jobstate.h"
#include "core/sourcetext.h"
#include "core/variants.h"
#include "tests/support/test_job.h"

namespace {

std::string TempFile(const std::string& name, const std::string& bytes) {
  std::filesystem::path p = std::filesystem::temp_directory_path() / ("tavrik_enc_" + name);
  std::FILE* f = std::fopen(p.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return p.string();
}

std::string Converted(std::string s, int src, int flag, int dst) {
  ConvertCodePage(s, src, flag, dst);
  return s;
}

// Sets the system code page for one test.
class TSystemCodePage {
 public:
  explicit TSystemCodePage(int cp) : saved_(Process().SystemCodePage) {
    Process().SystemCodePage = cp;
  }
  ~TSystemCodePage() { Process().SystemCodePage = saved_; }

 private:
  int saved_;
};

}  // namespace

TEST(Encoding, ConvertsBetweenCodePagesWithPinnedBytes) {
  EXPECT_EQ(Converted("炮", kCpUtf8, 0, kCpGbk), "\xC5\xDA");
  EXPECT_EQ(Converted("炮", kCpUtf8, 0, kCpBig5), "\xAC\xB6");
  EXPECT_EQ(Converted("\xC5\xDA", kCpGbk, 0, kCpBig5), "\xAC\xB6");
  EXPECT_EQ(Converted("\xAC\xB6", kCpBig5, 0, kCpUtf8), "炮");
  EXPECT_EQ(Converted("abc", kCpGbk, kMapToTraditional, kCpBig5), "abc");
}

TEST(Encoding, ScriptMappingAndTheForcedBig5Mapping) {
  // Big5 cannot hold 发: with no mapping asked it still becomes 發 (B5 6F).
  EXPECT_EQ(Converted("发", kCpUtf8, 0, kCpBig5), "\xB5\x6F");
  EXPECT_EQ(Converted("\xB7\xA2", kCpGbk, 0, kCpBig5), "\xB5\x6F");
  EXPECT_EQ(Converted("发", kCpUtf8, 0, kCpGbk), "\xB7\xA2");
  EXPECT_EQ(Converted("发", kCpUtf8, kMapToTraditional, kCpGbk), "\xB0\x6C");
  EXPECT_EQ(Converted("發炮", kCpUtf8, kMapToSimplified, kCpUtf8), "发炮");
  // Only Han characters are mapped; punctuation keeps its form.
  EXPECT_EQ(Converted("“发”", kCpUtf8, kMapToTraditional, kCpUtf8), "“發”");
  EXPECT_EQ(Converted("「發」", kCpUtf8, kMapToSimplified, kCpUtf8), "「发」");
  // Big5 to Big5 is never mapped, whatever flag.
  EXPECT_EQ(Converted("\xB5\x6F", kCpBig5, kMapToSimplified, kCpBig5), "\xB5\x6F");
  std::string s;
  WideToCodePage(s, u"发", kCpBig5, 0, kCpBig5);  // a Big5 hint skips the mapping
  EXPECT_EQ(s, "?");
  WideToCodePage(s, u"发", kCpUtf8, 0, kCpBig5);
  EXPECT_EQ(s, "\xB5\x6F");
}

TEST(Encoding, BadInputBecomesQuestionMarks) {
  EXPECT_EQ(Converted("A\x81", kCpGbk, 0, kCpUtf8), "A?");  // lone lead byte at the end
  EXPECT_EQ(Converted("\x81\x7F"
                      "b",
                      kCpGbk, 0, kCpUtf8),
            "?\x7F"
            "b");                                               // bad trail byte
  EXPECT_EQ(Converted("x\xE7\x82", kCpUtf8, 0, kCpGbk), "x?");  // truncated UTF-8
  EXPECT_EQ(Converted("\xC0\xAF"
                      "a",
                      kCpUtf8, 0, kCpUtf8),
            "??a");                                              // overlong form
  EXPECT_EQ(Converted("炮😀", kCpUtf8, 0, kCpGbk), "\xC5\xDA?");  // no GBK form
  std::string s;
  WideToCodePage(s, std::u16string(1, u'\xD800'), 0, 0, kCpUtf8);  // lone surrogate
  EXPECT_EQ(s, "?");
}

// Text converted into its own code page must come out exactly as a decode and
// encode through ICU would give it, whether or not that round trip is skipped.
TEST(Encoding, SameCodePageGivesTheBytesOfTheFullRoundTrip) {
  auto viaIcu = [](const std::string& text, int cp) {
    return WideToBytes(BytesToWide(text, cp), cp);
  };
  const std::pair<std::string, int> cases[] = {
      {"\xC2\xED\xB0\xCB\xBD\xF8\xC6\xDF abc", kCpGbk},  // 馬八進七
      {"\x80\xA1\xA1", kCpGbk},                          // a single-byte character first
      {"ab\xC2", kCpGbk},                                // a lead byte at the end
      {"\xC2\x20\xED", kCpGbk},                          // a lead byte before a space
      {"\xB0\xA8\xA4\x4B", kCpBig5},                     // 馬八
      {"\xB0\x80\xA4\x4B", kCpBig5},                     // a trail byte Big5 does not have
      {"\xE9\xA6\xAC\xE5\x85\xAB", kCpUtf8},             // 馬八
      {"\xC0\x80 \xE9\xA6", kCpUtf8},                    // overlong, then cut short
      {"\xED\xA0\x80", kCpUtf8},                         // an encoded surrogate
  };
  for (const auto& [text, cp] : cases) {
    std::string converted = text;
    ConvertCodePage(converted, cp, 0, cp);
    EXPECT_EQ(converted, viaIcu(text, cp)) << cp << " " << text;
  }
  // Every double-byte character of both code pages, each on its own.
  for (int cp : {kCpGbk, kCpBig5})
    for (int lead = 0x81; lead <= 0xFE; ++lead)
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        const std::string pair = {static_cast<char>(lead), static_cast<char>(trail)};
        std::string converted = pair;
        ConvertCodePage(converted, cp, 0, cp);
        ASSERT_EQ(converted, viaIcu(pair, cp)) << cp << " " << lead << " " << trail;
      }
}

TEST(Encoding, ReadSourceTextFromFiles) {
  TTestJob job;
  std::string text;
  // A GBK choice is overridden by a UTF-16LE mark; an odd last byte stays.
  std::string name = TempFile("le.txt", std::string("\xFF\xFE\xAE\x70"
                                                    "A\0B",
                                                    7));
  EXPECT_EQ(ReadSourceText(job, text, name, 0, kCpUtf8, kCpGbk, false), 0);
  EXPECT_EQ(text, "炮AB");
  name = TempFile("be.txt", std::string("\xFE\xFF\x70\xAE\x00\x41", 6));
  EXPECT_EQ(ReadSourceText(job, text, name, 0, kCpBig5, kCpGbk, false), 0);
  EXPECT_EQ(text,
            "\xAC\xB6"
            "A");
  // A UTF-8 mark overrides the Big5 choice.
  name = TempFile("u8.txt", "\xEF\xBB\xBF发");
  EXPECT_EQ(ReadSourceText(job, text, name, 0, kCpGbk, kCpBig5, false), kCpUtf8);
  EXPECT_EQ(text, "\xB7\xA2");
  name = TempFile("gbk.txt", std::string("\xC5\xDA\0x", 4));
  EXPECT_EQ(ReadSourceText(job, text, name, 0, kCpUtf8, kCpGbk, false), kCpGbk);
  EXPECT_EQ(text, "炮 x");
  EXPECT_TRUE(job.Lines.empty());

  name = TempFile("empty.txt", "");
  ReadSourceText(job, text, name, 0, kCpUtf8, kCpGbk, false);
  EXPECT_TRUE(text.empty());
  ReadSourceText(job, text, name + ".missing", 0, kCpUtf8, kCpGbk, false);
  ASSERT_EQ(job.Lines.size(), 2u);
  EXPECT_EQ(job.At(kLogError), (std::vector<std::string>{"此文件的大小是零字節!",
                                                         "源文件不存在。" + name + ".missing"}));
  // A file that is there but cannot be read says why.
  ReadSourceText(job, text, std::filesystem::path(name).parent_path().string(), 0, kCpUtf8, kCpGbk,
                 false);
  ASSERT_EQ(job.Lines.size(), 3u);
  EXPECT_NE(job.Lines[2].Text.find("不能讀取文件："), std::string::npos);
  EXPECT_NE(job.Lines[2].Text.find(std::strerror(EISDIR)), std::string::npos);
}

TEST(Encoding, ClipboardTextBothWays) {
  TTestJob job;
  std::string text = "old";
  TClipboard* saved = Clipboard();
  SetClipboard(nullptr);
  EXPECT_EQ(ReadSourceText(job, text, "", 0, kCpUtf8, 0, true), 0);  // no clipboard: empty
  EXPECT_TRUE(text.empty());
  EXPECT_TRUE(GetClipboardWide().empty());

  TMemoryClipboard board;
  SetClipboard(&board);
  ReadSourceText(job, text, "", 0, kCpUtf8, 0, true);  // empty clipboard
  EXPECT_TRUE(text.empty());
  PutClipboardText("\xEF\xBB\xBF炮\0", 7, kCpUtf8);
  EXPECT_EQ(board.Wide, u"炮");
  EXPECT_EQ(GetClipboardWide(), u"炮");
  ReadSourceText(job, text, "", 0, kCpGbk, 0, true);
  EXPECT_EQ(text, "\xC5\xDA");
  board.Bytes = "\xAC\xB6";
  ReadSourceText(job, text, "", 0, kCpUtf8, kCpBig5, true);
  EXPECT_EQ(text, "炮");
  EXPECT_TRUE(job.Lines.empty());
  SetClipboard(saved);
}

TEST(Encoding, DbcsByteKindFollowsTheLeadByteRuns) {
  std::string_view t(
      "a\x81\x5B\x81\x81\x81\x81"
      "b\xB0",
      9);
  int kinds[] = {0, 1, 2, 1, 2, 1, 2, 0, 1};
  for (size_t p = 1; p <= t.size(); ++p) EXPECT_EQ(DbcsByteKind(kCpGbk, t, p), kinds[p - 1]) << p;
  EXPECT_EQ(DbcsByteKind(kCpUtf8, t, 3), 0);
  EXPECT_EQ(DbcsByteKind(kCpGbk, t, 0), 0);
  EXPECT_EQ(DbcsByteKind(kCpGbk, t, 10), 0);
}

TEST(Encoding, SearchesNeverMatchATrailByte) {
  // 0x5B "[" and 0x41 "A" as trail bytes, then the real ones.
  std::string t =
      "\x81\x5B\xB0\x5B[\x81\x41"
      "a[";
  EXPECT_EQ(PosCharDbcs(kCpGbk, '[', t, kNoLimit, 1), 5u);
  EXPECT_EQ(PosCharDbcs(kCpGbk, '[', t, kNoLimit, 6), 9u);
  EXPECT_EQ(PosCharDbcs(kCpGbk, '[', t, 8, 6), 0u);  // beyond the limit
  EXPECT_EQ(PosCharDbcs(kCpUtf8, '[', t, kNoLimit, 1), 2u);
  EXPECT_EQ(PosDbcs(kCpGbk, "[", t, kNoLimit, 1), 5u);
  EXPECT_EQ(PosDbcs(kCpGbk, "[", t, kNoLimit, 2), 5u);  // start on a trail byte
  EXPECT_EQ(PosDbcs(kCpGbk, "a[", t, 9, 1), 8u);
  EXPECT_EQ(PosDbcs(kCpGbk, "a[", t, 8, 1), 0u);
  EXPECT_EQ(PosTextDbcs(kCpGbk, "A[", t, kNoLimit, 1), 8u);
  EXPECT_EQ(PosTextDbcs(kCpGbk, "\x81\x61", t, kNoLimit, 1), 0u);  // trail bytes keep case
  EXPECT_EQ(PosTextDbcs(kCpGbk, "\x81\x41", t, kNoLimit, 1), 6u);
  EXPECT_EQ(LastPosCharDbcs(kCpGbk, '[', t, 8, 1), 5u);
  EXPECT_EQ(LastPosCharDbcs(kCpGbk, '[', t, 4, 1), 0u);
  EXPECT_EQ(PosDbcs(kCpGbk, "", t, kNoLimit, 1), 0u);
  EXPECT_EQ(PosDbcs(kCpGbk, "[", t, kNoLimit, 0), 0u);
}

TEST(Encoding, ReplaceAllDbcs) {
  std::string s = "\x81\x5Bx[X[";
  ReplaceAllDbcs(kCpGbk, s, "x[", false, "<>");
  EXPECT_EQ(s, "\x81\x5B<><>");
  s = "\x81\x5Bx[X[";
  ReplaceAllDbcs(kCpGbk, s, "x[", true, "");
  EXPECT_EQ(s, "\x81\x5BX[");
  s = "aaa";
  ReplaceAllDbcs(kCpUtf8, s, "aa", true, "b");  // non-overlapping, left to right
  EXPECT_EQ(s, "ba");
  ReplaceAllDbcs(kCpUtf8, s, "", true, "z");
  ReplaceAllDbcs(kCpUtf8, s, "long needle", true, "z");
  EXPECT_EQ(s, "ba");
}

TEST(Encoding, LineBreaksTrimAndQuotes) {
  std::string s = "a\rb\nc\r\n";
  NormaliseLineBreaks(s);
  EXPECT_EQ(s, "a\r\nb\r\nc\r\n");
  s = std::string("x\n\ry\0", 5);
  NormaliseLineBreaks(s);
  EXPECT_EQ(s, "x\r\n\r\ny ");
  s = "ab \r\n\t";
  TrimRightCtl(s);
  EXPECT_EQ(s, "ab");
  s = "\"a\" \"b";
  CurlyQuotes(s, 0);
  EXPECT_EQ(s,
            "\xA1\xB0"
            "a\xA1\xB1 \xA1\xB0"
            "b");
  s = "\"\"";
  CurlyQuotes(s, 2);
  EXPECT_EQ(s, "“”");
}

TEST(Encoding, FitFileNameNeverCutsACharacter) {
  TSystemCodePage utf8(kCpUtf8);
  EXPECT_EQ(FitFileName(" *\"炮二平五 a/b:c \x01 ?", 100), "炮二平五 abc");
  EXPECT_EQ(FitFileName("炮二平五", 3), "炮二平");
  EXPECT_EQ(FitFileName("炮二平五", 3, 8), "炮二");   // bytes too, whole characters only
  EXPECT_EQ(FitFileName("ab 炮", 3), "ab");           // the cut leaves a blank, trimmed again
  EXPECT_EQ(FitFileName("\xE7\x82", 5), "\xE7\x82");  // broken sequences count per byte
  EXPECT_EQ(FitFileName("abc", 0), "");
  EXPECT_EQ(FitFileName("", 5), "");
  TSystemCodePage gbk(kCpGbk);
  // A GBK character whose trail byte is "\" or "|" is kept whole.
  EXPECT_EQ(FitFileName("|\x81\x5C\x81\x7C|", 10), "\x81\x5C\x81\x7C");
  EXPECT_EQ(FitFileName("\x81\x5C\x81\x7C", 1), "\x81\x5C");
}

TEST(Encoding, DigitCount) {
  EXPECT_EQ(DigitCount(0), 1);
  EXPECT_EQ(DigitCount(9), 1);
  EXPECT_EQ(DigitCount(10), 2);
  EXPECT_EQ(DigitCount(2147483647), 10);
  EXPECT_EQ(DigitCount(-2147483647 - 1), 10);
}
