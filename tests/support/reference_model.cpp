// The reference model: linear scans and one registry operation per step.
#include "support/reference_model.h"

#include <limits>

#include "harvest/recent_window.h"
#include "harvest/tally.h"
#include "platform/settings_store.h"
#include "platform/text_compare.h"
#include "store/settings_key.h"
#include "store/value_text.h"

namespace hf::model {
namespace {

constexpr char16_t kStoredValue[] = u"hotFolders";
constexpr char16_t kExcludedValue[] = u"deletepath";

enum class Side { kEnd, kFront };

int AppendText(const char16_t *name, std::u16string_view text, Side side, bool createMissing) {
  if (text.empty()) return 1;
  SettingsKey key(platform::kKeyAllAccess);
  if (!key) return 0;
  const ValueText value = ReadValueText(key, name);
  WideString updated;
  switch (value.state) {
    case ValueState::kMissing:
      if (!createMissing) return 0;
      updated.assign(text);
      break;
    case ValueState::kZeroBytes:
      updated.assign(text);
      break;
    case ValueState::kText:
      if (side == Side::kFront) {
        updated.assign(text);
        updated.append(value.text);
      } else {
        updated.assign(value.text);
        updated.append(text);
      }
      break;
    case ValueState::kQueryFailed:
    case ValueState::kNoMemory:
    case ValueState::kReadFailed:
    case ValueState::kTooLarge:
      return 0;
  }
  return WriteValueText(key, name, updated) ? 1 : 0;
}

}  // namespace

bool IsRecent(const Timestamp &timestamp) {
  RecentWindow window;
  window.Follow(0);
  return window.Contains(timestamp);
}

int IsExcluded(const FolderList &excluded, const char16_t *path) {
  if (path == nullptr) return 0;
  for (const FolderEntry &entry : excluded)
    if (platform::CompareText(entry.path.c_str(), path) == 0) return 1;
  return 0;
}

void TallyFolder(FolderList &tally, const FolderList &excluded, const LogRecord &record) {
  const WideString folder(FolderOf(record.objectPath));
  if (folder.find(u'|') != WideString::npos || IsExcluded(excluded, folder.c_str()) != 0) return;
  for (std::size_t i = 0; i < tally.Count(); ++i) {
    FolderEntry &entry = tally.At(i);
    if (EqualsFoldingAscii(entry.path, folder)) {
      if (entry.hits < std::numeric_limits<std::int32_t>::max()) ++entry.hits;
      return;
    }
  }
  tally.Append(FolderEntry{folder, 1});
}

int ResetStoredValue() {
  SettingsKey key(platform::kKeyWrite);
  if (!key) return 0;
  static_cast<void>(WriteValueText(key, kStoredValue, std::u16string_view()));
  return 1;
}

int AppendStoredText(std::u16string_view text) {
  return AppendText(kStoredValue, text, Side::kEnd, false);
}

int AppendExcludedText(std::u16string_view text) {
  return AppendText(kExcludedValue, text, Side::kFront, true);
}

}  // namespace hf::model
