// The program's entry point. The application object is a global, so that it
// is constructed (and the engine initialised) before main runs.
#include "core/io/StandardDescriptors.h"
#include "gui/app/Application.h"

namespace {
// First: the engine opens the disc images while the application object is
// made, and a closed standard descriptor would be taken by one of them.
[[maybe_unused]] const ClosedDescriptors closedAtStart = OpenStandardDescriptors();
Application theApp;
}  // namespace

int main(int argc, char** argv) { return theApp.InitInstance(argc, argv); }
