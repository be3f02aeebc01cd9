// The program's entry point. The application object is a global, so that it
// is constructed (and the engine initialised) before main runs.
#include "gui/app/Application.h"

namespace {
Application theApp;
}  // namespace

int main(int argc, char** argv) { return theApp.InitInstance(argc, argv); }
