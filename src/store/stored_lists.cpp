// Loading and writing "hotFolders" and "deletepath".
#include "store/stored_lists.h"

#include "platform/settings_store.h"
#include "store/list_format.h"
#include "store/settings_key.h"
#include "store/value_text.h"

namespace hf {
namespace {

constexpr char16_t kRankedValue[] = u"hotFolders";
constexpr char16_t kExcludedValue[] = u"deletepath";

LoadedList Load(const char16_t *name) {
  LoadedList loaded;
  SettingsKey key(platform::kKeyRead);
  if (!key) {
    loaded.outcome = LoadOutcome::kNoKey;
    return loaded;
  }
  const ValueText value = ReadValueText(key, name);
  key.Close();
  switch (value.state) {
    case ValueState::kMissing:
      loaded.outcome = LoadOutcome::kParsed;  // an empty text parses completely
      break;
    case ValueState::kQueryFailed:
      loaded.outcome = LoadOutcome::kQueryFailed;
      break;
    case ValueState::kZeroBytes:
      loaded.outcome = LoadOutcome::kZeroBytes;
      break;
    case ValueState::kNoMemory:
      loaded.outcome = LoadOutcome::kNoMemory;
      break;
    case ValueState::kReadFailed:
      loaded.outcome = LoadOutcome::kReadFailed;
      break;
    case ValueState::kTooLarge:
      loaded.outcome = LoadOutcome::kTooLarge;
      break;
    case ValueState::kText:
      loaded.outcome = ParseListText(value.text, loaded.entries) ? LoadOutcome::kParsed
                                                                 : LoadOutcome::kMalformed;
      break;
  }
  return loaded;
}

WriteOutcome Written(bool stored) noexcept {
  return stored ? WriteOutcome::kWritten : WriteOutcome::kRefused;
}

}  // namespace

bool LoadedList::Readable() const noexcept {
  switch (outcome) {
    case LoadOutcome::kParsed:
    case LoadOutcome::kMalformed:
    case LoadOutcome::kZeroBytes:
      return true;
    case LoadOutcome::kQueryFailed:
    case LoadOutcome::kNoKey:
    case LoadOutcome::kNoMemory:
    case LoadOutcome::kReadFailed:
    case LoadOutcome::kTooLarge:
      return false;
  }
  return false;
}

LoadedList LoadRanked() { return Load(kRankedValue); }
LoadedList LoadExcluded() { return Load(kExcludedValue); }

WriteOutcome ReplaceRanked(const FolderList &entries) {
  // The whole text is made before the key is opened.
  WideString text;
  for (const FolderEntry &entry : entries) AppendFormattedEntry(text, entry.path, entry.hits);
  const SettingsKey key(platform::kKeyWrite);
  if (!key) return WriteOutcome::kNoKey;
  return Written(WriteValueText(key, kRankedValue, text));
}

WriteOutcome PrependExcluded(const FolderEntry &entry) {
  WideString text = FormatEntry(entry.path, entry.hits);
  const SettingsKey key(platform::kKeyAllAccess);
  if (!key) return WriteOutcome::kNoKey;
  const ValueText value = ReadValueText(key, kExcludedValue);
  switch (value.state) {
    case ValueState::kMissing:
    case ValueState::kZeroBytes:
      break;
    case ValueState::kText:
      text.append(value.text);
      break;
    case ValueState::kQueryFailed:
    case ValueState::kNoMemory:
    case ValueState::kReadFailed:
    case ValueState::kTooLarge:
      return WriteOutcome::kUnreadable;
  }
  return Written(WriteValueText(key, kExcludedValue, text));
}

}  // namespace hf
