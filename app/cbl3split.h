// The job that cuts CCBridge 3.0 libraries into single record files: every
// piece between two record markers is written unchanged to its own numbered
// .CBR file. The window and the command line run it.
#pragma once

#include <string>

#include "core/jobcontrol.h"
#include "core/jobstate.h"
#include "formats/ccbridge/cbl3.h"

// What the cutting needs from its job: the log, the replace question and the
// options. A stop request ends the cutting between two records.
class TCbl3SplitJob : public TJobControl {
 public:
  virtual ~TCbl3SplitJob() = default;
  // Appends one log line (text in the system code page).
  virtual void Log(const std::string& text, int level = kLogPlain) = 0;
  // Asks whether an existing file may be replaced; returns Yes, No, Yes to
  // all or No to all (the answer values of the job framework).
  virtual int AskReplace(const std::string& text) = 0;

  // The remembered answer to the replace question; No means "ask".
  int ReplaceAnswer = kAnswerNo;
  int CbrFlag = kCbrFlagBlocks;
  bool SubDirs = true;

 protected:
  void LogStop(const std::string& text) override { Log(text); }
};

// Cuts one library into prefix + number + ".CBR" files. Problems are logged;
// the rest of the library is then skipped.
void SplitLibrary(TCbl3SplitJob& job, const std::string& fileName, const std::string& prefix);
// Cuts every *.CBL file of a folder into dest + its name + "/", and with
// SubDirs the sub-folders into the mirrored tree. Both folders end in '/'.
void SplitFolder(TCbl3SplitJob& job, const std::string& folder, const std::string& dest);
