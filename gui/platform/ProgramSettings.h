// The program's own settings, kept for the user from one run to the next.
#pragma once

#include <QSettings>

QSettings ProgramSettings();
