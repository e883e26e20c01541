// Progress and stop requests of a running job.
#include "core/jobcontrol.h"

#include "core/encoding.h"

void TJobControl::BeginProgress() {
  progress_ = TJobProgress();
  fileRuns_ = 0;
  stopLogged_ = false;
}

void TJobControl::BeginFiles(int64_t total) {
  if (fileRuns_++ > 0) return;  // a nested walk keeps counting the outer run
  progress_ = TJobProgress{0, total, false};
  Report();
}

void TJobControl::FileDone() {
  if (fileRuns_ == 0) return;
  ++progress_.Done;
  if (progress_.Total >= 0 && progress_.Done > progress_.Total) progress_.Total = progress_.Done;
  Report();
}

void TJobControl::EndFiles() {
  if (fileRuns_ > 0) --fileRuns_;
}

void TJobControl::RecordDone(int64_t done, int64_t total) {
  if (fileRuns_ > 0) return;
  progress_ = TJobProgress{done, total, true};
  Report();
}

void TJobControl::Report() {
  if (OnProgress) OnProgress(progress_);
}

bool TJobControl::Stopping() {
  if (!StopRequested()) return false;
  if (!stopLogged_) {
    stopLogged_ = true;
    std::string text = "\r\n已停止轉換：已處理 " + std::to_string(progress_.Done) + " 個" +
                       (progress_.Records ? "棋譜" : "文件");
    if (progress_.Total >= 0) text += "，共 " + std::to_string(progress_.Total) + " 個";
    text += "。已寫的文件都保留。";
    LogStop(SystemText(text));
  }
  return true;
}
