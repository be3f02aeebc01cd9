// The application object. It is constructed during static initialisation,
// before main runs, and starts the disc engine then; InitInstance runs the
// main window as a modal dialog, and the program ends when it closes.
#pragma once

class Application {
 public:
  Application();

  // Runs the program; returns its exit code.
  int InitInstance(int argc, char** argv);
};
