#include "gui/app/ProgramArguments.h"

#include <QApplication>
#include <QStringList>

ProgramArguments::ProgramArguments()
    : helpOption(parser.addHelpOption()), versionOption(parser.addVersionOption()) {
  parser.setApplicationDescription(
      QStringLiteral("Shows what an optical drive and the disc in it are, scans the disc's\n"
                     "surface or tests its files, and shows any sector as a hex dump.\n"
                     "\n"
                     "Each IMAGE (an ISO 9660 or UDF image, or a cue sheet with its BIN\n"
                     "files) is opened as a drive, after the real drives and the images\n"
                     "named in the environment variable WRENLO_IMAGES (paths separated\n"
                     "by ':'), and the first is selected."));
  parser.addPositionalArgument(QStringLiteral("IMAGE"),
                               QStringLiteral("A disc image to open as a drive."),
                               QStringLiteral("[IMAGE...]"));
}

void ProgramArguments::AnswerWithoutDisplay(int& argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  // Anything the parser does not know may still be an option of Qt's: it is
  // judged later, in Process.
  parser.parse(arguments);
  if (!parser.isSet(versionOption) && !parser.isSet(helpOption)) return;
  // The usage names the program as it was started, which the parser takes
  // from an application object.
  const QCoreApplication core(argc, argv);
  if (parser.isSet(versionOption)) parser.showVersion();
  parser.showHelp();
}

void ProgramArguments::Process(const QApplication& app) { parser.process(app); }
