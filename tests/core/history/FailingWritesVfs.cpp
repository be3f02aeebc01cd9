#include "FailingWritesVfs.h"

#include <sqlite3.h>

#include <atomic>
#include <cstring>

namespace testing_support {
namespace {

std::atomic<bool> discFull{false};
sqlite3_vfs* base = nullptr;
sqlite3_vfs wrapper;
sqlite3_io_methods methods;

// Each open file: the wrapper's header, then the base file system's file.
struct File {
  sqlite3_file header;
  sqlite3_file* Base() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

File* Of(sqlite3_file* file) { return reinterpret_cast<File*>(file); }

int Close(sqlite3_file* f) { return Of(f)->Base()->pMethods->xClose(Of(f)->Base()); }
int Read(sqlite3_file* f, void* out, int amount, sqlite3_int64 offset) {
  return Of(f)->Base()->pMethods->xRead(Of(f)->Base(), out, amount, offset);
}
int Write(sqlite3_file* f, const void* in, int amount, sqlite3_int64 offset) {
  if (discFull) return SQLITE_FULL;
  return Of(f)->Base()->pMethods->xWrite(Of(f)->Base(), in, amount, offset);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size) {
  return Of(f)->Base()->pMethods->xTruncate(Of(f)->Base(), size);
}
int Sync(sqlite3_file* f, int flags) {
  return Of(f)->Base()->pMethods->xSync(Of(f)->Base(), flags);
}
int FileSize(sqlite3_file* f, sqlite3_int64* size) {
  return Of(f)->Base()->pMethods->xFileSize(Of(f)->Base(), size);
}
int Lock(sqlite3_file* f, int level) {
  return Of(f)->Base()->pMethods->xLock(Of(f)->Base(), level);
}
int Unlock(sqlite3_file* f, int level) {
  return Of(f)->Base()->pMethods->xUnlock(Of(f)->Base(), level);
}
int CheckReservedLock(sqlite3_file* f, int* out) {
  return Of(f)->Base()->pMethods->xCheckReservedLock(Of(f)->Base(), out);
}
int FileControl(sqlite3_file* f, int op, void* arg) {
  // Growing a file ahead of its writes fails as they do.
  if (discFull && op == SQLITE_FCNTL_SIZE_HINT) return SQLITE_FULL;
  return Of(f)->Base()->pMethods->xFileControl(Of(f)->Base(), op, arg);
}
int SectorSize(sqlite3_file* f) { return Of(f)->Base()->pMethods->xSectorSize(Of(f)->Base()); }
int DeviceCharacteristics(sqlite3_file* f) {
  return Of(f)->Base()->pMethods->xDeviceCharacteristics(Of(f)->Base());
}
int ShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
  return Of(f)->Base()->pMethods->xShmMap(Of(f)->Base(), region, size, extend, out);
}
int ShmLock(sqlite3_file* f, int offset, int n, int flags) {
  return Of(f)->Base()->pMethods->xShmLock(Of(f)->Base(), offset, n, flags);
}
void ShmBarrier(sqlite3_file* f) { Of(f)->Base()->pMethods->xShmBarrier(Of(f)->Base()); }
int ShmUnmap(sqlite3_file* f, int deleteFlag) {
  return Of(f)->Base()->pMethods->xShmUnmap(Of(f)->Base(), deleteFlag);
}

int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
  File* wrapped = Of(file);
  const int result = base->xOpen(base, name, wrapped->Base(), flags, outFlags);
  // A file the base could not open has no methods to forward to.
  wrapped->header.pMethods = wrapped->Base()->pMethods != nullptr ? &methods : nullptr;
  return result;
}

}  // namespace

void InstallFailingWritesVfs() {
  if (base != nullptr) return;
  base = sqlite3_vfs_find(nullptr);
  wrapper = *base;
  wrapper.zName = "failing-writes";
  wrapper.szOsFile = static_cast<int>(sizeof(File)) + base->szOsFile;
  wrapper.xOpen = Open;
  std::memset(&methods, 0, sizeof methods);
  methods.iVersion = 2;  // with the shared-memory methods WAL needs; no memory mapping
  methods.xClose = Close;
  methods.xRead = Read;
  methods.xWrite = Write;
  methods.xTruncate = Truncate;
  methods.xSync = Sync;
  methods.xFileSize = FileSize;
  methods.xLock = Lock;
  methods.xUnlock = Unlock;
  methods.xCheckReservedLock = CheckReservedLock;
  methods.xFileControl = FileControl;
  methods.xSectorSize = SectorSize;
  methods.xDeviceCharacteristics = DeviceCharacteristics;
  methods.xShmMap = ShmMap;
  methods.xShmLock = ShmLock;
  methods.xShmBarrier = ShmBarrier;
  methods.xShmUnmap = ShmUnmap;
  sqlite3_vfs_register(&wrapper, 1);
}

void SetDiscFull(bool full) { discFull = full; }

}  // namespace testing_support
