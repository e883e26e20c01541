// tavrik-gui: the desktop window of the converter.
#include <QApplication>
#include <QFont>
#include <QIcon>
#include <clocale>

#include "app/gui/mainform.h"
#include "app/gui/seams.h"
#include "app/gui/style.h"
#include "app/startup.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // Qt sets the locale from the environment; the code page of file names and
  // messages follows its character set.
  std::setlocale(LC_CTYPE, "");
  QApplication::setApplicationName(QStringLiteral("tavrik"));
  QApplication::setApplicationDisplayName(QString::fromUtf8(kAppTitle));
  QApplication::setDesktopFileName(QStringLiteral("tavrik"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tavrik")));
  QApplication::setFont(WindowFont());

  StartUp({});
  TQtClipboard clipboard;
  SetClipboard(&clipboard);
  int status = 0;
  {
    TMainForm window;
    window.show();
    status = QApplication::exec();
  }  // the job windows save their settings here
  SetClipboard(nullptr);
  ShutDown();
  return status;
}
