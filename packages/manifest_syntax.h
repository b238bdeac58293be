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
// Values past an array's first kMaxKeptArrayElements elements, and
// everything inside them, are read but get no node.
class ManifestNodeBuilder {
 public:
  explicit ManifestNodeBuilder(std::vector<ManifestNode>* nodes)
      : nodes_(nodes) {}

  // Each adding call returns false, adding nothing, when the memory for
  // the node cannot be had (out_of_memory() says so).
  [[nodiscard]] bool leaf(ManifestType type) {
    if (!add_value()) {
      return true;
    }
    return room() &&
           (nodes_->push_back({0, 0, next_index() + 1, node_type(type)}), true);
  }

  // A string value or a key whose bytes are text[offset, offset + length).
  [[nodiscard]] bool text(int32_t type, size_t offset, size_t length) {
    if (type == kManifestKey ? !kept() : !add_value()) {
      return true;
    }
    return room() && (nodes_->push_back({static_cast<uint32_t>(offset),
                                         static_cast<uint32_t>(length),
                                         next_index() + 1, type}),
                      true);
  }

  // Also returns false, adding nothing, where the container would nest
  // deeper than kMaxManifestDepth.
  [[nodiscard]] bool open(ManifestType type) {
    if (levels_.size() >= kMaxManifestDepth) {
      return false;
    }
    const bool keep = add_value();
    if (keep && !room()) {
      return false;
    }
    levels_.push_back(
        {type == ManifestType::kObject, keep, next_index(), 0, 0});
    if (keep) {
      nodes_->push_back({0, 0, 0, node_type(type)});
    }
    return true;
  }

  // Closes the innermost open container, which has `children` members or
  // elements.
  void close(size_t children) {
    const Level level = levels_.back();
    levels_.pop_back();
    if (level.kept) {
      ManifestNode& node = (*nodes_)[level.index];
      node.length = static_cast<uint32_t>(children);
      node.end = next_index();
    }
  }

  bool out_of_memory() const { return out_of_memory_; }

  // The containers not yet closed, outermost first: whether each is an
  // object, and how many members or elements of it are complete.
  struct OpenContainer {
    bool is_object;
    size_t children;
  };
  std::vector<OpenContainer> open_containers() const {
    std::vector<OpenContainer> out;
    for (const Level& level : levels_) {
      // Each outer container's last value begun is the next one in.
      out.push_back({level.is_object,
                     level.values - (out.size() + 1 < levels_.size() ? 1 : 0)});
    }
    return out;
  }

 private:
  struct Level {
    bool is_object;
    bool kept;       // the container has a node
    uint32_t index;  // of its node, when kept
    size_t values;   // values begun in it (members' values, or elements)
    size_t kept_values;
  };

  uint32_t next_index() const { return static_cast<uint32_t>(nodes_->size()); }

  // Whether a value or key now belongs to a container that has a node.
  bool kept() const { return levels_.empty() || levels_.back().kept; }

  // Counts a value begun in the innermost container and says whether it
  // gets a node.
  bool add_value() {
    if (levels_.empty()) {
      return true;
    }
    Level& level = levels_.back();
    ++level.values;
    if (!level.kept ||
        (!level.is_object && level.kept_values >= kMaxKeptArrayElements)) {
      return false;
    }
    ++level.kept_values;
    return true;
  }

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
  std::vector<Level> levels_;
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
