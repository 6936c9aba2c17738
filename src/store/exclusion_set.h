// The excluded folders as a set: a folder is excluded when it equals one of
// their paths under the platform's case-sensitive comparison. Plain paths are
// found by hashing instead of a scan of the whole list.
#pragma once

#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/types.h"
#include "store/folder_list.h"

namespace hf {

// True when every code unit of text is printable ASCII (0x20..0x7E). Two such
// texts compare equal under platform::CompareText only when identical, so a
// hash lookup decides them; other texts (control characters, non-ASCII, an
// embedded NUL) may compare equal to a different text and are scanned.
[[nodiscard]] bool IsPlainText(std::u16string_view text) noexcept;

class ExclusionSet {
 public:
  ExclusionSet() = default;
  // Copies the paths of excluded; later changes to the list are not seen.
  explicit ExclusionSet(const FolderList &excluded);

  // True when folder equals an excluded path (platform::CompareText gives 0).
  [[nodiscard]] bool Contains(const WideString &folder) const;

 private:
  [[nodiscard]] bool MatchesAnyOther(const WideString &folder) const;

  std::unordered_set<WideString> plain_;  // printable-ASCII paths
  std::vector<WideString> others_;        // every other path, compared one by one
};

}  // namespace hf
