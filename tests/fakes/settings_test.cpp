// The in-memory settings store: each scripted fault answers exactly the call
// it names, the record and the handle checks see every call, and a store
// assigned afresh works like a new one.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "fakes/settings.h"

namespace hf::fakes {
namespace {

constexpr char16_t kName[] = u"hotFolders";
constexpr Status kErrorMoreData = 234;

class MemorySettingsTest : public ::testing::Test {
 protected:
  platform::KeyHandle Open(std::uint32_t access = platform::kKeyAllAccess) {
    platform::KeyHandle key = nullptr;
    EXPECT_EQ(store.OpenKey(access, &key), kErrorSuccess);
    return key;
  }

  // A reader's two queries: the size, then the data into a buffer of that size.
  struct Read {
    Status sizeStatus;
    std::uint32_t size;
    Status dataStatus;
    std::uint32_t delivered;
  };
  Read ReadValue() {
    platform::KeyHandle key = Open(platform::kKeyRead);
    Read read{0, 0, -1, 0};
    read.sizeStatus = store.QuerySize(key, kName, &read.size);
    if (read.sizeStatus == kErrorSuccess) {
      std::vector<std::uint8_t> buffer(read.size + 1u);
      read.delivered = read.size;
      read.dataStatus = store.QueryData(key, kName, buffer.data(), &read.delivered);
    }
    store.CloseKey(key);
    return read;
  }

  MemorySettings store;
};

TEST_F(MemorySettingsTest, ScriptedQueriesAnswerInsteadOfTheTruth) {
  struct Case {
    const char *name;
    bool present;  // a value of 6 bytes
    std::function<void(MemorySettings &)> script;
    Read expected;
  };
  const Case cases[] = {
      {"as stored", true, [](MemorySettings &) {}, {kErrorSuccess, 6, kErrorSuccess, 6}},
      {"missing", false, [](MemorySettings &) {}, {kErrorFileNotFound, 0, -1, 0}},
      {"size status of a present value", true,
       [](MemorySettings &s) { s.sizeStatus[kName] = kErrorFileNotFound; }, {kErrorFileNotFound, 0, -1, 0}},
      {"size status of a missing value", false,
       [](MemorySettings &s) { s.sizeStatus[kName] = kErrorBadDb; }, {kErrorBadDb, 0, -1, 0}},
      {"status of every present value", true,
       [](MemorySettings &s) { s.existingSizeStatus = kErrorBadDb; }, {kErrorBadDb, 0, -1, 0}},
      {"status of every present value, none present", false,
       [](MemorySettings &s) { s.existingSizeStatus = kErrorBadDb; }, {kErrorFileNotFound, 0, -1, 0}},
      {"size says 4", true, [](MemorySettings &s) { s.sizeOverride[kName] = 4; }, {kErrorSuccess, 4, kErrorSuccess, 4}},
      {"data status", true, [](MemorySettings &s) { s.dataStatus[kName] = kErrorBadDb; }, {kErrorSuccess, 6, kErrorBadDb, 6}},
      {"shrunk by 4", true,
       [](MemorySettings &s) {
         s.dataMode = DataMode::kShrunk;
         s.extra = 4;
       },
       {kErrorSuccess, 10, kErrorSuccess, 6}},
      {"grown by 4", true,
       [](MemorySettings &s) {
         s.dataMode = DataMode::kGrown;
         s.extra = 4;
       },
       {kErrorSuccess, 6, kErrorMoreData, 10}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    store = MemorySettings();
    if (c.present) store.SetText(kName, u"abc");
    c.script(store);
    const Read read = ReadValue();
    EXPECT_EQ(read.sizeStatus, c.expected.sizeStatus);
    EXPECT_EQ(read.size, c.expected.size);
    EXPECT_EQ(read.dataStatus, c.expected.dataStatus);
    EXPECT_EQ(read.delivered, c.expected.delivered);
    EXPECT_EQ(store.OpenHandles(), 0);
    EXPECT_EQ(store.Misuse(), nullptr) << store.Misuse();
  }
}

TEST_F(MemorySettingsTest, TheKeyAndItsAccessMasks) {
  store.openStatus[platform::kKeyWrite] = kErrorAccessDenied;
  platform::KeyHandle key = nullptr;
  EXPECT_EQ(store.OpenKey(platform::kKeyWrite, &key), kErrorAccessDenied);
  EXPECT_EQ(key, nullptr);
  key = Open(platform::kKeyRead);
  EXPECT_EQ(store.OpenHandles(), 1);
  store.CloseKey(key);

  store.keyExists = false;
  EXPECT_EQ(store.OpenKey(platform::kKeyRead, &key), kErrorFileNotFound);
  EXPECT_EQ(store.OpenHandles(), 0);
  const auto opens = store.CallsOf(MemorySettings::Op::kOpen);
  ASSERT_EQ(opens.size(), 3u);
  EXPECT_EQ(opens[0].access, platform::kKeyWrite);
  EXPECT_EQ(opens[0].result, kErrorAccessDenied);
  EXPECT_EQ(opens[2].result, kErrorFileNotFound);
}

TEST_F(MemorySettingsTest, TheNthWriteIsRefusedAndStoresNothing) {
  store.setValueStatus = {{2, 112}};
  platform::KeyHandle key = Open();
  const std::uint8_t data[] = {'a', 0};
  EXPECT_EQ(store.SetValue(key, u"one", platform::kRegMultiSz, data, 2), kErrorSuccess);
  EXPECT_EQ(store.SetValue(key, u"two", platform::kRegMultiSz, data, 2), 112);
  EXPECT_EQ(store.SetValue(key, u"three", 3, data, 1), kErrorSuccess);
  store.CloseKey(key);

  EXPECT_EQ(store.values.count(u"two"), 0u);
  EXPECT_EQ(store.values[u"three"].type, 3u);
  EXPECT_EQ(store.values[u"three"].bytes, std::vector<std::uint8_t>{'a'});
  EXPECT_EQ(store.CallsOf(MemorySettings::Op::kSetValue).size(), 3u);
  const auto writes = store.Writes();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[1].name, u"three");
  EXPECT_EQ(writes[1].value.bytes, std::vector<std::uint8_t>{'a'});
  // The count starts again with the record.
  store.calls.clear();
  key = Open();
  EXPECT_EQ(store.SetValue(key, u"two", platform::kRegMultiSz, data, 2), kErrorSuccess);
  EXPECT_EQ(store.SetValue(key, u"two", platform::kRegMultiSz, data, 2), 112);
  store.CloseKey(key);
}

TEST_F(MemorySettingsTest, MisuseIsNoted) {
  struct Case {
    const char *name;
    std::function<void(MemorySettings &, platform::KeyHandle)> misuse;
    int openHandles;
  };
  const std::uint8_t data[] = {1, 2};
  const Case cases[] = {
      {"a query after the close",
       [](MemorySettings &s, platform::KeyHandle key) {
         s.CloseKey(key);
         std::uint32_t bytes = 0;
         EXPECT_EQ(s.QuerySize(key, kName, &bytes), kE_INVALIDARG);
       },
       0},
      {"a second close",
       [](MemorySettings &s, platform::KeyHandle key) {
         s.CloseKey(key);
         s.CloseKey(key);
       },
       -1},
      {"a write through a read handle",
       [&data](MemorySettings &s, platform::KeyHandle) {
         platform::KeyHandle read = nullptr;
         ASSERT_EQ(s.OpenKey(platform::kKeyRead, &read), kErrorSuccess);
         EXPECT_EQ(s.SetValue(read, kName, platform::kRegMultiSz, data, 2), kErrorSuccess);
         s.CloseKey(read);
       },
       1},
      {"a data query without a buffer",
       [](MemorySettings &s, platform::KeyHandle key) {
         std::uint32_t bytes = 2;
         EXPECT_EQ(s.QueryData(key, kName, nullptr, &bytes), kE_INVALIDARG);
       },
       1},
      {"a write without data",
       [](MemorySettings &s, platform::KeyHandle key) {
         EXPECT_EQ(s.SetValue(key, kName, platform::kRegMultiSz, nullptr, 2), kE_INVALIDARG);
       },
       1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    store = MemorySettings();
    store.SetText(kName, u"x");
    platform::KeyHandle key = Open();
    c.misuse(store, key);
    EXPECT_NE(store.Misuse(), nullptr);
    EXPECT_EQ(store.OpenHandles(), c.openHandles);
  }
}

TEST_F(MemorySettingsTest, ThrowsFromTheSizeQuery) {
  store.SetText(kName, u"x");
  platform::KeyHandle key = Open();
  std::uint32_t bytes = 0;
  store.throwOnQuery = MemorySettings::Throw::kBadAlloc;
  EXPECT_THROW(store.QuerySize(key, kName, &bytes), std::bad_alloc);
  store.throwOnQuery = MemorySettings::Throw::kComError;
  EXPECT_ANY_THROW(store.QuerySize(key, kName, &bytes));
  store.throwOnQuery = MemorySettings::Throw::kNone;
  EXPECT_EQ(store.QuerySize(key, kName, &bytes), kErrorSuccess);
  store.CloseKey(key);
  EXPECT_EQ(store.CallsOf(MemorySettings::Op::kQuerySize).size(), 3u);
}

TEST_F(MemorySettingsTest, AStoreAssignedAfreshWorksOnItsOwnValues) {
  store.SetText(kName, u"old");
  store.dataStatus[kName] = kErrorBadDb;
  platform::KeyHandle key = Open();
  store.CloseKey(key);

  store = MemorySettings();
  EXPECT_TRUE(store.calls.empty());
  EXPECT_FALSE(store.Text(kName).has_value());
  store.SetText(kName, u"new");
  const Read read = ReadValue();
  EXPECT_EQ(read.dataStatus, kErrorSuccess);
  EXPECT_EQ(read.delivered, 6u);
  key = Open();
  const std::uint8_t data[] = {'z', 0};
  EXPECT_EQ(store.SetValue(key, kName, platform::kRegMultiSz, data, 2), kErrorSuccess);
  store.CloseKey(key);
  EXPECT_EQ(store.Text(kName), u"z");
}

TEST_F(MemorySettingsTest, TextsAndTheirBytes) {
  store.SetText(kName, u"a\u00e9\u20ac");
  EXPECT_EQ(store.values[kName].bytes, (std::vector<std::uint8_t>{'a', 0, 0xE9, 0, 0xAC, 0x20}));
  EXPECT_EQ(store.values[kName].type, platform::kRegMultiSz);
  store.values[kName].bytes = {'a', 0, 0, 0, 'b', 0, 'c'};
  EXPECT_EQ(store.Text(kName), std::u16string(u"a\0b", 3));
  EXPECT_EQ(TextBeforeNul(store.values[kName].bytes), u"a");
}

TEST_F(MemorySettingsTest, CallersOnSeveralThreadsAreSerialised) {
  constexpr int kRounds = 500;
  auto writer = [this](const char16_t *name) {
    for (int i = 0; i < kRounds; ++i) {
      platform::KeyHandle key = nullptr;
      if (store.OpenKey(platform::kKeyAllAccess, &key) != kErrorSuccess) continue;
      const auto byte = static_cast<std::uint8_t>(i);
      (void)store.SetValue(key, name, platform::kRegMultiSz, &byte, 1);
      store.CloseKey(key);
    }
  };
  std::thread first(writer, u"first");
  std::thread second(writer, u"second");
  first.join();
  second.join();
  EXPECT_EQ(store.OpenHandles(), 0);
  EXPECT_EQ(store.Misuse(), nullptr) << store.Misuse();
  EXPECT_EQ(store.Writes().size(), 2u * kRounds);
  EXPECT_EQ(store.calls.size(), 6u * kRounds);
}

}  // namespace
}  // namespace hf::fakes
