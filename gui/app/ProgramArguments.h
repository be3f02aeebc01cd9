// The program's command line, read as Qt programs read theirs: -h and --help
// print the usage, --help-all adds Qt's own options, -v and --version print
// the product's name and version, and an unknown option ends the program
// with a message and exit status 1. The other arguments are disc images to
// open as drives.
#pragma once

#include <QCommandLineParser>

class QApplication;

class ProgramArguments {
 public:
  ProgramArguments();

  // Before the program's application object exists: --help and --version
  // print their answer and end the program (exit status 0) with only a core
  // application object, so that they work without a display too. Returns
  // when neither was asked for.
  void AnswerWithoutDisplay(int& argc, char** argv);

  // With the program's application object (Qt's own options such as
  // -platform taken out): --help-all, and the check for unknown options.
  void Process(const QApplication& app);

  // The disc images named, in order.
  QStringList Images() const { return parser.positionalArguments(); }

 private:
  QCommandLineParser parser;
  QCommandLineOption helpOption;
  QCommandLineOption versionOption;
};
