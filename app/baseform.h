// The conversion job framework: job state, log, questions, pre-checks, folder
// walk, output writer and summary. Every conversion window derives from it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/controls.h"
#include "core/jobstate.h"

struct TChessRec;

// Answers of Ask (modal results).
constexpr int kAnswerOk = 1;
constexpr int kAnswerYes = 6;
constexpr int kAnswerNo = 7;
constexpr int kAnswerNoToAll = 9;
constexpr int kAnswerYesToAll = 10;

enum class TAskKind { Error, Information, Confirmation };

// Buttons of Ask, as a bit set.
constexpr unsigned kBtnOk = 1;
constexpr unsigned kBtnYes = 2;
constexpr unsigned kBtnNo = 4;
constexpr unsigned kBtnYesToAll = 8;
constexpr unsigned kBtnNoToAll = 16;

// How an interactive job asks the user. The desktop shows message boxes; with
// no asker installed (command line, tests) every question gets its unattended
// answer.
class TAsker {
 public:
  virtual ~TAsker() = default;
  virtual int Show(const std::string& text, TAskKind kind, unsigned buttons) = 0;
};

class TBaseForm : public TJobState {
 public:
  TBaseForm();
  ~TBaseForm() override;

  // Controls of every conversion window.
  TRadioGroup rgSource;
  TEdit edtSource;
  TEdit edtDestination;
  TCheckBox chkSubDir;
  TCheckBox chkFileNameToTitle;
  TCheckBox chkLeftToRight;
  TCheckBox chkAddBaseInfo;
  TCheckBox chkAddError;
  TMemo mmoLog;

  // The clipboard buffer: every record written while ToClipboard is set.
  std::string OutBuffer;
  // The writers' render buffer, reused for every record of a job.
  std::string RenderBuffer;

  // Optional interactive asker (not owned).
  TAsker* Asker = nullptr;

  void Log(const std::string& text, int level = kLogPlain, bool addPrefix = true) override;
  void LogRecord(TChessRec& rec, const std::string& text, int level) override;
  int Ask(const std::string& text, TAskKind kind, unsigned buttons, int unattendedAnswer);

  void PrepareJob();
  bool CheckJobSettings();
  // Walks a source folder; both folders end in '/'. The destination folder is
  // empty while ToClipboard. Returns the number of records written.
  int WalkSourceFolder(const std::string& sourceFolder, const std::string& destFolder);
  // The per-file action of the walk (the job windows override it).
  virtual int ConvertFile(const std::string& sourceFile, const std::string& destFolder);
  bool WriteOutput(TChessRec& rec, const std::string& fileName, size_t presetSize,
                   const std::string& rendered);
  void FinishJob(int convertedCount);

  // The whole log as one text, lines joined by CR LF.
  std::string LogText() const;
};

bool MatchesMask(const std::string& fileName, const std::string& mask);
bool SamePath(const std::string& a, const std::string& b);
// Finds a tagged value such as [dhtmlxq_name]value[/dhtmlxq_name]. Positions are
// 1-based; returns 0, 1 or 2.
int FindTagPair(TBaseForm& job, std::string_view openPrefix, std::string_view closePrefix,
                std::string_view text, size_t textLength, size_t& pos, std::string& name,
                size_t& valueStart, size_t& valueLength);
