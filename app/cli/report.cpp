// tavrik info, tavrik check and tavrik library list: every record of the
// files is read and completed as a conversion would, and described instead
// of written.
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli/commands.h"
#include "app/cli/convert.h"
#include "app/cli/records.h"
#include "app/paths.h"
#include "core/encoding.h"
#include "core/record.h"
#include "core/uglobal.h"

namespace {

// One record as the reports show it; texts in UTF-8.
struct TRecordFacts {
  int Number = 0;
  bool Read = false;
  std::string Title, Event, Date, Site, Red, Black, Commentator, Author;
  std::string Result;
  int Plies = 0;
  int Variations = 0;
  int Comments = 0;
  std::string Start;
  std::string Opening, OpeningName;
  std::vector<std::string> Messages;
};

struct TFileFacts {
  std::string Path;
  std::string Format;  // format identifier, empty when not known
  std::string Encoding;
  std::vector<std::string> Problems;  // messages that belong to no record
  std::vector<TRecordFacts> Records;
};

const char* ResultName(int result) {
  switch (result) {
    case 1:
      return "red";
    case 2:
      return "black";
    case 3:
      return "draw";
    default:
      return "unknown";
  }
}

const char* EncodingName(int codePage) {
  switch (codePage) {
    case kCpGbk:
      return "gbk";
    case kCpBig5:
      return "big5";
    case kCpUtf8:
      return "utf-8";
    default:
      return "utf-16";
  }
}

// A message of the log (system code page) as UTF-8, without line breaks.
std::string MessageText(const std::string& line) {
  std::string text = line;
  if (Process().SystemCodePage != kCpUtf8)
    ConvertCodePage(text, Process().SystemCodePage, 0, kCpUtf8);
  std::string out;
  for (char c : text)
    if (c != '\r' && c != '\n') out += c;
  return out;
}

std::string Slot(const TChessRec& rec, int slot) {
  return static_cast<size_t>(slot) < rec.Texts.size() ? TrimText(rec.Texts[slot]) : std::string();
}

TRecordFacts FactsOf(const TChessRec& rec) {
  TRecordFacts f;
  f.Title = Slot(rec, kSlotTitle);
  f.Event = Slot(rec, kSlotEvent);
  f.Date = Slot(rec, kSlotDate);
  f.Site = Slot(rec, kSlotSite);
  f.Red = Slot(rec, kSlotRedName);
  f.Black = Slot(rec, kSlotBlackName);
  f.Commentator = Slot(rec, kSlotCommentator);
  f.Author = Slot(rec, kSlotCreator);
  f.Result = ResultName(rec.GameResult);
  if (!rec.Lines.empty() && rec.MoveCount > 0)
    f.Plies = std::max(0, std::min(rec.Lines[0].Last, rec.MoveCount));
  f.Variations = std::max(0, rec.LastLine);
  for (size_t slot = kSlotStartComment; slot < rec.Texts.size(); ++slot)
    if (!TrimText(rec.Texts[slot]).empty()) ++f.Comments;
  f.Start = Slot(rec, kSlotFen);
  f.Opening = Slot(rec, kSlotEcco);
  f.OpeningName = Slot(rec, kSlotOpening);
  const std::string variation = Slot(rec, kSlotVariation);
  if (!variation.empty()) f.OpeningName += (f.OpeningName.empty() ? "" : " ") + variation;
  return f;
}

// Reads every record of one file into its facts. Returns false when the file
// is of no readable format.
bool ReadFacts(TCliJob& job, const std::string& path, const TReportRun& run, TFileFacts& file) {
  file.Path = path;
  std::string head;
  const bool readable = ReadFileHead(path, head);
  const int format = SourceFormatOf(path, head, run.From.empty() ? -1 : FormatOfId(run.From));
  if (format >= 0) file.Format = FileTypes[format].Id;
  if (!readable) {
    file.Problems.push_back(MessageText(SystemText("源文件不存在。") + path));
    return false;
  }
  if (!IsReadableFormat(format)) {
    file.Problems.push_back(
        MessageText(format < 0 ? SystemText("不能識別源棋譜格式：") + path
                               : SystemText("不支持讀取此源棋譜格式：") + FileTypes[format].Id));
    return false;
  }
  job.SrcFormat = static_cast<uint32_t>(format);
  job.SrcCodePage = ChooseSourceCodePage(format, head, SourceEncoding(run.FromEncoding));
  job.MapFlags = 0;
  file.Encoding = EncodingName(job.SrcCodePage);

  TSourceResult log;
  job.Capture = &log;
  size_t seen = 0;
  // The messages logged since the last record belong to this one.
  auto takeMessages = [&](std::vector<std::string>& into) {
    for (; seen < log.Events.size(); ++seen) {
      const TLogEvent& e = log.Events[seen];
      if (e.Level == kLogError || e.Level == kLogWarning) into.push_back(MessageText(e.Text));
    }
  };
  ReadEveryRecord(job, job.Rec, path, [&](int index, int, bool ok) {
    TRecordFacts facts = ok ? FactsOf(job.Rec) : TRecordFacts{};
    facts.Number = index + 1;
    facts.Read = ok;
    takeMessages(facts.Messages);
    file.Records.push_back(std::move(facts));
  });
  takeMessages(file.Problems);
  job.Capture = nullptr;
  return true;
}

// ---- JSON ----

std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  size_t i = 0;
  while (i < utf8.size()) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
      ++i;
    } else if (c < 0x20) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
      ++i;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
    } else {
      // Whole UTF-8 sequences pass; a stray byte becomes U+FFFD.
      const size_t length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
      bool whole = length > 0 && i + length <= utf8.size();
      for (size_t k = 1; whole && k < length; ++k)
        whole = (static_cast<unsigned char>(utf8[i + k]) & 0xC0) == 0x80;
      if (whole) {
        out.append(utf8, i, length);
        i += length;
      } else {
        out += "\xEF\xBF\xBD";
        ++i;
      }
    }
  }
  return out + "\"";
}

std::string JsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + JsonString(items[i]);
  return out + "]";
}

std::string PathText(const std::string& path) { return MessageText(path); }

void PrintRecordJson(const TRecordFacts& r, const char* indent, bool full) {
  std::printf("%s{\"number\": %d, \"title\": %s, ", indent, r.Number, JsonString(r.Title).c_str());
  if (full)
    std::printf("\"event\": %s, \"date\": %s, \"site\": %s, ", JsonString(r.Event).c_str(),
                JsonString(r.Date).c_str(), JsonString(r.Site).c_str());
  std::printf("\"red\": %s, \"black\": %s, \"result\": \"%s\", \"plies\": %d, ",
              JsonString(r.Red).c_str(), JsonString(r.Black).c_str(), r.Result.c_str(), r.Plies);
  if (full)
    std::printf(
        "\"commentator\": %s, \"author\": %s, \"variations\": %d, \"comments\": %d, "
        "\"start\": %s, \"opening_name\": %s, \"read\": %s, \"messages\": %s, ",
        JsonString(r.Commentator).c_str(), JsonString(r.Author).c_str(), r.Variations, r.Comments,
        JsonString(r.Start).c_str(), JsonString(r.OpeningName).c_str(), r.Read ? "true" : "false",
        JsonList(r.Messages).c_str());
  std::printf("\"opening\": %s}", JsonString(r.Opening).c_str());
}

void PrintFileJson(const TFileFacts& f, bool full, bool last) {
  std::printf("  {\"file\": %s, \"format\": %s, ", JsonString(PathText(f.Path)).c_str(),
              JsonString(f.Format).c_str());
  if (full)
    std::printf("\"encoding\": %s, \"problems\": %s, ", JsonString(f.Encoding).c_str(),
                JsonList(f.Problems).c_str());
  std::printf("\"records\": [");
  for (size_t i = 0; i < f.Records.size(); ++i) {
    std::printf("%s\n", i ? "," : "");
    PrintRecordJson(f.Records[i], "    ", full);
  }
  std::printf("%s]}%s\n", f.Records.empty() ? "" : "\n  ", last ? "" : ",");
}

// ---- Plain text ----

void Field(const char* name, const std::string& value) {
  if (!value.empty()) std::printf("    %s: %s\n", name, value.c_str());
}

void PrintFileInfo(const TFileFacts& f) {
  std::printf("%s\n", PathText(f.Path).c_str());
  if (!f.Format.empty()) std::printf("  format: %s\n", f.Format.c_str());
  if (!f.Encoding.empty()) std::printf("  encoding: %s\n", f.Encoding.c_str());
  for (const std::string& p : f.Problems) std::printf("  message: %s\n", p.c_str());
  for (const TRecordFacts& r : f.Records) {
    std::printf("  record %d%s\n", r.Number, r.Read ? "" : " (not read)");
    Field("title", r.Title);
    Field("event", r.Event);
    Field("date", r.Date);
    Field("site", r.Site);
    Field("red", r.Red);
    Field("black", r.Black);
    Field("result", r.Result);
    Field("commentator", r.Commentator);
    Field("author", r.Author);
    std::printf("    plies: %d\n    variations: %d\n    comments: %d\n", r.Plies, r.Variations,
                r.Comments);
    Field("start", r.Start);
    Field("opening", r.Opening + (r.OpeningName.empty() ? "" : " " + r.OpeningName));
    for (const std::string& m : r.Messages) std::printf("    message: %s\n", m.c_str());
  }
}

// A job that reads records into UTF-8 texts and writes nothing.
void PrepareReportJob(TCliJob& job) {
  PrepareCliJob(job, TConvertOptions{}, kFmtPgn, kCpUtf8, true);
}

bool HasFaults(const TFileFacts& f) {
  if (!f.Problems.empty()) return true;
  for (const TRecordFacts& r : f.Records)
    if (!r.Read || !r.Messages.empty()) return true;
  return false;
}

// The files named, with the files of folders (walked, of known formats).
std::vector<std::string> ExpandFiles(const TReportRun& run) {
  std::vector<std::string> files;
  for (const std::string& name : run.Files) {
    if (!FolderExists(name)) {
      files.push_back(name);
      continue;
    }
    std::vector<TWalkEntry> entries;
    const int forced = run.From.empty() ? -1 : FormatOfId(run.From);
    WalkFolder(name, run.Recursive, forced >= 0 ? FileTypes[forced].Filter : "", entries);
    for (const TWalkEntry& e : entries) {
      if (e.Folder) continue;
      std::string head;
      if (forced >= 0 || (ReadFileHead(e.Path, head) && RecogniseFormat(e.Path, head) >= 0))
        files.push_back(e.Path);
    }
  }
  return files;
}

}  // namespace

int RunInfo(const TReportRun& run) {
  TCliJob job;
  PrepareReportJob(job);
  bool faults = false;
  std::vector<TFileFacts> all;
  if (run.Json) std::printf("[\n");
  for (size_t i = 0; i < run.Files.size(); ++i) {
    TFileFacts f;
    ReadFacts(job, run.Files[i], run, f);
    faults = faults || HasFaults(f);
    if (run.Json)
      PrintFileJson(f, true, i + 1 == run.Files.size());
    else
      PrintFileInfo(f);
  }
  if (run.Json) std::printf("]\n");
  return faults ? 1 : 0;
}

int RunCheck(const TReportRun& run) {
  TCliJob job;
  PrepareReportJob(job);
  const std::vector<std::string> files = ExpandFiles(run);
  int records = 0;
  int faulty = 0;
  bool first = true;
  if (run.Json) std::printf("[");
  for (const std::string& path : files) {
    TFileFacts f;
    ReadFacts(job, path, run, f);
    const std::string shown = PathText(path);
    for (const std::string& p : f.Problems) {
      if (run.Json)
        std::printf("%s\n  {\"file\": %s, \"record\": 0, \"messages\": [%s]}", first ? "" : ",",
                    JsonString(shown).c_str(), JsonString(p).c_str());
      else
        std::printf("%s: %s\n", shown.c_str(), p.c_str());
      first = false;
    }
    faulty += f.Problems.empty() ? 0 : 1;
    for (const TRecordFacts& r : f.Records) {
      ++records;
      if (r.Read && r.Messages.empty()) continue;
      ++faulty;
      std::vector<std::string> messages = r.Messages;
      if (!r.Read && messages.empty()) messages.push_back("not read");
      if (run.Json) {
        std::printf("%s\n  {\"file\": %s, \"record\": %d, \"title\": %s, \"messages\": %s}",
                    first ? "" : ",", JsonString(shown).c_str(), r.Number,
                    JsonString(r.Title).c_str(), JsonList(messages).c_str());
      } else {
        for (const std::string& m : messages)
          std::printf("%s #%d: %s\n", shown.c_str(), r.Number, m.c_str());
      }
      first = false;
    }
  }
  if (run.Json) std::printf("%s]\n", first ? "" : "\n");
  std::fprintf(stderr, "%d records in %zu files checked, %d with faults\n", records, files.size(),
               faulty);
  return faulty > 0 ? 1 : 0;
}

int RunLibraryList(const TReportRun& run) {
  TCliJob job;
  PrepareReportJob(job);
  TReportRun asLibrary = run;
  asLibrary.From = "CBL";
  bool faults = false;
  if (run.Json) std::printf("[\n");
  for (size_t i = 0; i < run.Files.size(); ++i) {
    TFileFacts f;
    ReadFacts(job, run.Files[i], asLibrary, f);
    for (const std::string& p : f.Problems)
      std::fprintf(stderr, "%s: %s\n", PathText(f.Path).c_str(), p.c_str());
    faults = faults || HasFaults(f);
    if (run.Json) {
      PrintFileJson(f, false, i + 1 == run.Files.size());
      continue;
    }
    if (run.Files.size() > 1)
      std::printf("%s==> %s <==\n", i ? "\n" : "", PathText(f.Path).c_str());
    for (const TRecordFacts& r : f.Records)
      std::printf("%d\t%s\t%s\t%s\t%s\t%d\t%s\n", r.Number, r.Title.c_str(), r.Red.c_str(),
                  r.Black.c_str(), r.Result.c_str(), r.Plies, r.Opening.c_str());
  }
  if (run.Json) std::printf("]\n");
  return faults ? 1 : 0;
}
