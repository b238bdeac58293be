#include "testutil/memory_stream.h"

#include <stdlib.h>

namespace zps {

MemoryStream::MemoryStream() : file_(open_memstream(&buffer_, &size_)) {}

MemoryStream::~MemoryStream() {
  if (file_ != nullptr) {
    std::fclose(file_);
  }
  free(buffer_);
}

std::string MemoryStream::contents() {
  if (file_ == nullptr) {
    return {};
  }
  std::fflush(file_);
  return std::string(buffer_, size_);
}

}  // namespace zps
