// The package tool's version order.
//
// A version text is cut into components; each is read as up to three
// numbers (n, a, pl) and components are compared in turn, a missing one
// being (0, 0, 0):
//
// - n is the component's leading decimal number (saturated at the largest
//   int64), -2 for "*" (which swallows everything up to a "+"), or -1 when
//   the component starts with a letter or anything else.
// - a is 0 without a letter; a letter gives its place in the alphabet
//   (a=1 ... z=26, case ignored) and the letters after it are skipped. The
//   words alpha, beta, pre, rc, snap (and pl, as 0) count as their first
//   letters when a component starts with them; after a number they end the
//   component, so "1.0rc1" reads as "1.0.rc1".
// - pl is the number after the letters, -1 when there is none; 0 without
//   a letter.
// - Separators (anything but letters, digits, "+" and "*") after a
//   component are skipped. A "+" is a component of its own that only
//   another "+" skips; anything meets it as (0, 0, 0).
//
// Versions that differ only in letter case are equal.

#include "vuxml/version_order.h"

#include <cstdint>
#include <limits>

#include "base/ascii.h"

namespace zps {
namespace {

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (size_t i = 0; i < a.size(); ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i])) {
      return false;
    }
  }
  return true;
}

struct Stage {
  std::string_view word;
  int64_t value;
};
constexpr Stage kStages[] = {
    {"pl", 0},
    {"alpha", 'a' - 'a' + 1},
    {"beta", 'b' - 'a' + 1},
    {"pre", 'p' - 'a' + 1},
    {"rc", 'r' - 'a' + 1},
    {"snap", 's' - 'a' + 1},
};

struct Component {
  int64_t n = 0;
  int64_t a = 0;
  int64_t pl = 0;
};

// Reads the decimal number at `*pos`, saturating; moves past it.
int64_t read_number(std::string_view text, size_t* pos) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  int64_t value = 0;
  for (; *pos < text.size() && is_ascii_digit(text[*pos]); ++*pos) {
    const int digit = text[*pos] - '0';
    value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
  }
  return value;
}

// Reads the component at `*pos` into `*c` and moves past it and the
// separators after it.
void read_component(std::string_view text, size_t* pos, Component* c) {
  size_t& p = *pos;
  bool starts_without_number = false;
  if (is_ascii_digit(text[p])) {
    c->n = read_number(text, &p);
  } else if (text[p] == '*') {
    c->n = -2;
    while (p < text.size() && text[p] != '+') {
      ++p;
    }
  } else {
    c->n = -1;
    starts_without_number = true;
  }

  bool has_patch_level = false;
  if (p < text.size() && is_ascii_alpha(text[p])) {
    has_patch_level = true;
    bool letter_done = false;
    for (const Stage& stage : kStages) {
      const std::string_view rest = text.substr(p);
      if (rest.size() < stage.word.size() ||
          !equal_ignoring_case(rest.substr(0, stage.word.size()), stage.word) ||
          (rest.size() > stage.word.size() &&
           is_ascii_alpha(rest[stage.word.size()]))) {
        continue;
      }
      if (starts_without_number) {
        c->a = stage.value;
        p += stage.word.size();
      } else {
        // After a number the word starts the next component.
        c->a = 0;
        has_patch_level = false;
      }
      letter_done = true;
      break;
    }
    if (!letter_done) {
      c->a = ascii_lower(text[p]) - 'a' + 1;
      while (p < text.size() && is_ascii_alpha(text[p])) {
        ++p;
      }
    }
  }

  if (has_patch_level) {
    c->pl =
        p < text.size() && is_ascii_digit(text[p]) ? read_number(text, &p) : -1;
  }

  while (p < text.size() && !is_ascii_digit(text[p]) &&
         !is_ascii_alpha(text[p]) && text[p] != '+' && text[p] != '*') {
    ++p;
  }
}

// A version cut into its parts.
struct SplitVersion {
  std::string_view version;
  int64_t revision = 0;
  int64_t epoch = 0;
};

SplitVersion split_version(std::string_view text) {
  SplitVersion split;
  size_t end = text.size();
  const size_t underscore = text.rfind('_');
  if (underscore != std::string_view::npos) {
    size_t pos = underscore + 1;
    split.revision = read_number(text, &pos);
    end = underscore;
  }
  const size_t comma = text.rfind(',');
  if (comma != std::string_view::npos) {
    size_t pos = comma + 1;
    split.epoch = read_number(text, &pos);
    end = std::min(end, comma);
  }
  split.version = text.substr(0, end);
  return split;
}

int compare_numbers(int64_t a, int64_t b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

int compare_components(const Component& x, const Component& y) {
  if (x.n != y.n) {
    return compare_numbers(x.n, y.n);
  }
  if (x.a != y.a) {
    return compare_numbers(x.a, y.a);
  }
  return compare_numbers(x.pl, y.pl);
}

int compare_version_parts(std::string_view v1, std::string_view v2) {
  if (equal_ignoring_case(v1, v2)) {
    return 0;
  }
  size_t p1 = 0;
  size_t p2 = 0;
  while (p1 < v1.size() || p2 < v2.size()) {
    Component c1;
    Component c2;
    const bool blocked1 = p1 >= v1.size() || v1[p1] == '+';
    const bool blocked2 = p2 >= v2.size() || v2[p2] == '+';
    if (!blocked1) {
      read_component(v1, &p1, &c1);
    }
    if (!blocked2) {
      read_component(v2, &p2, &c2);
    }
    if (blocked1 && blocked2) {
      p1 += p1 < v1.size() ? 1 : 0;
      p2 += p2 < v2.size() ? 1 : 0;
      continue;
    }
    if (int result = compare_components(c1, c2); result != 0) {
      return result;
    }
  }
  return 0;
}

}  // namespace

int compare_versions(std::string_view a, std::string_view b) {
  const SplitVersion x = split_version(a);
  const SplitVersion y = split_version(b);
  if (x.epoch != y.epoch) {
    return compare_numbers(x.epoch, y.epoch);
  }
  if (int result = compare_version_parts(x.version, y.version); result != 0) {
    return result;
  }
  return compare_numbers(x.revision, y.revision);
}

}  // namespace zps
