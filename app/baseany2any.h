// The base of the windows that convert into any destination format: the page
// of destination options, which steers the writers, and the per-format code
// pages. The options are kept in the settings' Destination section and copied
// into the job state at the start of each job.
#pragma once

#include <string>

#include "app/baseform.h"
#include "app/controls.h"

// Custom page templates of the DhtmlXQ writer, beside the settings file.
inline constexpr const char* kCustomHeadFile = "DhtmlXQ_Head.txt";
inline constexpr const char* kCustomFootFile = "DhtmlXQ_Foot.txt";

// The built-in page head and foot of the DhtmlXQ writer, UTF-8, by position of
// rgHtmlHeadAndFoot (0 UBB, 1 HTML, 2 JAVA, 3 FRAME).
struct THeadFootPair {
  const char* Head;
  const char* Foot;
};
extern const THeadFootPair UbbPageTemplates[4];

class TBaseAny2AnyForm : public TBaseForm {
 public:
  TBaseAny2AnyForm();

  // Page tsDestination ("目標棋譜選項").
  TControl tsDestination;
  TRadioGroup rgAddMD5;
  TCheckBox chkCheckMoveText;
  TRadioGroup rgXQFVer;
  TComboBox cbbCodeBase;
  TCheckBox chkHtml;
  TCheckBox chkUBB;
  TCheckBox chkSound;
  TCheckBox chkShowMove;
  TEdit edtWidth;
  TEdit edtHeight;
  TRadioGroup rgHtmlHeadAndFoot;
  TRadioGroup rgTextStepPerLine;
  TRadioGroup rgTextMoveText;
  TRadioGroup rgPGNStepPerLine;
  TRadioGroup rgPGNFormat;
  TRadioGroup rgPGNMoveText;
  TCheckBox chkIncludeChange;
  TCheckBox chkPGNBrace;

  // Hints of two groups (shown by the desktop view).
  static const char* const kXQFVerHint;
  static const char* const kHtmlHeadAndFootHint;

  // Fills the page from the settings (done by the constructor).
  void LoadDestinationOptions();
  // Copies the options of the destination format into the job state; called
  // after PrepareJob. A failure is logged as an error and the job goes on.
  void ApplyDestinationOptions();

  // Handlers: each saves its option in section Destination. The desktop view
  // changes the control first and then calls the handler.
  void rgDestinationVerClick();
  void cbbCodeBaseChange();
  void rgAddMD5Click();
  void chkCheckMoveTextClick();
  void chkHtmlClick();
  void chkUBBClick();
  void chkSoundClick();
  void chkShowMoveClick();
  void edtWidthChange();
  void edtHeightChange();
  void rgHtmlHeadAndFootClick();
  void rgTextStepPerLineClick();
  void rgTextMoveTextClick();
  void rgPGNStepPerLineClick();
  void rgPGNFormatClick();
  void rgPGNMoveTextClick();
  void chkIncludeChangeClick();
  void chkPGNBraceClick();

  // Per-format code pages: the position in a window's code-page choice, kept
  // under "CodePage" + format Id in section Source or Destination. A missing
  // or out-of-range value gives the system default.
  static int DefaultCodePageIndex();
  static int LoadCodePageIndex(const char* section, int format, int choiceCount);
  static void SaveCodePageIndex(const char* section, int format, int index);

 private:
  void ApplyUbbOptions();
  std::string LoadCustomTemplate(const char* fileName, const char* builtIn);
};
