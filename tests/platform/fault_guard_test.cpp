// The fault guard turns faults and C++ exceptions inside an engine entry into
// a failure and passes a normal return through.
#include <gtest/gtest.h>

#include <thread>

#include "probe_library.h"

namespace hf::platform {
namespace {

constexpr Guid kClsid{0x11111111u, 0x1111, 0x1111, {1, 1, 1, 1, 1, 1, 1, 1}};
constexpr Guid kIid{0x22222222u, 0x2222, 0x2222, {0, 0, 0, 0, 0, 0, 0, 0x77}};

class FaultGuardTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(probe_.handle(), nullptr) << HF_FAULT_PROBE; }

  test::ProbeLibrary probe_;
};

TEST_F(FaultGuardTest, OutcomeOfEachEntry) {
  struct Case {
    const char *entry;
    bool returned;
    HRESULT result;
  };
  const Case cases[] = {
      {"ProbeReturn", true, kS_OK},
      {"ProbeFail", true, kCLASS_E_CLASSNOTAVAILABLE},
      {"DllGetClassObject", false, 0},  // null dereference
      {"ProbeDivideByZero", false, 0},
      {"ProbeThrow", false, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.entry);
    const GetClassObjectFn fn = probe_.Entry(c.entry);
    ASSERT_NE(fn, nullptr);
    void *out = nullptr;
    HRESULT result = 0x5A5A;
    EXPECT_EQ(CallGuarded(fn, kClsid, kIid, &out, &result), c.returned);
    EXPECT_EQ(result, c.returned ? c.result : 0x5A5A);
  }
}

TEST_F(FaultGuardTest, NormalReturnDeliversTheObject) {
  void *out = nullptr;
  HRESULT result = kE_FAIL;
  ASSERT_TRUE(CallGuarded(probe_.Entry("ProbeReturn"), kClsid, kIid, &out, &result));
  EXPECT_EQ(result, kS_OK);
  EXPECT_NE(out, nullptr);
}

TEST_F(FaultGuardTest, GuardKeepsWorkingAfterFaults) {
  const GetClassObjectFn faulty = probe_.Entry("DllGetClassObject");
  const GetClassObjectFn fine = probe_.Entry("ProbeReturn");
  for (int round = 0; round < 3; ++round) {
    void *out = nullptr;
    HRESULT result = 0;
    EXPECT_FALSE(CallGuarded(faulty, kClsid, kIid, &out, &result));
    EXPECT_TRUE(CallGuarded(fine, kClsid, kIid, &out, &result));
    EXPECT_EQ(result, kS_OK);
  }
}

TEST_F(FaultGuardTest, FaultOnTwoThreadsAtOnce) {
  const GetClassObjectFn faulty = probe_.Entry("DllGetClassObject");
  bool guarded[2] = {true, true};
  auto call = [&](int i) {
    void *out = nullptr;
    HRESULT result = 0;
    guarded[i] = CallGuarded(faulty, kClsid, kIid, &out, &result);
  };
  std::thread first(call, 0);
  std::thread second(call, 1);
  first.join();
  second.join();
  EXPECT_FALSE(guarded[0]);
  EXPECT_FALSE(guarded[1]);
}

TEST_F(FaultGuardTest, NullEntryIsAFailure) {
  void *out = nullptr;
  HRESULT result = 0;
  EXPECT_FALSE(CallGuarded(nullptr, kClsid, kIid, &out, &result));
}

}  // namespace
}  // namespace hf::platform
