// Manifest text, JSON on RapidJSON or the configuration syntax on our own
// reader, with the semantics the rest of the tool relies on: keys keep the
// order of the text and the first of two equal keys wins; strings are byte
// strings with a length (escapes decoded, "\u0000" kept, invalid UTF-8 passed
// through); numbers are integers unless they have a fraction or an exponent.
//
// Both readers decode the text in place and report what they find; the
// document records each value as one fixed-size node in a flat array,
// in the order of the text. A container's node is followed by its members
// (a key node, then the value's nodes) or elements, and knows the index
// just past its last descendant, so a lookup steps over whole values.
// RapidJSON's recursion is kept far from the end of the stack by a nesting
// limit, and nothing recurses on the way out.
#include "packages/manifest_document.h"

#include <string.h>

#include <unordered_set>

#include "base/keyed_hash.h"
#include "base/memory.h"
#include "packages/manifest_syntax.h"

// SSE2 is part of every x86-64 processor; with it RapidJSON scans strings
// sixteen bytes at a time. Its aligned loads may read up to 15 bytes past
// the end of the text, which parse() keeps inside the text's allocation
// (as spare capacity); AddressSanitizer's checks are byte-exact all the
// same, so its builds use the plain loop.
#if defined(__SSE2__) && !defined(__SANITIZE_ADDRESS__)
#if defined(__has_feature)
#if !__has_feature(address_sanitizer)
#define RAPIDJSON_SSE2
#endif
#else
#define RAPIDJSON_SSE2
#endif
#endif

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

namespace zps {

struct ManifestDocument::Impl {
  std::string text;  // decoded in place; strings point into it
  std::vector<ManifestNode> nodes;
};

namespace {

using Node = ManifestNode;

// Numbers arrive as their text: the module tells integers from floats but
// never reads a value, so converting them would be wasted work.
constexpr unsigned kParseFlags =
    rapidjson::kParseInsituFlag | rapidjson::kParseNumbersAsStringsFlag;

// The most bytes RapidJSON's 16-byte loads read past the end of the text.
constexpr size_t kReadPastEnd = 16;

// Above this many members, repeated keys are found with a hash set instead
// of by comparing each key with the ones before it.
constexpr size_t kLinearDedupLimit = 16;

// Hands RapidJSON's events to the node builder; stops the parse where
// objects and arrays nest deeper than kMaxManifestDepth.
class RapidJsonEvents {
 public:
  RapidJsonEvents(const char* base, ManifestNodeBuilder* builder)
      : base_(base), builder_(*builder) {}

  bool Null() { return leaf(ManifestType::kNull); }
  bool Bool(bool) { return leaf(ManifestType::kBoolean); }
  bool Int(int) { return leaf(ManifestType::kInteger); }
  bool Uint(unsigned) { return leaf(ManifestType::kInteger); }
  bool Int64(int64_t) { return leaf(ManifestType::kInteger); }
  bool Uint64(uint64_t) { return leaf(ManifestType::kInteger); }
  bool Double(double) { return leaf(ManifestType::kFloat); }
  bool RawNumber(const char* s, rapidjson::SizeType n, bool) {
    bool is_float = false;
    for (rapidjson::SizeType i = 0; i < n; ++i) {
      is_float = is_float || s[i] == '.' || s[i] == 'e' || s[i] == 'E';
    }
    return leaf(is_float ? ManifestType::kFloat : ManifestType::kInteger);
  }
  bool String(const char* s, rapidjson::SizeType n, bool) {
    return builder_.text(node_type(ManifestType::kString), s - base_, n);
  }
  bool Key(const char* s, rapidjson::SizeType n, bool) {
    return builder_.text(kManifestKey, s - base_, n);
  }
  bool StartObject() { return open(ManifestType::kObject); }
  bool EndObject(rapidjson::SizeType members) { return close(members); }
  bool StartArray() { return open(ManifestType::kArray); }
  bool EndArray(rapidjson::SizeType elements) { return close(elements); }

 private:
  bool leaf(ManifestType type) { return builder_.leaf(type); }

  bool open(ManifestType type) { return builder_.open(type); }

  bool close(rapidjson::SizeType children) {
    builder_.close(children);
    return true;
  }

  const char* base_;
  ManifestNodeBuilder& builder_;
};

// JSON starts with an object or an array; any other text is in the
// configuration syntax. An empty text goes to RapidJSON, which names it.
bool is_json_text(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  return first == std::string_view::npos || text[first] == '{' ||
         text[first] == '[';
}

}  // namespace

ManifestType ManifestValue::type() const {
  const Node& n = doc_->impl_->nodes[index_];
  return n.type == kManifestKey ? ManifestType::kString
                                : static_cast<ManifestType>(n.type);
}

std::optional<std::string_view> ManifestValue::string() const {
  const Node& n = doc_->impl_->nodes[index_];
  if (n.type != node_type(ManifestType::kString)) {
    return std::nullopt;
  }
  return std::string_view(doc_->impl_->text.data() + n.offset, n.length);
}

std::optional<ManifestValue> ManifestValue::lookup(std::string_view key) const {
  const std::vector<Node>& nodes = doc_->impl_->nodes;
  const std::string& text = doc_->impl_->text;
  const Node& object = nodes[index_];
  if (object.type != node_type(ManifestType::kObject)) {
    return std::nullopt;
  }
  for (uint32_t k = index_ + 1; k < object.end; k = nodes[k + 1].end) {
    const Node& name = nodes[k];
    if (name.length == key.size() &&
        (key.empty() ||
         memcmp(text.data() + name.offset, key.data(), key.size()) == 0)) {
      return ManifestValue(doc_, k + 1);
    }
  }
  return std::nullopt;
}

std::vector<ManifestMember> ManifestValue::members() const {
  std::vector<ManifestMember> out;
  const std::vector<Node>& nodes = doc_->impl_->nodes;
  const std::string& text = doc_->impl_->text;
  const Node& object = nodes[index_];
  if (object.type != node_type(ManifestType::kObject)) {
    return out;
  }
  out.reserve(object.length);
  bool ascending = true;
  for (uint32_t k = index_ + 1; k < object.end; k = nodes[k + 1].end) {
    std::string_view key(text.data() + nodes[k].offset, nodes[k].length);
    // The package tool writes file lists sorted by path; keys in strictly
    // ascending order cannot repeat, which these comparisons show.
    ascending = ascending && (out.empty() || out.back().key < key);
    out.push_back({key, ManifestValue(doc_, k + 1)});
  }
  if (ascending) {
    return out;
  }
  // A key repeats somewhere: keep the first occurrence of each.
  std::vector<ManifestMember> unique;
  unique.reserve(out.size());
  if (out.size() <= kLinearDedupLimit) {
    for (const ManifestMember& m : out) {
      bool repeated = false;
      for (const ManifestMember& earlier : unique) {
        repeated = repeated || earlier.key == m.key;
      }
      if (!repeated) {
        unique.push_back(m);
      }
    }
    return unique;
  }
  std::unordered_set<std::string_view, KeyedHash> seen;
  seen.reserve(out.size());
  for (const ManifestMember& m : out) {
    if (seen.insert(m.key).second) {
      unique.push_back(m);
    }
  }
  return unique;
}

std::vector<ManifestValue> ManifestValue::as_list() const {
  std::vector<ManifestValue> out;
  const std::vector<Node>& nodes = doc_->impl_->nodes;
  const Node& value = nodes[index_];
  if (value.type != node_type(ManifestType::kArray)) {
    out.push_back(*this);
    return out;
  }
  out.reserve(value.length);
  for (uint32_t e = index_ + 1; e < value.end; e = nodes[e].end) {
    out.push_back(ManifestValue(doc_, e));
  }
  return out;
}

std::vector<ManifestMember> ManifestValue::members(size_t max_count,
                                                   bool* more) const {
  const Node& object = doc_->impl_->nodes[index_];
  *more = false;
  if (object.type != node_type(ManifestType::kObject) ||
      object.length <= max_count) {
    return members();
  }
  // Only the first keys are wanted: find them without listing the rest.
  const std::vector<Node>& nodes = doc_->impl_->nodes;
  const std::string& text = doc_->impl_->text;
  std::vector<ManifestMember> out;
  std::unordered_set<std::string_view, KeyedHash> seen;
  for (uint32_t k = index_ + 1; k < object.end; k = nodes[k + 1].end) {
    std::string_view key(text.data() + nodes[k].offset, nodes[k].length);
    if (!seen.insert(key).second) {
      continue;
    }
    if (out.size() == max_count) {
      *more = true;
      break;
    }
    out.push_back({key, ManifestValue(doc_, k + 1)});
  }
  return out;
}

std::vector<std::string_view> ManifestValue::list_strings(size_t max_count,
                                                          size_t max_bytes,
                                                          bool* more) const {
  std::vector<std::string_view> out;
  *more = false;
  const std::vector<Node>& nodes = doc_->impl_->nodes;
  const bool is_array = nodes[index_].type == node_type(ManifestType::kArray);
  const uint32_t first = is_array ? index_ + 1 : index_;
  const uint32_t end = is_array ? nodes[index_].end : index_ + 1;
  size_t bytes = 0;
  size_t elements = 0;
  for (uint32_t e = first; e < end; e = nodes[e].end, ++elements) {
    std::optional<std::string_view> text = ManifestValue(doc_, e).string();
    if (!text) {
      continue;
    }
    if (out.size() == max_count || text->size() > max_bytes - bytes) {
      *more = true;
      break;
    }
    bytes += text->size();
    out.push_back(*text);
  }
  // Elements past those an array keeps may hold more strings.
  *more = *more || (is_array && elements < nodes[index_].length);
  return out;
}

ManifestDocument::ManifestDocument(std::unique_ptr<Impl> impl)
    : impl_(std::move(impl)) {}

ManifestDocument::~ManifestDocument() = default;

std::unique_ptr<ManifestDocument> ManifestDocument::parse(std::string text,
                                                          std::string* error) {
  auto impl = std::make_unique<Impl>();
  impl->text = std::move(text);
  // The room the 16-byte loads may read past the end (see above); text read
  // from a package mostly has it already.
  if (impl->text.capacity() < impl->text.size() + kReadPastEnd) {
    if (!can_allocate(impl->text.size() + kReadPastEnd)) {
      *error = std::string(kManifestOutOfMemory) + " (offset 0)";
      return nullptr;
    }
    impl->text.reserve(impl->text.size() + kReadPastEnd);
  }
  // A manifest has about one node per 15 bytes; reserving for one per 8
  // spares the copies of a growing array, and pages are only touched as
  // nodes are written. Where that much cannot be had, the array grows.
  const size_t expected_nodes = impl->text.size() / 8 + 16;
  if (can_allocate(expected_nodes * sizeof(ManifestNode))) {
    impl->nodes.reserve(expected_nodes);
  }
  ManifestNodeBuilder builder(&impl->nodes);
  if (!is_json_text(impl->text)) {
    if (!read_configuration_text(&impl->text, &builder, error)) {
      return nullptr;
    }
    return std::unique_ptr<ManifestDocument>(
        new ManifestDocument(std::move(impl)));
  }
  RapidJsonEvents events(impl->text.data(), &builder);
  rapidjson::InsituStringStream stream(impl->text.data());
  rapidjson::Reader reader;
  rapidjson::ParseResult result = reader.Parse<kParseFlags>(stream, events);
  // The in-place reader takes a NUL byte for the end of the text. JSON
  // allows no raw NUL anywhere, so a parse that stopped at one, whether it
  // failed there or succeeded early, is reported as that byte.
  const size_t stop = result.IsError() ? result.Offset() : stream.Tell();
  if (stop < impl->text.size() && impl->text[stop] == '\0') {
    *error =
        "Invalid NUL byte in the text. (offset " + std::to_string(stop) + ")";
    return nullptr;
  }
  // RapidJSON stops at a number beyond a double's range even when numbers
  // are kept as text; it has changed nothing from that number on, so our
  // reader takes the rest from there.
  if (result.Code() == rapidjson::kParseErrorNumberTooBig) {
    if (!continue_json_text(&impl->text, result.Offset(), &builder, error)) {
      return nullptr;
    }
  } else if (result.IsError()) {
    *error = builder.out_of_memory() ? std::string(kManifestOutOfMemory)
             : result.Code() == rapidjson::kParseErrorTermination
                 ? "Nesting deeper than " + std::to_string(kMaxManifestDepth) +
                       " levels."
                 : rapidjson::GetParseError_En(result.Code());
    *error += " (offset " + std::to_string(result.Offset()) + ")";
    return nullptr;
  }
  return std::unique_ptr<ManifestDocument>(
      new ManifestDocument(std::move(impl)));
}

}  // namespace zps
