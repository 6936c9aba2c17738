// A named memory section shared by a batch source in the server and the
// batching cursor in the client: the server writes each batch there, so the
// records do not cross in the call, which Wine's local RPC moves at only
// some megabytes a second.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace morvex::remote {

class SharedSection {
 public:
  SharedSection() = default;
  ~SharedSection() { Close(); }
  SharedSection(const SharedSection &) = delete;
  SharedSection &operator=(const SharedSection &) = delete;

  // Creates a new section of bytes under a fresh name, mapped for writing.
  bool Create(std::uint32_t bytes) noexcept;
  // Opens the section of that name, of at least bytes, mapped for reading only.
  bool Open(const std::wstring &name, std::uint32_t bytes) noexcept;
  void Close() noexcept;

  bool IsOpen() const noexcept { return view_ != nullptr; }
  std::uint8_t *Data() const noexcept { return static_cast<std::uint8_t *>(view_); }
  std::uint32_t Size() const noexcept { return size_; }
  const std::wstring &Name() const noexcept { return name_; }

 private:
  HANDLE mapping_ = nullptr;
  void *view_ = nullptr;
  std::uint32_t size_ = 0;
  std::wstring name_;
};

}  // namespace morvex::remote
