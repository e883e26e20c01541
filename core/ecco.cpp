// Binding of the optional opening-classification library. The library is an
// outside component with four C entries; when it or any entry is missing the
// program simply leaves the opening slots empty.
#include "core/ecco.h"

#include <dlfcn.h>

#include <cstdint>
#include <cstring>

namespace {

using TInitOpenVar = int32_t (*)(int32_t traditional);
// The library reads the zero-terminated move string through this address.
using TIndex = uint32_t (*)(const char* wxfMoves);
using TName = const char* (*)(uint32_t index);

constexpr size_t kMaxWxfChars = 20 * 4;

// Where the install rules put the library, relative to the installed program
// (set by the build, for example "../lib/tavrik").
constexpr const char* kLibDirFromBinDir = TAVRIK_LIBDIR_FROM_BINDIR;

struct TEccoLibrary {
  void* Handle = nullptr;
  TInitOpenVar InitOpenVar = nullptr;
  TIndex Index = nullptr;
  TName Opening = nullptr;
  TName Variation = nullptr;
};

TEccoLibrary& Library() {
  static TEccoLibrary lib;
  return lib;
}

template <typename TFunc>
TFunc Entry(void* handle, const char* name) {
  return reinterpret_cast<TFunc>(dlsym(handle, name));
}

bool BindEntries(void* handle) {
  TEccoLibrary bound;
  bound.Handle = handle;
  bound.InitOpenVar = Entry<TInitOpenVar>(handle, "EccoInitOpenVar");
  bound.Index = Entry<TIndex>(handle, "EccoIndex");
  bound.Opening = Entry<TName>(handle, "EccoOpening");
  bound.Variation = Entry<TName>(handle, "EccoVariation");
  if (!bound.InitOpenVar || !bound.Index || !bound.Opening || !bound.Variation) return false;
  Library() = bound;
  return true;
}

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string CopyName(const char* name) { return name ? std::string(name) : std::string(); }

}  // namespace

std::string PrivateLibraryFolder(const std::string& exeFolder) {
  return WithSlash(WithSlash(exeFolder) + kLibDirFromBinDir);
}

void LoadEccoLibrary(const std::string& exeFolder) {
  UnloadEccoLibrary();
  if (exeFolder.empty()) return;
  // A copy beside the program (the build folder, a hand-made layout) wins over
  // the one installed with the package. Only these two files are tried: the
  // system's search for a bare name looks in some forty folders on every
  // start, and a library of that name found there would not be ours.
  for (const std::string& folder : {WithSlash(exeFolder), PrivateLibraryFolder(exeFolder)}) {
    void* handle = dlopen((folder + "libecco.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) continue;
    if (BindEntries(handle)) return;
    dlclose(handle);
  }
}

void UnloadEccoLibrary() {
  TEccoLibrary& lib = Library();
  if (lib.Handle) dlclose(lib.Handle);
  lib = TEccoLibrary{};
}

bool EccoLoaded() { return Library().Handle != nullptr; }

void EccoInitOpenVar(bool traditional) {
  if (EccoLoaded()) Library().InitOpenVar(traditional ? -1 : 0);
}

bool EccoClassify(const std::string& wxfMoves, std::string& code, std::string& opening,
                  std::string& variation) {
  code.clear();
  opening.clear();
  variation.clear();
  if (!EccoLoaded()) return false;
  const TEccoLibrary& lib = Library();

  // The library looks at no more than the first 20 moves.
  std::string moves = wxfMoves.substr(0, kMaxWxfChars);
  uint32_t index = lib.Index(moves.c_str());

  // The code is the first three bytes of the answer as they lie in memory.
  char bytes[sizeof index];
  std::memcpy(bytes, &index, sizeof index);
  code.assign(bytes, strnlen(bytes, 3));

  // The names live in the library's memory, possibly in one reused buffer:
  // each is copied as soon as it is returned.
  opening = CopyName(lib.Opening(index));
  variation = CopyName(lib.Variation(index));
  return true;
}
