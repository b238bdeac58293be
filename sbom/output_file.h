#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace zps {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// Opens `path` for writing (created, or truncated) with a large buffer.
// Returns nullptr when it cannot be opened.
UniqueFile open_output_file(const std::string& path);

// Flushes and closes `file`. Returns false when any write to it, the flush
// or the close failed.
[[nodiscard]] bool close_output_file(UniqueFile file);

// Writes `text` to `out`.
inline void put(std::FILE* out, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), out);
}

// Writes `value` to `out` as a JSON string: a double quote, json_escape of
// the value and a double quote.
void put_string(std::FILE* out, std::string_view value);

}  // namespace zps
