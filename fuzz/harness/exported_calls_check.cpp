// Invariants of the exported calls against a scripted settings key: results
// are 0/1 or a count, nothing escapes, every key is closed, every value the
// library writes is a complete list text, and where the key answers steadily
// each result and each rewritten value is exactly what the stored text implies.
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "checks.h"
#include "fakes/scoped.h"
#include "fakes/settings.h"
#include "hotFolders.h"
#include "input_reader.h"
#include "platform/text_compare.h"
#include "script_reader.h"
#include "store/list_format.h"

namespace hf::fuzz {
namespace {

using fakes::DataMode;
using fakes::MemorySettings;
using fakes::ScopedSettings;
using fakes::TextBeforeNul;
using MemoryValue = fakes::SettingsValue;

const std::u16string kStored = u"hotFolders";
const std::u16string kExcluded = u"deletepath";
constexpr Status kSizeFailures[] = {kErrorAccessDenied, kErrorNotEnoughMemory, kErrorBadDb, 234};
constexpr std::size_t kMaxCalls = 24;
constexpr std::size_t kMaxSteps = 48;

// What a loader takes from a value as the store holds it now; unknown when
// the store answers the data query with a failure (the data is then undefined).
struct Expected {
  bool known = true;
  bool unreadable = false;  // the value exists but a query of it fails
  int result = 0;
  FolderList list;
};

Expected Expect(const MemorySettings &store, const std::u16string &name) {
  Expected out;
  if (!store.keyExists) return out;
  const auto found = store.values.find(name);
  if (found == store.values.end() || store.existingSizeStatus != 0) {
    out.unreadable = found != store.values.end();
    out.result = 1;
    return out;
  }
  const std::vector<std::uint8_t> &bytes = found->second.bytes;
  const std::size_t reported = bytes.size() + (store.dataMode == DataMode::kShrunk ? store.extra : 0);
  if (reported == 0) return out;
  if (store.dataMode == DataMode::kGrown && store.extra != 0) {
    out.known = false;
    out.unreadable = true;
    return out;
  }
  out.result = ParseListText(TextBeforeNul(bytes), out.list);
  return out;
}

// The old text an append operation builds on; unknown as for Expect.
std::optional<std::u16string> OldText(const MemorySettings &store, const std::u16string &name) {
  const auto found = store.values.find(name);
  if (found == store.values.end()) return std::u16string();
  if (store.dataMode == DataMode::kGrown && store.extra != 0) return std::nullopt;
  return TextBeforeNul(found->second.bytes);
}

std::vector<std::uint8_t> ListBytes(const std::vector<const FolderEntry *> &entries) {
  WideString text;
  for (const FolderEntry *entry : entries) AppendFormattedEntry(text, entry->path, entry->hits);
  return BytesOf(text);
}

// Folder equality as the library defines it: the platform's case-sensitive comparison.
bool SamePath(const std::u16string &a, const std::u16string &b) {
  return platform::CompareText(a.c_str(), b.c_str()) == 0;
}

MemoryValue ReadValue(InputReader &input) {
  MemoryValue value;
  value.type = input.Flag() ? platform::kRegMultiSz : input.U32();
  value.bytes = input.LongBytes();
  return value;
}

class Run {
 public:
  Run(InputReader &input, MemorySettings &store, bool writeRefused, const EngineScript &script,
      const ScriptedPlatform &platform)
      : input_(input), store_(store), writeRefused_(writeRefused), script_(script), platform_(platform) {}

  const char *Call() {
    const std::map<std::u16string, MemoryValue> before = store_.values;
    const std::size_t writes = store_.Writes().size();
    const char *broken = nullptr;
    switch (input_.Byte() % 4) {
      case 0: broken = PathCount(); break;
      case 1: broken = LogPath(); break;
      case 2: broken = Delete(before); break;
      default: broken = Update(before); break;
    }
    if (broken != nullptr) return broken;
    if (store_.OpenHandles() != 0) return "a settings key left open";
    if (store_.Misuse() != nullptr) return store_.Misuse();
    const std::vector<MemorySettings::Call> all = store_.Writes();
    for (std::size_t i = writes; i < all.size(); ++i) {
      const MemoryValue &value = all[i].value;
      if (all[i].name != kStored && all[i].name != kExcluded) return "a value other than the two lists written";
      if (value.type != platform::kRegMultiSz) return "a list written with a type other than REG_MULTI_SZ";
      if (value.bytes.size() % 2 != 0) return "a list written with an odd byte count";
      if (TextBeforeNul(value.bytes).size() * 2 != value.bytes.size()) return "a list written with a NUL in it";
    }
    return nullptr;
  }

 private:
  template <class Call>
  static bool Calm(Call call, std::int32_t &result) {
    try {
      result = call();
      return true;
    } catch (...) {
      return false;
    }
  }

  bool Unchanged(const std::map<std::u16string, MemoryValue> &before, const std::u16string &name) const {
    const auto was = before.find(name);
    const auto is = store_.values.find(name);
    if (was == before.end() || is == store_.values.end()) return (was == before.end()) == (is == store_.values.end());
    return was->second.type == is->second.type && was->second.bytes == is->second.bytes;
  }

  const char *PathCount() {
    Expected expected = Expect(store_, kStored);
    std::int32_t count = 0;
    if (!Calm([] { return GetPathCount(); }, count)) return "an exception left GetPathCount";
    if (count < 0) return "GetPathCount gave a negative count";
    if (expected.known && static_cast<std::size_t>(count) != expected.list.Count())
      return "GetPathCount differs from the entries of the stored text";
    return nullptr;
  }

  const char *LogPath() {
    Expected expected = Expect(store_, kStored);
    const std::uint8_t how = input_.Byte();
    const std::int32_t index = (how & 0x80) != 0 ? static_cast<std::int32_t>(input_.U32()) : (how & 7) - 1;
    const std::uint32_t capacity = input_.Below(80);
    const bool nullBuffer = (how & 0x78) == 0x78;
    constexpr NativeChar16 kCanary = static_cast<NativeChar16>(0xA5A5);
    constexpr std::int32_t kCountCanary = 0x5A5A5A5A;
    std::unique_ptr<NativeChar16[]> buffer(new NativeChar16[capacity]);
    std::fill(buffer.get(), buffer.get() + capacity, kCanary);
    std::int32_t count = kCountCanary;
    std::int32_t result = 0;
    NativeChar16 *target = nullBuffer ? nullptr : buffer.get();
    if (!Calm([&] { return GetLogPath(index, target, capacity, &count); }, result))
      return "an exception left GetLogPath";
    if (result != 0 && result != 1) return "GetLogPath gave neither 0 nor 1";
    if (result == 0) {
      if (count != kCountCanary) return "GetLogPath wrote the count and failed";
      for (std::uint32_t i = 0; i < capacity; ++i)
        if (buffer[i] != kCanary) return "GetLogPath wrote the buffer and failed";
    }
    if (!expected.known) {
      if (result == 1 && std::find(buffer.get(), buffer.get() + capacity, NativeChar16{0}) == buffer.get() + capacity)
        return "GetLogPath delivered a path without its terminator";
      return nullptr;
    }
    const bool fits = index >= 0 && static_cast<std::size_t>(index) < expected.list.Count() && !nullBuffer &&
                      capacity > 0 && expected.list.At(static_cast<std::size_t>(index)).path.size() < capacity;
    if (result != (fits ? 1 : 0)) return "GetLogPath result differs from what the stored list allows";
    if (result == 1) {
      const FolderEntry &entry = expected.list.At(static_cast<std::size_t>(index));
      const std::size_t length = entry.path.size();
      if (FromNative(NativeText(buffer.get(), length)) != entry.path || buffer[length] != 0)
        return "GetLogPath delivered another path";
      for (std::size_t i = length + 1; i < capacity; ++i)
        if (buffer[i] != kCanary) return "GetLogPath wrote past the terminator";
      if (count != entry.hits) return "GetLogPath delivered another count";
    }
    return nullptr;
  }

  const char *Delete(const std::map<std::u16string, MemoryValue> &before) {
    const Expected stored = Expect(store_, kStored);
    const Expected excluded = Expect(store_, kExcluded);
    const std::optional<std::u16string> oldExcluded = OldText(store_, kExcluded);
    const std::uint8_t how = input_.Byte();
    const bool null = how % 8 == 0;
    std::u16string path;
    if (how % 8 <= 4 && stored.list.Count() != 0) path = stored.list.At(input_.Byte() % stored.list.Count()).path;
    else path = ReadPath(input_);
    const NativeText argument = ToNative(path);
    path = path.substr(0, std::min(path.size(), path.find(u'\0')));  // the callee sees up to the first NUL

    std::int32_t result = 0;
    if (!Calm([&] { return DeletePath(null ? nullptr : argument.c_str()); }, result))
      return "an exception left DeletePath";
    if (null || !store_.keyExists || writeRefused_) {
      if (result != 0) return "DeletePath succeeded without a writable key or a path";
      if (!Unchanged(before, kStored) || !Unchanged(before, kExcluded)) return "DeletePath failed and still wrote";
      return nullptr;
    }
    if (result != 1) {
      // A stored list that exists but cannot be read may be left alone rather
      // than rewritten from nothing; that refusal is the only other answer.
      if (!stored.unreadable) return "DeletePath failed on a writable key";
      if (!Unchanged(before, kStored) || !Unchanged(before, kExcluded)) return "DeletePath failed and still wrote";
      return nullptr;
    }

    const auto now = store_.values.find(kStored);
    if (now == store_.values.end()) return "DeletePath left no hotFolders value";
    FolderList after;
    if (ParseListText(TextBeforeNul(now->second.bytes), after) != 1) return "DeletePath wrote an incomplete list";
    for (const FolderEntry &entry : after)
      if (SamePath(entry.path, path)) return "DeletePath kept the path it removed";
    if (!stored.known) return nullptr;

    std::vector<const FolderEntry *> kept, removed;
    for (const FolderEntry &entry : stored.list) (SamePath(entry.path, path) ? removed : kept).push_back(&entry);
    if (now->second.bytes != ListBytes(kept)) return "DeletePath rewrote hotFolders with other entries";

    bool wasExcluded = false;
    for (const FolderEntry &entry : excluded.list) wasExcluded = wasExcluded || SamePath(entry.path, path);
    const bool prepends = !removed.empty() && excluded.known && !wasExcluded &&
                          !(before.count(kExcluded) != 0 && store_.existingSizeStatus != 0);
    if (!excluded.known || !oldExcluded.has_value()) return nullptr;
    if (!prepends) return Unchanged(before, kExcluded) ? nullptr : "DeletePath changed deletepath needlessly";
    std::reverse(removed.begin(), removed.end());  // each match goes in front of the last one
    std::vector<std::uint8_t> expectedBytes = ListBytes(removed);
    const std::vector<std::uint8_t> old = BytesOf(*oldExcluded);
    expectedBytes.insert(expectedBytes.end(), old.begin(), old.end());
    const auto nowExcluded = store_.values.find(kExcluded);
    if (nowExcluded == store_.values.end() || nowExcluded->second.bytes != expectedBytes)
      return "DeletePath put other text in front of deletepath";
    return nullptr;
  }

  const char *Update(const std::map<std::u16string, MemoryValue> &before) {
    const Expected excluded = Expect(store_, kExcluded);
    const std::size_t writes = store_.Writes().size();
    std::int32_t result = 0;
    if (!Calm([] { return UpdatePath(); }, result)) return "an exception left UpdatePath";
    if (const char *left = platform_.Leftover()) return left;
    if (result != 0 && result != 1) return "UpdatePath gave neither 0 nor 1";
    // Exclusions that exist but cannot be read may stop the rebuild (0, nothing
    // written) rather than let removed folders back in.
    // A new list that the store refuses to take is not reported as stored.
    const bool refusedWrite = result == 0 && excluded.result == 1 && writeRefused_;
    if (!excluded.unreadable && result != excluded.result && !refusedWrite)
      return "UpdatePath result differs from the load of deletepath";
    if (result == 0 || store_.Writes().size() == writes) {
      if (store_.Writes().size() != writes) return "UpdatePath failed and still wrote";
      return nullptr;
    }
    if (!Unchanged(before, kExcluded)) return "UpdatePath wrote deletepath";
    // A folder holding "," or "|" does not come back from the list text as it
    // went in (the format has no escaping); judge only what can round-trip.
    if (Unchanged(before, kStored) || !PlainFolders()) return nullptr;
    FolderList ranked;
    if (ParseListText(TextBeforeNul(store_.values[kStored].bytes), ranked) != 1) return "UpdatePath wrote an incomplete list";
    if (ranked.Count() > 3) return "UpdatePath stored more than three folders";
    for (std::size_t i = 0; i < ranked.Count(); ++i) {
      const FolderEntry &entry = ranked.At(i);
      if (entry.hits <= 0) return "UpdatePath stored a folder without hits";
      if (i > 0 && static_cast<std::uint32_t>(entry.hits) > static_cast<std::uint32_t>(ranked.At(i - 1).hits))
        return "UpdatePath stored the folders out of rank";
      if (excluded.known)
        for (const FolderEntry &gone : excluded.list)
          if (SamePath(gone.path, entry.path)) return "UpdatePath ranked an excluded folder";
      if (!IsRecordFolder(entry.path)) return "UpdatePath ranked a folder no record holds";
    }
    return nullptr;
  }

  // The object path each scripted record hands out, as the library reads it.
  static std::u16string RecordPath(const ScriptedStep &step) {
    if (step.pathIsNull || !step.gettersWrite) return std::u16string();
    return FromNative(NativeText(step.path.c_str()));
  }

  bool IsRecordFolder(const std::u16string &folder) const {
    for (const auto *log : {&script_.firstLog, &script_.secondLog})
      for (const ScriptedStep &step : *log)
        if (FolderOfPath(RecordPath(step)) == folder) return true;
    return false;
  }

  bool PlainFolders() const {
    for (const auto *log : {&script_.firstLog, &script_.secondLog})
      for (const ScriptedStep &step : *log)
        if (std::u16string(FolderOfPath(RecordPath(step))).find_first_of(u",|") != std::u16string::npos) return false;
    return true;
  }

  InputReader &input_;
  MemorySettings &store_;
  bool writeRefused_;
  const EngineScript &script_;
  const ScriptedPlatform &platform_;
};

}  // namespace

const char *CheckExportedCalls(const std::uint8_t *data, std::size_t size) {
  InputReader input(data, size);
  MemorySettings store;
  const std::uint8_t key = input.Byte();
  store.keyExists = key % 16 != 0;
  const bool writeRefused = key % 16 == 1;
  if (writeRefused) store.openStatus = {{platform::kKeyWrite, kErrorAccessDenied}, {platform::kKeyAllAccess, kErrorAccessDenied}};
  if (key % 16 == 2) store.existingSizeStatus = kSizeFailures[(key >> 4) % 4];
  if (key % 16 == 3) store.dataMode = DataMode::kShrunk;
  if (key % 16 == 4) store.dataMode = DataMode::kGrown;
  if (store.dataMode != DataMode::kSteady) store.extra = input.Byte();
  const std::uint8_t present = input.Byte();
  if ((present & 1) == 0) store.values[kStored] = ReadValue(input);
  if ((present & 2) == 0) store.values[kExcluded] = ReadValue(input);

  const Timestamp today = ReadToday(input);
  const EngineScript script = ReadScript(input, today, kMaxSteps);
  ScriptedPlatform platform(script, today, true, 1700000000);
  ScopedSettings installed(store);

  Run run(input, store, writeRefused, script, platform);
  const char *broken = nullptr;
  for (std::size_t call = 0; call < kMaxCalls && !input.Empty() && broken == nullptr; ++call) broken = run.Call();
  return broken;
}

}  // namespace hf::fuzz
