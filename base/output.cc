#include "base/output.h"

namespace zps {
namespace {

constexpr size_t kBufferBytes = size_t{1} << 16;

// Standard output's buffer must outlive every use the C library makes of
// it, which lasts until the process ends.
char standard_output_buffer[kBufferBytes];

}  // namespace

void write_text(std::FILE* out, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), out);
}

OutputStream::OutputStream(std::FILE* file, bool owned)
    : file_(file), owned_(owned) {
  if (owned_) {
    buffer_ = std::make_unique<char[]>(kBufferBytes);
    std::setvbuf(file_, buffer_.get(), _IOFBF, kBufferBytes);
  } else {
    std::setvbuf(file_, standard_output_buffer, _IOFBF, kBufferBytes);
  }
}

OutputStream::~OutputStream() {
  if (owned_ && file_ != nullptr) {
    std::fclose(file_);
  }
}

std::unique_ptr<OutputStream> OutputStream::open_file(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    return nullptr;
  }
  return std::unique_ptr<OutputStream>(new OutputStream(file, true));
}

std::unique_ptr<OutputStream> OutputStream::standard_output() {
  return std::unique_ptr<OutputStream>(new OutputStream(stdout, false));
}

bool OutputStream::finish() {
  bool ok = std::fflush(file_) == 0 && std::ferror(file_) == 0;
  if (owned_) {
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
  }
  return ok;
}

}  // namespace zps
