// Message boxes, the clipboard and the file dialogs of the desktop.
#include "app/gui/seams.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include "app/gui/text.h"
#include "app/paths.h"
#include "core/uglobal.h"
#include "formats/text/registry.h"

void OnWindowThread(const std::function<void()>& fn) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || QThread::currentThread() == app->thread()) {
    fn();
    return;
  }
  QMetaObject::invokeMethod(app, fn, Qt::BlockingQueuedConnection);
}

std::function<int(const QString&, TAskKind, unsigned)>& TQtAsker::Responder() {
  static std::function<int(const QString&, TAskKind, unsigned)> responder;
  return responder;
}

int TQtAsker::Show(const std::string& text, TAskKind kind, unsigned buttons) {
  int answer = kAnswerOk;
  const QString message = FromSystem(text).trimmed();
  OnWindowThread([&] {
    if (Responder()) {
      answer = Responder()(message, kind, buttons);
      return;
    }
    QMessageBox box(parent_);
    box.setWindowTitle(QApplication::applicationDisplayName());
    box.setText(message);
    box.setIcon(kind == TAskKind::Error         ? QMessageBox::Critical
                : kind == TAskKind::Information ? QMessageBox::Information
                                                : QMessageBox::Question);
    struct TChoice {
      unsigned Bit;
      QMessageBox::StandardButton Button;
      int Answer;
    };
    const TChoice choices[] = {{kBtnOk, QMessageBox::Ok, kAnswerOk},
                               {kBtnYes, QMessageBox::Yes, kAnswerYes},
                               {kBtnNo, QMessageBox::No, kAnswerNo},
                               {kBtnYesToAll, QMessageBox::YesToAll, kAnswerYesToAll},
                               {kBtnNoToAll, QMessageBox::NoToAll, kAnswerNoToAll}};
    QMessageBox::StandardButtons shown;
    for (const TChoice& c : choices)
      if (buttons & c.Bit) shown |= c.Button;
    if (shown == QMessageBox::NoButton) shown = QMessageBox::Ok;
    box.setStandardButtons(shown);
    const int pressed = box.exec();
    // A box closed without a button gives No (or OK when there is none).
    answer = (buttons & kBtnNo) ? kAnswerNo : kAnswerOk;
    for (const TChoice& c : choices)
      if (pressed == c.Button) answer = c.Answer;
  });
  return answer;
}

bool TQtClipboard::GetAnsiText(std::string& text) {
  const std::u16string wide = GetWideText();
  text = WideToBytes(wide, Process().SystemCodePage);
  return !wide.empty();
}

std::u16string TQtClipboard::GetWideText() {
  std::u16string wide;
  OnWindowThread([&] { wide = QGuiApplication::clipboard()->text().toStdU16String(); });
  const size_t end = wide.find(u'\0');
  if (end != std::u16string::npos) wide.resize(end);
  return wide;
}

void TQtClipboard::SetText(const std::string&, const std::u16string& wide) {
  // Desktop programs on this platform exchange Unicode text; the bytes in the
  // destination code page are what the text was made from.
  OnWindowThread([&] { QGuiApplication::clipboard()->setText(QString::fromStdU16String(wide)); });
}

std::function<QStringList(const TDialogRequest&)>& PathDialogResponder() {
  static std::function<QStringList(const TDialogRequest&)> responder;
  return responder;
}

QStringList ShowPathDialog(QWidget* parent, const TDialogRequest& r) {
  if (PathDialogResponder()) return PathDialogResponder()(r);
  switch (r.Kind) {
    case TDialogRequest::Folder: {
      const QString folder = QFileDialog::getExistingDirectory(parent, r.Title, r.StartPath);
      return folder.isEmpty() ? QStringList() : QStringList{folder};
    }
    case TDialogRequest::OpenFiles:
      return QFileDialog::getOpenFileNames(parent, r.Title, r.StartPath, r.Filter);
    case TDialogRequest::OpenFile:
    case TDialogRequest::SaveFile: {
      QFileDialog dialog(parent, r.Title, r.StartPath, r.Filter);
      dialog.setDefaultSuffix(r.DefaultSuffix);
      if (r.Kind == TDialogRequest::OpenFile) {
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
      } else {
        // The job asks itself before it replaces a file.
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
      }
      QFileInfo start(r.StartPath);
      if (start.isFile()) {
        dialog.setDirectory(start.absolutePath());
        dialog.selectFile(start.fileName());
      }
      if (dialog.exec() != QDialog::Accepted) return {};
      return dialog.selectedFiles();
    }
  }
  return {};
}

// "Description (*.A;*.B)" with patterns for both letter cases, since names on
// this platform keep their case.
QString FormatNameFilter(int formatRow) {
  if (formatRow < 0 || formatRow >= kFormatCount) return QString();
  const TFileTypeRec& row = FileTypes[formatRow];
  QStringList patterns;
  for (const QString& p : QString::fromUtf8(row.Filter).split(QLatin1Char(';'), Qt::SkipEmptyParts))
    patterns << p.trimmed().toUpper() << p.trimmed().toLower();
  return QString::fromUtf8(row.Description) + QStringLiteral(" (") +
         patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

namespace {

QString FolderPartOf(const std::string& path) { return FromSystem(FolderPart(path)); }

}  // namespace

bool BrowseForPath(QWidget* parent, TEdit& edit, bool folderKind, bool mustExist, int formatRow) {
  if (folderKind) return BrowseFolderInto(parent, edit);
  const std::string path = TrimText(edit.Text);
  TDialogRequest r;
  r.Kind = mustExist ? TDialogRequest::OpenFile : TDialogRequest::SaveFile;
  r.Filter = FormatNameFilter(formatRow);
  if (formatRow >= 0 && formatRow < kFormatCount)
    r.DefaultSuffix = QString::fromUtf8(FileTypes[formatRow].Ext);
  // The name is preset only for an existing file of the format.
  if (formatRow >= 0 && formatRow < kFormatCount && FileExists(path) &&
      MatchesMask(path, FileTypes[formatRow].Filter))
    r.StartPath = FromSystem(path);
  else
    r.StartPath = FolderExists(path) ? FromSystem(path) : FolderPartOf(path);
  const QStringList chosen = ShowPathDialog(parent, r);
  if (chosen.isEmpty() || chosen.front().isEmpty()) return false;
  edit.Text = ToSystem(chosen.front());
  return true;
}

bool BrowseFolderInto(QWidget* parent, TEdit& edit) {
  const std::string path = TrimText(edit.Text);
  TDialogRequest r;
  r.Kind = TDialogRequest::Folder;
  r.Title = QStringLiteral("請選擇文件夾");
  r.StartPath = FolderExists(path) ? FromSystem(path) : FolderPartOf(path);
  const QStringList chosen = ShowPathDialog(parent, r);
  if (chosen.isEmpty() || chosen.front().isEmpty()) return false;
  edit.Text = ToSystem(chosen.front());
  return true;
}

std::vector<std::string> ChooseFiles(QWidget* parent, int formatRow) {
  TDialogRequest r;
  r.Kind = TDialogRequest::OpenFiles;
  r.Filter = FormatNameFilter(formatRow);
  std::vector<std::string> files;
  for (const QString& f : ShowPathDialog(parent, r)) files.push_back(ToSystem(f));
  return files;
}
