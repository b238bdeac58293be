#include "packages/manifest_reader.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include <archive.h>
#include <archive_entry.h>

#include "packages/paths.h"

namespace zps {
namespace {

struct ArchiveReadDeleter {
  void operator()(archive* a) const { archive_read_free(a); }  // closes too
};
using ArchiveReader = std::unique_ptr<archive, ArchiveReadDeleter>;

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() {
    if (fd_ >= 0) {
      close(fd_);
    }
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// The tar block size, as a package is opened by name; for a regular file
// libarchive then reads 64 KiB at a time, which opening a descriptor
// must ask for itself.
constexpr size_t kBlockSize = 10240;
constexpr size_t kFileReadSize = 64 * 1024;
constexpr std::string_view kManifestName = "+MANIFEST";

void write_text(std::FILE* out, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), out);
}

ArchiveReader new_reader() {
  ArchiveReader a(archive_read_new());
  if (a != nullptr) {
    archive_read_support_filter_all(a.get());
    archive_read_support_format_all(a.get());
  }
  return a;
}

std::string error_text(archive* a) {
  const char* text = archive_error_string(a);
  if (text != nullptr) {
    return text;
  }
  return archive_errno(a) != 0 ? strerror(archive_errno(a)) : "unknown error";
}

void report_cannot_open(std::FILE* err, std::string_view reason) {
  write_text(err, "  skip (cannot open): " + std::string(reason) + "\n");
}

void report_too_large(std::FILE* err, std::string_view label) {
  write_text(err, "  skip (+MANIFEST larger than " +
                      std::to_string(kMaxManifestBytes) +
                      " bytes): " + std::string(label) + "\n");
}

// Reads the current member's data. A member whose header records a size is
// read up to that size, and a read error or a short member yields what a
// single read of that size would: nothing on error, the bytes present
// otherwise. A member without a recorded size is read until its end, and
// what came before an error is kept. Room for a declared size (at most
// kMaxManifestBytes) is reserved, but its pages are touched only as data
// arrives, so a false size costs no memory.
std::string read_member(archive* a, la_int64_t declared, std::string_view label,
                        std::FILE* err) {
  if (declared > 0 && static_cast<uint64_t>(declared) > kMaxManifestBytes) {
    report_too_large(err, label);
    return {};
  }
  const bool sized = declared > 0;
  const size_t limit =
      sized ? static_cast<size_t>(declared) : kMaxManifestBytes;
  std::string text;
  if (sized) {
    text.reserve(limit);  // bounded above; untouched pages cost nothing
  }
  for (;;) {
    // Blocks come straight from the decompressor's buffer, so each byte is
    // copied once, into the text.
    const void* block = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    int r = archive_read_data_block(a, &block, &size, &offset);
    if (r == ARCHIVE_EOF) {
      break;
    }
    if (r != ARCHIVE_OK || offset < 0) {
      if (sized) {
        text.clear();
      }
      break;
    }
    const uint64_t end = static_cast<uint64_t>(offset) + size;
    if (end > limit) {
      if (!sized) {
        report_too_large(err, label);
        return {};
      }
      // A sized member never holds more than its size; keep what fits.
      if (static_cast<uint64_t>(offset) >= limit) {
        break;
      }
      size = limit - static_cast<size_t>(offset);
    }
    // A sparse member leaves holes between blocks; they read as zeros.
    if (static_cast<uint64_t>(offset) > text.size()) {
      text.resize(static_cast<size_t>(offset), '\0');
    }
    text.append(static_cast<const char*>(block), size);
  }
  return text;
}

std::string find_manifest(archive* a, std::string_view label, std::FILE* err) {
  archive_entry* entry = nullptr;
  while (archive_read_next_header(a, &entry) == ARCHIVE_OK) {
    const char* name = archive_entry_pathname(entry);
    if (name != nullptr && std::string_view(name) == kManifestName) {
      la_int64_t declared =
          archive_entry_size_is_set(entry) ? archive_entry_size(entry) : 0;
      return read_member(a, declared, label, err);
    }
    // Skipping a member of a compressed archive still decompresses it, but
    // copies nothing.
    if (archive_read_data_skip(a) != ARCHIVE_OK) {
      break;
    }
  }
  return {};
}

}  // namespace

std::string read_manifest(const std::string& path, std::FILE* err) {
  // Opened here rather than by libarchive so that the file's type is known
  // before any read: O_NONBLOCK keeps a FIFO from blocking the open.
  UniqueFd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) {
    report_cannot_open(err,
                       "Failed to open '" + path + "': " + strerror(errno));
    return {};
  }
  struct stat st;
  if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    report_cannot_open(err, "'" + path + "' is not a regular file");
    return {};
  }
  // O_NONBLOCK stays set: it has no effect on reading a regular file.
  ArchiveReader a = new_reader();
  if (a == nullptr) {
    report_cannot_open(err, "out of memory");
    return {};
  }
  if (archive_read_open_fd(a.get(), fd.get(), kFileReadSize) != ARCHIVE_OK) {
    report_cannot_open(err, error_text(a.get()));
    return {};
  }
  return find_manifest(a.get(), package_label(path), err);
}

std::string read_manifest_from_memory(std::string_view bytes,
                                      std::string_view label, std::FILE* err) {
  ArchiveReader a = new_reader();
  if (a == nullptr) {
    report_cannot_open(err, "out of memory");
    return {};
  }
  if (archive_read_open_memory2(a.get(), bytes.data(), bytes.size(),
                                kBlockSize) != ARCHIVE_OK) {
    report_cannot_open(err, error_text(a.get()));
    return {};
  }
  return find_manifest(a.get(), label, err);
}

}  // namespace zps
