// The platform's own settings store against the real per-user hive: missing
// key and value statuses, and values stored with exactly the bytes given.
#include <gtest/gtest.h>

#include <vector>

#include "platform/settings_store.h"
#include "support/test_hive.h"

namespace hf::platform {
namespace {

std::vector<std::uint8_t> Bytes(const std::u16string &text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  // Opens the key with the access, failing the test when that is refused.
  KeyHandle Open(std::uint32_t access) {
    KeyHandle key = nullptr;
    EXPECT_EQ(store_.OpenKey(access, &key), kErrorSuccess);
    EXPECT_NE(key, nullptr);
    return key;
  }

  test::TestHive hive_;
  SettingsStore &store_ = SystemSettings();
};

TEST_F(SettingsStoreTest, MissingKeyIsNotFoundAndLeavesHandleAlone) {
  for (std::uint32_t access : {kKeyRead, kKeyWrite, kKeyAllAccess}) {
    SCOPED_TRACE(access);
    int marker = 0;
    KeyHandle key = &marker;
    EXPECT_EQ(store_.OpenKey(access, &key), kErrorFileNotFound);
    EXPECT_EQ(key, &marker);
  }
  EXPECT_FALSE(hive_.KeyExists());  // opening never creates the key
}

TEST_F(SettingsStoreTest, ExistingKeyOpensWithEveryAccess) {
  hive_.CreateKey();
  for (std::uint32_t access : {kKeyRead, kKeyWrite, kKeyAllAccess}) {
    SCOPED_TRACE(access);
    KeyHandle key = Open(access);
    if (key != nullptr) store_.CloseKey(key);
  }
}

TEST_F(SettingsStoreTest, MissingValueIsNotFound) {
  hive_.CreateKey();
  KeyHandle key = Open(kKeyRead);
  std::uint32_t bytes = 77;
  EXPECT_EQ(store_.QuerySize(key, u"hotFolders", &bytes), kErrorFileNotFound);
  store_.CloseKey(key);
}

TEST_F(SettingsStoreTest, SetValueStoresExactlyTheBytesGiven) {
  struct Case {
    const char *name;
    std::vector<std::uint8_t> data;  // what is passed; the bytes after it are
    std::uint32_t bytes;             // in the buffer but not given
  };
  const std::vector<Case> cases = {
      {"empty value", {}, 0},
      {"one entry", Bytes(u"C:\\Data,3|"), 20},
      // The unit right after the given bytes is NUL: still no terminator stored.
      {"NUL after the data", Bytes(std::u16string(u"C:\\A,1|\0\0", 9)), 14},
      {"non-ASCII path", Bytes(u"C:\\Stra\u00dfe\\\u6587,12|"), 30},
      {"odd byte count", Bytes(std::u16string(u"ab\0", 3)), 3},
  };
  hive_.CreateKey();
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    KeyHandle key = Open(kKeyAllAccess);
    store_.SetValue(key, u"hotFolders", kRegMultiSz, c.data.empty() ? nullptr : c.data.data(), c.bytes);
    store_.CloseKey(key);

    const std::vector<std::uint8_t> expected(c.data.begin(), c.data.begin() + c.bytes);
    const auto raw = hive_.ReadRaw(u"hotFolders");
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->type, kRegMultiSz);
    EXPECT_EQ(raw->bytes, expected);

    key = Open(kKeyRead);
    std::uint32_t size = 0;
    EXPECT_EQ(store_.QuerySize(key, u"hotFolders", &size), kErrorSuccess);
    EXPECT_EQ(size, c.bytes);
    std::vector<std::uint8_t> read(size + 4, 0xEE);
    std::uint32_t delivered = size;
    store_.QueryData(key, u"hotFolders", read.data(), &delivered);
    EXPECT_EQ(delivered, c.bytes);
    EXPECT_EQ(std::vector<std::uint8_t>(read.begin(), read.begin() + delivered), expected);
    store_.CloseKey(key);
  }
}

TEST_F(SettingsStoreTest, ShorterValueReplacesLongerOne) {
  hive_.CreateKey();
  hive_.WriteText(u"deletepath", u"C:\\A long folder,10|C:\\B,2|");
  const std::vector<std::uint8_t> shorter = Bytes(u"C:\\B,2|");
  KeyHandle key = Open(kKeyAllAccess);
  store_.SetValue(key, u"deletepath", kRegMultiSz, shorter.data(),
                  static_cast<std::uint32_t>(shorter.size()));
  store_.CloseKey(key);
  EXPECT_EQ(hive_.ReadText(u"deletepath"), std::u16string(u"C:\\B,2|"));
}

}  // namespace
}  // namespace hf::platform
