#include "testutil/temp_dir.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

namespace zps {

TempDir::TempDir() {
  std::error_code ec;
  std::string pattern =
      (std::filesystem::temp_directory_path(ec) / "zps-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "cannot create a temporary directory from " << pattern;
  }
  root_ = pattern;
}

TempDir::~TempDir() {
  const testing::TestInfo* info =
      testing::UnitTest::GetInstance()->current_test_info();
  if (info != nullptr && info->result()->Failed()) {
    std::fprintf(stderr, "kept test directory %s\n", root_.c_str());
    return;
  }
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

std::string TempDir::path(std::string_view relative) const {
  std::string full = root_;
  if (!relative.empty()) {
    full += '/';
    full += relative;
  }
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(full).parent_path(),
                                      ec);
  return full;
}

bool write_file(const std::string& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  out.close();
  return static_cast<bool>(out);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
}

}  // namespace zps
