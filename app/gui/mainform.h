// The main window: a multiple-document frame whose menu opens one window per
// kind of conversion, at most one of each.
#pragma once

#include <QMainWindow>
#include <QPointer>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class TJobView;

class TMainForm : public QMainWindow {
 public:
  enum TJobKind { kAnyToAny, kAnyToCbl, kCblToAny, kCbl3ToCbr, kJobKinds };

  TMainForm();
  ~TMainForm() override;

  // Opens the window of a kind, or brings the open one to the front.
  TJobView* OpenJobWindow(TJobKind kind);
  TJobView* JobWindow(TJobKind kind) const;
  QMdiArea* Area() const { return area_; }

  // The fixed web addresses of the Help menu, by item name.
  static QString HelpAddress(const QString& itemName);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QMdiArea* area_;
  QMenu* windowMenu_ = nullptr;
  bool closing_ = false;  // the user closed the window while a job still ran
  QPointer<QMdiSubWindow> windows_[kJobKinds];

  QAction* AddItem(QMenu* menu, const char* name, const char* caption);
  void FillWindowMenu();
  void ArrangeIcons();
  void About();
};
