#include "gui/app/ProgramArguments.h"

#include <QApplication>
#include <QStringList>

ProgramArguments::ProgramArguments()
    : helpOption(parser.addHelpOption()), versionOption(parser.addVersionOption()) {
  parser.setApplicationDescription(
      QStringLiteral("Shows what an optical drive and the disc in it are, scans the disc's\n"
                     "surface or tests its files, and shows any sector as a hex dump.\n"
                     "\n"
                     "Disc images named in the environment variable WRENLO_IMAGES (paths\n"
                     "separated by ':') are listed as drives after the real ones."));
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
