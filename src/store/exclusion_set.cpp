// ExclusionSet: hash lookups for plain paths, a scan for the others.
#include "store/exclusion_set.h"

#include "platform/text_compare.h"

namespace hf {

bool IsPlainText(std::u16string_view text) noexcept {
  for (char16_t unit : text)
    if (unit < 0x20 || unit > 0x7E) return false;
  return true;
}

ExclusionSet::ExclusionSet(const FolderList &excluded) {
  for (const FolderEntry &entry : excluded) {
    if (IsPlainText(entry.path))
      plain_.insert(entry.path);
    else
      others_.push_back(entry.path);
  }
}

bool ExclusionSet::MatchesAnyOther(const WideString &folder) const {
  for (const WideString &path : others_)
    if (platform::CompareText(path.c_str(), folder.c_str()) == 0) return true;
  return false;
}

bool ExclusionSet::Contains(const WideString &folder) const {
  if (IsPlainText(folder)) return plain_.count(folder) != 0 || MatchesAnyOther(folder);
  // A folder with other code units may equal a differently spelled path:
  // compare it with every path, as the list scan would.
  for (const WideString &path : plain_)
    if (platform::CompareText(path.c_str(), folder.c_str()) == 0) return true;
  return MatchesAnyOther(folder);
}

}  // namespace hf
