#pragma once

#include <stdio.h>

#include <string>

namespace zps {

// A writable std::FILE* whose bytes can be read back, for testing writers.
// Backed by open_memstream; closed on destruction.
class MemoryStream {
 public:
  MemoryStream();
  ~MemoryStream();
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;

  std::FILE* get() const { return file_; }

  // Returns every byte written so far (the stream is flushed first).
  std::string contents();

 private:
  char* buffer_ = nullptr;
  size_t size_ = 0;
  std::FILE* file_ = nullptr;
};

}  // namespace zps
