// Any bytes as a manifest in the configuration syntax: the parse ends, and
// whatever parses means the same when written out as JSON and read back
// through the JSON path (same keys in the same order, same string bytes,
// same kinds of value).
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "packages/manifest_document.h"

namespace {

std::string json_string(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (unsigned char c : bytes) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// The value as JSON that keeps each value's kind (integers as 0, floats as
// 0.5) and every string's bytes.
std::string as_json(zps::ManifestValue value) {
  switch (value.type()) {
    case zps::ManifestType::kObject: {
      std::string out = "{";
      for (const zps::ManifestMember& m : value.members()) {
        out += (out.size() > 1 ? "," : "") + json_string(m.key) + ":" +
               as_json(m.value);
      }
      return out + "}";
    }
    case zps::ManifestType::kArray: {
      std::string out = "[";
      for (const zps::ManifestValue& e : value.as_list()) {
        out += (out.size() > 1 ? "," : "") + as_json(e);
      }
      return out + "]";
    }
    case zps::ManifestType::kString:
      return json_string(*value.string());
    case zps::ManifestType::kInteger:
      return "0";
    case zps::ManifestType::kFloat:
      return "0.5";
    case zps::ManifestType::kBoolean:
      return "true";
    case zps::ManifestType::kNull:
      return "null";
  }
  return "?";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A comment first keeps every input, even one that starts with "{", on
  // the configuration syntax's reader.
  std::string text = "#\n";
  text.append(reinterpret_cast<const char*>(data), size);
  std::string error;
  auto doc = zps::ManifestDocument::parse(std::move(text), &error);
  if (doc == nullptr) {
    zps::require(error.find(" (offset ") != std::string::npos,
                 "a failed parse says where");
    return 0;
  }
  const std::string json = as_json(doc->root());
  auto again = zps::ManifestDocument::parse(json, &error);
  zps::require(again != nullptr, "the JSON form parses");
  zps::require(as_json(again->root()) == json, "the JSON form means the same");
  return 0;
}
