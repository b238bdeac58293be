#pragma once

#include <string>
#include <string_view>

namespace zps {

// A fresh directory under the system's temporary directory for one test.
// Removed with its contents on destruction when the running test passed;
// kept, and its path printed, when it failed, so the inputs can be examined.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Returns the directory's absolute path, without a final "/".
  const std::string& root() const { return root_; }

  // Returns root() joined with `relative`, after creating every directory
  // that the result's parent needs.
  std::string path(std::string_view relative) const;

 private:
  std::string root_;
};

// Writes `content` to `path`, replacing any file there. Returns false on any
// failure.
[[nodiscard]] bool write_file(const std::string& path,
                              std::string_view content);

// Returns the whole content of `path`, or an empty string when it cannot be
// read.
std::string read_file(const std::string& path);

}  // namespace zps
