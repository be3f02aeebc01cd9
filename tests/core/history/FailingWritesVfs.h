// A disc that fills up, for the history's tests: an SQLite file system
// (VFS) over the default one whose writes fail as a full disc makes them
// fail, while it is switched on. Registered as the default file system of the
// test program, so the history under test uses it without knowing.
#pragma once

namespace testing_support {

// Registers the file system once; every SQLite connection opened afterwards
// goes through it.
void InstallFailingWritesVfs();
// While on, every write and every growth of a file fails with SQLITE_FULL.
void SetDiscFull(bool full);

}  // namespace testing_support
