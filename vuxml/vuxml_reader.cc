#include "vuxml/vuxml_reader.h"

#include <expat.h>

#include <algorithm>
#include <cstring>

#include "base/ascii.h"
#include "packages/package_archive.h"

namespace zps {
namespace {

// Where an element stands, as far as the advisories are concerned.
enum class Kind {
  kOther,  // anything not kept, and all inside it
  kVuxml,
  kVuln,
  kTopic,
  kAffects,
  kPackage,
  kName,
  kRange,
  kBound,
  kReferences,
  kCvename,
  kDates,
  kEntry,
  kModified,
  kCancelled,
};

struct Child {
  Kind parent;
  std::string_view name;
  Kind kind;
};
// The elements read, by their parent; <system> (advisories for the base
// system by its release) is one of those not read.
constexpr Child kChildren[] = {
    {Kind::kVuxml, "vuln", Kind::kVuln},
    {Kind::kVuln, "topic", Kind::kTopic},
    {Kind::kVuln, "affects", Kind::kAffects},
    {Kind::kVuln, "references", Kind::kReferences},
    {Kind::kVuln, "dates", Kind::kDates},
    {Kind::kVuln, "cancelled", Kind::kCancelled},
    {Kind::kAffects, "package", Kind::kPackage},
    {Kind::kPackage, "name", Kind::kName},
    {Kind::kPackage, "range", Kind::kRange},
    {Kind::kRange, "lt", Kind::kBound},
    {Kind::kRange, "le", Kind::kBound},
    {Kind::kRange, "gt", Kind::kBound},
    {Kind::kRange, "ge", Kind::kBound},
    {Kind::kRange, "eq", Kind::kBound},
    {Kind::kReferences, "cvename", Kind::kCvename},
    {Kind::kDates, "entry", Kind::kEntry},
    {Kind::kDates, "modified", Kind::kModified},
};

// The overhead counted for each kept text or list entry.
constexpr size_t kEntryCost = 32;

bool is_xml_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && is_xml_space(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && is_xml_space(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

// Returns `text` with each run of white space or control bytes one space,
// and none at either end.
std::string collapsed(std::string_view text) {
  std::string out;
  bool gap = false;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F) {
      gap = true;
      continue;
    }
    if (gap && !out.empty()) {
      out += ' ';
    }
    gap = false;
    out += c;
  }
  return out;
}

// True for "CVE-", four digits, "-" and at least four digits.
bool is_cve_id(std::string_view text) {
  return text.size() >= 13 && text.substr(0, 4) == "CVE-" &&
         is_all_digits(text.substr(4, 4)) && text[8] == '-' &&
         is_all_digits(text.substr(9));
}

BoundKind bound_kind(std::string_view name) {
  if (name == "le") {
    return BoundKind::kLe;
  }
  if (name == "gt") {
    return BoundKind::kGt;
  }
  if (name == "ge") {
    return BoundKind::kGe;
  }
  if (name == "eq") {
    return BoundKind::kEq;
  }
  return BoundKind::kLt;
}

struct ParserDeleter {
  void operator()(XML_Parser p) const { XML_ParserFree(p); }
};
using UniqueParser = std::unique_ptr<XML_ParserStruct, ParserDeleter>;

}  // namespace

struct VuxmlReadState {
  UniqueParser parser;
  std::vector<Kind> stack;  // the open elements, innermost last
  size_t depth = 0;         // also those past kMaxVuxmlDepth: none are
  size_t bytes = 0;
  size_t kept = 0;
  std::string text;  // of the open kept element
  BoundKind bound = BoundKind::kLt;
  Advisory advisory;  // the open <vuln>
  bool cancelled = false;
  std::vector<Advisory> advisories;
  std::string error;

  // Ends the parse with `reason`, at the current line.
  void refuse(const std::string& reason) {
    if (error.empty()) {
      error = reason + " (line " +
              std::to_string(XML_GetCurrentLineNumber(parser.get())) + ")";
    }
    XML_StopParser(parser.get(), XML_FALSE);
  }

  // Counts `cost` kept bytes; false, after refusing, past the bound.
  bool keep(size_t cost) {
    kept += cost;
    if (kept > kMaxVuxmlKeptBytes) {
      refuse("more advisory data than " +
             std::to_string(kMaxVuxmlKeptBytes >> 20) + " MiB");
      return false;
    }
    return true;
  }

  void start(std::string_view name, const XML_Char** attributes) {
    if (++depth > kMaxVuxmlDepth) {
      refuse("elements nested deeper than " + std::to_string(kMaxVuxmlDepth));
      return;
    }
    Kind kind = Kind::kOther;
    if (stack.empty()) {
      if (name != "vuxml") {
        refuse("the root element is not <vuxml>");
        return;
      }
      kind = Kind::kVuxml;
    } else {
      for (const Child& child : kChildren) {
        if (child.parent == stack.back() && child.name == name) {
          kind = child.kind;
          break;
        }
      }
    }
    stack.push_back(kind);
    if (kind != Kind::kOther) {
      text.clear();
    }
    switch (kind) {
      case Kind::kVuln:
        advisory = Advisory();
        cancelled = false;
        for (size_t i = 0; attributes[i] != nullptr; i += 2) {
          if (std::strcmp(attributes[i], "vid") == 0) {
            advisory.vid = collapsed(attributes[i + 1]);
          }
        }
        keep(kEntryCost * 4 + advisory.vid.size());
        break;
      case Kind::kPackage:
        advisory.packages.emplace_back();
        keep(kEntryCost);
        break;
      case Kind::kRange:
        advisory.packages.back().ranges.emplace_back();
        keep(kEntryCost);
        break;
      case Kind::kBound:
        bound = bound_kind(name);
        break;
      case Kind::kCancelled:
        cancelled = true;
        break;
      default:
        break;
    }
  }

  void characters(std::string_view data) {
    switch (stack.empty() ? Kind::kOther : stack.back()) {
      case Kind::kTopic:
      case Kind::kName:
      case Kind::kBound:
      case Kind::kCvename:
      case Kind::kEntry:
      case Kind::kModified:
        break;
      default:
        return;
    }
    if (text.size() + data.size() > kMaxVuxmlTextBytes) {
      refuse("an element's text is longer than " +
             std::to_string(kMaxVuxmlTextBytes) + " bytes");
      return;
    }
    text.append(data);
  }

  void end() {
    --depth;
    if (depth >= kMaxVuxmlDepth || stack.empty()) {
      return;
    }
    const Kind kind = stack.back();
    stack.pop_back();
    const std::string_view value = trimmed(text);
    switch (kind) {
      case Kind::kVuln:
        if (!cancelled && !advisory.vid.empty()) {
          advisories.push_back(std::move(advisory));
        }
        break;
      case Kind::kTopic:
        advisory.topic = collapsed(text);
        keep(kEntryCost + advisory.topic.size());
        break;
      case Kind::kName:
        advisory.packages.back().names.emplace_back(value);
        keep(kEntryCost + value.size());
        break;
      case Kind::kBound:
        advisory.packages.back().ranges.back().bounds.push_back(
            {bound, std::string(value)});
        keep(kEntryCost + value.size());
        break;
      case Kind::kCvename:
        if (is_cve_id(value)) {
          advisory.cves.emplace_back(value);
          keep(kEntryCost + value.size());
        }
        break;
      case Kind::kEntry:
        advisory.entry = value;
        keep(value.size());
        break;
      case Kind::kModified:
        advisory.modified = value;
        keep(value.size());
        break;
      default:
        return;  // the text of an enclosing kept element goes on
    }
    text.clear();
  }
};

namespace {

VuxmlReadState* state_of(void* user_data) {
  return static_cast<VuxmlReadState*>(user_data);
}

void on_start(void* user_data, const XML_Char* name,
              const XML_Char** attributes) {
  state_of(user_data)->start(name, attributes);
}

void on_end(void* user_data, const XML_Char*) {
  state_of(user_data)->end();
}

void on_characters(void* user_data, const XML_Char* data, int size) {
  state_of(user_data)->characters(
      std::string_view(data, static_cast<size_t>(size)));
}

// Any entity declaration ends the parse: VuXML needs none, and refusing
// them keeps both expansion bombs and external entities out.
void on_entity_declaration(void* user_data, const XML_Char*, int,
                           const XML_Char*, int, const XML_Char*,
                           const XML_Char*, const XML_Char*, const XML_Char*) {
  state_of(user_data)->refuse("the document declares an entity");
}

}  // namespace

VuxmlParser::VuxmlParser() : state_(std::make_unique<VuxmlReadState>()) {
  VuxmlReadState* s = state_.get();
  s->parser.reset(XML_ParserCreate(nullptr));
  if (s->parser == nullptr) {
    s->error = "out of memory";
    return;
  }
  XML_Parser p = s->parser.get();
  XML_SetUserData(p, s);
  XML_SetElementHandler(p, on_start, on_end);
  XML_SetCharacterDataHandler(p, on_characters);
  XML_SetEntityDeclHandler(p, on_entity_declaration);
  (void)XML_SetParamEntityParsing(p, XML_PARAM_ENTITY_PARSING_NEVER);
}

VuxmlParser::~VuxmlParser() = default;

namespace {

// Hands `bytes` to expat in pieces its int length can take.
bool parse_piece(VuxmlReadState* s, std::string_view bytes, bool final) {
  constexpr size_t kPiece = size_t{1} << 20;
  do {
    const size_t n = std::min(bytes.size(), kPiece);
    const bool last = final && n == bytes.size();
    if (XML_Parse(s->parser.get(), bytes.data(), static_cast<int>(n),
                  last ? XML_TRUE : XML_FALSE) != XML_STATUS_OK) {
      if (s->error.empty()) {
        XML_Parser p = s->parser.get();
        s->error = std::string(XML_ErrorString(XML_GetErrorCode(p))) +
                   " (line " + std::to_string(XML_GetCurrentLineNumber(p)) +
                   ", column " +
                   std::to_string(XML_GetCurrentColumnNumber(p) + 1) + ")";
      }
      return false;
    }
    bytes.remove_prefix(n);
  } while (!bytes.empty());
  return s->error.empty();
}

}  // namespace

bool VuxmlParser::feed(std::string_view bytes) {
  VuxmlReadState* s = state_.get();
  if (!s->error.empty()) {
    return false;
  }
  if (bytes.size() > kMaxVuxmlBytes - s->bytes) {
    s->error = "larger than " + std::to_string(kMaxVuxmlBytes >> 20) + " MiB";
    return false;
  }
  s->bytes += bytes.size();
  return bytes.empty() || parse_piece(s, bytes, false);
}

bool VuxmlParser::finish() {
  VuxmlReadState* s = state_.get();
  return s->error.empty() && parse_piece(s, std::string_view(), true);
}

const std::string& VuxmlParser::error() const {
  return state_->error;
}

std::vector<Advisory> VuxmlParser::take_advisories() {
  return std::move(state_->advisories);
}

std::optional<std::vector<Advisory>> parse_vuxml(std::string_view text,
                                                 std::string* reason) {
  VuxmlParser parser;
  if (!parser.feed(text) || !parser.finish()) {
    *reason = parser.error();
    return std::nullopt;
  }
  return parser.take_advisories();
}

std::optional<std::vector<Advisory>> read_vuxml_file(const std::string& path,
                                                     std::string* reason) {
  VuxmlParser parser;
  bool refused = false;
  if (!read_decompressed_file(
          path,
          [&](std::string_view bytes) {
            refused = !parser.feed(bytes);
            return !refused;
          },
          reason)) {
    return std::nullopt;
  }
  if (refused || !parser.finish()) {
    *reason = parser.error();
    return std::nullopt;
  }
  return parser.take_advisories();
}

std::string vuxml_date_time(std::string_view date) {
  if (date.size() != 10 || !is_all_digits(date.substr(0, 4)) ||
      date[4] != '-' || !is_all_digits(date.substr(5, 2)) || date[7] != '-' ||
      !is_all_digits(date.substr(8, 2))) {
    return "";
  }
  const int month = (date[5] - '0') * 10 + (date[6] - '0');
  const int day = (date[8] - '0') * 10 + (date[9] - '0');
  if (month < 1 || month > 12 || day < 1 || day > 31) {
    return "";
  }
  return std::string(date) + "T00:00:00Z";
}

}  // namespace zps
