// Our own reader of manifest text, for the configuration syntax the package
// tool writes when asked to expand its manifest, and for the rest of a JSON
// text after a number outside the range of a double.
//
// The configuration syntax: the top is an object without braces (unless the
// text starts with `{` or `[`), made of pairs `key = value`, `key: value`
// or `key value`, where a value that is an object or an array may follow
// the key directly (`key { ... }`, `key [ ... ]`). A `;` or `,` may follow
// any value. Keys are bare words or quoted strings. Values are "..."
// strings with JSON's escapes, '...' strings (a backslash takes the next
// byte with it: \' is a quote, a backslash and a line break are dropped,
// other pairs stay as written), heredocs (`<<TAG`, a line feed, the text,
// then TAG at the start of a line), or bare words: true, yes, on, false,
// no, off and null in any case, numbers, and otherwise strings. `#` and
// `//` comment to the end of the line, `/* */` comments nest. A bare key that
// starts with "." is a macro (.include, .priority and the like), which could
// make the reader open other files: refused.
//
// Both syntaxes decode strings in place (a decoded string is never longer
// than its source) and read with an explicit stack, so no input recurses.
#include "packages/manifest_syntax.h"

#include <string.h>

#include <string_view>

#include "base/ascii.h"

namespace zps {
namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool is_hex_digit(char c) {
  return is_ascii_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hex_value(char c) {
  if (is_ascii_digit(c)) {
    return c - '0';
  }
  return (c | 0x20) - 'a' + 10;
}

bool equals_ignoring_case(std::string_view word, std::string_view lower) {
  if (word.size() != lower.size()) {
    return false;
  }
  for (size_t i = 0; i < word.size(); ++i) {
    const char c = word[i] >= 'A' && word[i] <= 'Z' ? word[i] | 0x20 : word[i];
    if (c != lower[i]) {
      return false;
    }
  }
  return true;
}

// Returns the length of the JSON number at the start of `s` (an optional
// minus, an integer part without leading zeros, an optional fraction and
// exponent), or 0 when there is none; `*is_float` says whether it has a
// fraction or an exponent and `*problem` names what is missing.
size_t json_number_length(std::string_view s, bool* is_float,
                          const char** problem) {
  size_t i = 0;
  *is_float = false;
  *problem = "Invalid value.";
  if (i < s.size() && s[i] == '-') {
    ++i;
  }
  if (i < s.size() && s[i] == '0') {
    ++i;
  } else if (i < s.size() && is_ascii_digit(s[i])) {
    while (i < s.size() && is_ascii_digit(s[i])) {
      ++i;
    }
  } else {
    return 0;
  }
  if (i < s.size() && s[i] == '.') {
    *is_float = true;
    if (++i >= s.size() || !is_ascii_digit(s[i])) {
      *problem = "Missing fraction part in number.";
      return 0;
    }
    while (i < s.size() && is_ascii_digit(s[i])) {
      ++i;
    }
  }
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    *is_float = true;
    if (++i < s.size() && (s[i] == '+' || s[i] == '-')) {
      ++i;
    }
    if (i >= s.size() || !is_ascii_digit(s[i])) {
      *problem = "Missing exponent in number.";
      return 0;
    }
    while (i < s.size() && is_ascii_digit(s[i])) {
      ++i;
    }
  }
  return i;
}

// Says whether a bare word is a number: JSON's form, with an optional "+"
// before it, or 0x and hex digits after an optional sign.
bool is_number_word(std::string_view word, bool* is_float) {
  std::string_view number = word;
  if (number.size() > 1 && number[0] == '+' && number[1] != '-') {
    number.remove_prefix(1);
  }
  const std::string_view digits = number.substr(number.starts_with('-'));
  if (digits.size() > 2 && digits[0] == '0' &&
      (digits[1] == 'x' || digits[1] == 'X')) {
    *is_float = false;
    for (char c : digits.substr(2)) {
      if (!is_hex_digit(c)) {
        return false;
      }
    }
    return true;
  }
  const char* problem = nullptr;
  return !number.empty() &&
         json_number_length(number, is_float, &problem) == number.size();
}

// Writes the UTF-8 form of `code` (at most U+10FFFF) at `out`; returns the
// byte count.
size_t put_utf8(uint32_t code, char* out) {
  if (code < 0x80) {
    out[0] = static_cast<char>(code);
    return 1;
  }
  if (code < 0x800) {
    out[0] = static_cast<char>(0xC0 | (code >> 6));
    out[1] = static_cast<char>(0x80 | (code & 0x3F));
    return 2;
  }
  if (code < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (code >> 12));
    out[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (code & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (code >> 18));
  out[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (code & 0x3F));
  return 4;
}

enum class Syntax { kJson, kConfiguration };

class TextReader {
 public:
  TextReader(std::string* text, Syntax syntax, ManifestNodeBuilder* builder,
             std::string* error)
      : text_(*text), syntax_(syntax), builder_(*builder), error_(*error) {}

  bool read_configuration();
  bool continue_json(size_t start);

 private:
  struct Open {
    bool is_object;
    bool braced;  // false for the configuration syntax's implicit top
    size_t children;
  };
  enum class Step { kValue, kFirst, kNext, kAfterValue };

  bool run(Step step);
  bool fail(const char* message, size_t offset);
  // Passes on the builder's `success`, failing the parse where memory ran out.
  bool added(bool success) {
    return success || fail(kManifestOutOfMemory, pos_);
  }
  bool at_end() const { return pos_ >= text_.size(); }
  char peek() const { return text_[pos_]; }
  bool refuse_nul();

  void skip_blanks();
  bool skip_blanks_and_comments();
  bool open(bool is_object, bool braced);
  void close();

  bool read_value(Step* next);
  bool read_key();
  bool read_double_quoted(int32_t type);
  bool read_single_quoted(int32_t type);
  bool read_heredoc();
  bool read_bare_value();
  bool read_json_number();
  bool read_json_literal();

  std::string& text_;
  const Syntax syntax_;
  ManifestNodeBuilder& builder_;
  std::string& error_;
  size_t pos_ = 0;
  std::vector<Open> stack_;
};

bool TextReader::fail(const char* message, size_t offset) {
  error_ = std::string(message) + " (offset " + std::to_string(offset) + ")";
  return false;
}

// No raw NUL byte may stand anywhere in either syntax; looking for one
// first spares every scan below a check.
bool TextReader::refuse_nul() {
  const void* nul = memchr(text_.data() + pos_, '\0', text_.size() - pos_);
  if (nul == nullptr) {
    return true;
  }
  return fail("Invalid NUL byte in the text.",
              static_cast<const char*>(nul) - text_.data());
}

void TextReader::skip_blanks() {
  while (!at_end() && is_blank(peek())) {
    ++pos_;
  }
}

bool TextReader::skip_blanks_and_comments() {
  for (;;) {
    skip_blanks();
    if (syntax_ == Syntax::kJson || at_end()) {
      return true;
    }
    const std::string_view rest(text_.data() + pos_, text_.size() - pos_);
    if (rest[0] == '#' || rest.substr(0, 2) == "//") {
      const size_t line_end = rest.find('\n');
      pos_ = line_end == std::string_view::npos ? text_.size()
                                                : pos_ + line_end + 1;
      continue;
    }
    if (rest.substr(0, 2) != "/*") {
      return true;
    }
    const size_t start = pos_;
    size_t depth = 0;
    do {
      if (pos_ + 1 >= text_.size()) {
        return fail("Missing the end of a comment.", start);
      }
      if (text_[pos_] == '/' && text_[pos_ + 1] == '*') {
        ++depth;
        pos_ += 2;
      } else if (text_[pos_] == '*' && text_[pos_ + 1] == '/') {
        --depth;
        pos_ += 2;
      } else {
        ++pos_;
      }
    } while (depth > 0);
  }
}

bool TextReader::open(bool is_object, bool braced) {
  if (!builder_.open(is_object ? ManifestType::kObject
                               : ManifestType::kArray)) {
    return fail(builder_.out_of_memory() ? kManifestOutOfMemory
                                         : "Nesting deeper than 1000 levels.",
                pos_);
  }
  stack_.push_back({is_object, braced, 0});
  return true;
}

void TextReader::close() {
  builder_.close(stack_.back().children);
  stack_.pop_back();
}

bool TextReader::read_configuration() {
  if (!refuse_nul() || !skip_blanks_and_comments()) {
    return false;
  }
  if (!at_end() && (peek() == '{' || peek() == '[')) {
    return run(Step::kValue);
  }
  return open(true, false) && run(Step::kFirst);
}

bool TextReader::continue_json(size_t start) {
  pos_ = start;
  if (!refuse_nul()) {
    return false;
  }
  // The containers still open, with the members and elements already read
  // in each; the innermost one's value at `start` is not among them.
  for (const ManifestNodeBuilder::OpenContainer& open :
       builder_.open_containers()) {
    stack_.push_back({open.is_object, true, open.children});
  }
  return run(Step::kValue);
}

bool TextReader::run(Step step) {
  for (;;) {
    switch (step) {
      case Step::kValue:
        if (!skip_blanks_and_comments() || !read_value(&step)) {
          return false;
        }
        break;

      case Step::kFirst:
      case Step::kNext: {
        // At the first member or element of a container, or (the
        // configuration syntax) at the next one after a separator.
        if (!skip_blanks_and_comments()) {
          return false;
        }
        Open& top = stack_.back();
        if (syntax_ == Syntax::kConfiguration) {
          while (!at_end() && (peek() == ';' || peek() == ',')) {
            ++pos_;
            if (!skip_blanks_and_comments()) {
              return false;
            }
          }
        }
        if (at_end()) {
          if (!top.braced) {
            close();
            return true;
          }
          return fail(top.is_object ? "Missing a closing '}' of an object."
                                    : "Missing a closing ']' of an array.",
                      pos_);
        }
        const char closing = top.is_object ? '}' : ']';
        if (peek() == closing && top.braced &&
            (step == Step::kFirst || syntax_ == Syntax::kConfiguration)) {
          ++pos_;
          close();
          step = Step::kAfterValue;
          break;
        }
        if (!top.is_object) {
          step = Step::kValue;
          break;
        }
        if (!read_key()) {
          return false;
        }
        step = Step::kValue;
        break;
      }

      case Step::kAfterValue: {
        if (stack_.empty()) {
          if (!skip_blanks_and_comments()) {
            return false;
          }
          if (!at_end()) {
            return fail(
                "The document root must not be followed by other values.",
                pos_);
          }
          return true;
        }
        Open& top = stack_.back();
        ++top.children;
        if (!skip_blanks_and_comments()) {
          return false;
        }
        if (syntax_ == Syntax::kConfiguration) {
          step = Step::kNext;
          break;
        }
        const char closing = top.is_object ? '}' : ']';
        if (!at_end() && peek() == ',') {
          ++pos_;
          skip_blanks();
          if (top.is_object && !read_key()) {
            return false;
          }
          step = Step::kValue;
          break;
        }
        if (!at_end() && peek() == closing) {
          ++pos_;
          close();
          break;
        }
        return fail(top.is_object
                        ? "Missing a comma or '}' after an object member."
                        : "Missing a comma or ']' after an array element.",
                    pos_);
      }
    }
  }
}

// Reads a key and what separates it from its value, leaving `pos_` at the
// value.
bool TextReader::read_key() {
  const size_t start = pos_;
  if (syntax_ == Syntax::kJson) {
    if (at_end() || peek() != '"') {
      return fail("Missing a name for object member.", pos_);
    }
    if (!read_double_quoted(kManifestKey)) {
      return false;
    }
    skip_blanks();
    if (at_end() || peek() != ':') {
      return fail("Missing a colon after a name of object member.", pos_);
    }
    ++pos_;
    skip_blanks();
    return true;
  }
  if (peek() == '"') {
    if (!read_double_quoted(kManifestKey)) {
      return false;
    }
  } else if (peek() == '\'') {
    if (!read_single_quoted(kManifestKey)) {
      return false;
    }
  } else {
    while (!at_end() && !is_blank(peek()) &&
           strchr("=:{}[];,\"'", peek()) == nullptr) {
      ++pos_;
    }
    if (pos_ == start) {
      return fail("Missing a name for object member.", pos_);
    }
    if (text_[start] == '.') {
      error_ = "Macros are not read: " + text_.substr(start, pos_ - start) +
               " (offset " + std::to_string(start) + ")";
      return false;
    }
    if (!builder_.text(kManifestKey, start, pos_ - start)) {
      return fail(kManifestOutOfMemory, start);
    }
  }
  if (!skip_blanks_and_comments()) {
    return false;
  }
  if (!at_end() && (peek() == '=' || peek() == ':')) {
    ++pos_;
    if (!skip_blanks_and_comments()) {
      return false;
    }
  }
  if (at_end()) {
    return fail("Missing a value after a key.", pos_);
  }
  return true;
}

bool TextReader::read_value(Step* next) {
  if (at_end()) {
    return fail("Invalid value.", pos_);
  }
  const char c = peek();
  if (c == '{' || c == '[') {
    if (!open(c == '{', true)) {
      return false;
    }
    ++pos_;
    *next = Step::kFirst;
    return true;
  }
  *next = Step::kAfterValue;
  if (c == '"') {
    return read_double_quoted(node_type(ManifestType::kString));
  }
  if (syntax_ == Syntax::kJson) {
    return c == '-' || is_ascii_digit(c) ? read_json_number()
                                         : read_json_literal();
  }
  if (c == '\'') {
    return read_single_quoted(node_type(ManifestType::kString));
  }
  if (strchr(";,}]", c) != nullptr) {
    return fail("Invalid value.", pos_);
  }
  if (text_.compare(pos_, 2, "<<") == 0) {
    size_t tag_end = pos_ + 2;
    while (tag_end < text_.size() && text_[tag_end] >= 'A' &&
           text_[tag_end] <= 'Z') {
      ++tag_end;
    }
    if (tag_end > pos_ + 2 && tag_end < text_.size() &&
        text_[tag_end] == '\n') {
      return read_heredoc();
    }
  }
  return read_bare_value();
}

bool TextReader::read_json_literal() {
  for (std::string_view word : {"true", "false", "null"}) {
    if (text_.compare(pos_, word.size(), word) == 0) {
      pos_ += word.size();
      return added(builder_.leaf(word == "null" ? ManifestType::kNull
                                                : ManifestType::kBoolean));
    }
  }
  return fail("Invalid value.", pos_);
}

bool TextReader::read_json_number() {
  bool is_float = false;
  const char* problem = nullptr;
  const size_t length = json_number_length(std::string_view(text_).substr(pos_),
                                           &is_float, &problem);
  if (length == 0) {
    return fail(problem, pos_);
  }
  pos_ += length;
  return added(
      builder_.leaf(is_float ? ManifestType::kFloat : ManifestType::kInteger));
}

// A bare value runs to a blank or a separator; its word says its type.
bool TextReader::read_bare_value() {
  const size_t start = pos_;
  while (!at_end() && !is_blank(peek()) && strchr(";,}]", peek()) == nullptr) {
    ++pos_;
  }
  const std::string_view word(text_.data() + start, pos_ - start);
  for (std::string_view truth : {"true", "yes", "on", "false", "no", "off"}) {
    if (equals_ignoring_case(word, truth)) {
      return added(builder_.leaf(ManifestType::kBoolean));
    }
  }
  if (equals_ignoring_case(word, "null")) {
    return added(builder_.leaf(ManifestType::kNull));
  }
  bool is_float = false;
  if (is_number_word(word, &is_float)) {
    return added(builder_.leaf(is_float ? ManifestType::kFloat
                                        : ManifestType::kInteger));
  }
  return added(
      builder_.text(node_type(ManifestType::kString), start, word.size()));
}

// Decodes a "..." string with JSON's escapes in place and adds it as a node
// of `type`.
bool TextReader::read_double_quoted(int32_t type) {
  const size_t start = ++pos_;
  size_t out = start;
  for (;;) {
    // Plain bytes are most of every string: find the next quote, backslash
    // or control byte in one scan, then move the run if needed.
    size_t run = pos_;
    while (run < text_.size() && text_[run] != '"' && text_[run] != '\\' &&
           static_cast<unsigned char>(text_[run]) >= 0x20) {
      ++run;
    }
    if (out != pos_) {
      memmove(&text_[out], &text_[pos_], run - pos_);
    }
    out += run - pos_;
    pos_ = run;
    if (at_end()) {
      return fail("Missing a closing quotation mark in string.", start - 1);
    }
    const char c = peek();
    if (c == '"') {
      ++pos_;
      return added(builder_.text(type, start, out - start));
    }
    if (c != '\\') {
      return fail("Invalid control character in string.", pos_);
    }
    if (pos_ + 1 >= text_.size()) {
      return fail("Missing a closing quotation mark in string.", start - 1);
    }
    const char escape = text_[pos_ + 1];
    const char* simple = strchr("\"\\/bfnrt", escape);
    if (simple != nullptr && escape != '\0') {
      static constexpr char kDecoded[] = "\"\\/\b\f\n\r\t";
      text_[out++] = kDecoded[simple - "\"\\/bfnrt"];
      pos_ += 2;
      continue;
    }
    if (escape != 'u') {
      return fail("Invalid escape character in string.", pos_ + 1);
    }
    auto read_hex4 = [&](size_t at, uint32_t* code) {
      if (at + 4 > text_.size()) {
        return false;
      }
      *code = 0;
      for (size_t i = at; i < at + 4; ++i) {
        if (!is_hex_digit(text_[i])) {
          return false;
        }
        *code = *code * 16 + static_cast<uint32_t>(hex_value(text_[i]));
      }
      return true;
    };
    uint32_t code = 0;
    if (!read_hex4(pos_ + 2, &code)) {
      return fail("Incorrect hex digit after \\u escape in string.", pos_ + 2);
    }
    pos_ += 6;
    if (code >= 0xDC00 && code <= 0xDFFF) {
      return fail("The surrogate pair in string is invalid.", pos_ - 6);
    }
    if (code >= 0xD800 && code <= 0xDBFF) {
      uint32_t low = 0;
      if (text_.compare(pos_, 2, "\\u") != 0 || !read_hex4(pos_ + 2, &low) ||
          low < 0xDC00 || low > 0xDFFF) {
        return fail("The surrogate pair in string is invalid.", pos_);
      }
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
      pos_ += 6;
    }
    out += put_utf8(code, &text_[out]);
  }
}

// Decodes a '...' string in place. A backslash always takes the next byte
// with it, so the string ends at the first quote not taken so: 'w\\' is w
// and two backslashes. Of these pairs, \' is a quote, a backslash before a
// line break (LF, CR or CR LF) goes with the break, and every other pair
// stands for itself.
bool TextReader::read_single_quoted(int32_t type) {
  const size_t start = ++pos_;
  size_t out = start;
  for (;;) {
    if (at_end()) {
      return fail("Missing a closing quotation mark in string.", start - 1);
    }
    const char c = peek();
    if (c == '\'') {
      ++pos_;
      return added(builder_.text(type, start, out - start));
    }
    if (c != '\\') {
      text_[out++] = c;
      ++pos_;
      continue;
    }
    if (pos_ + 1 >= text_.size()) {
      return fail("Missing a closing quotation mark in string.", start - 1);
    }
    const char next = text_[pos_ + 1];
    pos_ += 2;
    if (next == '\r' && !at_end() && peek() == '\n') {
      ++pos_;
    } else if (next == '\'') {
      text_[out++] = '\'';
    } else if (next != '\n' && next != '\r') {
      text_[out++] = '\\';
      text_[out++] = next;
    }
  }
}

// `<<TAG`, a line feed, the lines of the value, then a line that starts with
// TAG followed by the end of the line or of the text, a blank or a
// separator. The value is the bytes between, without the last line feed.
bool TextReader::read_heredoc() {
  const size_t tag_start = pos_ + 2;
  size_t tag_end = tag_start;
  while (text_[tag_end] != '\n') {
    ++tag_end;
  }
  const std::string_view tag(text_.data() + tag_start, tag_end - tag_start);
  const size_t body = tag_end + 1;
  for (size_t line = body; line <= text_.size();) {
    const size_t after = line + tag.size();
    if (text_.compare(line, tag.size(), tag) == 0 &&
        (after == text_.size() || is_blank(text_[after]) ||
         strchr(";,}]", text_[after]) != nullptr)) {
      const size_t length = line == body ? 0 : line - 1 - body;
      pos_ = after;
      return added(
          builder_.text(node_type(ManifestType::kString), body, length));
    }
    const size_t line_end = text_.find('\n', line);
    if (line_end == std::string::npos) {
      break;
    }
    line = line_end + 1;
  }
  return fail("Missing the end of a heredoc.", pos_);
}

}  // namespace

bool read_configuration_text(std::string* text, ManifestNodeBuilder* builder,
                             std::string* error) {
  return TextReader(text, Syntax::kConfiguration, builder, error)
      .read_configuration();
}

bool continue_json_text(std::string* text, size_t start,
                        ManifestNodeBuilder* builder, std::string* error) {
  return TextReader(text, Syntax::kJson, builder, error).continue_json(start);
}

}  // namespace zps
