// Code pages, script mapping and code-page-aware text helpers.
// Positions in the search helpers are 1-based; 0 means "not found".
// Code pages: 936 GBK, 950 Big5, 65001 UTF-8; as a source, 0 means UTF-16LE
// (WideToCodePage). Byte text handed to ConvertCodePage with
// source 0 is taken to be in the system code page. Characters a code page
// cannot hold, and invalid byte sequences, come out as "?".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class TJobState;

// Converts text in place from code page src to dst, mapping simplified or
// traditional script by flag. A Big5 destination always gets traditional text.
void ConvertCodePage(std::string& text, int src, int flag, int dst);
// Converts UTF-16 text to code page dst with the same mapping rules.
void WideToCodePage(std::string& text, const std::u16string& wide, int src, int flag, int dst);

// UTF-16LE bytes (big-endian with swap) to units; an odd last byte becomes the
// low byte of a last unit.
std::u16string Utf16LeToWide(std::string_view bytes, bool swap);

// Converts UTF-16 text to code page cp, or byte text of code page cp to UTF-16,
// with no script mapping.
std::string WideToBytes(std::u16string_view wide, int cp);
std::u16string BytesToWide(std::string_view bytes, int cp);

// Pass as `limit` to search the whole text.
constexpr size_t kNoLimit = static_cast<size_t>(-1);

// 0 single byte, 1 lead byte, 2 trail byte of a GBK/Big5 double-byte character.
int DbcsByteKind(int cp, std::string_view s, size_t p);
// The searches return the 1-based position of the first match at or after
// `start` that lies wholly within the first `limit` bytes and does not begin on
// the trail byte of a double-byte character (GBK and Big5 only).
size_t PosDbcs(int cp, std::string_view needle, std::string_view text, size_t limit, size_t start);
size_t PosTextDbcs(int cp, std::string_view needle, std::string_view text, size_t limit,
                   size_t start);
size_t PosCharDbcs(int cp, char c, std::string_view text, size_t limit, size_t start);
// Searches backward from `start` down to `end` (both 1-based, inclusive).
size_t LastPosCharDbcs(int cp, char c, std::string_view text, size_t start, size_t end);
void ReplaceAllDbcs(int cp, std::string& s, std::string_view needle, bool caseSensitive,
                    std::string_view repl);
void NormaliseLineBreaks(std::string& s);
void TrimRightCtl(std::string& s);
// Longest name of one file (one path component) in bytes, as Linux file
// systems hold it.
constexpr size_t kMaxNameBytes = 255;
// A title made fit for a file name: characters that no file name may hold are
// dropped, and at most maxChars characters and maxBytes bytes are kept, never
// half a character.
std::string FitFileName(std::string_view s, int maxChars, size_t maxBytes = kNoLimit);
int DigitCount(int n);

// Removes bytes up to 0x20 (controls and spaces) from both ends.
std::string TrimText(std::string_view s);
// Changes only the ASCII letters; bytes of multi-byte characters stay as they are
// when the text is UTF-8 (all such bytes are above 0x7F).
std::string UpperAscii(std::string_view s);
std::string LowerAscii(std::string_view s);

// A program message (UTF-8 in the sources) in the system code page, in which
// the log, file names and questions are held.
std::string SystemText(std::string_view utf8);

// True when the file name has an extension and the mask "*.EXT" (or one of
// several masks separated by ";") takes it, compared case-insensitively.
bool MatchesMask(const std::string& fileName, const std::string& mask);
// Finds a tagged value such as [dhtmlxq_name]value[/dhtmlxq_name]. Positions are
// 1-based; returns 0, 1 or 2.
int FindTagPair(TJobState& job, std::string_view openPrefix, std::string_view closePrefix,
                std::string_view text, size_t textLength, size_t& pos, std::string& name,
                size_t& valueStart, size_t& valueLength);
