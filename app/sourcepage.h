// The source-options page that the any-format and library-building windows
// share: how the clipboard is read, the title rules of web pages and the start
// layout of OurGame records. Its choices are kept in the settings section
// "Source", shared by both windows.
#pragma once

#include "app/controls.h"

class TJobState;

class TSourceOptionsPage {
 public:
  // Captions and items; the choices come from the settings.
  TSourceOptionsPage();

  TControl tsSource;
  TRadioGroup rgClipbrdFormat;
  TCheckBox chkDelSpace;
  TCheckBox chkRound;
  TRadioGroup rgTitleType;
  TRadioGroup rgXQILayout;

  void chkDelSpaceClick();
  void chkRoundClick();
  void rgTitleTypeClick();

 protected:
  // The source code page: UTF-16 for the clipboard's Unicode text when that
  // is chosen, else the code page of the list position.
  int SourceCodePage(bool fromClipboard, int listPosition) const;
  // The options of the page that apply to the job's source format.
  void ApplySourceOptions(TJobState& job) const;
};
