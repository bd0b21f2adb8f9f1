#include "help/ChmEngine.h"

#include <dlfcn.h>

namespace quillot {

namespace {

constexpr const char* kLibrary = "libchm.so.1";

struct TEngineState {
  std::string Library = kLibrary;
  void* Module = nullptr;
  TChmEngine Engine{};
  bool Loaded = false;
};

TEngineState& State() {
  static TEngineState state;
  return state;
}

template <typename F>
bool Entry(void* module, const char* name, F& target) {
  target = reinterpret_cast<F>(dlsym(module, name));
  return target != nullptr;
}

}  // namespace

const TChmEngine* LoadChmEngine() {
  TEngineState& s = State();
  if (s.Loaded) return &s.Engine;
  void* module = dlopen(s.Library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) return nullptr;
  TChmEngine e{};
  const bool complete = Entry(module, "chm_open", e.Open) && Entry(module, "chm_close", e.Close) &&
                        Entry(module, "chm_resolve_object", e.ResolveObject) &&
                        Entry(module, "chm_retrieve_object", e.RetrieveObject) &&
                        Entry(module, "chm_enumerate", e.Enumerate);
  if (!complete) {
    dlclose(module);
    return nullptr;
  }
  s.Module = module;
  s.Engine = e;
  s.Loaded = true;
  return &s.Engine;
}

const TChmEngine* LoadedChmEngine() { return State().Loaded ? &State().Engine : nullptr; }

const std::string& ChmEngineLibrary() { return State().Library; }

void SetChmEngineLibraryForTesting(const std::string& library) {
  TEngineState& s = State();
  // The module itself stays mapped: books opened through it may still be alive.
  s.Loaded = false;
  s.Engine = {};
  s.Module = nullptr;
  s.Library = library.empty() ? kLibrary : library;
}

}  // namespace quillot
