// Qt widgets drawn from the headless controls.
#include "app/gui/binder.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include "app/gui/text.h"

namespace {

// The lines of a memo as one text, and back.
QString JoinLines(const std::vector<std::string>& lines) {
  QStringList list;
  for (const std::string& line : lines) list << FromSystem(line);
  return list.join(QLatin1Char('\n'));
}

std::vector<std::string> SplitLines(const QString& text) {
  std::vector<std::string> lines;
  if (text.isEmpty()) return lines;
  for (const QString& line : text.split(QLatin1Char('\n'))) lines.push_back(ToSystem(line));
  return lines;
}

}  // namespace

void TBinder::Add(QWidget* w, const TControl& c, std::function<void()> draw) {
  bindings_.push_back(TBinding{w, &c, std::move(draw)});
}

void TBinder::Changed(const THandler& handler) {
  if (drawing_ || busy_) return;
  if (handler) handler();
  Refresh();
}

void TBinder::Refresh() {
  if (busy_) return;
  drawing_ = true;
  for (TBinding& b : bindings_) {
    b.Widget->setEnabled(b.Control->Enabled);
    b.Widget->setVisible(b.Control->Visible);
    if (b.Draw) b.Draw();
  }
  drawing_ = false;
}

void TBinder::SetBusy(bool busy) {
  busy_ = busy;
  if (busy) {
    for (TBinding& b : bindings_) b.Widget->setEnabled(false);
  } else {
    Refresh();
  }
}

QCheckBox* TBinder::Check(TCheckBox& c, THandler handler) {
  auto* box = new QCheckBox(FromUtf8(c.Caption));
  QObject::connect(box, &QCheckBox::clicked, [this, &c, handler](bool checked) {
    if (drawing_ || busy_) return;
    c.Checked = checked;
    Changed(handler);
  });
  Add(box, c, [&c, box] {
    QSignalBlocker block(box);
    box->setChecked(c.Checked);
  });
  return box;
}

QGroupBox* TBinder::Radio(TRadioGroup& g, THandler handler, int columns) {
  auto* group = new QGroupBox(FromUtf8(g.Caption));
  auto* layout = new QGridLayout(group);
  auto* buttons = new QButtonGroup(group);
  const int count = static_cast<int>(g.Items.size());
  for (int i = 0; i < count; ++i) {
    auto* button = new QRadioButton(FromUtf8(g.Items[static_cast<size_t>(i)]));
    buttons->addButton(button, i);
    if (columns <= 0)
      layout->addWidget(button, 0, i);
    else
      layout->addWidget(button, i / columns, i % columns);
  }
  QObject::connect(buttons, &QButtonGroup::idClicked, [this, &g, handler](int id) {
    if (drawing_ || busy_) return;
    g.ItemIndex = id;
    Changed(handler);
  });
  Add(group, g, [&g, buttons] {
    QSignalBlocker block(buttons);
    if (QAbstractButton* b = buttons->button(g.ItemIndex)) {
      b->setChecked(true);
    } else if (QAbstractButton* checked = buttons->checkedButton()) {
      buttons->setExclusive(false);
      checked->setChecked(false);
      buttons->setExclusive(true);
    }
  });
  return group;
}

QLineEdit* TBinder::Edit(TEdit& e, THandler handler) {
  auto* edit = new QLineEdit;
  QObject::connect(edit, &QLineEdit::textEdited, [this, &e, handler](const QString& text) {
    if (drawing_ || busy_) return;
    e.Text = ToSystem(text);
    if (handler) handler();
    // Redrawing here would move the cursor while the user types; the other
    // widgets only change through handlers that do not touch this edit.
    drawing_ = true;
    for (TBinding& b : bindings_)
      if (b.Control != &e && b.Draw) b.Draw();
    drawing_ = false;
  });
  Add(edit, e, [&e, edit] {
    const QString text = FromSystem(e.Text);
    if (edit->text() != text) edit->setText(text);
  });
  return edit;
}

QComboBox* TBinder::Combo(TComboBox& c, THandler handler, bool editable) {
  auto* combo = new QComboBox;
  combo->setEditable(editable);
  combo->setMaxVisibleItems(16);
  QObject::connect(combo, &QComboBox::activated, [this, &c, handler](int index) {
    if (drawing_ || busy_) return;
    c.ItemIndex = index;
    if (index >= 0 && index < static_cast<int>(c.Items.size()))
      c.Text = c.Items[static_cast<size_t>(index)];
    Changed(handler);
  });
  if (editable) {
    QObject::connect(combo->lineEdit(), &QLineEdit::textEdited,
                     [this, &c, handler](const QString& text) {
                       if (drawing_ || busy_) return;
                       c.Text = ToSystem(text);
                       c.ItemIndex = -1;
                       for (size_t i = 0; i < c.Items.size(); ++i)
                         if (c.Items[i] == c.Text) c.ItemIndex = static_cast<int>(i);
                       if (handler) handler();
                     });
  }
  Add(combo, c, [&c, combo, editable] {
    QSignalBlocker block(combo);
    QStringList items;
    for (const std::string& item : c.Items) items << FromSystem(item);
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
    if (shown != items) {
      combo->clear();
      combo->addItems(items);
    }
    if (editable) {
      const QString text = FromSystem(c.Text);
      if (combo->currentText() != text) combo->setEditText(text);
    } else {
      combo->setCurrentIndex(c.ItemIndex);
    }
  });
  return combo;
}

QPushButton* TBinder::Button(TControl& c, THandler handler) {
  auto* button = new QPushButton(FromUtf8(c.Caption));
  QObject::connect(button, &QPushButton::clicked, [this, handler] {
    if (drawing_ || busy_) return;
    Changed(handler);
  });
  Add(button, c, {});
  return button;
}

QLabel* TBinder::Label(const TControl& c) {
  auto* label = new QLabel(FromUtf8(c.Caption));
  Add(label, c, {});
  return label;
}

QPlainTextEdit* TBinder::Memo(TMemo& m) {
  auto* memo = new QPlainTextEdit;
  QObject::connect(memo, &QPlainTextEdit::textChanged, [this, &m, memo] {
    if (drawing_ || busy_) return;
    m.Lines = SplitLines(memo->toPlainText());
  });
  Add(memo, m, [&m, memo] {
    const QString text = JoinLines(m.Lines);
    if (memo->toPlainText() != text) {
      QSignalBlocker block(memo);
      memo->setPlainText(text);
    }
  });
  return memo;
}

QListWidget* TBinder::ListOf(TControl& c, std::vector<std::string>& items,
                             std::vector<bool>& selected) {
  auto* list = new QListWidget;
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  QObject::connect(list, &QListWidget::itemSelectionChanged, [this, list, &items, &selected] {
    if (drawing_ || busy_) return;
    selected.assign(items.size(), false);
    for (int i = 0; i < list->count() && i < static_cast<int>(items.size()); ++i)
      selected[static_cast<size_t>(i)] = list->item(i)->isSelected();
  });
  Add(list, c, [list, &items, &selected] {
    QSignalBlocker block(list);
    bool same = list->count() == static_cast<int>(items.size());
    for (int i = 0; same && i < list->count(); ++i)
      same = list->item(i)->text() == FromSystem(items[static_cast<size_t>(i)]);
    if (!same) {
      list->clear();
      for (const std::string& item : items) list->addItem(FromSystem(item));
    }
    for (int i = 0; i < list->count(); ++i) {
      const bool on = static_cast<size_t>(i) < selected.size() && selected[static_cast<size_t>(i)];
      if (list->item(i)->isSelected() != on) list->item(i)->setSelected(on);
    }
  });
  return list;
}
