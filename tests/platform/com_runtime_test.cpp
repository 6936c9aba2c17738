// The COM run-time: apartments nest per thread, and no server is registered
// for an unknown class.
#include <gtest/gtest.h>

#include <thread>

#include "platform/com_runtime.h"

namespace hf::platform {
namespace {

constexpr Guid kUnknownClass{0x6f1d2c3bu, 0x4a5e, 0x4f60, {0x9b, 0x7c, 0x8d, 0x9e, 0xa0, 0xb1, 0xc2, 0xd3}};
constexpr Guid kUnknownInterface{0x0a1b2c3du, 0x4e5f, 0x6071, {0x82, 0x93, 0xa4, 0xb5, 0xc6, 0xd7, 0xe8, 0xf9}};

TEST(ComRuntimeTest, ApartmentNestsOnAFreshThread) {
  HRESULT first = kE_FAIL;
  HRESULT second = kE_FAIL;
  std::thread worker([&] {
    first = SystemCom().Initialize();
    second = SystemCom().Initialize();
    SystemCom().Uninitialize();
    SystemCom().Uninitialize();
  });
  worker.join();
  EXPECT_EQ(first, kS_OK);
  EXPECT_EQ(second, kS_FALSE);
}

TEST(ComRuntimeTest, UnregisteredServerIsClassNotRegistered) {
  HRESULT result = kS_OK;
  void *out = &result;
  std::thread worker([&] {
    SystemCom().Initialize();
    result = SystemCom().CreateInstance(kUnknownClass, kClsctxLocalServer, kUnknownInterface, &out);
    SystemCom().Uninitialize();
  });
  worker.join();
  EXPECT_EQ(result, kREGDB_E_CLASSNOTREG);
  EXPECT_EQ(out, nullptr);
}

}  // namespace
}  // namespace hf::platform
