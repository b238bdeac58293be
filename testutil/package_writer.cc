#include "testutil/package_writer.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include <archive.h>
#include <archive_entry.h>

namespace zps {
namespace {

struct ArchiveWriteDeleter {
  void operator()(archive* a) const { archive_write_free(a); }
};
using ArchiveWriter = std::unique_ptr<archive, ArchiveWriteDeleter>;

struct EntryDeleter {
  void operator()(archive_entry* e) const { archive_entry_free(e); }
};
using Entry = std::unique_ptr<archive_entry, EntryDeleter>;

bool set_filter(archive* a, std::string_view filter) {
  if (filter.empty()) {
    return archive_write_add_filter_none(a) == ARCHIVE_OK;
  }
  if (filter == "zstd") {
    return archive_write_add_filter_zstd(a) == ARCHIVE_OK;
  }
  if (filter == "xz") {
    return archive_write_add_filter_xz(a) == ARCHIVE_OK;
  }
  if (filter == "gzip") {
    return archive_write_add_filter_gzip(a) == ARCHIVE_OK;
  }
  if (filter == "bzip2") {
    return archive_write_add_filter_bzip2(a) == ARCHIVE_OK;
  }
  return false;
}

bool set_format(archive* a, std::string_view format) {
  if (format == "pax") {
    return archive_write_set_format_pax_restricted(a) == ARCHIVE_OK;
  }
  if (format == "zip") {
    return archive_write_set_format_zip(a) == ARCHIVE_OK &&
           archive_write_set_options(a, "zip:compression=store") == ARCHIVE_OK;
  }
  return false;
}

bool write_members(archive* a, const std::vector<PackageMember>& members,
                   bool sizes_known) {
  for (const PackageMember& m : members) {
    Entry entry(archive_entry_new());
    archive_entry_set_pathname(entry.get(), m.name.c_str());
    archive_entry_set_perm(entry.get(), static_cast<mode_t>(m.mode));
    const bool has_data = m.symlink.empty() && m.hardlink.empty();
    if (!m.symlink.empty()) {
      archive_entry_set_filetype(entry.get(), AE_IFLNK);
      archive_entry_set_symlink(entry.get(), m.symlink.c_str());
    } else {
      archive_entry_set_filetype(entry.get(), AE_IFREG);
    }
    if (!m.hardlink.empty()) {
      archive_entry_set_hardlink(entry.get(), m.hardlink.c_str());
    }
    if (sizes_known || !has_data) {
      archive_entry_set_size(
          entry.get(),
          has_data ? static_cast<la_int64_t>(m.content.size()) : 0);
    }
    archive_entry_set_mtime(entry.get(), 1735689600, 0);
    if (archive_write_header(a, entry.get()) < ARCHIVE_WARN) {
      return false;
    }
    if (has_data && !m.content.empty() &&
        archive_write_data(a, m.content.data(), m.content.size()) !=
            static_cast<la_ssize_t>(m.content.size())) {
      return false;
    }
  }
  return archive_write_close(a) == ARCHIVE_OK;
}

}  // namespace

std::string package_bytes(const std::vector<PackageMember>& members,
                          std::string_view filter, std::string_view format) {
  // Large enough for every test archive; the writer fails rather than
  // overflow. Declared before the writer, which may still flush into it
  // when it is freed.
  std::string buffer(64 << 20, '\0');
  size_t used = 0;
  ArchiveWriter a(archive_write_new());
  if (!set_filter(a.get(), filter) || !set_format(a.get(), format)) {
    return {};
  }
  if (archive_write_set_bytes_in_last_block(a.get(), 1) != ARCHIVE_OK ||
      archive_write_open_memory(a.get(), buffer.data(), buffer.size(), &used) !=
          ARCHIVE_OK) {
    return {};
  }
  if (!write_members(a.get(), members, format != "zip")) {
    return {};
  }
  buffer.resize(used);
  return buffer;
}

std::string tar_declaring_size(const std::string& name,
                               const std::string& content,
                               uint64_t declared_size) {
  std::string tar = package_bytes({{name, content}}, "");
  if (tar.size() < 512) {
    return {};
  }
  // The size field is bytes 124-135; a first byte of 0x80 marks base-256.
  tar[124] = static_cast<char>(0x80);
  for (int i = 0; i < 11; ++i) {
    tar[135 - i] =
        static_cast<char>(i < 8 ? (declared_size >> (8 * i)) & 0xFF : 0);
  }
  // The checksum (bytes 148-155) sums the header with itself as spaces.
  std::fill(tar.begin() + 148, tar.begin() + 156, ' ');
  unsigned sum = 0;
  for (int i = 0; i < 512; ++i) {
    sum += static_cast<unsigned char>(tar[i]);
  }
  char field[8];
  std::snprintf(field, sizeof field, "%06o", sum);
  std::copy(field, field + 7, tar.begin() + 148);
  return tar;
}

}  // namespace zps
