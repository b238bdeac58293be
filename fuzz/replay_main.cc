// Runs a fuzz target's LLVMFuzzerTestOneInput on every file named on the
// command line, or found directly in a directory named there, so that the
// corpus is replayed as a regression test where libFuzzer is not linked.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::string> inputs_of(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    return {};
  }
  if (!S_ISDIR(st.st_mode)) {
    return {path};
  }
  std::vector<std::string> files;
  if (DIR* d = opendir(path.c_str())) {
    while (const dirent* e = readdir(d)) {
      std::string name = e->d_name;
      if (name != "." && name != "..") {
        files.push_back(path + "/" + name);
      }
    }
    closedir(d);
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  size_t count = 0;
  for (int i = 1; i < argc; ++i) {
    std::vector<std::string> files = inputs_of(argv[i]);
    if (files.empty()) {
      std::fprintf(stderr, "no inputs in %s\n", argv[i]);
      return 1;
    }
    for (const std::string& file : files) {
      std::ifstream in(file, std::ios::binary);
      std::string data((std::istreambuf_iterator<char>(in)),
                       std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(data.data()),
                             data.size());
      ++count;
    }
  }
  std::printf("replayed %zu inputs\n", count);
  return 0;
}
