#include "base/platform.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace zps {
namespace {

TEST(OpenDescriptorCount, FollowsOpenAndClose) {
  const int before = open_descriptor_count();
  EXPECT_GE(before, 3);  // the standard streams
  const int a = open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(a, 0);
  // A descriptor far above the others is counted too.
  const int b = fcntl(a, F_DUPFD_CLOEXEC, 900);
  ASSERT_GE(b, 900);
  EXPECT_EQ(open_descriptor_count(), before + 2);
  close(a);
  close(b);
  EXPECT_EQ(open_descriptor_count(), before);
}

}  // namespace
}  // namespace zps
