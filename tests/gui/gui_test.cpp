// The desktop window, driven through its widgets on the offscreen platform.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>
#include <functional>
#include <memory>

#include "app/any2cbl.h"
#include "app/gui/mainform.h"
#include "app/gui/seams.h"
#include "app/gui/style.h"
#include "app/gui/views.h"
#include "app/settings.h"
#include "app/startup.h"
#include "formats/ccbridge/cbl3.h"
#include "formats/text/registry.h"

namespace {

const QString kSample = QStringLiteral(TAVRIK_TEST_DATA "/xqf/sample_v10.xqf");

template <class T>
T* Child(QWidget* root, const char* name) {
  T* w = root->findChild<T*>(QString::fromLatin1(name));
  if (w == nullptr) qWarning("no widget %s", name);
  return w;
}

void SetEdit(QWidget* view, const char* name, const QString& text) {
  QLineEdit* e = Child<QLineEdit>(view, name);
  QVERIFY(e);
  e->setText(text);
  emit e->textEdited(text);
}

// Picks the combo entry whose text holds part (a mask such as "*.PGN").
void ChooseFormat(QWidget* view, const char* name, const QString& part) {
  QComboBox* c = Child<QComboBox>(view, name);
  QVERIFY(c);
  for (int i = 0; i < c->count(); ++i)
    if (c->itemText(i).contains(part)) {
      c->setCurrentIndex(i);
      emit c->activated(i);
      return;
    }
  QFAIL("format not offered");
}

void ChooseRadio(QWidget* view, const char* group, int index) {
  QGroupBox* g = Child<QGroupBox>(view, group);
  QVERIFY(g);
  const QList<QRadioButton*> buttons = g->findChildren<QRadioButton*>();
  QVERIFY(index < buttons.size());
  buttons[index]->click();
}

void Click(QWidget* view, const char* name) {
  QPushButton* b = Child<QPushButton>(view, name);
  QVERIFY(b);
  QVERIFY(b->isEnabled());
  b->click();
}

QString LogOf(QWidget* view) {
  QPlainTextEdit* log = Child<QPlainTextEdit>(view, "mmoLog");
  return log ? log->toPlainText() : QString();
}

QByteArray Slurp(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Spit(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

// A CCBridge 3.0 library of count records, one 4096-byte block each.
QByteArray Cbl3Library(int count) {
  QByteArray lib("CCBridgeLibrary");
  lib.resize(3648, 'h');
  for (int i = 1; i <= count; ++i) {
    QByteArray r = QByteArray(kCbrMarker.data(), static_cast<int>(kCbrMarker.size())) + "#" +
                   QByteArray::number(i);
    r.resize(static_cast<int>(kCbl3BlockSize), '\0');
    lib += r;
  }
  return lib;
}

// True when the text renders as real, distinct glyphs in the window font: a
// missing glyph draws the same box for every character.
bool DrawsDistinctGlyphs(const QString& a, const QString& b) {
  auto draw = [](const QString& text) {
    QImage image(48, 48, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font = WindowFont();
    font.setPixelSize(32);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(image.rect(), Qt::AlignCenter, text);
    return image;
  };
  const QImage ia = draw(a);
  const QImage ib = draw(b);
  auto inked = [](const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) n += qGray(image.pixel(x, y)) < 128;
    return n;
  };
  return inked(ia) > 20 && inked(ib) > 20 && ia != ib;
}

}  // namespace

class TGuiTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<TMainForm> main_;
  TQtClipboard clipboard_;
  QStringList questions_;
  // Answers the next question; Ok for the plain boxes.
  std::function<int(const QString&, TAskKind, unsigned)> answer_;

  QString Path(const QString& name) const { return dir_->filePath(name); }

  TJobView* Open(TMainForm::TJobKind kind) {
    TJobView* view = main_->OpenJobWindow(kind);
    return view;
  }

  bool WaitForJob(TJobView* view) {
    return QTest::qWaitFor([view] { return !view->Running(); }, 300000);
  }

 private slots:
  void initTestCase() {
    QApplication::setFont(WindowFont());
    Process().SystemCodePage = kCpUtf8;
    Process().Unattended = false;
    BuildFormatStrings();
    SetClipboard(&clipboard_);
    TQtAsker::Responder() = [this](const QString& text, TAskKind kind, unsigned buttons) {
      questions_ << text;
      if (answer_ && kind == TAskKind::Confirmation) return answer_(text, kind, buttons);
      return kind == TAskKind::Confirmation ? kAnswerYes : kAnswerOk;
    };
  }

  void cleanupTestCase() {
    TQtAsker::Responder() = nullptr;
    PathDialogResponder() = nullptr;
    SetClipboard(nullptr);
  }

  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    Settings().Clear();
    SetSettingsFolder(dir_->path().toStdString() + "/");
    InsertDefaultCodeBases();
    questions_.clear();
    answer_ = nullptr;
    main_ = std::make_unique<TMainForm>();
    main_->setWindowState(Qt::WindowNoState);
    main_->resize(1000, 720);
    main_->show();
  }

  void cleanup() {
    main_.reset();
    PathDialogResponder() = nullptr;
    Settings().Clear();
    SetSettingsFolder("");
    dir_.reset();
  }

  void menusAndCaptions() {
    QCOMPARE(main_->windowTitle(), QStringLiteral("Tavrik 1.21"));
    struct TItem {
      const char* Name;
      const char* Caption;
    };
    const TItem menus[] = {{"mniSystem", "系統(&S)"},
                           {"mniConvert", "轉換(&C)"},
                           {"mniWindow", "窗口(&W)"},
                           {"mniHelp", "幫助(&H)"}};
    const QList<QAction*> bar = main_->menuBar()->actions();
    QCOMPARE(bar.size(), 4);
    for (int i = 0; i < 4; ++i) {
      QCOMPARE(bar[i]->text(), QString::fromUtf8(menus[i].Caption));
      QCOMPARE(bar[i]->menu()->objectName(), QString::fromLatin1(menus[i].Name));
    }
    const TItem items[] = {{"mniExit", "退出(&X)"},
                           {"mniAnyToAny", "已支持格式 To 已支持格式(&A)"},
                           {"mniAnyToCBL", "已支持格式 To 象棋橋2.x棋庫(&C)"},
                           {"mniCBLToAny", "象棋橋2.x棋庫 To 已支持格式(&2)"},
                           {"mniCBL3ToCBR", "象棋橋3.0棋庫 To 象棋橋CBR棋譜(&3)"},
                           {"mniTile", "平鋪(&T)"},
                           {"mniCascade", "層疊(&C)"},
                           {"mniArrangeIcons", "排列圖標(&A)"},
                           {"mniDownLoadEDisk", "下載地址[永碩Ｅ盤](&E)"},
                           {"mniDownLoadKuaiPan", "下載地址[金山快盤](&K)"},
                           {"mniDownLoadSkyDrive", "下載地址[微軟SkyDrive](&S)"},
                           {"mniWeiBoSina", "微博[新浪](&X)"},
                           {"mniWeiBoQQ", "微博[騰訊](&T)"},
                           {"mniAbout", "關于(&A)"}};
    for (const TItem& item : items) {
      QAction* action = main_->findChild<QAction*>(QString::fromLatin1(item.Name));
      QVERIFY2(action, item.Name);
      QCOMPARE(action->text(), QString::fromUtf8(item.Caption));
    }
    for (const char* web : {"mniDownLoadEDisk", "mniDownLoadKuaiPan", "mniDownLoadSkyDrive",
                            "mniWeiBoSina", "mniWeiBoQQ"})
      QVERIFY(
          TMainForm::HelpAddress(QString::fromLatin1(web)).startsWith(QStringLiteral("https://")));
    // The separators stand where the menus have them.
    QMenu* convert = bar[1]->menu();
    QVERIFY(convert->actions()[2]->isSeparator());
  }

  void oneWindowPerKind() {
    const char* items[] = {"mniAnyToAny", "mniAnyToCBL", "mniCBLToAny", "mniCBL3ToCBR"};
    const char* captions[] = {"已支持格式 To 已支持格式", "已支持格式 To 象棋橋2.x棋庫",
                              "象棋橋2.x棋庫 To 已支持格式", "象棋橋3.0棋庫 To 象棋橋CBR棋譜"};
    for (int i = 0; i < 4; ++i) {
      QAction* action = main_->findChild<QAction*>(QString::fromLatin1(items[i]));
      action->trigger();
      action->trigger();
      QCOMPARE(main_->Area()->subWindowList().size(), i + 1);
      QCOMPARE(main_->Area()->activeSubWindow()->windowTitle(), QString::fromUtf8(captions[i]));
    }
    // Closing a window clears its place: the menu makes a fresh one.
    main_->Area()->activeSubWindow()->close();
    QTRY_COMPARE(main_->Area()->subWindowList().size(), 3);
    main_->findChild<QAction*>(QStringLiteral("mniCBL3ToCBR"))->trigger();
    QCOMPARE(main_->Area()->subWindowList().size(), 4);
  }

  void convertsThroughTheWindows_data() {
    QTest::addColumn<int>("kind");
    QTest::newRow("any to any") << static_cast<int>(TMainForm::kAnyToAny);
    QTest::newRow("XQF folder into a new CBL library") << static_cast<int>(TMainForm::kAnyToCbl);
    QTest::newRow("CBL to PGN, two records selected") << static_cast<int>(TMainForm::kCblToAny);
    QTest::newRow("CBL 3.0 cut") << static_cast<int>(TMainForm::kCbl3ToCbr);
  }

  void convertsThroughTheWindows() {
    QFETCH(int, kind);
    const QByteArray xqf = Slurp(kSample);
    QVERIFY(!xqf.isEmpty());
    for (const char* name : {"src/a.xqf", "src/b.xqf", "src/c.xqf"})
      Spit(Path(QString::fromLatin1(name)), xqf);
    QVERIFY(QDir().mkpath(Path(QStringLiteral("out"))));
    const QString out = Path(QStringLiteral("out")) + QLatin1Char('/');

    TJobView* view = Open(static_cast<TMainForm::TJobKind>(kind));
    QVERIFY(view);
    switch (kind) {
      case TMainForm::kAnyToAny: {
        // The source comes by drag and drop: a file makes the source kind a file.
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(Path(QStringLiteral("src/a.xqf")))});
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(view, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &drop);
        QCOMPARE(Child<QLineEdit>(view, "edtSource")->text(), Path(QStringLiteral("src/a.xqf")));
        QVERIFY(Child<QGroupBox>(view, "rgSource")->findChildren<QRadioButton*>()[1]->isChecked());
        SetEdit(view, "edtDestination", out);
        ChooseFormat(view, "cbbSourceFormat", QStringLiteral("*.XQF"));
        ChooseFormat(view, "cbbDestinationFormat", QStringLiteral("*.PGN"));
        Click(view, "btnConvert");
        QVERIFY(WaitForJob(view));
        QVERIFY(QFile::exists(out + QStringLiteral("a.PGN")));
        QVERIFY(LogOf(view).contains(QStringLiteral("已寫棋譜到：")));
        QVERIFY(LogOf(view).contains(QStringLiteral("成功轉換 1 個棋譜")));
        break;
      }
      case TMainForm::kAnyToCbl: {
        const QString lib = out + QStringLiteral("new.CBL");
        SetEdit(view, "edtDestination", lib);
        Click(view, "btnCreateCBL");
        QVERIFY(WaitForJob(view));
        QVERIFY(QFile::exists(lib));
        QVERIFY(questions_.contains(QStringLiteral("創建成功!")));
        ChooseRadio(view, "rgSource", 0);
        SetEdit(view, "edtSource", Path(QStringLiteral("src")));
        ChooseFormat(view, "cbbSourceFormat", QStringLiteral("*.XQF"));
        Click(view, "btnConvert");
        QVERIFY(WaitForJob(view));
        QVERIFY(LogOf(view).contains(QStringLiteral("已寫緩存數據到棋庫文件：")));
        QVERIFY(LogOf(view).contains(QStringLiteral("成功轉換 3 個棋譜")));
        QVERIFY(Slurp(lib).size() > 100);
        break;
      }
      case TMainForm::kCblToAny: {
        // A library of three records, built by the library job itself.
        const std::string lib = Path(QStringLiteral("lib.CBL")).toStdString();
        {
          TAnyFormat2CBLForm build;
          build.edtDestination.Text = lib;
          QVERIFY(build.CreateLibrary());
          build.rgSource.ItemIndex = TAnyFormat2CBLForm::kSourceFolder;
          build.rgSourceClick();
          build.edtSource.Text = Path(QStringLiteral("src")).toStdString();
          QVERIFY(build.AppendToLibrary());
        }
        ChooseRadio(view, "rgSource", 1);
        PathDialogResponder() = [&lib](const TDialogRequest&) {
          return QStringList{QString::fromStdString(lib)};
        };
        Click(view, "btnSource");
        QVERIFY(WaitForJob(view));
        QListWidget* list = Child<QListWidget>(view, "lstSource");
        QVERIFY(list);
        QCOMPARE(list->count(), 3);
        list->item(0)->setSelected(true);
        list->item(2)->setSelected(true);
        SetEdit(view, "edtDestination", out);
        ChooseFormat(view, "cbbDestinationFormat", QStringLiteral("*.PGN"));
        ChooseRadio(view, "rgDestinationFileName", 3);
        Click(view, "btnConvert");
        QVERIFY(WaitForJob(view));
        QCOMPARE(QDir(out).entryList(QDir::Files),
                 QStringList({QStringLiteral("[1].PGN"), QStringLiteral("[3].PGN")}));
        QVERIFY(LogOf(view).contains(QStringLiteral("成功轉換 2 個棋譜")));
        break;
      }
      default: {
        Spit(Path(QStringLiteral("lib3.cbl")), Cbl3Library(3));
        ChooseRadio(view, "rgSource", 1);
        SetEdit(view, "edtSource", Path(QStringLiteral("lib3.cbl")));
        SetEdit(view, "edtDestination", out);
        Click(view, "btnConvert");
        QVERIFY(WaitForJob(view));
        QCOMPARE(QDir(out).entryList(QDir::Files),
                 QStringList(
                     {QStringLiteral("1.CBR"), QStringLiteral("2.CBR"), QStringLiteral("3.CBR")}));
        QVERIFY(questions_.contains(QStringLiteral("轉換完成！")));
        break;
      }
    }
  }

  // A folder job with questions: the replace question of the second file
  // presses Stop (or answers No to all).
  void stopAndNoToAll_data() {
    QTest::addColumn<bool>("stop");
    QTest::newRow("Stop keeps the finished outputs") << true;
    QTest::newRow("No to all keeps the existing files") << false;
  }

  void stopAndNoToAll() {
    QFETCH(bool, stop);
    const QByteArray xqf = Slurp(kSample);
    const QStringList names = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                               QStringLiteral("d"), QStringLiteral("e")};
    for (const QString& n : names) Spit(Path(QStringLiteral("src/") + n + ".xqf"), xqf);
    const QString out = Path(QStringLiteral("out")) + QLatin1Char('/');
    // Existing outputs: only b when stopping, all but a for No to all.
    for (const QString& n : names)
      if (n == QStringLiteral("b") || (!stop && n != QStringLiteral("a")))
        Spit(out + n + ".PGN", "old");

    TJobView* view = Open(TMainForm::kAnyToAny);
    int replaceQuestions = 0;
    answer_ = [&](const QString& text, TAskKind, unsigned buttons) {
      if (!text.contains(QStringLiteral("已存在"))) return kAnswerYes;
      ++replaceQuestions;
      if (!(buttons & kBtnNoToAll)) return kAnswerNo;
      if (!stop) return kAnswerNoToAll;
      view->StopButton()->click();
      return kAnswerYes;
    };
    ChooseRadio(view, "rgSource", 0);
    SetEdit(view, "edtSource", Path(QStringLiteral("src")));
    SetEdit(view, "edtDestination", out);
    ChooseFormat(view, "cbbSourceFormat", QStringLiteral("*.XQF"));
    ChooseFormat(view, "cbbDestinationFormat", QStringLiteral("*.PGN"));
    ChooseRadio(view, "rgAddMD5", 0);  // existing names are asked about, not suffixed
    Click(view, "btnConvert");
    QVERIFY(WaitForJob(view));
    QCOMPARE(replaceQuestions, 1);
    QVERIFY(Slurp(out + "a.PGN").size() > 10);
    if (stop) {
      QVERIFY(Slurp(out + "b.PGN").size() > 10);  // replaced before the job stopped
      for (const char* n : {"c.PGN", "d.PGN", "e.PGN"}) QVERIFY(!QFile::exists(out + n));
      QVERIFY(LogOf(view).contains(QStringLiteral("已停止轉換：已處理 2 個文件，共 5 個")));
    } else {
      for (const char* n : {"b.PGN", "c.PGN", "d.PGN", "e.PGN"})
        QCOMPARE(Slurp(out + n), QByteArray("old"));
      QVERIFY(LogOf(view).contains(QStringLiteral("成功轉換 1 個棋譜")));
    }
  }

  void screenshots_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("file");
    QTest::newRow("any to any") << static_cast<int>(TMainForm::kAnyToAny)
                                << QStringLiteral("any2any.png");
    QTest::newRow("any to CBL") << static_cast<int>(TMainForm::kAnyToCbl)
                                << QStringLiteral("any2cbl.png");
    QTest::newRow("CBL to any") << static_cast<int>(TMainForm::kCblToAny)
                                << QStringLiteral("cbl2any.png");
    QTest::newRow("CBL 3.0 to CBR")
        << static_cast<int>(TMainForm::kCbl3ToCbr) << QStringLiteral("cbl3tocbr.png");
  }

  void screenshots() {
    QFETCH(int, kind);
    QFETCH(QString, file);
    // The captions draw as Chinese characters, not as boxes.
    QVERIFY(DrawsDistinctGlyphs(QStringLiteral("轉"), QStringLiteral("換")));

    TJobView* view = Open(static_cast<TMainForm::TJobKind>(kind));
    QVERIFY(view);
    QTest::qWait(0);
    const QImage image = main_->grab().toImage();
    QVERIFY(!image.isNull());
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
      for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
    QVERIFY(colours.size() > 8);
    const QString folder = QStringLiteral(TAVRIK_BINARY_DIR "/screenshots");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(image.save(folder + QLatin1Char('/') + file));
  }
};

QTEST_MAIN(TGuiTest)
#include "gui_test.moc"
