// Job states for code that runs without the job framework: tests, fuzz
// targets and benchmarks. Header only, so that the fuzz and benchmark
// programs, which link the library but none of the test sources, can use it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/jobstate.h"
#include "core/record.h"

// Shows and keeps nothing; counts errors and warnings, and every line logged.
class TQuietJob : public TJobState {
 public:
  // Lines logged, of any level: a benchmark reports it to show that the work
  // it measures was done.
  int Messages = 0;
  // Error and warning lines of a record also go to its ErrorText (at most
  // 4 KiB), so that a fuzz target runs the code that builds them.
  bool KeepRecordMessages = false;

  void Log(const std::string&, int level = kLogPlain, bool = true) override { Count(level); }
  void LogRecord(TChessRec& rec, const std::string& text, int level) override {
    Count(level);
    if (KeepRecordMessages && level != kLogPlain && rec.ErrorText.size() < 4096)
      rec.ErrorText += text;
  }

 protected:
  void Count(int level) {
    ++Messages;
    if (level == kLogError) ++ErrorCount;
    if (level == kLogWarning) ++WarningCount;
  }
};

// The fuzz targets' job: quiet, and records keep their messages.
class TFuzzJob : public TQuietJob {
 public:
  TFuzzJob() { KeepRecordMessages = true; }
};

// Keeps every log line with its level instead of showing or saving it.
class TTestJob : public TQuietJob {
 public:
  struct TLine {
    std::string Text;
    int Level;
    bool ForRecord;
  };
  std::vector<TLine> Lines;

  void Log(const std::string& text, int level = kLogPlain, bool /*addPrefix*/ = true) override {
    Lines.push_back({text, level, false});
    Count(level);
  }
  void LogRecord(TChessRec& rec, const std::string& text, int level) override {
    Lines.push_back({text, level, true});
    Count(level);
    if (AddErrorInfo && level != kLogPlain) rec.ErrorText += text + "\r\n";
  }

  // Lines logged at the given level, in order.
  std::vector<std::string> At(int level) const {
    std::vector<std::string> out;
    for (const TLine& l : Lines)
      if (l.Level == level) out.push_back(l.Text);
    return out;
  }
  bool Logged(const std::string& text) const {
    for (const TLine& l : Lines)
      if (l.Text == text) return true;
    return false;
  }
};

// A job writing UTF-8 in simplified script, the form most tests compare with.
inline TTestJob Utf8Job(int srcFormat, int dstFormat, int srcCodePage = kCpUtf8) {
  TTestJob job;
  job.SrcFormat = static_cast<uint32_t>(srcFormat);
  job.DstFormat = static_cast<uint32_t>(dstFormat);
  job.SrcCodePage = srcCodePage;
  job.DstCodePage = kCpUtf8;
  job.DstCodePageIndex = 2;
  job.TextVariant = 3;
  job.ScriptCodePage = kCpGbk;
  return job;
}

// A record of one line of moves (from, dest) from the standard start.
inline TChessRec LineRecord(int srcFormat, int dstFormat,
                            const std::vector<std::pair<uint8_t, uint8_t>>& moves) {
  TChessRec rec;
  ResetRecord(rec, srcFormat, dstFormat);
  const int n = static_cast<int>(moves.size());
  SetMoveCapacity(rec, n + 1);
  for (int i = 1; i <= n; ++i) {
    rec.Moves[i].From = moves[i - 1].first;
    rec.Moves[i].Dest = moves[i - 1].second;
  }
  BuildLinearTree(rec, n);
  return rec;
}
