// What the sub-command line adds to a job window: every log line goes to
// standard error as it is made (errors only when quiet), and a job may collect
// its rendered records instead of writing them, so that they are written in
// source order, or all into one file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/baseform.h"

struct TChessRec;

// One log line, or (Output >= 0) the place where a record was rendered.
struct TLogEvent {
  std::string Text;
  int Level = kLogPlain;
  bool AddPrefix = true;
  int Output = -1;
};

// A rendered record and the file name its writer chose.
struct TRenderedRecord {
  std::string Name;
  uint64_t Preset = 0;
  std::string Bytes;
};

// What reading one source gave: its log lines and records, in order.
struct TSourceResult {
  std::vector<TLogEvent> Events;
  std::vector<TRenderedRecord> Outputs;

  void AppendTo(std::string& out) const;
  // Reads a result written by AppendTo; false when the bytes are not one.
  bool ReadFrom(std::string_view in);
};

// Appends one rendered record to a file that holds many: only the first
// record keeps a UTF-8 byte-order mark.
void AppendToDatabase(std::string& database, std::string_view rendered);

// Writes a log line (system code page) to standard error, with LF line ends.
void EchoLogLine(const std::string& line);

// Follows a job on standard error: its progress as one line, shown only on a
// terminal and once the job has taken more than a second (log lines are
// written above it), and an interrupt (Ctrl-C) asks the job to stop between
// two files or records; a second one ends the program at once.
void FollowJob(TJobControl& job);
// Clears the progress line and forgets the job.
void EndFollowing();
// True once an interrupt asked the followed job to stop.
bool Interrupted();

template <class TForm>
class TCliForm : public TForm {
 public:
  bool Quiet = false;
  // Existing files are kept: every replace question is answered "no to all".
  bool NoClobber = false;
  // When set, log lines and rendered records are collected here.
  TSourceResult* Capture = nullptr;
  // When set (and nothing is collected), every record is appended here.
  std::string* Database = nullptr;

  void Log(const std::string& text, int level = kLogPlain, bool addPrefix = true) override {
    if (Capture != nullptr) {
      Capture->Events.push_back(TLogEvent{text, level, addPrefix, -1});
      return;
    }
    TForm::Log(text, level, addPrefix);
    if (!Quiet || level == kLogError) EchoLogLine(this->mmoLog.Lines.back());
    // The log is on the terminal already; a long run need not keep it.
    this->mmoLog.Lines.clear();
  }

  bool WriteOutput(TChessRec& rec, const std::string& fileName, size_t presetSize,
                   const std::string& rendered) override {
    if (Capture != nullptr) {
      Capture->Events.push_back(
          TLogEvent{std::string(), kLogPlain, false, static_cast<int>(Capture->Outputs.size())});
      Capture->Outputs.push_back(TRenderedRecord{fileName, presetSize, rendered});
      return true;
    }
    if (Database != nullptr) {
      AppendToDatabase(*Database, rendered);
      return true;
    }
    if (NoClobber) this->ReplaceAnswer = kAnswerNoToAll;
    return TForm::WriteOutput(rec, fileName, presetSize, rendered);
  }
};
