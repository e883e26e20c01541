// Reading every record of a source and recognising its format.
#include "app/cli/records.h"

#include <sys/stat.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/baseform.h"
#include "app/dispatch.h"
#include "app/paths.h"
#include "app/settings.h"
#include "core/complete.h"
#include "core/encoding.h"
#include "core/record.h"
#include "core/sourcetext.h"
#include "core/uglobal.h"
#include "formats/ccbridge/cbl.h"
#include "formats/ccbridge/cbr.h"
#include "formats/text/pgn.h"
#include "formats/text/registry.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kHeadSize = 64 * 1024;

// Every game of a PGN file, each read like a file of its own.
int ReadPgnGames(TBaseForm& job, TChessRec& rec, const std::string& path,
                 const TRecordHandler& onRecord) {
  std::string text;
  try {
    ReadSourceText(job, text, path, 0, kCpUtf8, job.SrcCodePage, false);
  } catch (const std::exception& e) {
    ResetRecord(rec, static_cast<int>(job.SrcFormat), static_cast<int>(job.DstFormat));
    job.LogRecord(rec, e.what(), kLogError);
    onRecord(0, 1, false);
    return 1;
  }
  const std::vector<std::string_view> games = SplitPgnGames(text);
  const int count = static_cast<int>(games.size());
  for (int i = 0; i < count; ++i) {
    ResetRecord(rec, static_cast<int>(job.SrcFormat), static_cast<int>(job.DstFormat));
    bool ok = false;
    try {
      ok = ReadPgnText(job, rec, games[static_cast<size_t>(i)]);
    } catch (const std::exception& e) {
      job.LogRecord(rec, e.what(), kLogError);
    }
    CompleteRecord(job, rec, path);
    onRecord(i, count, ok);
  }
  return count;
}

int ReadWebPage(TBaseForm& job, TChessRec& rec, const std::string& path,
                const TRecordHandler& onRecord) {
  std::string text;
  TDynJavaArray items;
  int count = FindWebRecords(job, path, text, items);
  if (count > static_cast<int>(items.size())) count = static_cast<int>(items.size());
  for (int i = 0; i < count; ++i) {
    const TWebItemRec& item = items[static_cast<size_t>(i)];
    const bool ok = ReadWebRecord(job, rec, path, item.Kind, item.StartPos, item.EndPos, text);
    onRecord(i, count, ok);
  }
  return count;
}

int ReadLibrary(TBaseForm& job, TChessRec& rec, const std::string& path,
                const TRecordHandler& onRecord) {
  TLibraryData lib;
  if (!ReadLibraryHeader(job, path, lib)) return 0;
  int index = 0;
  WalkLibraryRecords(job, lib, [&](size_t start, size_t end, const std::string& label) {
    const bool ok = ReadCbrRecord(job, rec, lib.Bytes, start, end, label);
    onRecord(index++, lib.Count, ok);
  });
  return lib.Count;
}

// Valid UTF-8 holding at least one character beyond ASCII; a sequence cut by
// the end of the head does not count against it.
bool LooksLikeUtf8(std::string_view s) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(s.data());
  const int32_t length = static_cast<int32_t>(std::min<size_t>(s.size(), INT32_MAX));
  bool wide = false;
  for (int32_t i = 0; i < length;) {
    const int32_t start = i;
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    // An error at the very end is a character cut by the end of the head.
    if (c < 0) return i == length && (wide || i - start > 1);
    if (c >= 0x80) wide = true;
  }
  return wide;
}

}  // namespace

int ReadEveryRecord(TBaseForm& job, TChessRec& rec, const std::string& path,
                    const TRecordHandler& onRecord) {
  if (!IsRegularFile(path)) {
    ResetRecord(rec, static_cast<int>(job.SrcFormat), static_cast<int>(job.DstFormat));
    job.LogRecord(rec, SystemText("源文件不存在。") + path, kLogError);
    onRecord(0, 1, false);
    return 1;
  }
  // A PGN file holds any number of games, each a record of its own.
  if (job.SrcFormat == kFmtPgn) return ReadPgnGames(job, rec, path, onRecord);
  switch (FileTypes[job.SrcFormat].Source) {
    case TSourceKind::Page:
      return ReadWebPage(job, rec, path, onRecord);
    case TSourceKind::Library:
      return ReadLibrary(job, rec, path, onRecord);
    default:
      onRecord(0, 1, ReadRecordFile(job, rec, path));
      return 1;
  }
}

namespace {

void WalkFrom(const std::string& folder, const std::string& relative, bool recursive,
              const std::string& mask, std::vector<TWalkEntry>& entries) {
  entries.push_back(TWalkEntry{folder, relative, true});
  std::vector<std::string> files;
  std::vector<std::string> folders;
  ListFolder(folder, files, folders);
  for (const std::string& name : files)
    if (mask.empty() || MatchesMask(name, mask))
      entries.push_back(TWalkEntry{folder + name, relative + name, false});
  if (recursive)
    for (const std::string& name : folders)
      WalkFrom(folder + name + "/", relative + name + "/", recursive, mask, entries);
}

}  // namespace

void WalkFolder(const std::string& folder, bool recursive, const std::string& mask,
                std::vector<TWalkEntry>& entries) {
  WalkFrom(folder.empty() || folder.back() == '/' ? folder : folder + "/", std::string(), recursive,
           mask, entries);
}

bool ReadFileHead(const std::string& path, std::string& head) {
  head.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  head.resize(kHeadSize);
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(in.gcount()));
  return true;
}

int SourceFormatOf(const std::string& path, std::string_view head, int forced) {
  const int format = forced >= 0 ? forced : RecogniseFormat(path, head);
  if (format < 0 || FileTypes[format].Source != TSourceKind::None) return format;
  // A page format that is only written is read as the page row of its mask.
  for (int row = 0; row < kFormatCount; ++row)
    if (FileTypes[row].Source == TSourceKind::Page &&
        std::string_view(FileTypes[row].Filter) == FileTypes[format].Filter)
      return row;
  return format;
}

bool IsReadableFormat(int format) {
  return format >= 0 && SourceKindOf(static_cast<uint32_t>(format)) != TSourceKind::None;
}

int RecogniseFormat(const std::string& path, std::string_view head) {
  for (int row = 0; row < kFormatCount; ++row)
    if (FileTypes[row].Recognise != nullptr && FileTypes[row].Recognise(head)) return row;
  // By extension: the first row whose mask takes it, among the rows that are
  // read (a page is read through the web-page row).
  const size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  for (int row = 0; row < kFormatCount; ++row)
    if (IsReadableFormat(row) && MatchesMask(name, FileTypes[row].Filter)) return row;
  return -1;
}

bool IsTextFormat(int format) {
  return format >= 0 && format < kFormatCount && FileTypes[format].Text;
}

int DefaultChineseCodePage() { return Process().SystemCodePage == kCpBig5 ? kCpBig5 : kCpGbk; }

int ChooseSourceCodePage(int format, std::string_view head, int chosen) {
  const TCodePageRule rule =
      format >= 0 && format < kFormatCount ? FileTypes[format].CodePages : TCodePageRule::Any;
  if (rule == TCodePageRule::GbkOnly) return kCpGbk;
  const bool dbcsOnly = rule == TCodePageRule::DoubleByte;
  if (chosen != -1 && !(dbcsOnly && chosen != kCpGbk && chosen != kCpBig5)) return chosen;
  if (IsTextFormat(format) && LooksLikeUtf8(head)) return kCpUtf8;
  return DefaultChineseCodePage();
}

int MapFlagsFor(int srcCodePage, int dstCodePage) {
  if (dstCodePage == kCpGbk && srcCodePage == kCpBig5) return kMapToSimplified;
  if (dstCodePage == kCpBig5 && srcCodePage != kCpBig5) return kMapToTraditional;
  return 0;
}

std::string SaveStandardInput(std::string& tempFolder) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/tavrik-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) return std::string();
  tempFolder = pattern;
  const std::string path = pattern + "/stdin";
  std::string bytes;
  char chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) bytes.append(chunk, n);
  if (!SaveFileReplacing(path, bytes, false)) return std::string();
  return path;
}

std::string FolderPartOf(const std::string& path) {
  const std::string folder = FolderPart(path);
  return folder.empty() ? std::string(".") : folder;
}
