// What every job window shares: the page control with the convert page, the
// splitter between the job controls and the log, the button row with the
// progress bar and the Stop button, and the worker thread a job runs on.
#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/gui/binder.h"
#include "core/jobcontrol.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTabWidget;
class QThread;
class QTimer;

// The parts of a form the view needs to run its jobs.
struct TJobHooks {
  TJobControl* Control = nullptr;
  TMemo* Log = nullptr;
  std::function<void(const std::string&)>* OnLog = nullptr;
};

class TJobView : public QWidget {
 public:
  TJobView(const char* caption, const TJobHooks& hooks);
  ~TJobView() override;

  bool Running() const { return thread_ != nullptr; }
  QPushButton* StopButton() const { return btnStop_; }
  // Called when a job has ended (tests wait for it).
  std::function<void()> OnJobEnd;

 protected:
  TBinder Binder;
  QTabWidget* Pages;  // pgcConvert
  QWidget* MainPanel;

  // Lays out the convert page: MainPanel above the log (label caption), the
  // buttons at the bottom.
  void BuildConvertPage(const std::string& logCaption, const std::vector<QWidget*>& buttons);
  // Runs job on a worker thread; the controls are disabled until it ends.
  void RunJob(std::function<void()> job);
  // Closes the child window that holds the view.
  void CloseWindow();
  // Paths dropped onto the window.
  virtual void DropPaths(const QStringList& paths) = 0;
  // Draws the form again and the log lines it added.
  void Redraw();
  // Ends the view's use of the form: waits for a running job, drops the hooks
  // and the widgets. Each window calls it before its form goes.
  void Detach();

  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  TJobHooks hooks_;
  QPlainTextEdit* mmoLog_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* btnStop_ = nullptr;
  QTimer* timer_ = nullptr;
  QThread* thread_ = nullptr;
  bool closeWhenDone_ = false;
  bool detached_ = false;
  size_t shownLines_ = 0;

  std::mutex mutex_;  // guards the two below, filled by the job's thread
  std::vector<std::string> pending_;
  TJobProgress jobProgress_;
  bool progressChanged_ = false;

  void DrainLog();
  void ShowProgress();
  void JobEnded();
  void SyncLog();
};
