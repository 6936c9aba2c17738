// FolderList: a thin owner of its entries over std::vector.
#include "store/folder_list.h"

#include <iterator>
#include <utility>

namespace hf {

FolderEntry &FolderList::At(std::size_t position) {
  if (position >= entries_.size()) throw ComError(kE_INVALIDARG);
  return entries_[position];
}

const FolderEntry &FolderList::At(std::size_t position) const {
  if (position >= entries_.size()) throw ComError(kE_INVALIDARG);
  return entries_[position];
}

void FolderList::Append(FolderEntry entry) { entries_.push_back(std::move(entry)); }

void FolderList::RemoveAt(std::size_t position) {
  if (position >= entries_.size()) throw ComError(kE_INVALIDARG);
  entries_.erase(std::next(entries_.begin(), static_cast<std::ptrdiff_t>(position)));
}

void FolderList::Clear() noexcept {
  // Swapping with an empty vector releases the storage as well as the entries.
  std::vector<FolderEntry>().swap(entries_);
}

}  // namespace hf
