// The four job windows: layout of their controls and the forwarding of the
// user's actions to the forms.
#include "app/gui/views.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QToolTip>

#include "app/gui/pages.h"
#include "app/gui/text.h"
#include "core/uglobal.h"

// Names a widget after its control, so that the window can be driven by name.
template <class TWidget>
TWidget* Named(TWidget* w, const char* name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

QWidget* Line(std::initializer_list<QWidget*> widgets, bool vertical) {
  auto* w = new QWidget;
  auto* layout = new QBoxLayout(vertical ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight, w);
  layout->setContentsMargins(0, 0, 0, 0);
  for (QWidget* item : widgets)
    if (item == nullptr)
      layout->addStretch(1);
    else
      layout->addWidget(item);
  return w;
}

QGroupBox* Group(const char* caption, std::initializer_list<QWidget*> widgets) {
  auto* group = new QGroupBox(QString::fromUtf8(caption));
  auto* layout = new QVBoxLayout(group);
  for (QWidget* item : widgets) layout->addWidget(item);
  return group;
}

QWidget* Scrolled(QWidget* page) {
  auto* area = new QScrollArea;
  area->setObjectName(page->objectName());
  area->setWidgetResizable(true);
  area->setFrameShape(QFrame::NoFrame);
  area->setWidget(page);
  return area;
}

QWidget* DestinationPage(TBinder& b, TBaseAny2AnyForm& f) {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("tsDestination"));
  auto* grid = new QGridLayout(page);

  QGroupBox* xqfVer = b.Radio(f.rgXQFVer, [&f] { f.rgDestinationVerClick(); });
  xqfVer->setToolTip(FromUtf8(TBaseAny2AnyForm::kXQFVerHint));
  QGroupBox* headFoot = b.Radio(
      f.rgHtmlHeadAndFoot, [&f] { f.rgHtmlHeadAndFootClick(); }, 0);
  headFoot->setToolTip(FromUtf8(TBaseAny2AnyForm::kHtmlHeadAndFootHint));

  grid->addWidget(
      Group("已支持格式", {Named(b.Radio(
                                     f.rgAddMD5, [&f] { f.rgAddMD5Click(); }, 0),
                                 "rgAddMD5"),
                           b.Check(f.chkCheckMoveText, [&f] { f.chkCheckMoveTextClick(); })}),
      0, 0);
  grid->addWidget(Group("象棋演播室", {xqfVer}), 0, 1);
  grid->addWidget(Group("WebCchess 5",
                        {Line({b.Label(f.cbbCodeBase),
                               b.Combo(
                                   f.cbbCodeBase, [&f] { f.cbbCodeBaseChange(); }, true)}),
                         Line({b.Check(f.chkHtml, [&f] { f.chkHtmlClick(); }),
                               b.Check(f.chkUBB, [&f] { f.chkUBBClick(); }),
                               b.Check(f.chkSound, [&f] { f.chkSoundClick(); }),
                               b.Check(f.chkShowMove, [&f] { f.chkShowMoveClick(); }), nullptr})}),
                  1, 0);
  grid->addWidget(
      Group("東萍", {Line({b.Label(f.edtWidth), b.Edit(f.edtWidth, [&f] { f.edtWidthChange(); }),
                           b.Label(f.edtHeight), b.Edit(f.edtHeight, [&f] { f.edtHeightChange(); }),
                           nullptr}),
                     headFoot}),
      1, 1);
  grid->addWidget(
      Group("文本棋譜", {b.Radio(
                             f.rgTextStepPerLine, [&f] { f.rgTextStepPerLineClick(); }, 0),
                         b.Radio(
                             f.rgTextMoveText, [&f] { f.rgTextMoveTextClick(); }, 0)}),
      2, 0);
  grid->addWidget(Group("便攜式棋譜",
                        {b.Radio(
                             f.rgPGNStepPerLine, [&f] { f.rgPGNStepPerLineClick(); }, 0),
                         b.Radio(
                             f.rgPGNFormat, [&f] { f.rgPGNFormatClick(); }, 0),
                         b.Radio(
                             f.rgPGNMoveText, [&f] { f.rgPGNMoveTextClick(); }, 0),
                         Line({b.Check(f.chkIncludeChange, [&f] { f.chkIncludeChangeClick(); }),
                               b.Check(f.chkPGNBrace, [&f] { f.chkPGNBraceClick(); }), nullptr})}),
                  2, 1);
  grid->setRowStretch(3, 1);
  return Scrolled(page);
}

template <class TForm>
TJobHooks HooksOf(TForm& f) {
  return TJobHooks{&f, &f.mmoLog, &f.OnLog};
}

namespace {

// The first dropped path, and whether it is a folder.
bool FirstIsFolder(const QStringList& paths) { return QFileInfo(paths.front()).isDir(); }

// A label with edit and browse button: one row of a grid.
void PathRow(QGridLayout* grid, int row, QWidget* label, QWidget* edit, QWidget* button,
             QWidget* extra = nullptr) {
  grid->addWidget(label, row, 0);
  grid->addWidget(edit, row, 1);
  grid->addWidget(button, row, 2);
  if (extra) grid->addWidget(extra, row, 3);
}

// Row 0: the source kind and the sub-folder box; row 1: the source path with
// its browse button (and extra beside it).
template <class TForm>
void SourceRows(QGridLayout* grid, TBinder& b, TForm& f, TBinder::THandler kindClick,
                TBinder::THandler browse, QWidget* extra = nullptr) {
  grid->addWidget(Named(b.Radio(f.rgSource, std::move(kindClick), 0), "rgSource"), 0, 0, 1, 2);
  grid->addWidget(Named(b.Check(f.chkSubDir), "chkSubDir"), 0, 2, 1, 2);
  PathRow(grid, 1, b.Label(f.lblSource), Named(b.Edit(f.edtSource), "edtSource"),
          Named(b.Button(f.btnSource, std::move(browse)), "btnSource"), extra);
}

template <class TForm>
void DestinationRow(QGridLayout* grid, int row, TBinder& b, TForm& f, TBinder::THandler browse,
                    QWidget* extra = nullptr) {
  PathRow(grid, row, b.Label(f.lblDestination), Named(b.Edit(f.edtDestination), "edtDestination"),
          Named(b.Button(f.btnDestination, std::move(browse)), "btnDestination"), extra);
}

// A multi-select list with its label and a column of buttons.
template <class TList>
void ListRow(QGridLayout* grid, int row, TBinder& b, TList& list, const char* name,
             std::initializer_list<QWidget*> buttons) {
  QListWidget* widget = Named(b.List(list), name);
  widget->setMinimumHeight(60);
  grid->addWidget(b.Label(list), row, 0, Qt::AlignTop);
  grid->addWidget(widget, row, 1);
  auto* column = new QWidget;
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  for (QWidget* button : buttons) layout->addWidget(button);
  layout->addStretch(1);
  grid->addWidget(column, row, 2);
}

// The record option boxes every conversion window has.
QWidget* OptionBoxes(TBinder& b, TBaseForm& f) {
  return Line({Named(b.Check(f.chkFileNameToTitle), "chkFileNameToTitle"),
               Named(b.Check(f.chkLeftToRight), "chkLeftToRight"),
               Named(b.Check(f.chkAddError), "chkAddError"),
               Named(b.Check(f.chkAddBaseInfo), "chkAddBaseInfo"), nullptr});
}

}  // namespace

// ---- Any format to any format ----

TAny2AnyView::TAny2AnyView() : TAny2AnyView(std::make_unique<TAnyFormat2AnyFormatForm>()) {}

TAny2AnyView::TAny2AnyView(std::unique_ptr<TAnyFormat2AnyFormatForm> form)
    : TJobView(TAnyFormat2AnyFormatForm::kCaption, HooksOf(*form)), form_(std::move(form)) {
  TAnyFormat2AnyFormatForm& f = *form_;
  f.Asker = &asker_;
  TBinder& b = Binder;

  auto* grid = new QGridLayout(MainPanel);
  SourceRows(
      grid, b, f, [&f] { f.rgSourceClick(); },
      [this, &f] {
        BrowseForPath(this, f.edtSource, f.rgSource.ItemIndex == 0, true,
                      static_cast<int>(f.SrcFormat));
      },
      Named(b.Combo(f.cbbSourceFormat, [&f] { f.cbbSourceFormatChange(); }), "cbbSourceFormat"));
  DestinationRow(
      grid, 2, b, f,
      [this, &f] {
        BrowseForPath(this, f.edtDestination, f.rgSource.ItemIndex == 0, false,
                      static_cast<int>(f.DstFormat));
      },
      Named(b.Combo(f.cbbDestinationFormat, [&f] { f.cbbDestinationFormatChange(); }),
            "cbbDestinationFormat"));
  grid->addWidget(
      Line({Named(b.Radio(
                      f.rgSourceCodePage, [&f] { f.rgSourceCodePageClick(); }, 2),
                  "rgSourceCodePage"),
            Named(b.Radio(
                      f.rgDestinationCodePage, [&f] { f.rgDestinationCodePageClick(); }, 2),
                  "rgDestinationCodePage"),
            Named(b.Radio(f.rgMapType), "rgMapType")}),
      3, 0, 1, 4);
  grid->addWidget(OptionBoxes(b, f), 4, 0, 1, 4);
  grid->setColumnStretch(1, 1);

  QPushButton* convert = Named(
      b.Button(f.btnConvert, [this, &f] { RunJob([&f] { f.btnConvertClick(); }); }), "btnConvert");
  QPushButton* toClipboard =
      Named(b.Button(f.btnToClipboard, [this, &f] { RunJob([&f] { f.btnToClipboardClick(); }); }),
            "btnToClipboard");
  QPushButton* close = Named(b.Button(f.btnClose, [this] { CloseWindow(); }), "btnClose");
  BuildConvertPage(f.lblLog.Caption, {convert, toClipboard, close});
  Pages->addTab(SourcePage(b, f), FromUtf8(f.tsSource.Caption));
  Pages->addTab(DestinationPage(b, f), FromUtf8(f.tsDestination.Caption));
  Redraw();
}

TAny2AnyView::~TAny2AnyView() { Detach(); }

void TAny2AnyView::DropPaths(const QStringList& paths) {
  TAnyFormat2AnyFormatForm& f = *form_;
  f.rgSource.ItemIndex = FirstIsFolder(paths) ? 0 : 1;
  f.edtSource.Text = ToSystem(paths.front());
  f.rgSourceClick();
}

// ---- Any format to a CCBridge 2.x library ----

TAny2CblView::TAny2CblView() : TAny2CblView(std::make_unique<TAnyFormat2CBLForm>()) {}

TAny2CblView::TAny2CblView(std::unique_ptr<TAnyFormat2CBLForm> form)
    : TJobView(TAnyFormat2CBLForm::kCaption, HooksOf(*form)), form_(std::move(form)) {
  TAnyFormat2CBLForm& f = *form_;
  f.Asker = &asker_;
  TBinder& b = Binder;

  auto* grid = new QGridLayout(MainPanel);
  SourceRows(
      grid, b, f, [&f] { f.rgSourceClick(); }, [this, &f] { BrowseFolderInto(this, f.edtSource); });
  ListRow(grid, 2, b, f.lstFileName, "lstFileName",
          {Named(b.Button(f.btnAdd,
                          [this, &f] {
                            f.AddFilesToList(ChooseFiles(this, static_cast<int>(f.SrcFormat)));
                          }),
                 "btnAdd"),
           Named(b.Button(f.btnDelete, [&f] { f.btnDeleteClick(); }), "btnDelete"),
           Named(b.Button(f.btnClear, [&f] { f.btnClearClick(); }), "btnClear")});
  DestinationRow(grid, 3, b, f,
                 [this, &f] { BrowseForPath(this, f.edtDestination, false, false, kFmtCbl); });
  grid->addWidget(Line({b.Label(f.cbbSourceFormat),
                        Named(b.Combo(f.cbbSourceFormat, [&f] { f.cbbSourceFormatChange(); }),
                              "cbbSourceFormat"),
                        Named(b.Radio(
                                  f.rgSourceCodePage, [&f] { f.rgSourceCodePageClick(); }, 2),
                              "rgSourceCodePage"),
                        Named(b.Radio(f.rgMapType), "rgMapType"), nullptr}),
                  4, 0, 1, 4);
  grid->addWidget(OptionBoxes(b, f), 5, 0, 1, 4);

  // The library header fields, used when a new library is created.
  auto* header = new QGroupBox;
  auto* hg = new QGridLayout(header);
  hg->addWidget(b.Label(f.edtH_Name), 0, 0);
  hg->addWidget(Named(b.Edit(f.edtH_Name), "edtH_Name"), 0, 1);
  hg->addWidget(b.Label(f.edtH_URL), 0, 2);
  hg->addWidget(Named(b.Edit(f.edtH_URL), "edtH_URL"), 0, 3);
  hg->addWidget(b.Label(f.edtH_Creator), 1, 0);
  hg->addWidget(Named(b.Edit(f.edtH_Creator), "edtH_Creator"), 1, 1);
  hg->addWidget(b.Label(f.edtH_CreatorEmail), 1, 2);
  hg->addWidget(Named(b.Edit(f.edtH_CreatorEmail), "edtH_CreatorEmail"), 1, 3);
  QPlainTextEdit* explanation = Named(b.Memo(f.mmoH_Explanation), "mmoH_Explanation");
  explanation->setMaximumHeight(60);
  hg->addWidget(b.Label(f.mmoH_Explanation), 2, 0, Qt::AlignTop);
  hg->addWidget(explanation, 2, 1, 1, 3);
  hg->addWidget(Named(b.Radio(f.rgCompressLevel, {}, 0), "rgCompressLevel"), 3, 0, 1, 3);
  hg->addWidget(
      Named(b.Button(f.btnCreateCBL, [this, &f] { RunJob([&f] { f.btnCreateCBLClick(); }); }),
            "btnCreateCBL"),
      3, 3, Qt::AlignRight | Qt::AlignBottom);
  grid->addWidget(header, 6, 0, 1, 4);
  grid->setColumnStretch(1, 1);

  QPushButton* convert = Named(
      b.Button(f.btnConvert, [this, &f] { RunJob([&f] { f.btnConvertClick(); }); }), "btnConvert");
  QPushButton* fromClipboard =
      Named(b.Button(f.btnConvertFromClipboard,
                     [this, &f] { RunJob([&f] { f.btnConvertFromClipboardClick(); }); }),
            "btnConvertFromClipboard");
  QPushButton* close = Named(b.Button(f.btnClose, [this] { CloseWindow(); }), "btnClose");
  BuildConvertPage(f.lblLog.Caption, {convert, fromClipboard, close});

  // Page of the record overrides.
  auto* info = new QWidget;
  info->setObjectName(QStringLiteral("tsRecordInfo"));
  auto* ig = new QGridLayout(info);
  QLabel* hint = b.Label(f.lblRecordInfoHint);
  hint->setWordWrap(true);
  ig->addWidget(hint, 0, 0, 1, 4);
  struct TField {
    TEdit* Edit;
    const char* Name;
  };
  const TField fields[] = {{&f.edtR_Name, "edtR_Name"},
                           {&f.edtR_MatchName, "edtR_MatchName"},
                           {&f.edtR_MatchDate, "edtR_MatchDate"},
                           {&f.edtR_MatchSite, "edtR_MatchSite"},
                           {&f.edtR_Red, "edtR_Red"},
                           {&f.edtR_Black, "edtR_Black"},
                           {&f.edtR_Commentator, "edtR_Commentator"},
                           {&f.edtR_CommentatorEmail, "edtR_CommentatorEmail"},
                           {&f.edtR_Author, "edtR_Author"},
                           {&f.edtR_AuthorEmail, "edtR_AuthorEmail"},
                           {&f.edtR_URL, "edtR_URL"}};
  int at = 0;
  for (const TField& field : fields) {
    const int row = 1 + at / 2;
    const int column = (at % 2) * 2;
    ig->addWidget(b.Label(*field.Edit), row, column);
    ig->addWidget(Named(b.Edit(*field.Edit), field.Name), row, column + 1);
    ++at;
  }
  ig->addWidget(Named(b.Radio(f.rgR_Result, {}, 0), "rgR_Result"), 2 + at / 2, 0, 1, 4);
  ig->setRowStretch(3 + at / 2, 1);
  ig->setColumnStretch(1, 1);
  ig->setColumnStretch(3, 1);
  Pages->addTab(Scrolled(info), FromUtf8(f.tsRecordInfo.Caption));
  Pages->addTab(SourcePage(b, f), FromUtf8(f.tsSource.Caption));
  Redraw();
}

TAny2CblView::~TAny2CblView() { Detach(); }

void TAny2CblView::DropPaths(const QStringList& paths) {
  TAnyFormat2CBLForm& f = *form_;
  if (FirstIsFolder(paths)) {
    f.rgSource.ItemIndex = TAnyFormat2CBLForm::kSourceFolder;
    f.edtSource.Text = ToSystem(paths.front());
  } else {
    f.rgSource.ItemIndex = TAnyFormat2CBLForm::kSourceFileList;
    std::vector<std::string> files;
    for (const QString& p : paths)
      if (QFileInfo(p).isFile()) files.push_back(ToSystem(p));
    f.AddFilesToList(files);
  }
  f.rgSourceClick();
}

// ---- CCBridge 2.x library to any format ----

TCbl2AnyView::TCbl2AnyView() : TCbl2AnyView(std::make_unique<TCBL2AnyFormatForm>()) {}

TCbl2AnyView::TCbl2AnyView(std::unique_ptr<TCBL2AnyFormatForm> form)
    : TJobView(TCBL2AnyFormatForm::kCaption, HooksOf(*form)), form_(std::move(form)) {
  TCBL2AnyFormatForm& f = *form_;
  f.Asker = &asker_;
  TBinder& b = Binder;

  auto* grid = new QGridLayout(MainPanel);
  SourceRows(
      grid, b, f, [&f] { f.rgSourceClick(); },
      [this, &f] {
        const bool folder = f.rgSource.ItemIndex == TCBL2AnyFormatForm::kSourceFolder;
        if (BrowseForPath(this, f.edtSource, folder, true, kFmtCbl) && !folder)
          LoadList(f.edtSource.Text);
      });
  ListRow(grid, 2, b, f.lstSource, "lstSource",
          {Named(b.Button(f.btnSelectAll, [&f] { f.btnSelectAllClick(); }), "btnSelectAll"),
           Named(b.Button(f.btnNoSelect, [&f] { f.btnNoSelectClick(); }), "btnNoSelect"),
           Named(b.Button(f.btnReverseSelect, [&f] { f.btnReverseSelectClick(); }),
                 "btnReverseSelect")});
  grid->setRowStretch(2, 1);
  DestinationRow(grid, 3, b, f, [this, &f] { BrowseFolderInto(this, f.edtDestination); });
  grid->addWidget(
      Line({b.Label(f.cbbDestinationFormat),
            Named(b.Combo(f.cbbDestinationFormat, [&f] { f.cbbDestinationFormatChange(); }),
                  "cbbDestinationFormat"),
            nullptr}),
      4, 0, 1, 4);
  grid->addWidget(
      Line({Named(b.Radio(
                      f.rgDestinationCodePage, [&f] { f.rgDestinationCodePageClick(); }, 0),
                  "rgDestinationCodePage"),
            Named(b.Radio(f.rgMapType, {}, 0), "rgMapType"),
            Named(b.Radio(f.rgDestinationFileName, {}, 2), "rgDestinationFileName")}),
      5, 0, 1, 4);
  grid->addWidget(OptionBoxes(b, f), 6, 0, 1, 4);
  grid->setColumnStretch(1, 1);

  QPushButton* convert = Named(
      b.Button(f.btnConvert, [this, &f] { RunJob([&f] { f.btnConvertClick(); }); }), "btnConvert");
  QPushButton* toClipboard =
      Named(b.Button(f.btnToClipboard, [this, &f] { RunJob([&f] { f.btnToClipboardClick(); }); }),
            "btnToClipboard");
  QPushButton* close = Named(b.Button(f.btnClose, [this] { CloseWindow(); }), "btnClose");
  BuildConvertPage(f.lblLog.Caption, {convert, toClipboard, close});
  Pages->addTab(DestinationPage(b, f), FromUtf8(f.tsDestination.Caption));
  Redraw();
}

TCbl2AnyView::~TCbl2AnyView() { Detach(); }

void TCbl2AnyView::LoadList(const std::string& path) {
  TCBL2AnyFormatForm& f = *form_;
  RunJob([&f, path] { f.SourceChosen(path); });
}

void TCbl2AnyView::DropPaths(const QStringList& paths) {
  TCBL2AnyFormatForm& f = *form_;
  const bool folder = FirstIsFolder(paths);
  f.rgSource.ItemIndex =
      folder ? TCBL2AnyFormatForm::kSourceFolder : TCBL2AnyFormatForm::kSourceFile;
  f.rgSourceClick();
  f.edtSource.Text = ToSystem(paths.front());
  if (!folder) LoadList(f.edtSource.Text);
}

// ---- CCBridge 3.0 library to CBR records ----

TCbl3ToCbrView::TCbl3ToCbrView() : TCbl3ToCbrView(std::make_unique<TCBL3ToCBRForm>()) {}

TCbl3ToCbrView::TCbl3ToCbrView(std::unique_ptr<TCBL3ToCBRForm> form)
    : TJobView(TCBL3ToCBRForm::kCaption, HooksOf(*form)), form_(std::move(form)) {
  TCBL3ToCBRForm& f = *form_;
  f.Asker = &asker_;
  f.ShowDialog = [this](const TPathDialog& d) {
    TDialogRequest r;
    r.Kind = d.Folder ? TDialogRequest::Folder : TDialogRequest::OpenFile;
    r.Title = FromUtf8(d.Title);
    r.StartPath = FromSystem(d.InitialPath);
    if (!d.Folder) {
      r.Filter = FormatNameFilter(kFmtCbl3);
      r.DefaultSuffix = FromUtf8(d.DefaultExt);
    }
    const QStringList chosen = ShowPathDialog(this, r);
    return chosen.isEmpty() ? std::string() : ToSystem(chosen.front());
  };
  TBinder& b = Binder;

  auto* grid = new QGridLayout(MainPanel);
  SourceRows(grid, b, f, {}, [&f] { f.btnSourceClick(); });
  DestinationRow(grid, 2, b, f, [&f] { f.btnDestinationClick(); });
  grid->addWidget(Named(b.Radio(f.rgCBRFlag, {}, 0), "rgCBRFlag"), 3, 0, 1, 3);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(4, 1);

  QPushButton* convert = Named(
      b.Button(f.btnConvert, [this, &f] { RunJob([&f] { f.btnConvertClick(); }); }), "btnConvert");
  QPushButton* close = Named(b.Button(f.btnClose, [this] { CloseWindow(); }), "btnClose");
  BuildConvertPage("轉換\r\nLOG", {convert, close});
  Redraw();
}

TCbl3ToCbrView::~TCbl3ToCbrView() { Detach(); }

void TCbl3ToCbrView::DropPaths(const QStringList& paths) {
  TCBL3ToCBRForm& f = *form_;
  f.rgSource.ItemIndex =
      FirstIsFolder(paths) ? TCBL3ToCBRForm::kSourceFolder : TCBL3ToCBRForm::kSourceFile;
  f.edtSource.Text = ToSystem(paths.front());
}
