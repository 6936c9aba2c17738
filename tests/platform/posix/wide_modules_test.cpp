// Linux keeps the wide forms of library loading at "not available": the
// executable's path from /proc/self/exe is exact as bytes, so the connector
// always takes the 8-bit calls.
#include <gtest/gtest.h>

#include "platform/modules.h"

namespace hf::platform {
namespace {

TEST(WideModulesTest, WideFormsAreNotAvailable) {
  char16_t buffer[260] = {u'x'};
  EXPECT_EQ(SystemModules().HostExecutablePathWide(buffer, 260), 0u);
  EXPECT_EQ(buffer[0], u'x');
  EXPECT_EQ(SystemModules().LoadWide(u"/lib/x86_64-linux-gnu/libc.so.6"), nullptr);
  EXPECT_EQ(SystemModules().SearchWide(u"libc.so.6", buffer, 260), 0u);
}

}  // namespace
}  // namespace hf::platform
