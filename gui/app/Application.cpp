#include "gui/app/Application.h"

#include <wrenlo/wrenlo.h>

#include <QApplication>

#include "core/product/ProductInfo.h"
#include "gui/app/MainWindow.h"
#include "gui/app/ProgramArguments.h"
#include "gui/platform/Resources.h"

Application::Application() {
  // Start-up, part one, during static initialisation: the engine is ready
  // before anything else runs. The scanner's report message is registered
  // here as well, in the same phase, by gui/scan/.
  wrenlo::Initialize();
}

int Application::InitInstance(int argc, char** argv) {
  QApplication::setApplicationName(QString::fromUtf8(kProductName));
  QApplication::setApplicationVersion(QString::fromUtf8(kProductVersion));
  ProgramArguments arguments;
  arguments.AnswerWithoutDisplay(argc, argv);
  QApplication app(argc, argv);
  arguments.Process(app);
  // Lets the desktop match the window with the installed menu entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("lumeter"));
  QApplication::setWindowIcon(LoadIcon(128));
  // The settings the program keeps: the folder the last save went to and
  // the images opened lately.
  {
    MainWindow window;
    window.SetStartImages(arguments.Images());
    window.WatchMedia();
    window.DoModal();
  }
  return 0;
}
