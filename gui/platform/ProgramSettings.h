// Where the program keeps the little it remembers between runs (the folder
// the last save went to, the images opened lately): the user's settings of
// the program, in the desktop's usual place.
#pragma once

#include <QSettings>

QSettings ProgramSettings();
