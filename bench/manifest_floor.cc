// The floor of the checksum benchmark: opens each package named on the
// command line with libarchive (every format and filter, 10 KiB reads) and
// reads its +MANIFEST member, with no parsing and no output: what any
// reader of the manifests must do at least. Prints the number of manifest
// bytes read.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <archive.h>
#include <archive_entry.h>

namespace {

struct ArchiveReadDeleter {
  void operator()(archive* a) const { archive_read_free(a); }
};

}  // namespace

int main(int argc, char** argv) {
  unsigned long long total = 0;
  static char chunk[16384];
  for (int i = 1; i < argc; ++i) {
    std::unique_ptr<archive, ArchiveReadDeleter> a(archive_read_new());
    archive_read_support_filter_all(a.get());
    archive_read_support_format_all(a.get());
    if (archive_read_open_filename(a.get(), argv[i], 10240) != ARCHIVE_OK) {
      continue;
    }
    archive_entry* entry = nullptr;
    while (archive_read_next_header(a.get(), &entry) == ARCHIVE_OK) {
      if (std::strcmp(archive_entry_pathname(entry), "+MANIFEST") == 0) {
        la_ssize_t n;
        while ((n = archive_read_data(a.get(), chunk, sizeof chunk)) > 0) {
          total += static_cast<unsigned long long>(n);
        }
        break;
      }
      archive_read_data_skip(a.get());
    }
  }
  std::printf("%llu\n", total);
  return 0;
}
