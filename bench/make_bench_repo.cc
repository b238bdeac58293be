// Writes a synthetic package repository for the checksum benchmark:
// make-bench-repo DIR [COUNT] [SEED] [SUMS] [EXEC%]. Packages are zstd tar
// archives laid out as the package tool writes them (+COMPACT_MANIFEST,
// +MANIFEST, then the payload). Manifest sizes vary as in a real repository
// (see file_count), with a few packages that list 20,000 files or more.
// Payloads run from 4 KiB to 4 MiB, so that reading only the head of each
// archive pays. SUMS "hex" (default) gives every file a type-1 sum ("1$" and
// SHA-256 hex, as pkg up to 2.7 writes); "mixed" gives every other package
// type-2 sums ("2$" and 103 base32 characters, as pkg 2.8 writes). "pkg28"
// writes every package as pkg 2.8 and later do: BLAKE2b sums only, a third of
// the files executable (bin/, libexec/, lib/*.so), members in path order after
// the two manifests, and payloads cut from the programs in /usr/bin, so
// that they compress as binaries do; such a package's lines all need the
// archive's members hashed. EXEC% (20 when not given) is the share of the
// files of the other kinds that are executable, and so written.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <archive.h>
#include <archive_entry.h>

namespace {

struct ArchiveWriteDeleter {
  void operator()(archive* a) const { archive_write_free(a); }
};
struct EntryDeleter {
  void operator()(archive_entry* e) const { archive_entry_free(e); }
};

std::string hex64(std::mt19937_64& rng) {
  static const char kHex[] = "0123456789abcdef";
  std::string s;
  for (int i = 0; i < 4; ++i) {
    uint64_t v = rng();
    for (int j = 0; j < 16; ++j) {
      s += kHex[(v >> (4 * j)) & 0xF];
    }
  }
  return s;
}

// Files per package: most list a few dozen, a fifth some hundreds, a few
// percent thousands, and about one in seven hundred (at least two in any
// repository of 1,000 packages) 20,000 or more, like documentation sets and
// toolchains do.
size_t file_count(std::mt19937_64& rng, long index, long count) {
  const long huge_every = std::max(1L, std::min(700L, count / 2));
  if (index % huge_every == huge_every / 2) {
    return 20000 + rng() % 10000;
  }
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  double roll = unit(rng);
  auto log_uniform = [&](double lo, double hi) {
    return static_cast<size_t>(
        std::exp(std::log(lo) + unit(rng) * (std::log(hi) - std::log(lo))));
  };
  if (roll < 0.03) {
    return log_uniform(1000, 5000);
  }
  if (roll < 0.23) {
    return log_uniform(100, 1000);
  }
  return log_uniform(1, 100);
}

size_t payload_size(std::mt19937_64& rng) {
  std::uniform_real_distribution<double> exponent(12.0, 22.0);  // 4K..4M
  return static_cast<size_t>(std::exp2(exponent(rng)));
}

std::string base32_sum(std::mt19937_64& rng) {
  static const char kAlphabet[] = "ybndrfg8ejkmcpqxot1uwisza345h769";
  std::string s = "2$";
  for (int i = 0; i < 103; ++i) {
    s += kAlphabet[rng() % 32];
  }
  return s;
}

// Returns the manifest text; `paths` receives the listed files in order.
std::string manifest(const std::string& name, size_t files, bool blake,
                     unsigned exec_percent, std::mt19937_64& rng,
                     std::vector<std::string>* paths) {
  std::string m = "{\"name\":\"" + name + "\",\"origin\":\"misc/" + name +
                  "\",\"version\":\"1.0\",\"comment\":\"Synthetic package\","
                  "\"maintainer\":\"ports@example.org\",\"www\":"
                  "\"https://example.org/" +
                  name +
                  "\",\"abi\":\"FreeBSD:14:amd64\",\"arch\":"
                  "\"freebsd:14:x86:64\",\"prefix\":\"/usr/local\","
                  "\"flatsize\":123456,\"licenselogic\":\"single\","
                  "\"licenses\":[\"BSD2CLAUSE\"],\"desc\":\"A synthetic "
                  "package for benchmarks.\",\"deps\":{\"libfoo\":{\"origin\":"
                  "\"devel/libfoo\",\"version\":\"2.3.1\"}},\"categories\":"
                  "[\"misc\"],\"annotations\":{\"ports_top_git_hash\":"
                  "\"5f0c2a1b9e8d\"},\"files\":{";
  // Current versions of the package tool write the file list sorted by
  // path.
  std::map<std::string, bool> listed;
  for (size_t i = 0; i < files; ++i) {
    bool exec = rng() % 100 < exec_percent;
    listed[exec ? "/usr/local/bin/" + name + "-" + std::to_string(i)
                : "/usr/local/share/" + name + "/d" + std::to_string(i % 37) +
                      "/file" + std::to_string(i) + ".txt"] = exec;
  }
  bool first = true;
  for (const auto& [path, exec] : listed) {
    paths->push_back(path);
    if (!first) {
      m += ',';
    }
    first = false;
    m += "\"" + path + "\":{\"sum\":\"" +
         (blake ? base32_sum(rng) : "1$" + hex64(rng)) +
         "\",\"uname\":\"root\",\"gname\":\"wheel\",\"perm\":\"" +
         (exec ? "0755" : "0644") + "\",\"mtime\":1735689600}";
  }
  m += "},\"directories\":{\"/usr/local/share/" + name +
       "\":{\"uname\":\"root\",\"gname\":\"wheel\",\"perm\":\"0755\"}}}";
  return m;
}

bool add_member(archive* a, const std::string& name, const std::string& data,
                int mode = 0644) {
  std::unique_ptr<archive_entry, EntryDeleter> e(archive_entry_new());
  archive_entry_set_pathname(e.get(), name.c_str());
  archive_entry_set_filetype(e.get(), AE_IFREG);
  archive_entry_set_perm(e.get(), mode);
  archive_entry_set_size(e.get(), static_cast<la_int64_t>(data.size()));
  return archive_write_header(a, e.get()) == ARCHIVE_OK &&
         archive_write_data(a, data.data(), data.size()) ==
             static_cast<la_ssize_t>(data.size());
}

// Returns up to `limit` bytes of the regular files in `dir`, in name
// order: real programs, whose bytes compress as a package's payload does.
std::string program_bytes(const std::string& dir, size_t limit) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      names.emplace_back(e->d_name);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  std::string bytes;
  for (const std::string& name : names) {
    struct stat st;
    const std::string path = dir + "/" + name;
    if (bytes.size() >= limit || stat(path.c_str(), &st) != 0 ||
        !S_ISREG(st.st_mode) || st.st_size < 4096) {
      continue;
    }
    std::ifstream in(path, std::ios::binary);
    bytes.append(std::istreambuf_iterator<char>(in),
                 std::istreambuf_iterator<char>());
  }
  bytes.resize(std::min(bytes.size(), limit));
  return bytes;
}

// One file of a pkg 2.8 package: its path, whether it is executable and
// the share of the package's payload it takes.
struct Pkg28File {
  bool exec = false;
  double weight = 1;
};

// Returns the files of one pkg 2.8 package, by path: a third executable,
// programs taking most of the bytes, as in real packages.
std::map<std::string, Pkg28File> pkg28_files(const std::string& name,
                                             std::mt19937_64& rng) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const auto count = static_cast<size_t>(
      std::exp(std::log(2.0) + unit(rng) * (std::log(150.0) - std::log(2.0))));
  const std::string prefix = "/usr/local/";
  std::map<std::string, Pkg28File> files;
  for (size_t i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    std::string path;
    Pkg28File file;
    switch (rng() % 9) {
      case 0:
      case 1:
        path = prefix + "bin/" + name + "-" + n;
        file = {true, 8};
        break;
      case 2:
        path = prefix + "libexec/" + name + "/helper" + n;
        file = {true, 4};
        break;
      case 3:
        path = prefix + "include/" + name + "/h" + n + ".h";
        break;
      case 4:
        path = prefix + "lib/lib" + name + "-" + n + ".so.1";
        file = {true, 6};
        break;
      case 5:
        path = prefix + "lib/lib" + name + "-" + n + ".a";
        file = {false, 6};
        break;
      case 6:
        path = prefix + "man/man1/" + name + "-" + n + ".1.gz";
        break;
      default:
        path = prefix + "share/" + name + "/d" + std::to_string(i % 7) +
               "/file" + n;
        file = {false, 2};
        break;
    }
    files[path] = file;
  }
  return files;
}

// Writes one pkg 2.8 package of `name` to `path`, its payload cut from
// `pool`. Returns false when it cannot be written.
bool write_pkg28(const std::string& path, const std::string& name,
                 const std::string& pool, std::mt19937_64& rng) {
  const std::map<std::string, Pkg28File> files = pkg28_files(name, rng);
  std::string m = "{\"name\":\"" + name + "\",\"origin\":\"misc/" + name +
                  "\",\"version\":\"1.0\",\"comment\":\"Synthetic\","
                  "\"maintainer\":\"ports@example.org\",\"www\":"
                  "\"https://example.org/\",\"abi\":\"FreeBSD:14:amd64\","
                  "\"arch\":\"freebsd:14:x86:64\",\"prefix\":\"/usr/local\","
                  "\"flatsize\":123456,\"licenselogic\":\"single\","
                  "\"licenses\":[\"BSD2CLAUSE\"],\"desc\":\"Synthetic.\","
                  "\"files\":{";
  double weights = 0;
  bool first = true;
  for (const auto& [file_path, file] : files) {
    weights += file.weight;
    m += std::string(first ? "" : ",") + "\"" + file_path + "\":{\"sum\":\"" +
         base32_sum(rng) +
         "\",\"uname\":\"root\",\"gname\":\"wheel\",\"perm\":\"" +
         (file.exec ? "0755" : "0644") + "\"}";
    first = false;
  }
  m += "}}";
  std::uniform_real_distribution<double> exponent(14.0, 23.0);  // 16K..8M
  const auto total = static_cast<size_t>(std::exp2(exponent(rng)));
  std::unique_ptr<archive, ArchiveWriteDeleter> a(archive_write_new());
  archive_write_add_filter_zstd(a.get());
  archive_write_set_format_pax_restricted(a.get());
  if (archive_write_open_filename(a.get(), path.c_str()) != ARCHIVE_OK) {
    return false;
  }
  bool ok =
      add_member(a.get(), "+COMPACT_MANIFEST", "{\"name\":\"" + name + "\"}") &&
      add_member(a.get(), "+MANIFEST", m);
  for (auto it = files.begin(); ok && it != files.end(); ++it) {
    const auto size = static_cast<size_t>(total * it->second.weight / weights);
    const size_t offset = rng() % (pool.size() - size);
    ok = add_member(a.get(), it->first, pool.substr(offset, size),
                    it->second.exec ? 0755 : 0644);
  }
  return ok && archive_write_close(a.get()) == ARCHIVE_OK;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: %s DIR [COUNT] [SEED] [hex|mixed|pkg28] [EXEC%%]\n",
                 argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  const long count = argc > 2 ? std::atol(argv[2]) : 20000;
  std::mt19937_64 rng(argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1);
  const bool mixed = argc > 4 && std::string(argv[4]) == "mixed";
  const unsigned exec_percent =
      argc > 5 ? static_cast<unsigned>(std::atoi(argv[5])) : 20;
  mkdir(dir.c_str(), 0755);
  if (argc > 4 && std::string(argv[4]) == "pkg28") {
    const std::string programs = program_bytes("/usr/bin", size_t{64} << 20);
    if (programs.size() < (size_t{16} << 20)) {
      std::fprintf(stderr, "too few program bytes in /usr/bin\n");
      return 1;
    }
    for (long i = 0; i < count; ++i) {
      const std::string name = "pkg" + std::to_string(i);
      if (!write_pkg28(dir + "/" + name + "-1.0.pkg", name, programs, rng)) {
        std::fprintf(stderr, "cannot write %s\n", name.c_str());
        return 1;
      }
    }
    return 0;
  }
  // A pool of text-like payload bytes that compresses about as binaries do.
  std::string pool;
  while (pool.size() < (size_t{8} << 20)) {
    uint64_t v = rng();
    pool += static_cast<char>('a' + v % 26);
    if (v % 7 == 0) {
      pool += static_cast<char>(v >> 8);
    }
  }
  for (long i = 0; i < count; ++i) {
    std::string name = "pkg" + std::to_string(i);
    std::string path = dir + "/" + name + "-1.0.pkg";
    std::unique_ptr<archive, ArchiveWriteDeleter> a(archive_write_new());
    archive_write_add_filter_zstd(a.get());
    archive_write_set_format_pax_restricted(a.get());
    if (archive_write_open_filename(a.get(), path.c_str()) != ARCHIVE_OK) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    // The payload is split over the listed files, which follow the
    // manifest in path order as the package tool writes them.
    std::vector<std::string> paths;
    std::string text = manifest(name, file_count(rng, i, count),
                                mixed && i % 2 == 0, exec_percent, rng, &paths);
    size_t size = payload_size(rng);
    size_t offset = rng() % (pool.size() - size);
    bool ok = add_member(a.get(), "+COMPACT_MANIFEST",
                         "{\"name\":\"" + name + "\"}") &&
              add_member(a.get(), "+MANIFEST", text);
    const size_t slice = size / std::max<size_t>(paths.size(), 1);
    for (size_t f = 0; ok && f < paths.size(); ++f) {
      ok =
          add_member(a.get(), paths[f], pool.substr(offset + f * slice, slice));
    }
    if (!ok || archive_write_close(a.get()) != ARCHIVE_OK) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
