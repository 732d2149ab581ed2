#include "tests/support/fault_vfs.h"

#include <sqlcipher/sqlite3.h>

#include <atomic>
#include <cstring>

namespace ornetta::testing {

namespace {
sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;
FaultPlan g_plan;
std::atomic<long> g_counts[5];
std::atomic<long> g_failures{0};
bool g_armed = false;

struct ShimFile {
  sqlite3_file base;  // must come first: the engine sees this
  sqlite3_file* real;
};

// True when this operation is to fail.
bool Trip(FaultOp op) {
  const long n = ++g_counts[static_cast<int>(op)];
  const long any = ++g_counts[static_cast<int>(FaultOp::kAny)];
  if (!g_armed || g_plan.fail_at == 0) return false;
  const long seen = g_plan.op == FaultOp::kAny ? any : g_plan.op == op ? n : 0;
  if (seen == 0) return false;
  const bool fail = g_plan.persistent ? seen >= g_plan.fail_at : seen == g_plan.fail_at;
  if (fail) ++g_failures;
  return fail;
}

sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<ShimFile*>(f)->real; }

int Close(sqlite3_file* f) {
  sqlite3_file* real = Real(f);
  const int rc = real->pMethods ? real->pMethods->xClose(real) : SQLITE_OK;
  sqlite3_free(real);
  return rc;
}
int Read(sqlite3_file* f, void* buf, int n, sqlite3_int64 off) {
  return Real(f)->pMethods->xRead(Real(f), buf, n, off);
}
int Write(sqlite3_file* f, const void* buf, int n, sqlite3_int64 off) {
  if (Trip(FaultOp::kWrite)) return g_plan.disk_full ? SQLITE_FULL : SQLITE_IOERR_WRITE;
  return Real(f)->pMethods->xWrite(Real(f), buf, n, off);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size) {
  if (Trip(FaultOp::kTruncate)) return SQLITE_IOERR_TRUNCATE;
  return Real(f)->pMethods->xTruncate(Real(f), size);
}
int Sync(sqlite3_file* f, int flags) {
  if (Trip(FaultOp::kSync)) return SQLITE_IOERR_FSYNC;
  return Real(f)->pMethods->xSync(Real(f), flags);
}
int FileSize(sqlite3_file* f, sqlite3_int64* size) { return Real(f)->pMethods->xFileSize(Real(f), size); }
int Lock(sqlite3_file* f, int lock) { return Real(f)->pMethods->xLock(Real(f), lock); }
int Unlock(sqlite3_file* f, int lock) { return Real(f)->pMethods->xUnlock(Real(f), lock); }
int CheckReservedLock(sqlite3_file* f, int* out) { return Real(f)->pMethods->xCheckReservedLock(Real(f), out); }
int FileControl(sqlite3_file* f, int op, void* arg) { return Real(f)->pMethods->xFileControl(Real(f), op, arg); }
int SectorSize(sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); }
int DeviceCharacteristics(sqlite3_file* f) { return Real(f)->pMethods->xDeviceCharacteristics(Real(f)); }

// Version 1 methods only: no shared memory (the program never uses WAL) and no memory mapping.
const sqlite3_io_methods kMethods = {1,
                                     Close,
                                     Read,
                                     Write,
                                     Truncate,
                                     Sync,
                                     FileSize,
                                     Lock,
                                     Unlock,
                                     CheckReservedLock,
                                     FileControl,
                                     SectorSize,
                                     DeviceCharacteristics,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr};

int Open(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* out_flags) {
  auto* shim = reinterpret_cast<ShimFile*>(f);
  shim->base.pMethods = nullptr;
  shim->real = static_cast<sqlite3_file*>(sqlite3_malloc(g_real->szOsFile));
  if (!shim->real) return SQLITE_NOMEM;
  std::memset(shim->real, 0, static_cast<size_t>(g_real->szOsFile));
  const int rc = g_real->xOpen(g_real, name, shim->real, flags, out_flags);
  if (rc != SQLITE_OK) {
    if (shim->real->pMethods) shim->real->pMethods->xClose(shim->real);
    sqlite3_free(shim->real);
    return rc;
  }
  shim->base.pMethods = &kMethods;
  return SQLITE_OK;
}

int Delete(sqlite3_vfs*, const char* name, int sync_dir) {
  if (Trip(FaultOp::kDelete)) return SQLITE_IOERR_DELETE;
  return g_real->xDelete(g_real, name, sync_dir);
}
int Access(sqlite3_vfs*, const char* name, int flags, int* out) { return g_real->xAccess(g_real, name, flags, out); }
int FullPathname(sqlite3_vfs*, const char* name, int n, char* out) {
  return g_real->xFullPathname(g_real, name, n, out);
}
void* DlOpen(sqlite3_vfs*, const char* name) { return g_real->xDlOpen(g_real, name); }
void DlError(sqlite3_vfs*, int n, char* out) { g_real->xDlError(g_real, n, out); }
void (*DlSym(sqlite3_vfs*, void* h, const char* sym))(void) { return g_real->xDlSym(g_real, h, sym); }
void DlClose(sqlite3_vfs*, void* h) { g_real->xDlClose(g_real, h); }
int Randomness(sqlite3_vfs*, int n, char* out) { return g_real->xRandomness(g_real, n, out); }
int Sleep(sqlite3_vfs*, int us) { return g_real->xSleep(g_real, us); }
int CurrentTime(sqlite3_vfs*, double* out) { return g_real->xCurrentTime(g_real, out); }
int GetLastError(sqlite3_vfs*, int n, char* out) {
  return g_real->xGetLastError ? g_real->xGetLastError(g_real, n, out) : 0;
}
}  // namespace

void FaultVfs::Install() {
  if (g_real) return;
  sqlite3_initialize();
  g_real = sqlite3_vfs_find(nullptr);
  std::memset(&g_vfs, 0, sizeof g_vfs);
  g_vfs.iVersion = 1;
  g_vfs.szOsFile = sizeof(ShimFile);
  g_vfs.mxPathname = g_real->mxPathname;
  g_vfs.zName = "ornetta-faults";
  g_vfs.xOpen = Open;
  g_vfs.xDelete = Delete;
  g_vfs.xAccess = Access;
  g_vfs.xFullPathname = FullPathname;
  g_vfs.xDlOpen = DlOpen;
  g_vfs.xDlError = DlError;
  g_vfs.xDlSym = DlSym;
  g_vfs.xDlClose = DlClose;
  g_vfs.xRandomness = Randomness;
  g_vfs.xSleep = Sleep;
  g_vfs.xCurrentTime = CurrentTime;
  g_vfs.xGetLastError = GetLastError;
  sqlite3_vfs_register(&g_vfs, 1);
}

void FaultVfs::Uninstall() {
  if (!g_real) return;
  sqlite3_vfs_unregister(&g_vfs);
  sqlite3_vfs_register(g_real, 1);
  g_real = nullptr;
}

void FaultVfs::Arm(const FaultPlan& plan) {
  for (auto& c : g_counts) c = 0;
  g_failures = 0;
  g_plan = plan;
  g_armed = true;
}

void FaultVfs::Disarm() { g_armed = false; }
long FaultVfs::Count(FaultOp op) { return g_counts[static_cast<int>(op)]; }
long FaultVfs::Failures() { return g_failures; }

}  // namespace ornetta::testing
