// Standard output and error on Windows: UTF-16 to a console window, the UTF-8
// bytes as they stand to a pipe or file.
#include <windows.h>

#include "platform.h"
#include "win32/wide.h"

namespace hf::cli {

namespace {

void WriteAll(DWORD which, std::string_view text) noexcept {
  const HANDLE handle = ::GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) return;
  DWORD mode = 0;
  if (::GetConsoleMode(handle, &mode)) {
    // The console shows UTF-16 whatever its code page.
    try {
      const auto decoded = Utf8ToUtf16(text);
      const std::wstring wide = ToWide(decoded ? *decoded : u"(text not shown: not UTF-8)\n");
      DWORD written = 0;
      ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } catch (...) {
    }
    return;
  }
  while (!text.empty()) {
    DWORD written = 0;
    const DWORD chunk = text.size() > 0x10000000u ? 0x10000000u : static_cast<DWORD>(text.size());
    if (!::WriteFile(handle, text.data(), chunk, &written, nullptr) || written == 0) return;
    text.remove_prefix(written);
  }
}

}  // namespace

void WriteStdout(std::string_view text) noexcept { WriteAll(STD_OUTPUT_HANDLE, text); }
void WriteStderr(std::string_view text) noexcept { WriteAll(STD_ERROR_HANDLE, text); }

}  // namespace hf::cli
