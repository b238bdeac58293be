#include "packages/manifest_reader.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "testutil/memory_stream.h"
#include "testutil/package_writer.h"
#include "testutil/process_state.h"
#include "testutil/temp_dir.h"

namespace zps {
namespace {

constexpr std::string_view kManifest = R"({"name":"p","files":{}})";

std::string tar_declaring_size(uint64_t size) {
  return zps::tar_declaring_size("+MANIFEST", std::string(kManifest), size);
}

TEST(ReadManifest, FindsTheFirstExactMemberInEveryCompression) {
  const std::string payload(100000, 'p');
  for (std::string_view filter : {"zstd", "xz", "gzip", "bzip2", ""}) {
    SCOPED_TRACE(std::string(filter));
    std::string bytes = package_bytes({{"+COMPACT_MANIFEST", "{}"},
                                       {"./+MANIFEST", "dot-slash"},
                                       {"/+MANIFEST", "slash"},
                                       {"+manifest", "case"},
                                       {"/usr/local/bin/x", payload, 0755},
                                       {"+MANIFEST", std::string(kManifest)},
                                       {"+MANIFEST", "second"}},
                                      filter);
    ASSERT_FALSE(bytes.empty());
    MemoryStream err;
    EXPECT_EQ(read_manifest_from_memory(bytes, "p", err.get()), kManifest);
    EXPECT_EQ(err.contents(), "");
  }
}

TEST(ReadManifest, YieldsNothingWithoutAUsableMember) {
  struct Case {
    std::string name;
    std::string bytes;
    std::string want_err;
  };
  const std::string good =
      package_bytes({{"+MANIFEST", std::string(kManifest)},
                     {"/usr/bin/x", std::string(50000, 'x')}});
  std::string noise;
  for (uint32_t x = 1; noise.size() < 200000; x = x * 1103515245 + 12345) {
    noise += static_cast<char>('a' + (x >> 16) % 26);
  }
  const std::string noisy = package_bytes({{"+MANIFEST", noise}}, "");
  const Case cases[] = {
      {"no manifest", package_bytes({{"+COMPACT_MANIFEST", "{}"}}), ""},
      {"only a dotted name", package_bytes({{"./+MANIFEST", "x"}}), ""},
      {"empty member", package_bytes({{"+MANIFEST", ""}}), ""},
      {"garbage", std::string(1000, 'g'),
       "  skip (cannot open): Unrecognized archive format\n"},
      {"truncated in the first block", good.substr(0, 20),
       "  skip (cannot open): Truncated zstd input\n"},
      {"truncated inside the manifest", noisy.substr(0, noisy.size() / 2), ""},
      {"declares 2^62 bytes", tar_declaring_size(uint64_t{1} << 62),
       "  skip (+MANIFEST larger than 268435456 bytes): p\n"},
      {"declares more than it holds", tar_declaring_size(1 << 20), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.bytes.empty());
    MemoryStream err;
    EXPECT_EQ(read_manifest_from_memory(c.bytes, "p", err.get()), "");
    EXPECT_EQ(err.contents(), c.want_err);
  }
}

TEST(ReadManifest, ReadsAMemberOfUnknownSizeInChunks) {
  std::string big(100000, 'm');  // several read chunks
  std::string bytes = package_bytes({{"+MANIFEST", big}}, "", "zip");
  ASSERT_FALSE(bytes.empty());
  MemoryStream err;
  EXPECT_EQ(read_manifest_from_memory(bytes, "p", err.get()), big);
}

TEST(ReadManifest, RefusesAManifestThatDecompressesPastTheBound) {
  std::string huge(kMaxManifestBytes + 1, ' ');
  std::string bytes = package_bytes({{"+MANIFEST", huge}}, "zstd", "zip");
  huge.clear();
  ASSERT_FALSE(bytes.empty());
  MemoryStream err;
  EXPECT_EQ(read_manifest_from_memory(bytes, "big", err.get()), "");
  EXPECT_EQ(err.contents(),
            "  skip (+MANIFEST larger than 268435456 bytes): big\n");
}

TEST(ReadManifest, OpensOnlyRegularFiles) {
  TempDir dir;
  ASSERT_TRUE(write_package(dir.path("ok.pkg"),
                            {{"+MANIFEST", std::string(kManifest)}}));
  mkdir(dir.path("dir.pkg").c_str(), 0755);
  ASSERT_EQ(mkfifo(dir.path("fifo.pkg").c_str(), 0644), 0);
  struct Case {
    std::string path;
    std::string want;
    std::string want_err;
  };
  const Case cases[] = {
      {dir.path("ok.pkg"), std::string(kManifest), ""},
      {dir.path("dir.pkg"), "",
       "  skip (cannot open): '" + dir.path("dir.pkg") +
           "' is not a regular file\n"},
      {dir.path("fifo.pkg"), "",
       "  skip (cannot open): '" + dir.path("fifo.pkg") +
           "' is not a regular file\n"},
      {dir.path("gone.pkg"), "",
       "  skip (cannot open): Failed to open '" + dir.path("gone.pkg") +
           "': No such file or directory\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    MemoryStream err;
    EXPECT_EQ(read_manifest(c.path, err.get()), c.want);
    EXPECT_EQ(err.contents(), c.want_err);
  }
}

TEST(PackageArchive, LeavesNoDescriptorOpen) {
  TempDir dir;
  ASSERT_TRUE(write_package(dir.path("p.pkg"),
                            {{"+MANIFEST", std::string(kManifest)},
                             {"/usr/bin/x", std::string(70000, 'x'), 0755}}));
  ASSERT_TRUE(write_file(dir.path("bad.pkg"), "not an archive"));
  const int before = open_descriptor_count();
  for (int i = 0; i < 100; ++i) {
    MemoryStream err;
    auto archive = PackageArchive::open_file(dir.path("p.pkg"), err.get());
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(archive->read_manifest("p", err.get()), kManifest);
    EXPECT_EQ(archive->digest_remaining_members().size(), 1u);
    EXPECT_EQ(PackageArchive::open_file(dir.path("bad.pkg"), err.get()),
              nullptr);
  }
  EXPECT_EQ(open_descriptor_count(), before);
}

}  // namespace
}  // namespace zps
