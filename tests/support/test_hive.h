// A private settings root for one test, reached without the library: on Linux
// a temporary XDG_CONFIG_HOME, on Windows the real HKCU\Software\Quorvane,
// removed before and after.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hf::test {

struct RawValue {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> bytes;
};

class TestHive {
 public:
  TestHive();   // the key does not exist yet
  ~TestHive();  // removes the key and everything in it
  TestHive(const TestHive &) = delete;
  TestHive &operator=(const TestHive &) = delete;

  void CreateKey();
  void RemoveKey();
  bool KeyExists() const;

  // Raw access to a value of the key; nullopt when the value is missing.
  void WriteRaw(const std::u16string &name, std::uint32_t type, const std::vector<std::uint8_t> &bytes);
  std::optional<RawValue> ReadRaw(const std::u16string &name) const;

  // A REG_MULTI_SZ value holding exactly the code units of text (2 bytes each, no NUL).
  void WriteText(const std::u16string &name, const std::u16string &text);
  // The value's data as UTF-16 code units (an odd last byte dropped); nullopt when missing.
  std::optional<std::u16string> ReadText(const std::u16string &name) const;

  // Where the hive lives on this platform (a directory on Linux, empty on Windows).
  std::string Root() const;

 private:
  std::string root_;
};

}  // namespace hf::test
