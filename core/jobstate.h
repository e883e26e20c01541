// The state of one conversion job, as the readers, writers and the record
// completion see it. The job framework (TBaseForm) derives from it and adds the
// log, the questions and the output writer; core code only needs these members
// and the two logging operations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct TChessRec;

// Log levels.
constexpr int kLogPlain = 0;
constexpr int kLogError = 1;
constexpr int kLogWarning = 2;

// Most error and warning lines one record puts in the job log. Further ones
// are still counted, and EndRecordLog says how many were held back: a file of
// millions of bad moves must not fill the memory and the disk with messages.
constexpr int kRecordMessageLimit = 100;

// Script mapping flags (simplified/traditional).
constexpr int kMapToSimplified = 0x2000000;
constexpr int kMapToTraditional = 0x4000000;

// Code pages by their usual numbers; 0 as a source code page means UTF-16LE.
constexpr int kCpGbk = 936;
constexpr int kCpBig5 = 950;
constexpr int kCpUtf8 = 65001;
constexpr int kCpUtf16Le = 0;

// Answers of Ask (modal results).
constexpr int kAnswerOk = 1;
constexpr int kAnswerYes = 6;
constexpr int kAnswerNo = 7;
constexpr int kAnswerNoToAll = 9;
constexpr int kAnswerYesToAll = 10;

// Unattended answers that no caller acts upon: error boxes and the summary.
constexpr int kAnswerUnread = -2;
constexpr int kAnswerSummary = -1;

enum class TAskKind { Error, Information, Confirmation };

// Buttons of Ask, as a bit set.
constexpr unsigned kBtnOk = 1;
constexpr unsigned kBtnYes = 2;
constexpr unsigned kBtnNo = 4;
constexpr unsigned kBtnYesToAll = 8;
constexpr unsigned kBtnNoToAll = 16;

// Process-wide values fixed at start-up.
struct TProcessState {
  bool Unattended = false;       // started with any command-line argument
  int SystemCodePage = kCpUtf8;  // code page of the program's messages and file names
  bool MemorySizeDiff = false;   // diagnostic size check of WriteOutput
};
TProcessState& Process();

class TJobState {
 public:
  virtual ~TJobState() = default;

  // Appends one line to the job log (see TBaseForm).
  virtual void Log(const std::string& text, int level = kLogPlain, bool addPrefix = true) = 0;
  // Logs a message that belongs to one record; errors and warnings also go to
  // the record's ErrorText when AddErrorInfo is set.
  virtual void LogRecord(TChessRec& rec, const std::string& text, int level) = 0;
  // Called when the reading or the writing of a record is done: logs one line
  // for the record's messages held back by kRecordMessageLimit, if any.
  virtual void EndRecordLog(TChessRec&) {}
  // Asks the user; a job with nobody to ask returns unattendedAnswer.
  virtual int Ask(const std::string&, TAskKind, unsigned, int unattendedAnswer) {
    return unattendedAnswer;
  }
  // Hands a rendered record to the job's output (a file, or the clipboard
  // buffer). A job state without an output writes nothing.
  virtual bool WriteOutput(TChessRec&, const std::string&, size_t, const std::string&) {
    return false;
  }

  // The writers' render buffer and the loaded bytes or text of a source, each
  // reused for every record of a job.
  std::string RenderBuffer;
  std::string SourceBuffer;

  uint16_t ReplaceAnswer = 6;
  bool FileNameToTitle = false;
  bool LeftToRight = false;
  bool AddBaseInfo = false;
  bool AddErrorInfo = false;
  int32_t TextVariant = 0;
  uint32_t ScriptCodePage = kCpGbk;
  int32_t ErrorCount = 0;
  int32_t WarningCount = 0;
  uint32_t SrcFormat = 0;
  uint32_t DstFormat = 0;
  int32_t SrcCodePage = kCpGbk;
  uint32_t DstCodePage = kCpGbk;
  int32_t DstCodePageIndex = 0;
  int32_t MapFlags = 0;
  bool FromClipboard = false;
  bool ToClipboard = false;
  int32_t AddMD5 = 0;

  // Destination options (filled by ApplyDestinationOptions).
  bool CheckMoveText = true;
  int32_t TextPliesPerLine = 2;
  int32_t PgnPliesPerLine = 2;
  int32_t PGNFormat = 0;  // 0 Chinese, 1 WXF, 2 ICCS
  bool IncludeChange = false;
  bool PGNBrace = false;
  int32_t XQFVersion = 10;
  std::string CodeBase;
  std::string Sound = "on";
  std::string ShowMove = "on";
  bool Html = false;
  bool UBB = false;
  std::string HeadText;
  std::string FootText;
  std::string UbbSize = "500,350";
  bool WxfStandard = true;

  // Source options (filled by the any-to-any job).
  bool DelSpace = false;
  bool TitleIncludeRound = true;
  int32_t TitleType = 0;
  int32_t XQILayout = 0;
};
