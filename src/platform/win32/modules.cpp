// Library loading on Windows: GetModuleFileNameA, LoadLibraryA, SearchPathA,
// GetProcAddress and FreeLibrary, with 8-bit paths.
#include <windows.h>

#include <cstring>

#include "platform/modules.h"

namespace hf::platform {
namespace {

class WindowsModules final : public Modules {
 public:
  std::uint32_t HostExecutablePath(char *buffer, std::uint32_t size) override {
    const DWORD length = GetModuleFileNameA(nullptr, buffer, size);
    // A path cut short at the buffer's end is left unterminated by some
    // systems (Windows XP, Wine); end it as current Windows does.
    if (size > 0 && length >= size) buffer[size - 1] = '\0';
    return static_cast<std::uint32_t>(length);
  }

  ModuleHandle Load(const char *path) override {
    if (path == nullptr) return nullptr;
    return LoadLibraryA(path);
  }

  std::uint32_t Search(const char *file, char *buffer, std::uint32_t size) override {
    if (file == nullptr) return 0;
    // As SearchPathA: a result of size or more is the size a longer path needs.
    return static_cast<std::uint32_t>(SearchPathA(nullptr, file, nullptr, size, buffer, nullptr));
  }

  void *Symbol(ModuleHandle module, const char *name) override {
    if (module == nullptr || name == nullptr) return nullptr;
    const FARPROC entry = GetProcAddress(static_cast<HMODULE>(module), name);
    void *result = nullptr;
    static_assert(sizeof entry == sizeof result, "entry points fit in a data pointer");
    std::memcpy(&result, &entry, sizeof result);
    return result;
  }

  void Free(ModuleHandle module) override {
    if (module != nullptr) FreeLibrary(static_cast<HMODULE>(module));
  }
};

}  // namespace

Modules &SystemModules() {
  static WindowsModules modules;
  return modules;
}

char PathSeparator() noexcept { return '\\'; }

}  // namespace hf::platform
