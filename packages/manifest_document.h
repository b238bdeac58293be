#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zps {

// The deepest nesting of objects and arrays a manifest may have. Real ones
// nest four levels.
inline constexpr size_t kMaxManifestDepth = 1000;

// The elements an array keeps: no rule reads further into an array (the
// licenses, the only list read, are cut at 64), so the nodes of later
// elements are never built, and an array of millions of values costs what
// its text costs. Such an array's node still counts every element.
inline constexpr size_t kMaxKeptArrayElements = 1024;

// The kinds of manifest values, numbered as the verbose messages print them.
enum class ManifestType : int {
  kObject = 0,
  kArray = 1,
  kInteger = 2,  // a number without fraction or exponent
  kFloat = 3,
  kString = 4,
  kBoolean = 5,
  kNull = 8,
};

struct ManifestMember;
class ManifestDocument;

// A borrowed view of one value inside a ManifestDocument; valid while the
// document lives.
class ManifestValue {
 public:
  ManifestType type() const;

  // Returns the value of the first member named `key` (compared byte for
  // byte), or nothing when there is none or this value is not an object.
  std::optional<ManifestValue> lookup(std::string_view key) const;

  // Returns the bytes of a string value, escapes decoded, NUL bytes and
  // invalid UTF-8 included; nothing when this value is not a string.
  std::optional<std::string_view> string() const;

  // Returns the members of an object in the order of the text, each key
  // once: a key repeated in the same object keeps its first value and its
  // later occurrences are left out. Empty for any other value.
  std::vector<ManifestMember> members() const;

  // As members(), but only the first `max_count` of them; `*more` says
  // whether the object has further keys.
  // Requires: more != nullptr.
  std::vector<ManifestMember> members(size_t max_count, bool* more) const;

  // Returns the value as a list: the elements of an array in order (the
  // first kMaxKeptArrayElements of them: a document keeps no more), or the
  // value itself for anything else.
  std::vector<ManifestValue> as_list() const;

  // Returns the string values among as_list(), in order, up to `max_count`
  // of them and `max_bytes` in all: a string that does not fit ends the
  // list. `*more` says whether strings were left out, or may have been:
  // an array's elements past the first kMaxKeptArrayElements are not kept.
  // Requires: more != nullptr.
  std::vector<std::string_view> list_strings(size_t max_count, size_t max_bytes,
                                             bool* more) const;

 private:
  friend class ManifestDocument;
  ManifestValue(const ManifestDocument* doc, uint32_t index)
      : doc_(doc), index_(index) {}
  const ManifestDocument* doc_;
  uint32_t index_;  // of the value's node in the document
};

struct ManifestMember {
  std::string_view key;
  ManifestValue value;
};

// A parsed manifest: JSON text, or text in the package tool's configuration
// syntax, read as byte strings, with the key order of the text kept.
class ManifestDocument {
 public:
  ~ManifestDocument();
  ManifestDocument(const ManifestDocument&) = delete;
  ManifestDocument& operator=(const ManifestDocument&) = delete;

  // Parses `text` (its exact length; any byte may occur), which the
  // document keeps: as JSON when its first byte other than a blank is "{" or
  // "[" (or it has none), otherwise in the configuration syntax, whose
  // macros are refused. Numbers of any size are read. Returns the document, or
  // nullptr after setting `*error` to the parser's message and the byte offset
  // where it stopped. Objects and arrays nested deeper than kMaxManifestDepth
  // are a parse error. Requires: error != nullptr.
  static std::unique_ptr<ManifestDocument> parse(std::string text,
                                                 std::string* error);

  ManifestValue root() const { return ManifestValue(this, 0); }

 private:
  friend class ManifestValue;
  struct Impl;
  explicit ManifestDocument(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace zps
