// Reading every record of a source file, whatever its format, and telling
// the format of a file from its content: what the sub-commands share.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TBaseForm;
struct TChessRec;

// Called for every record of a source, in order, once it was read and
// completed; ok tells whether the reader accepted it. count is the number of
// records the source announced.
using TRecordHandler = std::function<void(int index, int count, bool ok)>;

// Reads every record of a file in the job's source format: each game of a PGN
// file, each block of a web page, each record of a CBL 2.x library, else the
// one record of the file. Returns the number of records announced.
int ReadEveryRecord(TBaseForm& job, TChessRec& rec, const std::string& path,
                    const TRecordHandler& onRecord);

// What a folder walk found: the folder itself (its files follow it), or a
// file, with its path relative to the walk's start.
struct TWalkEntry {
  std::string Path;
  std::string Relative;
  bool Folder = false;
};
// The files of a folder in byte order of their names, each folder's files
// before its sub-folders (walked when recursive; linked folders are not).
// With a mask only the files it takes are listed.
void WalkFolder(const std::string& folder, bool recursive, const std::string& mask,
                std::vector<TWalkEntry>& entries);

// Reads standard input into a file "stdin" of a fresh temporary folder, so
// that the readers, which read files, can take it. Returns the file's path
// ("" on failure) and sets tempFolder to the folder, for removing it.
std::string SaveStandardInput(std::string& tempFolder);

// The first bytes of a file that recognition looks at (up to 64 KiB); false
// when the file cannot be read.
bool ReadFileHead(const std::string& path, std::string& head);
// The format row of a file: from its content first, then from its extension;
// -1 when neither tells.
int RecogniseFormat(const std::string& path, std::string_view head);
// The format row that reads a file: forced when it is not -1, else the one
// its content or extension tells (-1 when none). Pages of every kind are
// read through the web-page row.
int SourceFormatOf(const std::string& path, std::string_view head, int forced);
// True when a format's records can be read one by one (every reader row and
// the CBL 2.x library).
bool IsReadableFormat(int format);

// The source code page to read a file with: chosen (936, 950, 65001 or 0 for
// UTF-16LE) when it is not -1 and the format allows it; otherwise GBK for the
// formats that hold GBK only, UTF-8 for text that is valid UTF-8, else the
// system's default Chinese code page.
int ChooseSourceCodePage(int format, std::string_view head, int chosen);
// True for the formats read as text (whose code page may be told from it).
bool IsTextFormat(int format);
// The system's default Chinese code page: Big5 on a Big5 system, else GBK.
int DefaultChineseCodePage();
// Simplified/traditional mapping for a pair of code pages: to simplified from
// Big5 into GBK, to traditional into Big5 from anything else, else none.
int MapFlagsFor(int srcCodePage, int dstCodePage);

// The folder of a path with the trailing '/' ("." when the path has no folder).
std::string FolderPartOf(const std::string& path);
