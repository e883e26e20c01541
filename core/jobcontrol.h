// Lets a front end follow a running job and stop it. A job runs on one thread;
// RequestStop may be called from any other thread (or a signal handler). The
// job looks at the request between two files or records only, so what it has
// written stays whole, and it logs once how far it got.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

struct TJobProgress {
  int64_t Done = 0;
  int64_t Total = -1;    // -1 while unknown
  bool Records = false;  // counts records, else files
};

class TJobControl {
 public:
  virtual ~TJobControl() = default;

  void RequestStop() noexcept { stop_.store(true, std::memory_order_relaxed); }
  // The request stays set until the front end clears it (before its next job).
  void ClearStop() noexcept { stop_.store(false, std::memory_order_relaxed); }
  bool StopRequested() const noexcept { return stop_.load(std::memory_order_relaxed); }

  // Called on the job's thread after every file (in a folder walk or a list of
  // files) or, when the job works through the records of one file, after
  // every record.
  std::function<void(const TJobProgress&)> OnProgress;
  const TJobProgress& Progress() const { return progress_; }

  // Forgets the progress and the stop message of the previous job.
  void BeginProgress();
  // A run over files: total known in advance or -1. While it lasts, record
  // counts are not reported: the bar follows the files.
  void BeginFiles(int64_t total);
  void FileDone();
  void EndFiles();
  bool InFileRun() const { return fileRuns_ > 0; }
  void RecordDone(int64_t done, int64_t total);

  // True when a stop was requested; the first time in a job it logs where
  // the job stopped (through LogStop).
  bool Stopping();

 protected:
  // Adds the stop message (system code page) to the job's log.
  virtual void LogStop(const std::string& text) = 0;

 private:
  std::atomic<bool> stop_{false};
  TJobProgress progress_;
  int fileRuns_ = 0;
  bool stopLogged_ = false;
  void Report();
};
