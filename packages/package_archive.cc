#include "packages/package_archive.h"

#include <errno.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include <archive.h>
#include <archive_entry.h>

#include "base/files.h"
#include "base/keyed_hash.h"
#include "base/memory.h"
#include "base/sha256.h"

namespace zps {
namespace {

struct ArchiveReadDeleter {
  void operator()(archive* a) const { archive_read_free(a); }  // closes too
};
using ArchiveReader = std::unique_ptr<archive, ArchiveReadDeleter>;

struct ArchiveEntryDeleter {
  void operator()(archive_entry* e) const { archive_entry_free(e); }
};
using ArchiveEntry = std::unique_ptr<archive_entry, ArchiveEntryDeleter>;

// The tar block size, as a package is opened by name; for a regular file
// libarchive then reads 64 KiB at a time, which opening a descriptor
// must ask for itself.
constexpr size_t kBlockSize = 10240;
// Reads of the package file: small while looking for the manifest, which
// comes first and is small (a larger read copies, and reads ahead, data
// that a run without member hashing never looks at), large for the members.
constexpr size_t kManifestReadSize = 16 * 1024;
constexpr size_t kMemberReadSize = 128 * 1024;
constexpr std::string_view kManifestName = "+MANIFEST";

// The room reserved for a manifest without a declared size before its data
// arrives: real manifests mostly fit.
constexpr size_t kFirstManifestReserve = size_t{1} << 20;

// The compressions packages use. Each must be built into libarchive: one
// that libarchive would hand to an external program (ARCHIVE_WARN) is left
// out, so that no package can make the tool run a program on its bytes.
using FilterSupport = int (*)(archive*);
constexpr FilterSupport kFilters[] = {
    archive_read_support_filter_gzip, archive_read_support_filter_bzip2,
    archive_read_support_filter_xz, archive_read_support_filter_zstd};

// Returns those of kFilters built into libarchive. Support cannot be
// withdrawn once given, so a filter that would run a program is found on a
// scratch reader first, once per run.
const std::vector<FilterSupport>& built_in_filters() {
  static const std::vector<FilterSupport> built_in = [] {
    std::vector<FilterSupport> found;
    for (FilterSupport filter : kFilters) {
      ArchiveReader probe(archive_read_new());
      if (probe != nullptr && filter(probe.get()) == ARCHIVE_OK) {
        found.push_back(filter);
      }
    }
    return found;
  }();
  return built_in;
}

// The formats a reader takes: the tar formats of package files, or one
// plain stream (a downloaded database). A package reader takes every tar
// variant, and an empty file as an empty archive.
enum class ReaderFormats { kPackage, kRawStream };

// Returns a reader of `formats`, each plain or compressed with one of the
// built-in filters; null when out of memory.
ArchiveReader new_reader(ReaderFormats formats) {
  ArchiveReader a(archive_read_new());
  if (a == nullptr) {
    return a;
  }
  for (FilterSupport filter : built_in_filters()) {
    filter(a.get());
  }
  archive_read_support_filter_none(a.get());
  if (formats == ReaderFormats::kRawStream) {
    archive_read_support_format_raw(a.get());
  } else {
    archive_read_support_format_tar(a.get());
    archive_read_support_format_empty(a.get());
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

// Reads the next member's header into `entry`. Returns false at the end of
// the archive or on an error. A warning is no end: libarchive warns, for
// one, about a name it cannot convert to the C locale, such as a UTF-8 pax
// path record. The entry is ours, not the reader's own: the reader does
// not check that its own could be allocated, and would write through a
// null pointer when it could not.
bool next_header(archive* a, archive_entry* entry) {
  const int r = archive_read_next_header2(a, entry);
  return r == ARCHIVE_OK || r == ARCHIVE_WARN;
}

// Returns a member's name as the bytes the archive holds: the name as read
// when libarchive could take it in the C locale (a ustar name, a pax name
// marked hdrcharset=BINARY), else its UTF-8 form (a pax path record, which
// is UTF-8). Null when there is none.
const char* member_name(archive_entry* entry) {
  const char* name = archive_entry_pathname(entry);
  return name != nullptr ? name : archive_entry_pathname_utf8(entry);
}

// One block of the current member's data as libarchive hands it out: the
// member's bytes from `offset` on. A sparse member leaves holes between
// blocks, which read as zeros.
struct DataBlock {
  const void* data = nullptr;
  size_t size = 0;
  la_int64_t offset = 0;
};

// Reads the next block of the current member into `*block`. Returns
// ARCHIVE_OK, ARCHIVE_EOF at the member's end, or an error status (also for
// a negative offset).
int next_data_block(archive* a, DataBlock* block) {
  const int r =
      archive_read_data_block(a, &block->data, &block->size, &block->offset);
  return r == ARCHIVE_OK && block->offset < 0 ? ARCHIVE_FATAL : r;
}

// Reads the current member's data into `*text`. A member whose header
// records a size is read up to that size, and a read error or a short
// member yields what a single read of that size would: nothing on error,
// the bytes present otherwise. A member without a recorded size is read
// until its end, and what came before an error is kept. The text grows as
// data arrives: a declared size is only a hint for the first reservation,
// so a false one costs nothing, and each growth first makes sure the
// memory can be had.
ManifestSearch read_member(archive* a, la_int64_t declared, std::string* text) {
  if (declared > 0 && static_cast<uint64_t>(declared) > kMaxManifestBytes) {
    return ManifestSearch::kTooLarge;
  }
  const bool sized = declared > 0;
  const size_t limit =
      sized ? static_cast<size_t>(declared) : kMaxManifestBytes;
  text->clear();
  // The whole declared size at once spares the copies of a growing text;
  // pages that a false size leaves unwritten are never touched, so it
  // costs address space only. Growth below covers any shortfall.
  const size_t first = sized ? limit + 16 : kFirstManifestReserve;
  text->reserve(can_allocate(first) ? first
                                    : std::min(first, kFirstManifestReserve));
  for (;;) {
    // Blocks come straight from the decompressor's buffer, so each byte is
    // copied once, into the text.
    DataBlock block;
    const int r = next_data_block(a, &block);
    if (r == ARCHIVE_EOF) {
      break;
    }
    if (r != ARCHIVE_OK) {
      if (sized) {
        text->clear();
      }
      break;
    }
    const auto offset = static_cast<uint64_t>(block.offset);
    size_t size = block.size;
    if (offset + size > limit) {
      if (!sized) {
        text->clear();
        return ManifestSearch::kTooLarge;
      }
      // A sized member never holds more than its size; keep what fits.
      if (offset >= limit) {
        break;
      }
      size = limit - static_cast<size_t>(offset);
    }
    const size_t needed =
        std::max<size_t>(text->size(), static_cast<size_t>(offset)) + size;
    if (needed > text->capacity()) {
      // 16 bytes over the member's size spare the parser a copy later.
      const size_t grown =
          std::min(limit + 16, std::max(needed, 2 * text->capacity()));
      if (!can_allocate(grown)) {
        *text = std::string();
        return ManifestSearch::kCannotHold;
      }
      text->reserve(grown);
    }
    if (offset > text->size()) {
      text->resize(static_cast<size_t>(offset), '\0');
    }
    text->append(static_cast<const char*>(block.data), size);
  }
  return text->empty() ? ManifestSearch::kAbsent : ManifestSearch::kFound;
}

// Returns a member name as a path beginning with "/": the package tool
// writes absolute names, other writers relative ones.
std::string absolute_member_path(std::string_view name) {
  std::string path(name.empty() || name.front() != '/' ? "/" : "");
  path.append(name);
  return path;
}

// Feeds the data of the current member, whose header gives its `size`, to
// `hash`: holes of a sparse member as zeros, a hole at the end included
// (libarchive gives no block for it). Counts what it hashes against
// `*budget`. Returns false when the data cannot be read or the budget runs
// out (`*over_budget` set then).
bool hash_member_data(archive* a, uint64_t size, Sha256* hash, uint64_t* budget,
                      bool* over_budget) {
  static const char kZeros[4096] = {};
  uint64_t position = 0;
  // Hashes zeros up to `offset` and then `data`, if the budget allows.
  auto take = [&](uint64_t offset, const void* data, size_t length) {
    const uint64_t cost = offset - position + length;
    if (cost > *budget) {
      *over_budget = true;
      return false;
    }
    *budget -= cost;
    while (position < offset) {
      const size_t n = static_cast<size_t>(
          std::min<uint64_t>(sizeof kZeros, offset - position));
      hash->update(kZeros, n);
      position += n;
    }
    hash->update(data, length);
    position += length;
    return true;
  };
  for (;;) {
    DataBlock block;
    const int r = next_data_block(a, &block);
    if (r == ARCHIVE_EOF) {
      return position >= size || take(size, nullptr, 0);
    }
    const auto offset = static_cast<uint64_t>(block.offset);
    if (r != ARCHIVE_OK || offset < position ||
        !take(offset, block.data, block.size)) {
      return false;
    }
  }
}

// The package file as libarchive's source: reads of a size that can change
// between the manifest and the members, and skips by seeking.
struct FileSource {
  int fd = -1;
  size_t read_size = kManifestReadSize;
  // Left unfilled: zeroing it cost as much as reading a small package, and
  // a run without member hashing touches only its first kManifestReadSize
  // bytes.
  std::unique_ptr<char[]> buffer{new char[kMemberReadSize]};
};

la_ssize_t read_source(archive* a, void* data, const void** block) {
  auto* source = static_cast<FileSource*>(data);
  ssize_t n;
  do {
    n = read(source->fd, source->buffer.get(), source->read_size);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    archive_set_error(a, errno, "%s", strerror(errno));
    return -1;
  }
  *block = source->buffer.get();
  return n;
}

// Skips by seeking; a skip past the end of the file shows as the end of
// the data at the next read, as libarchive's own readers do.
la_int64_t skip_source(archive*, void* data, la_int64_t request) {
  const int fd = static_cast<FileSource*>(data)->fd;
  const off_t before = lseek(fd, 0, SEEK_CUR);
  if (before < 0 || lseek(fd, static_cast<off_t>(request), SEEK_CUR) < 0) {
    return 0;  // not seekable: libarchive reads instead
  }
  return request;
}

}  // namespace

struct PackageArchive::Handles {
  // Declared before the reader, so that the reader (whose close does not
  // close the descriptor) goes first.
  UniqueFd fd;
  FileSource source;
  ArchiveReader reader;
  ArchiveEntry entry;          // each member's header in turn
  uint64_t package_bytes = 0;  // the size of the package file
  bool in_memory = false;
  std::string_view bytes;  // the package, when it is held in memory
  // The manifest's share of the run's budget, held until the archive goes,
  // which is after the manifest's parse.
  MemoryLease manifest_lease;
};

bool read_decompressed_file(const std::string& path,
                            const std::function<bool(std::string_view)>& sink,
                            std::string* reason) {
  UniqueFd fd = open_regular_file(path.c_str(), reason);
  if (!fd.valid()) {
    return false;
  }
  ArchiveReader reader = new_reader(ReaderFormats::kRawStream);
  if (reader == nullptr) {
    *reason = "out of memory";
    return false;
  }
  archive* a = reader.get();
  const ArchiveEntry entry(archive_entry_new2(a));
  if (entry == nullptr) {
    *reason = "out of memory";
    return false;
  }
  if (archive_read_open_fd(a, fd.get(), kMemberReadSize) != ARCHIVE_OK ||
      !next_header(a, entry.get())) {
    *reason = error_text(a);
    return false;
  }
  std::vector<char> block(kMemberReadSize);
  for (;;) {
    const la_ssize_t n = archive_read_data(a, block.data(), block.size());
    if (n < 0) {
      *reason = error_text(a);
      return false;
    }
    if (n == 0) {
      return true;
    }
    if (!sink(std::string_view(block.data(), static_cast<size_t>(n)))) {
      return true;
    }
  }
}

bool PackageArchive::start_reader(Handles* handles, std::string* reason) {
  handles->entry.reset();
  handles->reader = new_reader(ReaderFormats::kPackage);
  if (handles->reader != nullptr) {
    handles->entry.reset(archive_entry_new2(handles->reader.get()));
  }
  if (handles->entry == nullptr) {
    *reason = "out of memory";
    return false;
  }
  archive* a = handles->reader.get();
  const bool opened =
      handles->in_memory
          ? archive_read_open_memory2(a, handles->bytes.data(),
                                      handles->bytes.size(),
                                      kBlockSize) == ARCHIVE_OK
          : archive_read_set_read_callback(a, read_source) == ARCHIVE_OK &&
                archive_read_set_skip_callback(a, skip_source) == ARCHIVE_OK &&
                archive_read_set_callback_data(a, &handles->source) ==
                    ARCHIVE_OK &&
                archive_read_open1(a) == ARCHIVE_OK;
  if (!opened) {
    *reason = error_text(a);
    return false;
  }
  return true;
}

namespace {

MemoryBudget* manifest_budget() {
  static MemoryBudget budget(kManifestMemoryBudget);
  return &budget;
}

}  // namespace

PackageArchive::PackageArchive(std::unique_ptr<Handles> handles)
    : handles_(std::move(handles)) {}

PackageArchive::~PackageArchive() = default;

std::unique_ptr<PackageArchive> PackageArchive::open_file(
    const std::string& path, std::string* reason) {
  auto handles = std::make_unique<Handles>();
  // Opened here rather than by libarchive so that the file's type is known
  // before any read.
  handles->fd = open_regular_file(path.c_str(), reason);
  if (!handles->fd.valid()) {
    return nullptr;
  }
  struct stat st;
  if (fstat(handles->fd.get(), &st) == 0) {
    handles->package_bytes = static_cast<uint64_t>(st.st_size);
  }
  handles->source.fd = handles->fd.get();
  if (!start_reader(handles.get(), reason)) {
    return nullptr;
  }
  return std::unique_ptr<PackageArchive>(
      new PackageArchive(std::move(handles)));
}

std::unique_ptr<PackageArchive> PackageArchive::open_memory(
    std::string_view bytes, std::string* reason) {
  auto handles = std::make_unique<Handles>();
  handles->package_bytes = bytes.size();
  handles->in_memory = true;
  handles->bytes = bytes;
  if (!start_reader(handles.get(), reason)) {
    return nullptr;
  }
  return std::unique_ptr<PackageArchive>(
      new PackageArchive(std::move(handles)));
}

ManifestSearch PackageArchive::read_manifest(std::string* text) {
  archive* a = handles_->reader.get();
  archive_entry* entry = handles_->entry.get();
  while (next_header(a, entry)) {
    const char* name = member_name(entry);
    if (name != nullptr && std::string_view(name) == kManifestName) {
      la_int64_t declared =
          archive_entry_size_is_set(entry) ? archive_entry_size(entry) : 0;
      // Without a size the text may be anything up to the largest one.
      const uint64_t expected =
          declared > 0 ? std::min<uint64_t>(declared, kMaxManifestBytes)
                       : kMaxManifestBytes;
      handles_->manifest_lease =
          MemoryLease(manifest_budget(), 2 * static_cast<size_t>(expected));
      return read_member(a, declared, text);
    }
    // Skipping a member of a compressed archive still decompresses it, but
    // copies nothing; a member that would carry the search past its bound
    // is not skipped at all. (Tar stores a member's data in full, so its
    // size is what skipping it costs.)
    const int64_t position = archive_filter_bytes(a, 0);
    const int64_t size =
        archive_entry_size_is_set(entry) ? archive_entry_size(entry) : 0;
    if (position < 0 || size < 0 ||
        static_cast<uint64_t>(position) + static_cast<uint64_t>(size) >
            kMaxManifestSearchBytes) {
      return ManifestSearch::kSearchTooLong;
    }
    if (archive_read_data_skip(a) != ARCHIVE_OK) {
      break;
    }
  }
  return ManifestSearch::kAbsent;
}

namespace {
using PathTable = std::unordered_set<std::string, KeyedHash>;
}  // namespace

// One pass over the members.
struct PackageArchive::DigestPass {
  // The paths whose digests are needed: those asked for, and the targets of
  // the needed hard links met so far.
  PathTable required;
  // Of the paths asked for, those no member has named yet; the first pass
  // ends when it is empty. Null for a pass to the end.
  PathTable* unseen = nullptr;
  MemberDigests digests;
  // Every hard link met, link path and target path, in archive order:
  // resolved after the pass, as the member a link names may come later.
  std::vector<std::pair<std::string, std::string>> hard_links;
  uint64_t bound = 0;
  uint64_t budget = 0;
  bool skipped = false;  // a file or symbolic link was passed over
  bool failed = false;   // a read error or the bound ended the pass
};

namespace {

// True when a needed hard link of `pass` got no digest.
template <typename Pass>
bool has_missing_link(const Pass& pass) {
  for (const auto& [link_path, target] : pass.hard_links) {
    if (pass.required.count(link_path) != 0 &&
        pass.digests.by_path.count(link_path) == 0) {
      return true;
    }
  }
  return false;
}

// Returns `required` with every path that `links` (link path, target
// path) lead to from it, through any number of links.
PathTable linked_closure(
    const PathTable& required,
    const std::vector<std::pair<std::string, std::string>>& links) {
  std::unordered_multimap<std::string_view, std::string_view, KeyedHash>
      targets;
  for (const auto& [link_path, target] : links) {
    targets.emplace(link_path, target);
  }
  PathTable closure = required;
  std::vector<std::string_view> to_visit(required.begin(), required.end());
  while (!to_visit.empty()) {
    const std::string_view path = to_visit.back();
    to_visit.pop_back();
    auto [first, last] = targets.equal_range(path);
    for (auto it = first; it != last; ++it) {
      auto [at, added] = closure.emplace(it->second);
      if (added) {
        to_visit.push_back(*at);
      }
    }
  }
  return closure;
}

}  // namespace

void PackageArchive::digest_pass(DigestPass* pass) {
  archive* a = handles_->reader.get();
  Sha256 hash;
  bool over_budget = false;
  archive_entry* entry = handles_->entry.get();
  while (!(pass->unseen != nullptr && pass->unseen->empty()) &&
         next_header(a, entry)) {
    const char* name = member_name(entry);
    if (name == nullptr) {
      continue;
    }
    std::string path = absolute_member_path(name);
    if (pass->unseen != nullptr) {
      pass->unseen->erase(path);
    }
    const bool required = pass->required.count(path) != 0;
    const char* link = archive_entry_hardlink(entry);
    if (const char* target =
            link != nullptr ? link : archive_entry_hardlink_utf8(entry)) {
      std::string target_path = absolute_member_path(target);
      if (required) {
        pass->required.insert(target_path);
      }
      pass->hard_links.emplace_back(std::move(path), std::move(target_path));
      continue;
    }
    if (!required) {
      pass->skipped = true;
      continue;
    }
    if (archive_entry_filetype(entry) == AE_IFLNK) {
      const char* target = archive_entry_symlink(entry);
      if (target == nullptr) {
        target = archive_entry_symlink_utf8(entry);
      }
      pass->digests.by_path[path] =
          sha256_of(symlink_hash_input(target != nullptr ? target : ""));
      continue;
    }
    if (archive_entry_filetype(entry) != AE_IFREG) {
      continue;
    }
    // Only a sparse member's size says how far its last hole reaches.
    const la_int64_t declared = archive_entry_size(entry);
    const uint64_t size = archive_entry_sparse_count(entry) > 0 && declared > 0
                              ? static_cast<uint64_t>(declared)
                              : 0;
    if (!hash_member_data(a, size, &hash, &pass->budget, &over_budget)) {
      if (over_budget) {
        pass->digests.stopped_at_bytes = pass->bound;
      }
      pass->failed = true;
      break;
    }
    pass->digests.by_path[path] = hash.finish();
  }
  for (const auto& [link_path, target] : pass->hard_links) {
    auto found = pass->digests.by_path.find(target);
    if (found != pass->digests.by_path.end()) {
      pass->digests.by_path[link_path] = found->second;
    }
  }
}

bool PackageArchive::reopen_after_manifest() {
  if (!handles_->in_memory && lseek(handles_->fd.get(), 0, SEEK_SET) != 0) {
    return false;
  }
  std::string reason;
  if (!start_reader(handles_.get(), &reason)) {
    return false;
  }
  archive* a = handles_->reader.get();
  archive_entry* entry = handles_->entry.get();
  while (next_header(a, entry)) {
    const char* name = member_name(entry);
    if (name != nullptr && std::string_view(name) == kManifestName) {
      return true;  // its data is skipped with the next header
    }
  }
  return false;
}

MemberDigests PackageArchive::digest_members(
    const std::vector<std::string_view>& needed) {
  handles_->source.read_size = kMemberReadSize;
  const uint64_t package_bytes = std::min<uint64_t>(
      handles_->package_bytes, UINT64_MAX / kHashedBytesPerPackageByte);
  DigestPass pass;
  pass.bound =
      std::max(kMinHashedBytes, kHashedBytesPerPackageByte * package_bytes);
  pass.budget = pass.bound;
  for (std::string_view path : needed) {
    pass.required.emplace(path);
  }
  PathTable unseen = pass.required;
  pass.unseen = &unseen;
  digest_pass(&pass);
  bool ended_early = unseen.empty();
  size_t required_at_start = needed.size();
  // A needed hard link without a digest names a member the pass skipped
  // before the link was met, or one it never reached. That is rare (the
  // package tool writes a hard link's target first, and both are listed
  // alike), so then the archive is read once more from its start, to the
  // end, for every path the links make needed. A third pass is made only
  // when the second met links the first never reached that need more.
  for (int extra = 0; extra < 2; ++extra) {
    if (pass.failed || !has_missing_link(pass) ||
        !(pass.skipped || ended_early)) {
      break;
    }
    PathTable required = linked_closure(pass.required, pass.hard_links);
    if (extra > 0 && required.size() == required_at_start) {
      break;
    }
    if (!reopen_after_manifest()) {
      break;
    }
    DigestPass next;
    next.required = std::move(required);
    next.bound = pass.bound;
    next.budget = pass.bound;
    required_at_start = next.required.size();
    ended_early = false;
    digest_pass(&next);
    pass = std::move(next);
  }
  return std::move(pass.digests);
}

std::string symlink_hash_input(std::string_view target) {
  if (!target.empty() && target.front() == '/') {
    std::string text(target.substr(1));
    text.push_back('\0');
    return text;
  }
  return std::string(target);
}

}  // namespace zps
