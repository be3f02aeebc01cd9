// Entry point of the widget test programs: one QApplication for all tests,
// on the offscreen platform unless the caller chose another.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  // What the windows remember goes to a folder of the test run's own, never
  // to the user's settings.
  const QTemporaryDir settings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  // So does the scan history.
  qputenv("XDG_DATA_HOME", (settings.path() + QStringLiteral("/data")).toLocal8Bit());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
