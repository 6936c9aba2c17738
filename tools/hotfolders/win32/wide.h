// Conversions between the tool's UTF-16 text and Windows wide strings.
#pragma once

#include <windows.h>

#include <string>

#include "utf.h"

namespace hf::cli {

// The same code units as a wide string.
inline std::wstring ToWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

// The same code units as the tool's UTF-16 text.
inline std::u16string FromWide(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

// A system error code as UTF-8 text, e.g. "Access is denied. (5)".
inline std::string SystemErrorText(DWORD code) {
  wchar_t *message = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t *>(&message), 0, nullptr);
  std::wstring text = length != 0 && message != nullptr ? std::wstring(message, length) : L"system error";
  if (message != nullptr) ::LocalFree(message);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
  return Utf16ToUtf8(FromWide(text)) + " (" + std::to_string(code) + ")";
}

}  // namespace hf::cli
