// Runs every e2e/cases/<group>/<name>.case as one test: the file sets up a
// fresh directory, runs the built tool and states what it must print and
// write. The format is described in e2e/cases/README.md.
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testutil/package_writer.h"
#include "testutil/temp_dir.h"
#include "testutil/tool_runner.h"

namespace zps {
namespace {

namespace fs = std::filesystem;

const std::string kE2e = ZPS_E2E_DIR;
const std::string kValidator = ZPS_SHARED_DIR "/tools/validate-sbom";
constexpr std::string_view kToken = "<TIMESTAMP>";

struct Word {
  std::string text;
  bool quoted = false;  // some part of it was in quotes
};

// The lines of one case or included file, read one after the other.
struct Source {
  std::string file;
  std::vector<std::string> lines;
  size_t next = 0;  // so also the 1-based number of the last line read
};

struct Where {
  std::string file;
  size_t line = 0;
};

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

std::string trimmed(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) {
    s.remove_prefix(1);
  }
  while (!s.empty() && is_blank(s.back())) {
    s.remove_suffix(1);
  }
  return std::string(s);
}

bool parse_number(std::string_view text, uint64_t* out, int base = 10) {
  auto [end, ec] =
      std::from_chars(text.data(), text.data() + text.size(), *out, base);
  return ec == std::errc() && end == text.data() + text.size();
}

// A word that is an octal file mode, as in `member PATH 755 CONTENT`.
bool is_mode(const std::vector<Word>& w, size_t i) {
  uint64_t mode = 0;
  return w.size() > i + 1 && !w[i].quoted && parse_number(w[i].text, &mode, 8);
}

// Replaces each occurrence of the first UTC time "YYYY-MM-DDTHH:MM:SSZ" in
// `text` by kToken. Only that exact text is masked, so a second, different
// time stays and fails the comparison.
std::string masked_time(std::string text) {
  const std::string_view form = "dddd-dd-ddTdd:dd:ddZ";
  for (size_t at = 0; at + form.size() <= text.size(); ++at) {
    size_t i = 0;
    while (i < form.size() &&
           (form[i] == 'd' ? text[at + i] >= '0' && text[at + i] <= '9'
                           : text[at + i] == form[i])) {
      ++i;
    }
    if (i == form.size()) {
      const std::string time = text.substr(at, form.size());
      for (size_t t; (t = text.find(time)) != std::string::npos;) {
        text.replace(t, time.size(), kToken);
      }
      break;
    }
  }
  return text;
}

// Up to 8 lines of `text` from line `first` (0-based), numbered and quoted.
std::string excerpt(const std::string& text, size_t first) {
  std::string out;
  size_t start = 0;
  for (size_t line = 0; start < text.size() && line < first + 8; ++line) {
    const size_t end = std::min(text.find('\n', start), text.size() - 1) + 1;
    if (line >= first) {
      out += "    " + std::to_string(line + 1) + ": " +
             testing::PrintToString(text.substr(start, end - start)) + "\n";
    }
    start = end;
  }
  return out;
}

// Shows the lines around the first byte where `got` departs from `want`.
std::string difference(const std::string& want, const std::string& got) {
  const auto at =
      std::mismatch(want.begin(), want.end(), got.begin(), got.end()).first;
  const size_t line = std::count(want.begin(), at, '\n');
  const size_t first = line < 2 ? 0 : line - 2;
  return "first difference on line " + std::to_string(line + 1) +
         "\n  expected (" + std::to_string(want.size()) + " bytes):\n" +
         excerpt(want, first) + "  actual (" + std::to_string(got.size()) +
         " bytes):\n" + excerpt(got, first);
}

class CaseRun {
 public:
  // Runs the directives of the file `path`; false when they had to stop.
  bool execute_file(const std::string& path);
  // Checks the last run's unstated outcome and that there was a run.
  void finish();
  // Why the test is to be skipped, or an empty string.
  const std::string& skip() const { return skip_; }

 private:
  bool fail(const std::string& message) {
    ADD_FAILURE_AT(where_.file.c_str(), where_.line) << message;
    return false;
  }
  std::string at(const std::string& path) const {
    return path.starts_with('/') ? path : dir_.root() + "/" + path;
  }
  size_t take(std::string_view text, size_t i, bool escapes,
              std::string* out) const;
  std::string expand(std::string_view text) const;
  bool split(std::string_view text, std::vector<Word>* words);
  bool next(Source& src, std::string* name, std::string* rest);
  bool content(const std::vector<Word>& w, size_t k, Source& src,
               std::string* out);
  bool execute(Source& src);
  bool directive(const std::string& name, const std::string& rest,
                 const std::vector<Word>& w, Source& src);
  bool package(const std::string& path, Source& src);
  void run(const std::vector<Word>& w);
  void validate(bool cyclonedx, std::string path);
  void check_defaults();
  void expect_equal(const std::string& what, const std::string& want,
                    const std::string& got) {
    if (want != got) {
      fail(what + " differs: " + difference(want, got));
    }
  }

  TempDir dir_;
  const std::map<std::string, std::string> placeholders_ = {
      {"ROOT", dir_.root()},
      {"E2E", kE2e},
      {"DATA", kE2e + "/data"},
      {"SHARED", ZPS_SHARED_DIR},
      {"TOOL", ZPS_TOOL_PATH}};
  std::vector<std::string> env_;  // NAME=VALUE for the tool and for sh
  std::string cwd_ = dir_.root();
  Where where_;   // the directive being run
  Where run_at_;  // the last run
  ToolRun last_;
  bool ran_ = false, said_status_ = false, said_out_ = false, said_err_ = false;
  std::string skip_;
};

// Appends what starts at `text[i]` to `out`: a ${NAME} that names a
// placeholder or an environment variable becomes its value, and with
// `escapes` a backslash escape becomes its byte. Returns the index after it.
size_t CaseRun::take(std::string_view text, size_t i, bool escapes,
                     std::string* out) const {
  uint64_t byte = 0;
  if (escapes && text[i] == '\\' && i + 1 < text.size()) {
    const char c = text[i + 1];
    if (c == 'x' && parse_number(text.substr(i + 2, 2), &byte, 16)) {
      *out += static_cast<char>(byte);
      return i + 4;
    }
    *out += c == 'n' ? '\n' : c == 't' ? '\t' : c == '0' ? '\0' : c;
    return i + 2;
  }
  const size_t end =
      text.substr(i, 2) == "${" ? text.find('}', i) : std::string_view::npos;
  if (end != std::string_view::npos) {
    const std::string name(text.substr(i + 2, end - i - 2));
    const auto placeholder = placeholders_.find(name);
    const auto env = std::find_if(env_.rbegin(), env_.rend(), [&](auto& e) {
      return e.starts_with(name + "=");
    });
    const char* value = placeholder != placeholders_.end()
                            ? placeholder->second.c_str()
                        : env != env_.rend() ? env->c_str() + name.size() + 1
                                             : getenv(name.c_str());
    if (value != nullptr) {
      *out += value;
      return end + 1;
    }
  }
  *out += text[i];
  return i + 1;
}

std::string CaseRun::expand(std::string_view text) const {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    i = take(text, i, false, &out);
  }
  return out;
}

// Splits `text` into words at blanks, as a shell does: "..." takes escapes
// and ${NAME}, '...' is taken as it is, and a bare word is read as "...".
bool CaseRun::split(std::string_view text, std::vector<Word>* words) {
  for (size_t i = 0; i < text.size();) {
    if (is_blank(text[i])) {
      ++i;
      continue;
    }
    Word& w = words->emplace_back();
    while (i < text.size() && !is_blank(text[i])) {
      const char quote = text[i];
      if (quote != '\'' && quote != '"') {
        i = take(text, i, true, &w.text);
        continue;
      }
      w.quoted = true;
      for (++i; i < text.size() && text[i] != quote;) {
        i = take(text, i, quote == '"', &w.text);
      }
      if (i++ >= text.size()) {
        return fail("unbalanced quotes");
      }
    }
  }
  return true;
}

// Reads the next directive of `src` as its first word `name` and the
// `rest`, skipping blank and comment lines and joining a line that ends in
// a backslash with the next. False at the end of `src`.
bool CaseRun::next(Source& src, std::string* name, std::string* rest) {
  std::string text;
  while (text.empty() && src.next < src.lines.size()) {
    text = trimmed(src.lines[src.next++]);
    text = text.starts_with('#') ? "" : text;
  }
  where_ = {src.file, src.next};
  while (text.ends_with('\\') && src.next < src.lines.size()) {
    text.pop_back();
    text += trimmed(src.lines[src.next++]);
  }
  const size_t blank = std::min(text.find_first_of(" \t"), text.size());
  *name = text.substr(0, blank);
  *rest = trimmed(text.substr(blank));
  return !name->empty();
}

// Appends the content that words `w[k]...` describe to `out`.
bool CaseRun::content(const std::vector<Word>& w, size_t k, Source& src,
                      std::string* out) {
  if (k >= w.size()) {
    return fail("missing content");
  }
  for (; k < w.size(); ++k) {
    const std::string& x = w[k].text;
    uint64_t n = 0;
    if (w[k].quoted || x == "empty") {
      *out += w[k].quoted ? x : "";
    } else if (x.starts_with('@')) {
      if (!fs::is_regular_file(at(x.substr(1)))) {
        return fail("no file " + at(x.substr(1)));
      }
      *out += read_file(at(x.substr(1)));
    } else if (x.starts_with("<<")) {
      while (src.next < src.lines.size() &&
             src.lines[src.next] != x.substr(2)) {
        *out += expand(src.lines[src.next++]) + "\n";
      }
      if (src.next++ >= src.lines.size()) {
        return fail("no line " + x.substr(2) + " ends the text");
      }
    } else if ((x == "zeros" || x == "noise") && k + 1 < w.size() &&
               parse_number(w[++k].text, &n)) {
      // The generator of rand() in ISO C, in 32 bits: the same bytes on
      // every run, and they compress poorly.
      for (uint32_t r = 7; n > 0; --n, r = r * 1103515245 + 12345) {
        *out += x == "zeros" ? '\0' : static_cast<char>(r >> 16);
      }
    } else if (x == "repeat" && k + 2 < w.size() &&
               parse_number(w[k + 1].text, &n)) {
      for (k += 2; n > 0; --n) {
        *out += w[k].text;
      }
    } else {
      return fail("cannot read content at " + x);
    }
  }
  return true;
}

bool CaseRun::execute_file(const std::string& path) {
  Source src{path, {}, 0};
  const std::string text = read_file(path);
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size());
    src.lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return (!src.lines.empty() || fail("cannot read " + path)) && execute(src);
}

bool CaseRun::execute(Source& src) {
  std::string name, rest;
  while (next(src, &name, &rest)) {
    std::vector<Word> w;
    const bool raw = name == "sh" && !rest.starts_with("<<");
    if (!(raw || split(rest, &w)) || !directive(name, rest, w, src)) {
      return false;
    }
  }
  return true;
}

// Runs one directive; false when the case has to stop.
bool CaseRun::directive(const std::string& name, const std::string& rest,
                        const std::vector<Word>& w, Source& src) {
  std::string c;  // the directive's content, when it has one
  std::error_code ec;
  uint64_t n = 0;
  if (name == "sh") {
    if (!w.empty() ? !content(w, 0, src, &c) : (c = expand(rest), false)) {
      return false;
    }
    ToolRun r = run_program({"/bin/sh", "-ec", c}, {dir_.root(), env_, ""});
    return r.exit_status == 0 ||
           fail("sh ended with " + std::to_string(r.exit_status) + ":\n" + c +
                "\n" + r.out + r.err);
  }
  if (name == "run") {
    run(w);
    return true;
  }
  if (name == "env") {
    for (const Word& x : w) {
      const std::string key = x.text.substr(0, x.text.find('=') + 1);
      std::erase_if(env_, [&](auto& e) { return e.starts_with(key); });
      env_.push_back(x.text);
    }
    return true;
  }
  if (w.empty()) {
    return fail("`" + name + "` wants more words");
  }
  const std::string path = at(w[0].text);
  if (name == "package") {
    return package(path, src);
  }
  if (name == "file") {
    fs::create_directories(fs::path(path).parent_path(), ec);
    if (!content(w, is_mode(w, 1) ? 2 : 1, src, &c)) {
      return false;
    }
    return (write_file(path, c) &&
            (!is_mode(w, 1) || (parse_number(w[1].text, &n, 8) &&
                                chmod(path.c_str(), n) == 0))) ||
           fail("cannot write " + path);
  }
  if (name == "dir") {
    fs::create_directories(path, ec);
    return !ec || fail("cannot make " + path);
  }
  if (name == "copy" && w.size() == 2) {
    fs::create_directories(fs::path(at(w[1].text)).parent_path(), ec);
    fs::copy(path, at(w[1].text), fs::copy_options::recursive, ec);
    return !ec || fail("cannot copy " + path + ": " + ec.message());
  }
  if (name == "cwd") {
    cwd_ = path;
    return true;
  }
  if (name == "include") {
    return execute_file(
        fs::path(src.file).parent_path().append(w[0].text).string());
  }
  if (name == "requires") {
    ToolRun r = run_program({"/bin/sh", "-c", "command -v \"$0\"", w[0].text},
                            {dir_.root(), env_, ""});
    if (r.exit_status != 0) {
      skip_ = w[0].text + " is not on PATH";
    }
    return r.exit_status == 0;
  }
  if (name == "no-file") {
    struct stat st;
    if (lstat(path.c_str(), &st) == 0) {
      fail(path + " exists");
    }
    return true;
  }
  if (name == "expect-file" || name == "expect-file-has") {
    if (!content(w, 1, src, &c)) {
      return false;
    }
    if (!fs::exists(path)) {
      return fail(path + " does not exist") || true;
    }
    std::string got = read_file(path);
    got = c.find(kToken) == std::string::npos ? got : masked_time(got);
    if (name == "expect-file") {
      expect_equal(path, c, got);
    } else if (got.find(c) == std::string::npos) {
      fail(path + " lacks " + testing::PrintToString(c));
    }
    return true;
  }
  if (!ran_) {
    return fail("unknown directive, or no run yet: " + name);
  }
  if (name == "status") {
    said_status_ = true;
    if (!parse_number(w[0].text, &n)) {
      return fail("not a status: " + w[0].text);
    }
    if (last_.exit_status != static_cast<int>(n)) {
      fail("status " + std::to_string(last_.exit_status) + ", expected " +
           w[0].text + "; stderr:\n" + last_.err);
    }
    return true;
  }
  const bool out = name.starts_with("stdout");
  const std::string& got = out ? last_.out : last_.err;
  (out ? said_out_ : said_err_) = true;
  if (!content(w, 0, src, &c)) {
    return false;
  }
  if (name == "stdout" || name == "stderr") {
    expect_equal(name, c, got);
  } else if (name != "stdout-has" && name != "stderr-has") {
    return fail("unknown directive " + name);
  } else if (got.find(c) == std::string::npos) {
    fail(name.substr(0, 6) + " lacks " + testing::PrintToString(c) +
         "; it begins:\n" + excerpt(got, 0));
  }
  return true;
}

// Reads the lines up to `end` that describe a package, and writes it.
bool CaseRun::package(const std::string& path, Source& src) {
  std::vector<PackageMember> members;
  std::string filter = "zstd", name, rest, c;
  uint64_t declared = 0, mode = 0644;
  while (next(src, &name, &rest)) {
    std::vector<Word> w;
    if (!split(rest, &w)) {
      return false;
    }
    const bool has_mode = is_mode(w, 1);
    mode = has_mode && parse_number(w[1].text, &mode, 8) ? mode : 0644;
    const size_t k = has_mode ? 2 : 1;
    c.clear();
    if (name == "end") {
      std::error_code ec;
      fs::create_directories(fs::path(path).parent_path(), ec);
      const std::string bytes =
          declared == 0 ? package_bytes(members, filter)
          : members.size() == 1
              ? tar_declaring_size(members[0].name, members[0].content,
                                   declared)
              : "";
      return (!bytes.empty() && write_file(path, bytes)) ||
             fail("cannot write the package " + path);
    }
    if (name == "compression" && w.size() == 1) {
      filter = w[0].text == "none" ? "" : w[0].text;
    } else if (name == "declare-size" && w.size() == 1 &&
               parse_number(w[0].text, &declared)) {
    } else if (name == "manifest" && content(w, 0, src, &c)) {
      members.emplace_back("+MANIFEST", c);
    } else if (name == "member" && w.size() > 1 && content(w, k, src, &c)) {
      members.emplace_back(w[0].text, c, static_cast<int>(mode));
    } else if (name == "symlink" && w.size() == 2) {
      members.push_back(PackageMember::symbolic_link(w[0].text, w[1].text));
    } else if (name == "hardlink" && w.size() == k + 1) {
      members.push_back(PackageMember::hard_link(w[0].text, w[k].text,
                                                 static_cast<int>(mode)));
    } else {
      return fail("cannot read `" + name + "` in a package");
    }
  }
  return fail("package without end");
}

// Runs the tool with `w` as its arguments; an unquoted word ">PATH" sends
// its standard output to PATH instead.
void CaseRun::run(const std::vector<Word>& w) {
  check_defaults();
  const std::string out_file = dir_.root() + "/.stdout";
  ToolSettings settings{cwd_, env_, out_file};
  std::vector<std::string> argv = {ZPS_TOOL_PATH};
  for (const Word& x : w) {
    if (!x.quoted && x.text.starts_with('>')) {
      settings.stdout_path = at(x.text.substr(1));
    } else {
      argv.push_back(x.text);
    }
  }
  (void)write_file(out_file, "");
  last_ = run_program(argv, settings);
  last_.out = read_file(out_file);
  (void)write_file(dir_.root() + "/.stderr", last_.err);
  ran_ = true;
  said_status_ = said_out_ = said_err_ = false;
  run_at_ = where_;
  for (size_t i = 1; i + 1 < argv.size(); ++i) {
    if (argv[i] == "--sbom-spdx" || argv[i] == "--sbom-cyclonedx") {
      validate(argv[i] == "--sbom-cyclonedx", argv[i + 1]);
    }
  }
}

// Validates the SBOM document at `path` when the run wrote one; a run that
// ended with 0 must have.
void CaseRun::validate(bool cyclonedx, std::string path) {
  path = path.starts_with('/') ? path : cwd_ + "/" + path;
  if (!fs::is_regular_file(path)) {
    if (last_.exit_status == 0) {
      fail("the run ended with 0 but wrote no " + path);
    }
    return;
  }
  if (!fs::exists(kValidator)) {
    skip_ = kValidator + " not found; SBOM not validated";
    return;
  }
  std::vector<std::string> argv = {kValidator, "spdx", path};
  if (cyclonedx) {
    argv = {kValidator, "--allow-alg", "STREEBOG-256", "cyclonedx", path};
  }
  ToolRun v = run_program(argv);
  if (v.exit_status != 0) {
    fail("validate-sbom rejects " + path + ":\n" + v.out + v.err);
  }
}

// What a run must do unless the case says otherwise: end with 0 and print
// nothing. Reported at the run's line.
void CaseRun::check_defaults() {
  if (!ran_) {
    return;
  }
  std::swap(where_, run_at_);
  if (!said_status_ && last_.exit_status != 0) {
    fail("status " + std::to_string(last_.exit_status) +
         ", expected 0; stderr:\n" + last_.err);
  }
  if (!said_out_) {
    expect_equal("stdout (unstated, so empty)", "", last_.out);
  }
  if (!said_err_) {
    expect_equal("stderr (unstated, so empty)", "", last_.err);
  }
  std::swap(where_, run_at_);
}

void CaseRun::finish() {
  if (!ran_) {
    fail("the case never runs the tool");
  }
  check_defaults();
}

std::vector<std::string> case_files() {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& e : fs::recursive_directory_iterator(kE2e + "/cases", ec)) {
    if (e.path().extension() == ".case") {
      files.push_back(e.path().string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

// "<group>_<name>", with every byte but a letter or digit made '_'.
std::string case_name(const testing::TestParamInfo<std::string>& info) {
  const fs::path p(info.param);
  std::string name =
      p.parent_path().filename().string() + "_" + p.stem().string();
  for (char& c : name) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                      (c >= '0' && c <= '9');
    c = keep ? c : '_';
  }
  return name;
}

class Case : public testing::TestWithParam<std::string> {};

TEST_P(Case, Passes) {
  CaseRun run;
  if (run.execute_file(GetParam())) {
    run.finish();
  }
  if (!run.skip().empty() && !HasFailure()) {
    GTEST_SKIP() << run.skip();
  }
}

INSTANTIATE_TEST_SUITE_P(E2e, Case, testing::ValuesIn(case_files()), case_name);

}  // namespace
}  // namespace zps
