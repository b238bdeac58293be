#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace zps {

// The largest +MANIFEST text the tool reads, in bytes. Real manifests reach
// tens of MB; a member that declares or yields more is refused, so that a
// hostile size field or a decompression bomb cannot exhaust memory.
inline constexpr size_t kMaxManifestBytes = size_t{256} << 20;

// Returns the text of the first archive member named exactly "+MANIFEST" in
// the package file at `path`, or an empty string when there is none, its
// data is empty, or its data cannot be read in full. Only that member is
// decompressed. Writes "  skip (cannot open): <reason>" to `err` when the
// file cannot be opened as an archive (a path that is not a regular file
// included, so a FIFO never blocks the read), and "  skip (+MANIFEST larger
// than <kMaxManifestBytes> bytes): <label>" when the member exceeds the
// bound; each message ends with a line feed.
std::string read_manifest(const std::string& path, std::FILE* err);

// As read_manifest, for a package held in memory; `label` names it in the
// messages.
std::string read_manifest_from_memory(std::string_view bytes,
                                      std::string_view label, std::FILE* err);

}  // namespace zps
