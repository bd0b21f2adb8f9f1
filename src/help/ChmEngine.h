// The help engine: libchm, loaded with dlopen at the first help request and never at start-up, so the
// program starts and runs without it.
#pragma once

#include <string>

struct chmFile;
struct chmUnitInfo;

namespace quillot {

// The entries of libchm the help book uses.
struct TChmEngine {
  chmFile* (*Open)(const char* filename);
  void (*Close)(chmFile* h);
  int (*ResolveObject)(chmFile* h, const char* objPath, chmUnitInfo* ui);
  long long (*RetrieveObject)(chmFile* h, chmUnitInfo* ui, unsigned char* buf, unsigned long long addr, long long len);
  int (*Enumerate)(chmFile* h, int what, int (*e)(chmFile*, chmUnitInfo*, void*), void* context);
};

// The engine, loading it on the first call. nullptr when the library or one of its entries is
// missing; a failed load is tried again at the next call. Once loaded it stays loaded.
const TChmEngine* LoadChmEngine();
// The engine if an earlier call loaded it, without trying to load it.
const TChmEngine* LoadedChmEngine();

// The library's file name, and where its makers publish it.
const std::string& ChmEngineLibrary();
inline constexpr const char* kChmEngineHomePage = "http://www.jedrea.com/chmlib/";

// Tests simulate a missing engine by naming a library that is not there; an empty name restores the
// real one. Forgets an engine loaded earlier.
void SetChmEngineLibraryForTesting(const std::string& library);

}  // namespace quillot
