#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/memory.h"
#include "packages/manifest_document.h"

namespace zps {

// One value of a parsed manifest, in a flat array in the order of the text.
// A container's node is followed by its members (a key node, then the
// value's nodes) or elements, and knows the index just past its last
// descendant, so a lookup steps over whole values.
struct ManifestNode {
  uint32_t offset;  // strings and keys: where the bytes start in the text
  uint32_t length;  // strings and keys: byte count; containers: child count
  uint32_t end;     // index just past this value's last descendant
  int32_t type;     // a ManifestType, or kManifestKey
};

inline constexpr int32_t kManifestKey = -1;

// The parse error of a manifest whose values do not fit in memory.
inline constexpr char kManifestOutOfMemory[] =
    "Not enough memory for the manifest's values.";

constexpr int32_t node_type(ManifestType type) {
  return static_cast<int32_t>(type);
}

// Appends the nodes of a manifest as its readers find the values. Both
// readers of the text, RapidJSON for JSON and ours for the configuration
// syntax (and for JSON past RapidJSON's number range), build through it.
class ManifestNodeBuilder {
 public:
  explicit ManifestNodeBuilder(std::vector<ManifestNode>* nodes)
      : nodes_(nodes) {}

  // Each adding call returns false, adding nothing, when the memory for
  // the node cannot be had (out_of_memory() says so).
  [[nodiscard]] bool leaf(ManifestType type) {
    return room() &&
           (nodes_->push_back({0, 0, next_index() + 1, node_type(type)}), true);
  }

  // A string value or a key whose bytes are text[offset, offset + length).
  [[nodiscard]] bool text(int32_t type, size_t offset, size_t length) {
    return room() && (nodes_->push_back({static_cast<uint32_t>(offset),
                                         static_cast<uint32_t>(length),
                                         next_index() + 1, type}),
                      true);
  }

  // Also returns false, adding nothing, where the container would nest
  // deeper than kMaxManifestDepth.
  [[nodiscard]] bool open(ManifestType type) {
    if (open_.size() >= kMaxManifestDepth || !room()) {
      return false;
    }
    open_.push_back(next_index());
    nodes_->push_back({0, 0, 0, node_type(type)});
    return true;
  }

  // Closes the innermost open container, which has `children` members or
  // elements.
  void close(size_t children) {
    ManifestNode& node = (*nodes_)[open_.back()];
    open_.pop_back();
    node.length = static_cast<uint32_t>(children);
    node.end = next_index();
  }

  bool out_of_memory() const { return out_of_memory_; }

  // The indexes of the containers not yet closed, outermost first.
  const std::vector<uint32_t>& open_containers() const { return open_; }
  const std::vector<ManifestNode>& nodes() const { return *nodes_; }

 private:
  uint32_t next_index() const { return static_cast<uint32_t>(nodes_->size()); }

  // A manifest decides how many nodes it has, so the array grows only into
  // memory known to be there.
  bool room() {
    if (nodes_->size() < nodes_->capacity()) {
      return true;
    }
    const size_t grown = std::max<size_t>(64, 2 * nodes_->capacity());
    if (!can_allocate(grown * sizeof(ManifestNode))) {
      out_of_memory_ = true;
      return false;
    }
    nodes_->reserve(grown);
    return true;
  }

  std::vector<ManifestNode>* nodes_;
  std::vector<uint32_t> open_;
  bool out_of_memory_ = false;
};

// Reads `text` in the configuration syntax (pairs `key = value;`
// or `key: value`, `key { }` objects and `key [ ]` arrays, comments,
// heredocs; an implicit object at the top unless it starts with `{` or
// `[`) and appends its values to `builder`. Returns false after setting
// `*error` to a message ending in " (offset N)". Macros are refused.
[[nodiscard]] bool read_configuration_text(std::string* text,
                                           ManifestNodeBuilder* builder,
                                           std::string* error);

// Reads the rest of a JSON text from `start`, where a value begins inside
// the containers `builder` holds open (or at the top, with none), and
// appends the values. This is the way past a number outside the range of a
// double, which RapidJSON stops at. Returns false after setting `*error`.
[[nodiscard]] bool continue_json_text(std::string* text, size_t start,
                                      ManifestNodeBuilder* builder,
                                      std::string* error);

}  // namespace zps
