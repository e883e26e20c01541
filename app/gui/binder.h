// Draws the controls of a headless form as Qt widgets. A user's change goes
// into the form's control first, then the form's handler runs, then every
// widget is drawn again from the form, since a handler may change any control.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "app/controls.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QWidget;

class TBinder {
 public:
  using THandler = std::function<void()>;

  QCheckBox* Check(TCheckBox& c, THandler handler = {});
  // A group box of radio buttons; columns 0 puts every item on one row.
  QGroupBox* Radio(TRadioGroup& g, THandler handler = {}, int columns = 1);
  // handler runs on every edit by the user (not when the form sets the text).
  QLineEdit* Edit(TEdit& e, THandler handler = {});
  QComboBox* Combo(TComboBox& c, THandler handler = {}, bool editable = false);
  QPushButton* Button(TControl& c, THandler handler);
  QLabel* Label(const TControl& c);
  QPlainTextEdit* Memo(TMemo& m);
  // A multi-select list of Items with a Selected flag per item.
  template <class TList>
  QListWidget* List(TList& l) {
    return ListOf(l, l.Items, l.Selected);
  }

  // Draws every widget from its control.
  void Refresh();
  // While a job runs the form belongs to the job: every input is disabled and
  // nothing is read from the form.
  void SetBusy(bool busy);
  bool Busy() const { return busy_; }

 private:
  struct TBinding {
    QWidget* Widget;
    const TControl* Control;
    std::function<void()> Draw;
  };
  std::vector<TBinding> bindings_;
  bool busy_ = false;
  bool drawing_ = false;

  void Changed(const THandler& handler);
  void Add(QWidget* w, const TControl& c, std::function<void()> draw);
  QListWidget* ListOf(TControl& c, std::vector<std::string>& items, std::vector<bool>& selected);
};
