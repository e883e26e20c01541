// The desktop side of the job framework's seams: questions as message boxes,
// the clipboard on QClipboard, and the browse operations on Qt's file dialogs.
// Jobs run on a worker thread; questions and clipboard calls made there are
// carried out on the window thread while the job waits.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <string>

#include "app/baseform.h"
#include "core/clipboard.h"

class QObject;
class QWidget;

// Runs fn on the window thread and waits for it (directly when already there).
void OnWindowThread(const std::function<void()>& fn);

class TQtAsker : public TAsker {
 public:
  explicit TQtAsker(QWidget* parent) : parent_(parent) {}
  int Show(const std::string& text, TAskKind kind, unsigned buttons) override;

  // Answers instead of a message box (tests): gets the text (UTF-16) and the
  // buttons, returns the answer.
  static std::function<int(const QString& text, TAskKind kind, unsigned buttons)>& Responder();

 private:
  QWidget* parent_;
};

class TQtClipboard : public TClipboard {
 public:
  bool GetAnsiText(std::string& text) override;
  std::u16string GetWideText() override;
  void SetText(const std::string& bytes, const std::u16string& wide) override;
};

// A file or folder dialog; the desktop shows Qt's, tests answer with a script.
struct TDialogRequest {
  enum TKind { Folder, OpenFile, OpenFiles, SaveFile } Kind = OpenFile;
  QString Title;
  QString StartPath;  // folder to start in, or a file to preselect
  QString Filter;     // Qt name filter
  QString DefaultSuffix;
};
// The dialog filter of a format row.
QString FormatNameFilter(int formatRow);
QStringList ShowPathDialog(QWidget* parent, const TDialogRequest& request);
std::function<QStringList(const TDialogRequest&)>& PathDialogResponder();

// The browse operations of the job windows. BrowseForPath: a folder picker for
// the folder kind, else a file dialog for format row formatRow (an existing
// file when mustExist, any name in an existing folder otherwise); the chosen
// path replaces the edit text. Returns true when something was chosen.
bool BrowseForPath(QWidget* parent, TEdit& edit, bool folderKind, bool mustExist, int formatRow);
bool BrowseFolderInto(QWidget* parent, TEdit& edit);
// Multi-select open dialog for format row formatRow; the chosen files.
std::vector<std::string> ChooseFiles(QWidget* parent, int formatRow);
