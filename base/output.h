#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace zps {

// Writes the bytes of `text` to `out`. A failure stays on the stream's error
// flag for whoever finishes the stream.
void write_text(std::FILE* out, std::string_view text);

// A stream that output goes to through a 64 KiB buffer of its own: a file
// it opened, or standard output. (The C library ignores a buffer size
// given without the buffer, so the buffer is ours.)
class OutputStream {
 public:
  // Opens `path` for writing, created or truncated. Returns nullptr when it
  // cannot be opened; nothing is written then.
  static std::unique_ptr<OutputStream> open_file(const std::string& path);

  // Standard output. Requires: nothing has been written to it yet.
  static std::unique_ptr<OutputStream> standard_output();

  // Closes a file that was not finished, without reporting.
  ~OutputStream();
  OutputStream(const OutputStream&) = delete;
  OutputStream& operator=(const OutputStream&) = delete;

  std::FILE* get() const { return file_; }

  // Flushes the stream and closes a file (standard output stays open).
  // Returns false when any write, the flush or the close failed. Nothing
  // may be written after it.
  [[nodiscard]] bool finish();

 private:
  OutputStream(std::FILE* file, bool owned);

  std::unique_ptr<char[]> buffer_;  // outlives the file's use of it
  std::FILE* file_;
  bool owned_;
};

}  // namespace zps
