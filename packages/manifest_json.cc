// Manifest JSON on RapidJSON, with the semantics the rest of the tool relies
// on: keys keep the order of the text and the first of two equal keys wins;
// strings are byte strings with a length (escapes decoded, "\u0000" kept,
// invalid UTF-8 passed through); numbers are integers unless they have a
// fraction or an exponent. The parse is iterative, so deep nesting costs
// heap, never stack; the pool allocator frees the tree without recursion.
#include "packages/manifest_json.h"

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>
#include <string.h>

#include <unordered_set>

namespace zps {
namespace {

using Value = rapidjson::Value;

const Value& as_value(const void* v) {
  return *static_cast<const Value*>(v);
}

std::string_view key_of(const Value::ConstMemberIterator& m) {
  return std::string_view(m->name.GetString(), m->name.GetStringLength());
}

constexpr unsigned kParseFlags =
    rapidjson::kParseIterativeFlag | rapidjson::kParseInsituFlag;

// Above this many members, repeated keys are found with a hash set instead
// of by comparing each key with the ones before it.
constexpr size_t kLinearDedupLimit = 16;

}  // namespace

struct ManifestDocument::Impl {
  std::string buffer;  // the text, decoded in place; outlives `doc`'s strings
  rapidjson::Document doc;
};

int ManifestValue::type() const {
  const Value& v = as_value(value_);
  switch (v.GetType()) {
    case rapidjson::kObjectType:
      return kTypeObject;
    case rapidjson::kArrayType:
      return kTypeArray;
    case rapidjson::kStringType:
      return kTypeString;
    case rapidjson::kNumberType:
      return v.IsDouble() ? kTypeFloat : kTypeInteger;
    case rapidjson::kTrueType:
    case rapidjson::kFalseType:
      return kTypeBoolean;
    case rapidjson::kNullType:
      break;
  }
  return kTypeNull;
}

std::optional<ManifestValue> ManifestValue::lookup(std::string_view key) const {
  const Value& v = as_value(value_);
  if (!v.IsObject()) {
    return std::nullopt;
  }
  for (auto m = v.MemberBegin(); m != v.MemberEnd(); ++m) {
    if (key_of(m) == key) {
      return ManifestValue(&m->value);
    }
  }
  return std::nullopt;
}

std::optional<std::string_view> ManifestValue::string() const {
  const Value& v = as_value(value_);
  if (!v.IsString()) {
    return std::nullopt;
  }
  return std::string_view(v.GetString(), v.GetStringLength());
}

std::vector<ManifestMember> ManifestValue::members() const {
  std::vector<ManifestMember> out;
  const Value& v = as_value(value_);
  if (!v.IsObject()) {
    return out;
  }
  out.reserve(v.MemberCount());
  if (v.MemberCount() <= kLinearDedupLimit) {
    for (auto m = v.MemberBegin(); m != v.MemberEnd(); ++m) {
      std::string_view key = key_of(m);
      bool repeated = false;
      for (const ManifestMember& earlier : out) {
        repeated = repeated || earlier.key == key;
      }
      if (!repeated) {
        out.push_back({key, ManifestValue(&m->value)});
      }
    }
    return out;
  }
  std::unordered_set<std::string_view> seen;
  seen.reserve(v.MemberCount());
  for (auto m = v.MemberBegin(); m != v.MemberEnd(); ++m) {
    std::string_view key = key_of(m);
    if (seen.insert(key).second) {
      out.push_back({key, ManifestValue(&m->value)});
    }
  }
  return out;
}

std::vector<ManifestValue> ManifestValue::as_list() const {
  std::vector<ManifestValue> out;
  const Value& v = as_value(value_);
  if (!v.IsArray()) {
    out.push_back(*this);
    return out;
  }
  out.reserve(v.Size());
  for (const Value& element : v.GetArray()) {
    out.push_back(ManifestValue(&element));
  }
  return out;
}

ManifestDocument::ManifestDocument(std::unique_ptr<Impl> impl)
    : impl_(std::move(impl)) {}

ManifestDocument::~ManifestDocument() = default;

ManifestValue ManifestDocument::root() const {
  return ManifestValue(&impl_->doc);
}

std::unique_ptr<ManifestDocument> ManifestDocument::parse(std::string_view text,
                                                          std::string* error) {
  // The in-place parser reads up to a NUL terminator, so a raw NUL byte in
  // the text would end it early and hide what follows. JSON allows no raw
  // NUL anywhere, so it is rejected here with its offset.
  if (const void* nul = memchr(text.data(), '\0', text.size())) {
    *error = "Invalid NUL byte in the text. (offset " +
             std::to_string(static_cast<const char*>(nul) - text.data()) + ")";
    return nullptr;
  }
  auto impl = std::make_unique<Impl>();
  impl->buffer.assign(text);
  impl->doc.ParseInsitu<kParseFlags>(impl->buffer.data());
  if (impl->doc.HasParseError()) {
    *error =
        std::string(rapidjson::GetParseError_En(impl->doc.GetParseError())) +
        " (offset " + std::to_string(impl->doc.GetErrorOffset()) + ")";
    return nullptr;
  }
  return std::unique_ptr<ManifestDocument>(
      new ManifestDocument(std::move(impl)));
}

}  // namespace zps
