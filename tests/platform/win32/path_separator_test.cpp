#include <gtest/gtest.h>

#include "platform/modules.h"

namespace hf::platform {
namespace {

TEST(PathSeparatorTest, IsBackslashOnWindows) { EXPECT_EQ(PathSeparator(), '\\'); }

}  // namespace
}  // namespace hf::platform
