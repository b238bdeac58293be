#include "packages/repository_scan.h"

#include <gtest/gtest.h>

namespace zps {
namespace {

TEST(PackageName, ExtensionAndLabelComeFromTheLastDot) {
  struct Case {
    std::string_view name;
    bool is_package;
    std::string_view label;
  };
  const Case cases[] = {
      {"x.pkg", true, "x"},          {"r/x.tar.pkg", true, "x.tar"},
      {".a.pkg", true, ".a"},        {"x.PKG", false, "x"},
      {"x.pkg.sig", false, "x.pkg"}, {"x.pkgs", false, "x"},
      {".pkg", false, ""},           {"..", false, "."},
      {"dir.d/pkg", false, "pkg"},   {"x.", false, "x"}};
  for (const Case& c : cases) {
    EXPECT_EQ(has_package_extension(c.name.substr(c.name.rfind('/') + 1)),
              c.is_package)
        << c.name;
    EXPECT_EQ(package_label(c.name), c.label) << c.name;
  }
}

}  // namespace
}  // namespace zps
