// TestHive on Windows: the real HKEY_CURRENT_USER\Software\Quorvane, deleted
// with everything in it before and after each test. Values are written and
// read with the raw registry calls, byte for byte.
#include <windows.h>

#include <cstring>
#include <stdexcept>

#include "support/test_hive.h"

namespace hf::test {
namespace {

constexpr const wchar_t *kKey = L"Software\\Quorvane";

const wchar_t *Native(const std::u16string &text) {
  return reinterpret_cast<const wchar_t *>(text.c_str());
}

// Owns an open key for the length of one call.
class OpenedKey {
 public:
  OpenedKey(REGSAM access, bool mustExist) {
    const LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, access, &key_);
    if (status != ERROR_SUCCESS) {
      key_ = nullptr;
      if (mustExist) throw std::runtime_error("cannot open HKCU\\Software\\Quorvane");
    }
  }
  ~OpenedKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  OpenedKey(const OpenedKey &) = delete;
  OpenedKey &operator=(const OpenedKey &) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

void DeleteKeyTree() {
  const LSTATUS status = RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
    // RegDeleteTreeW empties a key; the key itself goes with RegDeleteKeyW.
    RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
    return;
  }
  throw std::runtime_error("cannot delete HKCU\\Software\\Quorvane");
}

}  // namespace

TestHive::TestHive() { DeleteKeyTree(); }

TestHive::~TestHive() {
  try {
    DeleteKeyTree();
  } catch (...) {
    // A destructor cannot report; the next TestHive deletes the key again.
  }
}

void TestHive::CreateKey() {
  HKEY key = nullptr;
  const LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) throw std::runtime_error("cannot create HKCU\\Software\\Quorvane");
  RegCloseKey(key);
}

void TestHive::RemoveKey() { DeleteKeyTree(); }

bool TestHive::KeyExists() const { return OpenedKey(KEY_READ, false).get() != nullptr; }

void TestHive::WriteRaw(const std::u16string &name, std::uint32_t type,
                        const std::vector<std::uint8_t> &bytes) {
  OpenedKey key(KEY_ALL_ACCESS, true);
  // For string types the system counts one more NUL unit when the unit after
  // the data is NUL; a copy followed by non-NUL bytes keeps the count exact.
  std::vector<std::uint8_t> padded(bytes.size() / 2 * 2 + 2, 0xFF);
  if (!bytes.empty()) std::memcpy(padded.data(), bytes.data(), bytes.size());
  const LSTATUS status = RegSetValueExW(key.get(), Native(name), 0, type,
                                        bytes.empty() ? nullptr : padded.data(),
                                        static_cast<DWORD>(bytes.size()));
  if (status != ERROR_SUCCESS) throw std::runtime_error("cannot write a registry value");
}

std::optional<RawValue> TestHive::ReadRaw(const std::u16string &name) const {
  OpenedKey key(KEY_READ, false);
  if (key.get() == nullptr) return std::nullopt;
  DWORD type = 0;
  DWORD size = 0;
  LSTATUS status = RegQueryValueExW(key.get(), Native(name), nullptr, &type, nullptr, &size);
  if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
  if (status != ERROR_SUCCESS) throw std::runtime_error("cannot query a registry value");
  RawValue value;
  value.type = type;
  value.bytes.resize(size);
  if (size > 0) {
    status = RegQueryValueExW(key.get(), Native(name), nullptr, &type, value.bytes.data(), &size);
    if (status != ERROR_SUCCESS) throw std::runtime_error("cannot read a registry value");
    value.bytes.resize(size);
  }
  return value;
}

void TestHive::WriteText(const std::u16string &name, const std::u16string &text) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  WriteRaw(name, REG_MULTI_SZ, bytes);
}

std::optional<std::u16string> TestHive::ReadText(const std::u16string &name) const {
  const auto raw = ReadRaw(name);
  if (!raw) return std::nullopt;
  std::u16string text;
  for (std::size_t i = 0; i + 1 < raw->bytes.size(); i += 2)
    text.push_back(static_cast<char16_t>(raw->bytes[i] | (raw->bytes[i + 1] << 8)));
  return text;
}

std::string TestHive::Root() const { return {}; }

}  // namespace hf::test
