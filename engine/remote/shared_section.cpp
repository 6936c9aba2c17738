#include "shared_section.h"

#include <objbase.h>

namespace morvex::remote {

bool SharedSection::Create(std::uint32_t bytes) noexcept {
  Close();
  GUID id;
  wchar_t text[40] = {};
  if (bytes == 0 || FAILED(::CoCreateGuid(&id)) || ::StringFromGUID2(id, text, 40) == 0) return false;
  try {
    name_ = std::wstring(L"Local\\MorvexBatch") + text;
  } catch (...) {
    return false;
  }
  mapping_ = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, bytes, name_.c_str());
  // A name already taken is someone else's section.
  if (mapping_ != nullptr && ::GetLastError() == ERROR_ALREADY_EXISTS) {
    Close();
    return false;
  }
  if (mapping_ != nullptr) view_ = ::MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, bytes);
  if (view_ == nullptr) {
    Close();
    return false;
  }
  size_ = bytes;
  return true;
}

bool SharedSection::Open(const std::wstring &name, std::uint32_t bytes) noexcept {
  Close();
  if (name.empty() || bytes == 0) return false;
  mapping_ = ::OpenFileMappingW(FILE_MAP_READ, FALSE, name.c_str());
  // Mapping fails when the section is smaller than the header announced.
  if (mapping_ != nullptr) view_ = ::MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, bytes);
  if (view_ == nullptr) {
    Close();
    return false;
  }
  size_ = bytes;
  try {
    name_ = name;
  } catch (...) {
    Close();
    return false;
  }
  return true;
}

void SharedSection::Close() noexcept {
  if (view_ != nullptr) ::UnmapViewOfFile(view_);
  if (mapping_ != nullptr) ::CloseHandle(mapping_);
  view_ = nullptr;
  mapping_ = nullptr;
  size_ = 0;
  name_.clear();
}

}  // namespace morvex::remote
