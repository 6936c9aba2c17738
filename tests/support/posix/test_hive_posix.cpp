// TestHive on Linux: a fresh temporary directory as XDG_CONFIG_HOME, whose
// hkcu/Software/Quorvane is the key; the environment is restored afterwards.
#include "support/test_hive.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace hf::test {
namespace {

namespace fs = std::filesystem;

std::string Utf8(const std::u16string &name) {
  std::string out;
  for (char16_t unit : name) {
    if (unit < 0x80) {
      out.push_back(static_cast<char>(unit));
    } else if (unit < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
      out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
  }
  return out;
}

// XDG_CONFIG_HOME as it was before the first TestHive, restored by the last.
struct SavedEnvironment {
  bool saved = false;
  bool wasSet = false;
  std::string value;
};
SavedEnvironment gSaved;

fs::path KeyDirectory(const std::string &root) { return fs::path(root) / "hkcu" / "Software" / "Quorvane"; }

fs::path ValueFile(const std::string &root, const std::u16string &name) {
  return KeyDirectory(root) / (Utf8(name) + ".value");
}

}  // namespace

TestHive::TestHive() {
  const fs::path base = fs::temp_directory_path();
  std::string pattern = (base / "hotfolders-hive-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (::mkdtemp(buffer.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_.assign(buffer.data());
  if (!gSaved.saved) {
    const char *old = std::getenv("XDG_CONFIG_HOME");
    gSaved.saved = true;
    gSaved.wasSet = old != nullptr;
    if (old != nullptr) gSaved.value = old;
  }
  ::setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
}

TestHive::~TestHive() {
  if (gSaved.wasSet)
    ::setenv("XDG_CONFIG_HOME", gSaved.value.c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
  std::error_code ignored;
  // Directories a test made read-only must be writable again to be removed.
  for (auto it = fs::recursive_directory_iterator(root_, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(root_, ignored);
}

void TestHive::CreateKey() { fs::create_directories(KeyDirectory(root_)); }

void TestHive::RemoveKey() {
  std::error_code ignored;
  fs::remove_all(KeyDirectory(root_), ignored);
}

bool TestHive::KeyExists() const {
  std::error_code ignored;
  return fs::is_directory(KeyDirectory(root_), ignored);
}

void TestHive::WriteRaw(const std::u16string &name, std::uint32_t type,
                        const std::vector<std::uint8_t> &bytes) {
  std::ofstream out(ValueFile(root_, name), std::ios::binary | std::ios::trunc);
  const char header[4] = {static_cast<char>(type & 0xFF), static_cast<char>((type >> 8) & 0xFF),
                          static_cast<char>((type >> 16) & 0xFF), static_cast<char>(type >> 24)};
  out.write(header, 4);
  out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write a value file");
}

std::optional<RawValue> TestHive::ReadRaw(const std::u16string &name) const {
  std::ifstream in(ValueFile(root_, name), std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (all.size() < 4) throw std::runtime_error("damaged value file");
  RawValue value;
  value.type = static_cast<std::uint32_t>(all[0]) | static_cast<std::uint32_t>(all[1]) << 8 |
               static_cast<std::uint32_t>(all[2]) << 16 | static_cast<std::uint32_t>(all[3]) << 24;
  value.bytes.assign(all.begin() + 4, all.end());
  return value;
}

void TestHive::WriteText(const std::u16string &name, const std::u16string &text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  WriteRaw(name, 7, bytes);
}

std::optional<std::u16string> TestHive::ReadText(const std::u16string &name) const {
  const auto raw = ReadRaw(name);
  if (!raw) return std::nullopt;
  std::u16string text;
  for (std::size_t i = 0; i + 1 < raw->bytes.size(); i += 2)
    text.push_back(static_cast<char16_t>(raw->bytes[i] | (raw->bytes[i + 1] << 8)));
  return text;
}

std::string TestHive::Root() const { return (fs::path(root_) / "hkcu").string(); }

}  // namespace hf::test
