// Win32 file reading, environment and module location for the engine.
#include <windows.h>

#include <string>
#include <vector>

#include "platform.h"

namespace morvex {
namespace {

class Win32InputFile final : public InputFile {
 public:
  explicit Win32InputFile(HANDLE file) noexcept : file_(file) {}
  ~Win32InputFile() override { ::CloseHandle(file_); }
  Win32InputFile(const Win32InputFile &) = delete;
  Win32InputFile &operator=(const Win32InputFile &) = delete;

  std::int64_t Read(char *buffer, std::size_t size) noexcept override {
    const DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD got = 0;
    if (!::ReadFile(file_, buffer, want, &got, nullptr)) return -1;
    return static_cast<std::int64_t>(got);
  }

 private:
  HANDLE file_;
};

std::wstring Widen(const std::string &text) {
  if (text.empty()) return {};
  const int units = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (units <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
  return wide;
}

std::string Narrow(const std::wstring &text) {
  if (text.empty()) return {};
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                          nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string narrow(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), bytes, nullptr,
                        nullptr);
  return narrow;
}

// Any address inside this library identifies it to the loader.
const char kModuleAnchor = 0;

HMODULE ThisModule(DWORD extraFlags) {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | extraFlags,
                            reinterpret_cast<LPCWSTR>(&kModuleAnchor), &module))
    return nullptr;
  return module;
}

// The full path of this library, or empty.
std::wstring ModulePath() {
  HMODULE module = ThisModule(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT);
  if (module == nullptr) return {};
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = ::GetModuleFileNameW(module, buffer.data(), size);
    if (length == 0) return {};
    if (length < size) return std::wstring(buffer.data(), length);
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

std::unique_ptr<InputFile> OpenInputFile(const std::string &path) {
  const std::wstring wide = Widen(path);
  if (wide.empty()) return nullptr;
  HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32InputFile>(file);
}

std::string HistoryDirectory() {
  const DWORD needed = ::GetEnvironmentVariableW(L"MORVEX_HISTORY_DIR", nullptr, 0);
  if (needed > 1) {
    std::wstring dir(needed, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(L"MORVEX_HISTORY_DIR", dir.data(), needed);
    if (length > 0 && length < needed) {
      dir.resize(length);
      if (!IsSeparator(dir.back())) dir += L'\\';
      return Narrow(dir);
    }
  }
  std::wstring path = ModulePath();
  // <prefix>\Kernel\Morvex.dll -> <prefix>\History\ .
  std::size_t cut = path.find_last_of(L"\\/");
  if (cut == std::wstring::npos) return {};
  path.erase(cut);
  cut = path.find_last_of(L"\\/");
  if (cut == std::wstring::npos) return {};
  path.erase(cut + 1);
  return Narrow(path + L"History\\");
}

void PinModule() noexcept { static_cast<void>(ThisModule(GET_MODULE_HANDLE_EX_FLAG_PIN)); }

}  // namespace morvex
