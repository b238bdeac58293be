#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zps {

// What an advisory of a VuXML document says, as far as matching packages
// and citing the advisory need: nothing of its description is kept.

enum class BoundKind { kLt, kLe, kGt, kGe, kEq };

// One bound of a range: <lt>, <le>, <gt>, <ge> or <eq> and its version.
struct VersionBound {
  BoundKind kind = BoundKind::kLt;
  std::string version;
};

// A <range>: the versions that meet every bound (all of them when there
// is none).
struct VersionRange {
  std::vector<VersionBound> bounds;
};

// A <package> of an advisory's <affects>: the names it lists, and the
// ranges of which any one makes a version affected.
struct AffectedPackage {
  std::vector<std::string> names;
  std::vector<VersionRange> ranges;
};

// One <vuln> entry that is not cancelled.
struct Advisory {
  // The vid and topic have each run of white space and control bytes
  // made one space, and none at either end.
  std::string vid;
  std::string topic;
  std::string entry;              // <dates><entry>, as written
  std::string modified;           // <dates><modified>, as written; may be empty
  std::vector<std::string> cves;  // each <cvename> of the form CVE-YYYY-N...
  std::vector<AffectedPackage> packages;
};

// The bounds of a document the reader accepts. Real VuXML (all years,
// about 10 MB) stays far below them.
inline constexpr size_t kMaxVuxmlBytes = size_t{64} << 20;  // decompressed
inline constexpr size_t kMaxVuxmlDepth = 256;               // nested elements
inline constexpr size_t kMaxVuxmlTextBytes = 64 * 1024;     // one kept text
// What the advisories kept may hold, counting each text, list entry and
// advisory with a fixed overhead, so that tiny elements cannot multiply
// the document's size in memory.
inline constexpr size_t kMaxVuxmlKeptBytes = size_t{64} << 20;

struct VuxmlReadState;  // the parse in progress, defined with the parser

// A streaming reader of one VuXML document, on expat. The document may be
// fed in pieces of any size. No DTD or other external entity is ever
// loaded, and a document that declares an entity is refused, so nothing
// outside the given bytes enters, and no entity expands. Reports nothing
// itself.
class VuxmlParser {
 public:
  VuxmlParser();
  ~VuxmlParser();
  VuxmlParser(const VuxmlParser&) = delete;
  VuxmlParser& operator=(const VuxmlParser&) = delete;

  // Reads the next `bytes` of the document. Returns false once the
  // document is not well-formed, is not VuXML (its root element is not
  // <vuxml>) or passes one of the bounds above; error() then says why, and
  // further calls return false.
  [[nodiscard]] bool feed(std::string_view bytes);

  // Ends the document. Returns false, as feed does, also when the document
  // ends early.
  [[nodiscard]] bool finish();

  // Why feed or finish returned false: a short English phrase with the
  // line number where that is known.
  const std::string& error() const;

  // Returns the advisories read, in document order, cancelled ones left
  // out. Meaningful after finish returned true.
  std::vector<Advisory> take_advisories();

 private:
  std::unique_ptr<VuxmlReadState> state_;
};

// Reads the whole document `text`. Returns nothing after setting `*reason`
// when VuxmlParser refuses it.
// Requires: reason != nullptr.
std::optional<std::vector<Advisory>> parse_vuxml(std::string_view text,
                                                 std::string* reason);

// Reads the VuXML file at `path`, plain or compressed with xz, gzip, bzip2
// or zstd. Returns nothing after setting `*reason` when it cannot be read,
// decompressed or parsed, or is larger than kMaxVuxmlBytes.
// Requires: reason != nullptr.
std::optional<std::vector<Advisory>> read_vuxml_file(const std::string& path,
                                                     std::string* reason);

// Returns the VuXML date `date` (YYYY-MM-DD) as a date-time at midnight
// UTC, "YYYY-MM-DDT00:00:00Z", or "" when it is not such a date.
std::string vuxml_date_time(std::string_view date);

}  // namespace zps
