// The frame of the job windows and the worker thread of their jobs.
#include "app/gui/jobview.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "app/gui/text.h"

namespace {
// How often the log and the progress bar catch up with a running job.
constexpr int kDrawIntervalMs = 50;

// Jobs share process-wide state (the script converters, the opening library,
// the settings): a job started while another window's job runs waits for it.
std::mutex& JobMutex() {
  static std::mutex mutex;
  return mutex;
}
}  // namespace

TJobView::TJobView(const char* caption, const TJobHooks& hooks) : hooks_(hooks) {
  setWindowTitle(QString::fromUtf8(caption));
  setAcceptDrops(true);
  Pages = new QTabWidget;
  Pages->setObjectName(QStringLiteral("pgcConvert"));
  MainPanel = new QWidget;
  MainPanel->setObjectName(QStringLiteral("pnlMain"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Pages);

  timer_ = new QTimer(this);
  timer_->setInterval(kDrawIntervalMs);
  QObject::connect(timer_, &QTimer::timeout, this, [this] {
    DrainLog();
    ShowProgress();
  });
  *hooks_.OnLog = [this](const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.push_back(line);
  };
  hooks_.Control->OnProgress = [this](const TJobProgress& p) {
    std::lock_guard<std::mutex> lock(mutex_);
    jobProgress_ = p;
    progressChanged_ = true;
  };
}

TJobView::~TJobView() { Detach(); }

void TJobView::Detach() {
  if (detached_) return;
  detached_ = true;
  if (thread_ != nullptr) {
    // Only reached when the program ends under a running job: stop it and
    // keep answering its questions until it has ended.
    QObject::disconnect(thread_, nullptr, this, nullptr);
    hooks_.Control->RequestStop();
    while (!thread_->wait(kDrawIntervalMs)) QCoreApplication::processEvents();
    delete thread_;
    thread_ = nullptr;
  }
  timer_->stop();
  *hooks_.OnLog = nullptr;
  hooks_.Control->OnProgress = nullptr;
  // The widgets draw the form's controls: they go first.
  delete Pages;
  Pages = nullptr;
}

void TJobView::BuildConvertPage(const std::string& logCaption,
                                const std::vector<QWidget*>& buttons) {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("tsConvert"));
  auto* pageLayout = new QVBoxLayout(page);

  auto* logPanel = new QWidget;
  logPanel->setObjectName(QStringLiteral("pnlLog"));
  auto* logLayout = new QHBoxLayout(logPanel);
  logLayout->setContentsMargins(0, 0, 0, 0);
  auto* logLabel = new QLabel(FromUtf8(logCaption));
  logLabel->setObjectName(QStringLiteral("lblLog"));
  logLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  mmoLog_ = new QPlainTextEdit;
  mmoLog_->setObjectName(QStringLiteral("mmoLog"));
  mmoLog_->setReadOnly(true);
  mmoLog_->setLineWrapMode(QPlainTextEdit::NoWrap);
  mmoLog_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mmoLog_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  logLayout->addWidget(logLabel);
  logLayout->addWidget(mmoLog_, 1);

  auto* splitter = new QSplitter(Qt::Vertical);
  splitter->setObjectName(QStringLiteral("splMain"));
  splitter->addWidget(MainPanel);
  splitter->addWidget(logPanel);
  splitter->setStretchFactor(0, 0);
  splitter->setStretchFactor(1, 1);
  splitter->setChildrenCollapsible(false);
  pageLayout->addWidget(splitter, 1);

  auto* buttonPanel = new QWidget;
  buttonPanel->setObjectName(QStringLiteral("pnlConvert"));
  auto* row = new QHBoxLayout(buttonPanel);
  row->setContentsMargins(0, 0, 0, 0);
  progress_ = new QProgressBar;
  progress_->setObjectName(QStringLiteral("pbProgress"));
  progress_->setRange(0, 1);
  progress_->setValue(0);
  progress_->setTextVisible(true);
  progress_->setFormat(QString());
  btnStop_ = new QPushButton(QStringLiteral("停止"));
  btnStop_->setObjectName(QStringLiteral("btnStop"));
  btnStop_->setEnabled(false);
  QObject::connect(btnStop_, &QPushButton::clicked, this, [this] {
    hooks_.Control->RequestStop();
    btnStop_->setEnabled(false);
  });
  row->addWidget(progress_, 1);
  row->addWidget(btnStop_);
  row->addSpacing(16);
  for (QWidget* b : buttons) row->addWidget(b);
  pageLayout->addWidget(buttonPanel);

  Pages->insertTab(0, page, QStringLiteral("轉換"));
  Pages->setCurrentIndex(0);

  // Dropped files go to the window, not into the edit or list under the mouse.
  for (QWidget* w : findChildren<QWidget*>())
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) ||
        qobject_cast<QListWidget*>(w))
      w->setAcceptDrops(false);
}

void TJobView::RunJob(std::function<void()> job) {
  if (thread_ != nullptr) return;
  hooks_.Control->ClearStop();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.clear();
    jobProgress_ = TJobProgress();
    progressChanged_ = false;
  }
  mmoLog_->clear();
  shownLines_ = 0;
  progress_->setRange(0, 0);  // busy until the job knows its total
  progress_->setFormat(QString());
  Binder.SetBusy(true);
  btnStop_->setEnabled(true);

  thread_ = QThread::create([job = std::move(job)] {
    std::lock_guard<std::mutex> lock(JobMutex());
    job();
  });
  QObject::connect(thread_, &QThread::finished, this, [this] { JobEnded(); });
  timer_->start();
  thread_->start();
}

void TJobView::JobEnded() {
  timer_->stop();
  thread_->wait();
  delete thread_;
  thread_ = nullptr;
  btnStop_->setEnabled(false);
  ShowProgress();
  const TJobProgress p = hooks_.Control->Progress();
  if (p.Total < 0 && progress_->maximum() == 0) {
    progress_->setRange(0, 1);
    progress_->setValue(1);
  }
  Binder.SetBusy(false);
  SyncLog();
  if (OnJobEnd) OnJobEnd();
  if (closeWhenDone_) CloseWindow();
}

void TJobView::DrainLog() {
  std::vector<std::string> lines;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    lines.swap(pending_);
  }
  if (lines.empty()) return;
  QStringList text;
  for (const std::string& line : lines) text << FromSystem(line);
  mmoLog_->appendPlainText(text.join(QLatin1Char('\n')));
  shownLines_ += lines.size();
}

void TJobView::SyncLog() {
  DrainLog();
  // A job may have cleared the log after its first lines: draw it whole then.
  if (shownLines_ == hooks_.Log->Lines.size()) return;
  QStringList text;
  for (const std::string& line : hooks_.Log->Lines) text << FromSystem(line);
  mmoLog_->setPlainText(text.join(QLatin1Char('\n')));
  mmoLog_->verticalScrollBar()->setValue(mmoLog_->verticalScrollBar()->maximum());
  shownLines_ = hooks_.Log->Lines.size();
}

void TJobView::ShowProgress() {
  TJobProgress p;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!progressChanged_) return;
    progressChanged_ = false;
    p = jobProgress_;
  }
  const QString unit = p.Records ? QStringLiteral("棋譜") : QStringLiteral("文件");
  if (p.Total >= 0) {
    // The bar counts in int; very large totals are scaled down.
    const int64_t scale = p.Total > 1000000 ? p.Total / 1000000 + 1 : 1;
    progress_->setRange(0, static_cast<int>(p.Total / scale));
    progress_->setValue(static_cast<int>(p.Done / scale));
    progress_->setFormat(QStringLiteral("%1 / %2 個").arg(p.Done).arg(p.Total) + unit);
  } else {
    progress_->setRange(0, 0);
    progress_->setFormat(QStringLiteral("%1 個").arg(p.Done) + unit);
  }
}

void TJobView::Redraw() {
  Binder.Refresh();
  SyncLog();
}

void TJobView::CloseWindow() {
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
    sub->close();
  else
    close();
}

void TJobView::closeEvent(QCloseEvent* event) {
  if (thread_ != nullptr) {
    // The job ends at its next record; the window closes then.
    hooks_.Control->RequestStop();
    btnStop_->setEnabled(false);
    closeWhenDone_ = true;
    event->ignore();
    return;
  }
  event->accept();
}

void TJobView::dragEnterEvent(QDragEnterEvent* event) {
  if (thread_ == nullptr && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TJobView::dropEvent(QDropEvent* event) {
  if (thread_ != nullptr) return;
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths << QFileInfo(url.toLocalFile()).absoluteFilePath();
  if (paths.isEmpty()) return;
  event->acceptProposedAction();
  DropPaths(paths);
  Redraw();
}
