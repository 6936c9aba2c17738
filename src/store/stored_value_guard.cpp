// The copy of "hotFolders" and its restoration. The copy holds the value's
// bytes exactly; the type is not reported by the store and is written back as
// REG_MULTI_SZ, the type every writer of the value uses.
#include "store/stored_value_guard.h"

#include "platform/settings_store.h"
#include "store/settings_key.h"

namespace hf {
namespace {

constexpr char16_t kStoredValue[] = u"hotFolders";

}  // namespace

StoredValueGuard::StoredValueGuard() {
  const SettingsKey key(platform::kKeyRead);
  if (!key) return;
  platform::SettingsStore &store = key.store();
  std::uint32_t size = 0;
  const Status sized = store.QuerySize(key.get(), kStoredValue, &size);
  if (sized == kErrorFileNotFound) {
    copy_ = Copy::kMissing;
    return;
  }
  if (sized != kErrorSuccess) return;
  bytes_.resize(size);
  std::uint32_t delivered = size;
  if (size > 0 && store.QueryData(key.get(), kStoredValue, bytes_.data(), &delivered) != kErrorSuccess) return;
  if (delivered < size) bytes_.resize(delivered);
  copy_ = Copy::kData;
}

StoredValueGuard::~StoredValueGuard() {
  if (!keep_) static_cast<void>(Restore());
}

bool StoredValueGuard::Restore() noexcept {
  if (copy_ == Copy::kUnreadable) return false;
  try {
    const SettingsKey key(platform::kKeyWrite);
    if (!key) return false;
    const auto bytes = static_cast<std::uint32_t>(bytes_.size());
    return key.store().SetValue(key.get(), kStoredValue, platform::kRegMultiSz,
                                bytes == 0 ? nullptr : bytes_.data(), bytes) == kErrorSuccess;
  } catch (...) {
    // A store that throws cannot be helped; the value stays as the store left it.
    return false;
  }
}

}  // namespace hf
