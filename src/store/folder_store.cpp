// The six process-wide lists and the loaders and writers of "hotFolders" and
// "deletepath". Every operation opens the key anew and closes it on return.
#include "store/folder_store.h"

#include "platform/settings_store.h"
#include "platform/text_compare.h"
#include "store/list_format.h"
#include "store/settings_key.h"
#include "store/value_text.h"

namespace hf {

FolderList StoredList;
FolderList ExcludedList;
FolderList FirstLogTally;
FolderList SecondLogTally;
FolderList FirstLogTop;
FolderList SecondLogTop;

namespace {

constexpr char16_t kStoredValue[] = u"hotFolders";
constexpr char16_t kExcludedValue[] = u"deletepath";

LoadOutcome LoadList(FolderList &list, const char16_t *name) {
  list.Clear();
  SettingsKey key(platform::kKeyRead);
  if (!key) return LoadOutcome::kNoKey;
  const ValueText value = ReadValueText(key, name);
  key.Close();
  switch (value.state) {
    case ValueState::kMissing:
      return LoadOutcome::kParsed;  // an empty text parses completely
    case ValueState::kQueryFailed:
      return LoadOutcome::kQueryFailed;  // read as an empty text, which parses
    case ValueState::kZeroBytes:
      return LoadOutcome::kZeroBytes;
    case ValueState::kNoMemory:
      return LoadOutcome::kNoMemory;
    case ValueState::kReadFailed:
      return LoadOutcome::kReadFailed;
    case ValueState::kText:
      break;
  }
  return ParseListText(value.text, list) == 1 ? LoadOutcome::kParsed : LoadOutcome::kMalformed;
}

int ResultOf(LoadOutcome outcome) noexcept {
  return outcome == LoadOutcome::kParsed || outcome == LoadOutcome::kQueryFailed ? 1 : 0;
}

enum class Side { kEnd, kFront };

// Puts text at one side of the value. A missing value is created only when
// createMissing is set; otherwise the call fails and writes nothing.
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
      updated.reserve(value.text.size() + text.size());
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
      return 0;
  }
  return WriteValueText(key, name, updated) ? 1 : 0;
}

}  // namespace

void ClearAllLists() noexcept {
  StoredList.Clear();
  ExcludedList.Clear();
  FirstLogTally.Clear();
  SecondLogTally.Clear();
  FirstLogTop.Clear();
  SecondLogTop.Clear();
}

LoadOutcome LoadStoredListOutcome() { return LoadList(StoredList, kStoredValue); }
LoadOutcome LoadExcludedListOutcome() { return LoadList(ExcludedList, kExcludedValue); }
int LoadStoredList() { return ResultOf(LoadStoredListOutcome()); }
int LoadExcludedList() { return ResultOf(LoadExcludedListOutcome()); }

int AppendStoredText(std::u16string_view text) {
  return AppendText(kStoredValue, text, Side::kEnd, false);
}

int AppendExcludedText(std::u16string_view text) {
  return AppendText(kExcludedValue, text, Side::kFront, true);
}

ResetOutcome ResetStoredValueOutcome() {
  SettingsKey key(platform::kKeyWrite);
  if (!key) return ResetOutcome::kNoKey;
  return WriteValueText(key, kStoredValue, std::u16string_view()) ? ResetOutcome::kEmptied
                                                                  : ResetOutcome::kWriteFailed;
}

int ResetStoredValue() { return ResetStoredValueOutcome() == ResetOutcome::kNoKey ? 0 : 1; }

int IsExcluded(const char16_t *path) {
  if (path == nullptr) return 0;
  for (const FolderEntry &entry : ExcludedList)
    if (platform::CompareText(entry.path.c_str(), path) == 0) return 1;
  return 0;
}

}  // namespace hf
