// Record completion: brings every record read into one normal form before any
// writer sees it, and adds the summary and error notes at write time. Also the
// small helpers that derive header fields from file names, result words and
// dates, and the comment line-break conversion between format kinds.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class TJobState;
struct TChessRec;

// Runs once after every read (also after a failed one): first side, mirroring,
// move check and notation codes, FEN, game type and result, opening, title,
// header code page and comment line breaks, in that order.
void CompleteRecord(TJobState& job, TChessRec& rec, const std::string& path);

// Adds the summary (AddBaseInfo) to the last main-line comment and the error
// report (AddErrorInfo) ahead of the start comment, marking the title with
// "[Error]". Nothing is added when the destination carries no comments.
void AddRecordNotes(TJobState& job, TChessRec& rec);

// Fills slots 7..10 from the opening library from the first 20 main-line
// moves; leaves them empty for middle games, endgames or without a library.
void ComputeOpening(TJobState& job, TChessRec& rec);

// Takes the title (and, for CHE and CCM names, the date and players) from the
// source file name; stores the name in slot 14 when that slot is empty.
void TitleFromFileName(TJobState& job, TChessRec& rec, const std::string& path);

// Sets GameResult from words such as 红胜 or 黑负 in text of code page cp;
// leaves it unchanged when no result word is found.
void ResultFromText(TChessRec& rec, std::string_view text, int cp);

// "Jan 05 09:08:07 2008" becomes "2008-1-5 9:08"; any text not of that form
// is returned unchanged.
std::string DateFromName(std::string_view s);

// Logs that a record went to the clipboard buffer, with its title.
void LogRecordWritten(TJobState& job, const TChessRec& rec);

// Results of ReadParamTag.
constexpr int kParamEnd = 0;   // no more parameters: stop walking
constexpr int kParamSkip = 1;  // a malformed "<param": go on after it
constexpr int kParamRead = 2;  // one parameter read

// Reads the next "<param" element (ASCII case ignored) at or after the 1-based
// position within the first `limit` bytes of text, searched DBCS-aware in code
// page cp. On kParamRead: name is the lower-cased value of the name attribute,
// valueStart (1-based) and valueLength locate the value attribute's text, and
// position is just past the element's second closing quote. On kParamSkip
// position is just past "<param".
int ReadParamTag(int cp, std::string_view text, std::string& name, size_t& valueStart,
                 size_t& valueLength, size_t limit, size_t& position);

// The line-break string of a comment break kind 1..5 ("|", "||", CR LF,
// "<br>", two spaces); empty for kind 0 or an unknown kind.
std::string_view BreakTokenOf(int kind);

// Converts one comment from break kind `from` to break kind `to` in code page
// cp: the source breaks become CR LF, trailing blanks are dropped, CR, LF and
// CR LF are normalised, and CR LF becomes the target break. Nothing happens
// when either kind is 0.
void ConvertCommentBreaks(std::string& text, int from, int to, int cp);
