// Library loading on Windows: GetModuleFileNameA, LoadLibraryA, SearchPathA,
// GetProcAddress and FreeLibrary, with 8-bit paths, and the wide forms
// GetModuleFileNameW, LoadLibraryW and SearchPathW for paths 8-bit text cannot hold.
#include <windows.h>

#include <cstring>

#include "platform/modules.h"

namespace hf::platform {
namespace {

// wchar_t is the 16-bit UTF-16 unit on Windows, as char16_t is.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 code units are 16 bits");
wchar_t *AsWide(char16_t *text) { return reinterpret_cast<wchar_t *>(text); }
const wchar_t *AsWide(const char16_t *text) { return reinterpret_cast<const wchar_t *>(text); }

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

  std::uint32_t HostExecutablePathWide(char16_t *buffer, std::uint32_t size) override {
    const DWORD length = GetModuleFileNameW(nullptr, AsWide(buffer), size);
    // Terminated when cut short, as the 8-bit form is.
    if (size > 0 && length >= size) buffer[size - 1] = u'\0';
    return static_cast<std::uint32_t>(length);
  }

  ModuleHandle LoadWide(const char16_t *path) override {
    if (path == nullptr) return nullptr;
    return LoadLibraryW(AsWide(path));
  }

  std::uint32_t SearchWide(const char16_t *file, char16_t *buffer, std::uint32_t size) override {
    if (file == nullptr) return 0;
    // As SearchPathW: a result of size or more is the size a longer path needs.
    return static_cast<std::uint32_t>(SearchPathW(nullptr, AsWide(file), nullptr, size, AsWide(buffer), nullptr));
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
