// The conversion job framework: job state, log, questions, pre-checks, folder
// walk, output writer and summary. Every conversion window derives from it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "app/controls.h"
#include "core/encoding.h"
#include "core/jobcontrol.h"
#include "core/jobstate.h"

struct TChessRec;

// Length of the MD5 suffix of output names: "{" + 32 hexadecimal digits + "}".
constexpr size_t kMd5SuffixBytes = 34;

// How an interactive job asks the user. The desktop shows message boxes; with
// no asker installed (command line, tests) every question gets its unattended
// answer.
class TAsker {
 public:
  virtual ~TAsker() = default;
  virtual int Show(const std::string& text, TAskKind kind, unsigned buttons) = 0;
};

// A job may be stopped between two files or records (TJobControl); what it
// wrote stays, and the summary counts it.
class TBaseForm : public TJobState, public TJobControl {
 public:
  TBaseForm();
  ~TBaseForm() override;

  // Controls of every conversion window. tsConvert is the first page, which
  // holds the job controls and the log.
  TControl tsConvert;
  TRadioGroup rgSource;
  TControl lblSource;
  TEdit edtSource;
  TControl btnSource;
  TControl lblDestination;
  TEdit edtDestination;
  TControl btnDestination;
  TCheckBox chkSubDir;  // read by WalkSourceFolder: walk sub-folders too
  TCheckBox chkFileNameToTitle;
  TCheckBox chkLeftToRight;
  TCheckBox chkAddBaseInfo;
  TCheckBox chkAddError;
  TControl lblLog;
  TMemo mmoLog;
  TControl btnConvert;
  TControl btnClose;

  // The clipboard buffer: every record written while ToClipboard is set.
  std::string OutBuffer;

  // Optional interactive asker (not owned).
  TAsker* Asker = nullptr;
  // Called with every log line after it was added (command-line echo, view refresh).
  std::function<void(const std::string& line)> OnLog;

  void Log(const std::string& text, int level = kLogPlain, bool addPrefix = true) override;
  void LogRecord(TChessRec& rec, const std::string& text, int level) override;
  void EndRecordLog(TChessRec& rec) override;
  // The one way a job talks to the user. Unattended (any command-line argument)
  // or with no asker, the text is logged and unattendedAnswer returned; an
  // interactive summary (unattendedAnswer -1) is logged as well as shown.
  int Ask(const std::string& text, TAskKind kind, unsigned buttons, int unattendedAnswer) override;

  void PrepareJob();
  bool CheckJobSettings();
  // Walks a source folder; both folders end in '/'. The destination folder is
  // empty while ToClipboard (or when the job makes no destination folders).
  // Files of a folder are handled before its sub-folders, each group in byte
  // order of the names. Returns the number of records written.
  int WalkSourceFolder(const std::string& sourceFolder, const std::string& destFolder);
  // The per-file action of the walk (the job windows override it). destFolder
  // exists when it is not empty.
  virtual int ConvertFile(const std::string& sourceFile, const std::string& destFolder);
  // Virtual so that a front-end may collect the rendered records instead (the
  // sub-command line gathers them to write in source order, or into one file).
  bool WriteOutput(TChessRec& rec, const std::string& fileName, size_t presetSize,
                   const std::string& rendered) override;
  void FinishJob(int convertedCount);

  // The whole log as one text, lines joined by CR LF.
  std::string LogText() const;
  // The record's title (slot 51) in the system code page, for messages and names.
  std::string SystemTitle(const TChessRec& rec) const;

 protected:
  void LogStop(const std::string& text) override { Log(text); }

 private:
  bool WriteFileReplacing(TChessRec& rec, const std::string& fileName, const std::string& data);
};

// Equal length and equal when compared case-insensitively in the system code
// page. Used to keep generated names distinct on any file system.
bool SamePath(const std::string& a, const std::string& b);
// True when both paths name the same existing file or folder (file-system
// identity); when either does not exist, falls back to SamePath.
bool SameLocation(const std::string& a, const std::string& b);
