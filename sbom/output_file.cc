#include "sbom/output_file.h"

#include "sbom/json_text.h"

namespace zps {

void put_string(std::FILE* out, std::string_view value) {
  put(out, "\"");
  put(out, json_escape(value));
  put(out, "\"");
}

UniqueFile open_output_file(const std::string& path) {
  UniqueFile file(std::fopen(path.c_str(), "wb"));
  if (file != nullptr) {
    std::setvbuf(file.get(), nullptr, _IOFBF, 1 << 16);
  }
  return file;
}

bool close_output_file(UniqueFile file) {
  bool ok = std::fflush(file.get()) == 0 && std::ferror(file.get()) == 0;
  return std::fclose(file.release()) == 0 && ok;
}

}  // namespace zps
