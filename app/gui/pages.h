// Layout helpers and the option pages two windows share.
#pragma once

#include <QBoxLayout>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>
#include <initializer_list>

#include "app/baseany2any.h"
#include "app/gui/binder.h"
#include "app/gui/text.h"

// A row (or column) of widgets; a null entry is a stretch.
QWidget* Line(std::initializer_list<QWidget*> widgets, bool vertical = false);
// A group box holding widgets one under the other.
QGroupBox* Group(const char* caption, std::initializer_list<QWidget*> widgets);
// Puts a page in a scroll area so that small windows can reach all of it.
QWidget* Scrolled(QWidget* page);

// Page tsDestination of the windows that convert into any format.
QWidget* DestinationPage(TBinder& b, TBaseAny2AnyForm& f);

// Page tsSource: the options of the web-page and OurGame readers.
template <class TForm>
QWidget* SourcePage(TBinder& b, TForm& f) {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("tsSource"));
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Group("已支持格式", {b.Radio(f.rgClipbrdFormat)}));
  layout->addWidget(
      Group("汕頭棋院網棋譜", {b.Check(f.chkDelSpace, [&f] { f.chkDelSpaceClick(); }),
                               b.Check(f.chkRound, [&f] { f.chkRoundClick(); }),
                               b.Radio(
                                   f.rgTitleType, [&f] { f.rgTitleTypeClick(); }, 2)}));
  layout->addWidget(Group("聯眾象棋新版", {b.Radio(f.rgXQILayout)}));
  layout->addStretch(1);
  return Scrolled(page);
}
