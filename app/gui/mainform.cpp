// The main window, its menus and the job windows it opens.
#include "app/gui/mainform.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>
#include <QUrl>

#include "app/gui/views.h"
#include "app/settings.h"
#include "app/startup.h"

namespace {

// Where the window keeps its size and position.
constexpr const char* kSecDesktop = "Desktop";
constexpr const char* kKeyGeometry = "MainWindow";

struct THelpItem {
  const char* Name;
  const char* Caption;
  const char* Address;
};
// The download pages and the two microblogs of the program.
const THelpItem kHelpItems[] = {
    {"mniDownLoadEDisk", "下載地址[永碩Ｅ盤](&E)", "https://tavrik.example.org/download/edisk/"},
    {"mniDownLoadKuaiPan", "下載地址[金山快盤](&K)",
     "https://tavrik.example.org/download/kuaipan/"},
    {"mniDownLoadSkyDrive", "下載地址[微軟SkyDrive](&S)",
     "https://tavrik.example.org/download/skydrive/"},
    {nullptr, nullptr, nullptr},
    {"mniWeiBoSina", "微博[新浪](&X)", "https://tavrik.example.org/weibo/sina/"},
    {"mniWeiBoQQ", "微博[騰訊](&T)", "https://tavrik.example.org/weibo/qq/"},
};

}  // namespace

TMainForm::TMainForm() {
  setObjectName(QStringLiteral("TMainForm"));
  setWindowTitle(QString::fromUtf8(kAppTitle));
  area_ = new QMdiArea;
  area_->setObjectName(QStringLiteral("mdiArea"));
  area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(area_);

  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("mmMain"));
  QMenu* system = bar->addMenu(QStringLiteral("系統(&S)"));
  system->setObjectName(QStringLiteral("mniSystem"));
  connect(AddItem(system, "mniExit", "退出(&X)"), &QAction::triggered, this, &QWidget::close);

  QMenu* convert = bar->addMenu(QStringLiteral("轉換(&C)"));
  convert->setObjectName(QStringLiteral("mniConvert"));
  connect(AddItem(convert, "mniAnyToAny", "已支持格式 To 已支持格式(&A)"), &QAction::triggered,
          this, [this] { OpenJobWindow(kAnyToAny); });
  connect(AddItem(convert, "mniAnyToCBL", "已支持格式 To 象棋橋2.x棋庫(&C)"), &QAction::triggered,
          this, [this] { OpenJobWindow(kAnyToCbl); });
  convert->addSeparator();
  connect(AddItem(convert, "mniCBLToAny", "象棋橋2.x棋庫 To 已支持格式(&2)"), &QAction::triggered,
          this, [this] { OpenJobWindow(kCblToAny); });
  connect(AddItem(convert, "mniCBL3ToCBR", "象棋橋3.0棋庫 To 象棋橋CBR棋譜(&3)"),
          &QAction::triggered, this, [this] { OpenJobWindow(kCbl3ToCbr); });

  windowMenu_ = bar->addMenu(QStringLiteral("窗口(&W)"));
  windowMenu_->setObjectName(QStringLiteral("mniWindow"));
  connect(windowMenu_, &QMenu::aboutToShow, this, [this] { FillWindowMenu(); });
  FillWindowMenu();

  QMenu* help = bar->addMenu(QStringLiteral("幫助(&H)"));
  help->setObjectName(QStringLiteral("mniHelp"));
  for (const THelpItem& item : kHelpItems) {
    if (item.Name == nullptr) {
      help->addSeparator();
      continue;
    }
    const QUrl address(QString::fromUtf8(item.Address));
    connect(AddItem(help, item.Name, item.Caption), &QAction::triggered, this,
            [address] { QDesktopServices::openUrl(address); });
  }
  help->addSeparator();
  connect(AddItem(help, "mniAbout", "關于(&A)"), &QAction::triggered, this, [this] { About(); });

  const QByteArray geometry = QByteArray::fromHex(
      QByteArray::fromStdString(Settings().ReadString(kSecDesktop, kKeyGeometry, "")));
  if (geometry.isEmpty() || !restoreGeometry(geometry)) setWindowState(Qt::WindowMaximized);
}

TMainForm::~TMainForm() {
  // Every job window saves its settings as it goes; a window already closed
  // may still wait for its deletion.
  for (QMdiSubWindow* sub : area_->findChildren<QMdiSubWindow*>()) {
    disconnect(sub, nullptr, this, nullptr);
    delete sub;
  }
}

QString TMainForm::HelpAddress(const QString& itemName) {
  for (const THelpItem& item : kHelpItems)
    if (item.Name != nullptr && itemName == QLatin1String(item.Name))
      return QString::fromUtf8(item.Address);
  return QString();
}

QAction* TMainForm::AddItem(QMenu* menu, const char* name, const char* caption) {
  QAction* action = menu->addAction(QString::fromUtf8(caption));
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

TJobView* TMainForm::JobWindow(TJobKind kind) const {
  return windows_[kind] ? static_cast<TJobView*>(windows_[kind]->widget()) : nullptr;
}

TJobView* TMainForm::OpenJobWindow(TJobKind kind) {
  // A closed window may wait a moment for its deletion: it is gone already.
  if (windows_[kind] && !area_->subWindowList().contains(windows_[kind])) windows_[kind] = nullptr;
  if (!windows_[kind]) {
    TJobView* view = nullptr;
    switch (kind) {
      case kAnyToAny:
        view = new TAny2AnyView;
        break;
      case kAnyToCbl:
        view = new TAny2CblView;
        break;
      case kCblToAny:
        view = new TCbl2AnyView;
        break;
      default:
        view = new TCbl3ToCbrView;
        break;
    }
    QMdiSubWindow* sub = area_->addSubWindow(view);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(view->windowTitle());
    windows_[kind] = sub;
    connect(sub, &QObject::destroyed, this, [this] {
      if (closing_) QTimer::singleShot(0, this, &QWidget::close);
    });
    sub->showMaximized();
  }
  QMdiSubWindow* sub = windows_[kind];
  if (sub->isMinimized()) sub->showNormal();
  area_->setActiveSubWindow(sub);
  sub->raise();
  return static_cast<TJobView*>(sub->widget());
}

void TMainForm::FillWindowMenu() {
  windowMenu_->clear();
  connect(AddItem(windowMenu_, "mniTile", "平鋪(&T)"), &QAction::triggered, area_,
          &QMdiArea::tileSubWindows);
  connect(AddItem(windowMenu_, "mniCascade", "層疊(&C)"), &QAction::triggered, area_,
          &QMdiArea::cascadeSubWindows);
  connect(AddItem(windowMenu_, "mniArrangeIcons", "排列圖標(&A)"), &QAction::triggered, this,
          [this] { ArrangeIcons(); });
  const QList<QMdiSubWindow*> subs = area_->subWindowList();
  if (!subs.isEmpty()) windowMenu_->addSeparator();
  int number = 1;
  for (QMdiSubWindow* sub : subs) {
    QAction* action =
        windowMenu_->addAction(QStringLiteral("&%1 ").arg(number++) + sub->windowTitle());
    action->setCheckable(true);
    action->setChecked(sub == area_->activeSubWindow());
    connect(action, &QAction::triggered, this, [this, sub = QPointer<QMdiSubWindow>(sub)] {
      if (sub) area_->setActiveSubWindow(sub);
    });
  }
}

void TMainForm::ArrangeIcons() {
  // Minimized windows in a row along the bottom of the frame.
  int x = 0;
  for (QMdiSubWindow* sub : area_->subWindowList()) {
    if (!sub->isMinimized()) continue;
    const QSize size = sub->size();
    sub->move(x, area_->viewport()->height() - size.height());
    x += size.width();
  }
}

void TMainForm::About() {
  QMessageBox::information(this, QString::fromUtf8(kAppTitle),
                           QStringLiteral("Tavrik\n版本：1.21\n"
                                          "象棋棋譜格式轉換程序\n"
                                          "作者：Tavrik 開發組\n"
                                          "聯系：https://tavrik.example.org/"));
}

void TMainForm::closeEvent(QCloseEvent* event) {
  Settings().WriteString(kSecDesktop, kKeyGeometry, saveGeometry().toHex().toStdString());
  closing_ = true;
  area_->closeAllSubWindows();
  // A window whose job is still running closes when the job has stopped.
  if (!area_->subWindowList().isEmpty()) {
    event->ignore();
    return;
  }
  event->accept();
}
