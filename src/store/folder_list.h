// FolderEntry and FolderList: the in-memory folder lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/types.h"

namespace hf {

struct FolderEntry {
  WideString path;  // never normalised; may be empty
  std::int32_t hits = 0;
};

// An ordered list of owned entries: appends go at the end, removal moves the
// later entries down by one, nothing is sorted, merged or limited.
// Growing beyond memory throws std::bad_alloc; a position outside
// 0..Count()-1 throws ComError(E_INVALIDARG).
class FolderList {
 public:
  std::size_t Count() const noexcept { return entries_.size(); }
  bool Empty() const noexcept { return entries_.empty(); }
  FolderEntry &At(std::size_t position);
  const FolderEntry &At(std::size_t position) const;
  void Append(FolderEntry entry);
  // Makes room for count entries in all, so that appends up to it cannot fail.
  void Reserve(std::size_t count) { entries_.reserve(count); }
  void RemoveAt(std::size_t position);
  void Clear() noexcept;

  auto begin() const noexcept { return entries_.begin(); }
  auto end() const noexcept { return entries_.end(); }

 private:
  std::vector<FolderEntry> entries_;
};

// A failure raised with a COM-style status (E_INVALIDARG, E_OUTOFMEMORY).
class ComError {
 public:
  explicit ComError(HRESULT status) noexcept : status_(status) {}
  HRESULT status() const noexcept { return status_; }

 private:
  HRESULT status_;
};

}  // namespace hf
