// Runs every e2e/cases/<group>/<name>.case as one test: the file sets up a
// fresh directory, runs the built tool and states what it must print and
// write. The format is described in e2e/cases/README.md.
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testutil/package_writer.h"
#include "testutil/temp_dir.h"

extern char** environ;

namespace zps {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int exit_status = -1;  // 128 + signal number when a signal ended it
  std::string out, err;
};

// Starts `argv` (looked up on PATH) without a shell in `cwd`, the words of
// `env` replacing inherited variables of their names, standard input empty
// and standard output and error to the files `out` and `err` (which may be
// one file); waits for it and returns its status.
ToolRun run_program(std::vector<std::string> argv, const std::string& cwd,
                    std::vector<std::string> env, const std::string& out,
                    const std::string& err) {
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string_view name(*e, strcspn(*e, "=") + 1);
    if (std::none_of(env.begin(), env.end(),
                     [&](auto& w) { return w.starts_with(name); })) {
      env.emplace_back(*e);
    }
  }
  std::vector<char*> args, envp;
  for (auto* words : {&argv, &env}) {
    auto& to = words == &argv ? args : envp;
    for (std::string& w : *words) {
      to.push_back(w.data());
    }
    to.push_back(nullptr);
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (err == out) {
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  } else {
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  ToolRun run;
  pid_t pid = 0;
  int status = 0;
  if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(),
                   envp.data()) == 0 &&
      waitpid(pid, &status, 0) == pid) {
    run.exit_status =
        WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  return run;
}

const std::string kE2e = ZPS_E2E_DIR;
const std::string kValidator = ZPS_SHARED_DIR "/tools/validate-sbom";
constexpr std::string_view kToken = "<TIMESTAMP>";
constexpr std::string_view kSerialToken = "urn:uuid:<SERIAL>";
constexpr std::string_view kVersionToken = "<VERSION>";

// Replaces every "urn:uuid:" and UUID in `text` by kSerialToken.
std::string masked_serial(std::string text) {
  const std::string_view form = "urn:uuid:xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx";
  const auto matches = [](char c, char f) {
    return f != 'x' ? c == f : (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
  };
  for (auto at = text.begin();
       (at = std::search(at, text.end(), form.begin(), form.end(), matches)) !=
       text.end();) {
    const size_t offset = static_cast<size_t>(at - text.begin());
    text.replace(offset, form.size(), kSerialToken);
    at = text.begin() +
         static_cast<std::ptrdiff_t>(offset + kSerialToken.size());
  }
  return text;
}

// Returns `text` with every kVersionToken replaced by the tool's version.
std::string with_version(std::string text) {
  for (size_t at; (at = text.find(kVersionToken)) != text.npos;) {
    text.replace(at, kVersionToken.size(), ZPS_VERSION);
  }
  return text;
}

struct Word {
  std::string text;
  bool quoted = false;  // some part of it was in quotes
};

// Returns the octal mode in `w[i]` when it is a bare number and more words
// follow, as in `member NAME 755 CONTENT`; else `otherwise`.
int mode_at(const std::vector<Word>& w, size_t i, int otherwise) {
  char* end = nullptr;
  const long mode = i + 1 < w.size() && !w[i].quoted
                        ? strtol(w[i].text.c_str(), &end, 8)
                        : otherwise;
  return end != nullptr && *end == '\0' ? static_cast<int>(mode) : otherwise;
}

// Replaces the first UTC time "YYYY-MM-DDTHH:MM:SSZ" in `text`, and each
// copy of it, by kToken; a second, different time stays as it is.
std::string masked_time(std::string text) {
  const std::string_view form = "dddd-dd-ddTdd:dd:ddZ";
  const auto found = std::search(
      text.begin(), text.end(), form.begin(), form.end(),
      [](char c, char f) { return f == 'd' ? c >= '0' && c <= '9' : c == f; });
  const std::string time =
      found == text.end() ? "" : std::string(found, found + form.size());
  for (size_t t; !time.empty() && (t = text.find(time)) != text.npos;) {
    text.replace(t, time.size(), kToken);
  }
  return text;
}

// Up to 8 lines of `text` from line `first` (0-based), numbered and quoted.
std::string excerpt(const std::string& text, size_t first) {
  std::string out;
  for (size_t n = 0, at = 0; at < text.size() && n < first + 8; ++n) {
    const size_t end = std::min(text.find('\n', at), text.size() - 1) + 1;
    if (n >= first) {
      out += "    " + std::to_string(n + 1) + ": " +
             testing::PrintToString(text.substr(at, end - at)) + "\n";
    }
    at = end;
  }
  return out;
}

class CaseRun {
 public:
  // Runs the directives of the file `path` up to its end or to a stop.
  void execute_file(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    if (!in) {
      return stop("cannot read " + path);
    }
    for (std::string line; std::getline(in, line);) {
      lines.push_back(line);
    }
    // An included file's lines are read to their end before going on.
    std::swap(lines, lines_);
    const size_t resume = next_;
    for (next_ = 0; !stopped_ && next_ < lines_.size();) {
      std::string text = lines_[next_++];
      where_ = {path, next_};
      while (text.ends_with('\\') && next_ < lines_.size()) {
        text.pop_back();
        text += lines_[next_++];
      }
      text.erase(0, text.find_first_not_of(" \t"));
      const size_t blank = std::min(text.find_first_of(" \t"), text.size());
      const size_t rest =
          std::min(text.find_first_not_of(" \t", blank), text.size());
      if (!text.empty() && !text.starts_with('#')) {
        directive(text.substr(0, blank), text.substr(rest));
      }
    }
    std::swap(lines, lines_);
    next_ = resume;
  }

  // Checks the last run's unstated outcome, and that there was a run.
  void finish() {
    if (!package_.empty() || !ran_) {
      stop(!ran_ ? "the case never runs the tool" : "a package has no end");
    }
    check_defaults();
  }

  bool stopped() const { return stopped_; }
  // Why the test is to be skipped, or an empty string.
  const std::string& skip() const { return skip_; }

 private:
  struct Where {
    std::string file;
    size_t line = 0;
  };

  void fail(const std::string& message) {
    ADD_FAILURE_AT(where_.file.c_str(), where_.line) << message;
  }
  void stop(const std::string& message) {
    fail(message);
    stopped_ = true;
  }
  // Runs a helper program (a shell, the validator) in the case directory.
  ToolRun aside(const std::vector<std::string>& argv) const {
    const std::string out = dir_.root() + "/.aside-out";
    ToolRun r = run_program(argv, dir_.root(), env_, out, out);
    r.out = read_file(out);
    return r;
  }
  std::string at(const std::string& path) const {
    return path.starts_with('/') ? path : dir_.root() + "/" + path;
  }

  // Appends what starts at `text[i]` to `out`, returning the index after
  // it: ${NAME} of a set variable becomes its value and, with `escapes`, a
  // backslash escape its byte.
  size_t take(std::string_view text, size_t i, bool escapes,
              std::string* out) const {
    const char c = i + 1 < text.size() ? text[i + 1] : '\0';
    if (escapes && text[i] == '\\' && i + 1 < text.size()) {
      const std::string hex(text.substr(i + 2, c == 'x' ? 2 : 0));
      *out += hex.size() == 2 ? static_cast<char>(strtol(hex.c_str(), 0, 16))
              : c == 'n'      ? '\n'
              : c == 't'      ? '\t'
                              : c;
      return i + (hex.size() == 2 ? 4 : 2);
    }
    const size_t end = text[i] == '$' && c == '{' ? text.find('}', i) : 0;
    const char* value = nullptr;
    if (end != 0 && end != text.npos) {
      const std::string name(text.substr(i + 2, end - i - 2));
      auto set = std::find_if(env_.rbegin(), env_.rend(), [&](auto& e) {
        return e.starts_with(name + "=");
      });
      value = set != env_.rend() ? set->c_str() + name.size() + 1
                                 : getenv(name.c_str());
    }
    *out += value != nullptr ? value : text.substr(i, 1);
    return value != nullptr ? end + 1 : i + 1;
  }

  std::string expand(std::string_view text) const {
    std::string out;
    for (size_t i = 0; i < text.size();) {
      i = take(text, i, false, &out);
    }
    return out;
  }

  // Splits `text` at blanks into words: "..." takes escapes and ${NAME},
  // '...' is taken as it is, and a bare word is read as "..." is.
  std::vector<Word> split(std::string_view text) {
    std::vector<Word> words;
    for (size_t i = 0; i < text.size();) {
      const char quote = text[i];
      if (quote == ' ' || quote == '\t') {
        ++i;
        continue;
      }
      Word& w = words.emplace_back(Word{"", quote == '"' || quote == '\''});
      for (i += w.quoted ? 1 : 0;
           i < text.size() &&
           (w.quoted ? text[i] != quote : text[i] != ' ' && text[i] != '\t');) {
        i = take(text, i, quote != '\'', &w.text);
      }
      if (w.quoted && i++ >= text.size()) {
        stop("unbalanced quotes");
      }
    }
    return words;
  }

  // Returns the content that the words from `w[k]` on describe.
  std::string content(const std::vector<Word>& w, size_t k) {
    std::string out;
    if (k >= w.size()) {
      stop("missing content");
    }
    for (; k < w.size(); ++k) {
      const std::string& x = w[k].text;
      const size_t n = k + 1 < w.size() ? atol(w[k + 1].text.c_str()) : 0;
      if (w[k].quoted) {
        out += x;
      } else if (x.starts_with('@') && fs::is_regular_file(at(x.substr(1)))) {
        out += read_file(at(x.substr(1)));
      } else if (x.starts_with("<<")) {
        while (next_ < lines_.size() && lines_[next_] != x.substr(2)) {
          out += expand(lines_[next_++]) + "\n";
        }
        if (next_++ == lines_.size()) {
          stop("no line " + x.substr(2) + " ends the text");
        }
      } else if (x == "noise" && n > 0) {
        // The generator of rand() in ISO C: the same bytes on every run,
        // and they compress poorly.
        uint32_t r = 7;
        for (size_t i = 0; i < n; ++i, r = r * 1103515245 + 12345) {
          out += static_cast<char>(r >> 16);
        }
        ++k;
      } else if (x == "repeat" && k + 2 < w.size()) {
        for (size_t i = 0; i < n; ++i) {
          out += w[k + 2].text;
        }
        k += 2;
      } else if (x != "empty") {
        stop("cannot read content at " + x);
      }
    }
    return out;
  }

  void directive(const std::string& name, const std::string& rest) {
    const bool raw = name == "sh" && !rest.starts_with("<<");
    const std::vector<Word> w = raw ? std::vector<Word>{} : split(rest);
    const std::string path = w.empty() ? "" : at(w[0].text);
    std::error_code ec;
    if (stopped_) {
      return;
    }
    if (!package_.empty()) {
      package_line(name, w);
    } else if (name == "sh") {
      const std::string script = raw ? expand(rest) : content(w, 0);
      ToolRun r = aside({"/bin/sh", "-ec", script});
      if (r.exit_status != 0) {
        stop("sh ended with " + std::to_string(r.exit_status) + ":\n" + script +
             "\n" + r.out);
      }
    } else if (name == "package" && w.size() == 1) {
      package_ = path;
      filter_ = "zstd";
      declared_ = 0;
      members_.clear();
    } else if (name == "file" && w.size() > 1) {
      const int mode = mode_at(w, 1, -1);
      const std::string text = content(w, mode < 0 ? 1 : 2);
      fs::create_directories(fs::path(path).parent_path(), ec);
      if (!write_file(path, text) ||
          chmod(path.c_str(), mode < 0 ? 0644 : mode)) {
        stop("cannot write " + path);
      }
    } else if (name == "env") {
      for (const Word& x : w) {
        const std::string key = x.text.substr(0, x.text.find('=') + 1);
        std::erase_if(env_, [&](auto& e) { return e.starts_with(key); });
        env_.push_back(x.text);
      }
    } else if (name == "cwd" && w.size() == 1) {
      cwd_ = path;
    } else if (name == "include" && w.size() == 1) {
      execute_file(fs::path(where_.file).parent_path() / w[0].text);
    } else if (name == "requires" && w.size() == 1) {
      const bool is_path = w[0].text.find('/') != std::string::npos;
      ToolRun r =
          aside({"/bin/sh", "-c",
                 is_path ? "test -e \"$0\"" : "command -v \"$0\"", w[0].text});
      stopped_ = r.exit_status != 0;
      skip_ = !stopped_ ? skip_
              : is_path ? w[0].text + " does not exist"
                        : w[0].text + " is not on PATH";
    } else if (name == "run") {
      run(w);
    } else if (name == "no-file" && w.size() == 1) {
      struct stat st;
      if (lstat(path.c_str(), &st) == 0) {
        fail(path + " exists");
      }
    } else {
      expect(name, w);
    }
  }

  void package_line(const std::string& name, const std::vector<Word>& w) {
    const int mode = mode_at(w, 1, 0644);
    const size_t k = mode_at(w, 1, -1) < 0 ? 1 : 2;
    if (name == "compression" && w.size() == 1) {
      filter_ = w[0].text == "none" ? "" : w[0].text;
    } else if (name == "declare-size" && w.size() == 1) {
      declared_ = strtoull(w[0].text.c_str(), nullptr, 10);
    } else if (name == "manifest") {
      members_.emplace_back("+MANIFEST", content(w, 0));
    } else if (name == "member" && !w.empty()) {
      members_.emplace_back(w[0].text, content(w, k), mode);
    } else if (name == "symlink" && w.size() == 2) {
      members_.push_back(PackageMember::symbolic_link(w[0].text, w[1].text));
    } else if (name == "hardlink" && w.size() == k + 1) {
      members_.push_back(PackageMember::hard_link(w[0].text, w[k].text, mode));
    } else if (name == "end" && w.empty()) {
      const std::string bytes =
          declared_ == 0 ? package_bytes(members_, filter_)
          : members_.size() == 1
              ? tar_declaring_size(members_[0].name, members_[0].content,
                                   declared_)
              : "";
      std::error_code ec;
      fs::create_directories(fs::path(package_).parent_path(), ec);
      if (bytes.empty() || !write_file(package_, bytes)) {
        stop("cannot write the package " + package_);
      }
      package_.clear();
    } else {
      stop("cannot read `" + name + "` in a package");
    }
  }

  // `status N`; `stdout`, `stderr` and `expect-file PATH`, each with a
  // content that must be the whole text or, with "-has", a part of it.
  void expect(std::string name, const std::vector<Word>& w) {
    const bool has = name.ends_with("-has");
    name = has ? name.substr(0, name.size() - 4) : name;
    const bool on_file = name == "expect-file" && !w.empty();
    said_.insert(name);
    if (!on_file && !(ran_ && (name == "stdout" || name == "stderr" ||
                               (name == "status" && w.size() == 1)))) {
      return stop("unknown directive, or no run before it: " + name);
    }
    const std::string want = with_version(
        name == "status" ? w[0].text : content(w, on_file ? 1 : 0));
    const std::string what = on_file ? at(w[0].text) : name;
    std::string got = name == "stdout"   ? last_.out
                      : name == "stderr" ? last_.err
                      : on_file          ? read_file(what)
                                         : std::to_string(last_.exit_status);
    got = want.find(kToken) == want.npos ? got : masked_time(got);
    got = want.find(kSerialToken) == want.npos ? got : masked_serial(got);
    const auto diff =
        std::mismatch(want.begin(), want.end(), got.begin(), got.end()).first;
    const size_t line = std::count(want.begin(), diff, '\n');
    const size_t first = line < 2 ? 0 : line - 2;
    if (stopped_) {
      return;
    }
    if (on_file && !fs::exists(what)) {
      fail(what + " does not exist");
    } else if (has && got.find(want) == got.npos) {
      fail(what + " lacks " + testing::PrintToString(want) + "; it begins:\n" +
           excerpt(got, 0));
    } else if (!has && got != want) {
      fail(what + " differs from line " + std::to_string(line + 1) +
           "\n  expected:\n" + excerpt(want, first) + "  actual:\n" +
           excerpt(got, first) + (name == "status" ? last_.err : ""));
    }
  }

  // Runs the tool with the words `w` as its arguments; an unquoted word
  // ">PATH" sends its standard output to PATH instead.
  void run(const std::vector<Word>& w) {
    check_defaults();
    const std::string out = dir_.root() + "/.stdout";
    std::string redirect = out;
    std::vector<std::string> argv = {ZPS_TOOL_PATH};
    for (const Word& x : w) {
      if (!x.quoted && x.text.starts_with('>')) {
        redirect = at(x.text.substr(1));
      } else {
        argv.push_back(x.text);
      }
    }
    (void)write_file(out, "");
    last_ = run_program(argv, cwd_, env_, redirect, dir_.root() + "/.stderr");
    last_.out = read_file(out);
    last_.err = read_file(dir_.root() + "/.stderr");
    ran_ = true;
    said_.clear();
    run_at_ = where_;
    for (size_t i = 1; i + 1 < argv.size(); ++i) {
      if (argv[i] == "--sbom-spdx" || argv[i] == "--sbom-cyclonedx") {
        validate(argv[i] == "--sbom-cyclonedx", argv[i + 1]);
      }
    }
  }

  // Validates the SBOM document at `path` after a run that ended with 0,
  // which must have written it.
  void validate(bool cyclonedx, std::string path) {
    path = path.starts_with('/') ? path : cwd_ + "/" + path;
    // A run that failed may leave any file there, and a device or a pipe
    // is not read back.
    if (last_.exit_status != 0 || fs::is_character_file(path) ||
        fs::is_fifo(path)) {
      return;
    }
    std::vector<std::string> argv = {kValidator, "spdx", path};
    // CycloneDX 1.6 has no name for Streebog; 1.7 documents need no
    // exception.
    if (cyclonedx) {
      argv =
          read_file(path).find("\"specVersion\": \"1.7\"") != std::string::npos
              ? std::vector<std::string>{kValidator, "cyclonedx", path}
              : std::vector<std::string>{kValidator, "--allow-alg",
                                         "STREEBOG-256", "cyclonedx", path};
    }
    if (!fs::is_regular_file(path)) {
      fail("the run ended with 0 but wrote no " + path);
    } else if (!fs::exists(kValidator)) {
      skip_ = kValidator + " not found; SBOM not validated";
    } else if (ToolRun v = aside(argv); v.exit_status != 0) {
      fail("validate-sbom rejects " + path + ":\n" + v.out);
    }
  }

  // Unless the case says otherwise, a run ends with 0 and prints nothing;
  // reported at the line of the run.
  void check_defaults() {
    std::swap(where_, run_at_);
    for (const std::string what : {"status", "stdout", "stderr"}) {
      if (ran_ && !said_.count(what)) {
        expect(what, {Word{what == "status" ? "0" : "", true}});
      }
    }
    std::swap(where_, run_at_);
  }

  TempDir dir_;
  // NAME=VALUE for every run and sh; the placeholders first.
  std::vector<std::string> env_ = {
      "ROOT=" + dir_.root(), "E2E=" + kE2e, "DATA=" + kE2e + "/data",
      "SHARED=" ZPS_SHARED_DIR, "TOOL=" ZPS_TOOL_PATH};
  std::string cwd_ = dir_.root();
  std::vector<std::string> lines_;  // of the file being run
  size_t next_ = 0;                 // so also the number of the last line read
  Where where_, run_at_;            // the directive being run; the last run
  ToolRun last_;
  bool ran_ = false, stopped_ = false;
  std::set<std::string> said_;  // what the case states of the last run
  std::string skip_;
  std::string package_, filter_;  // between `package` and `end`
  uint64_t declared_ = 0;
  std::vector<PackageMember> members_;
};

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

class Case : public testing::TestWithParam<std::string> {};

TEST_P(Case, Passes) {
  CaseRun run;
  run.execute_file(GetParam());
  if (!run.stopped()) {
    run.finish();
  }
  if (!run.skip().empty() && !HasFailure()) {
    GTEST_SKIP() << run.skip();
  }
}

// Named "<group>_<name>" after cases/<group>/<name>.case.
INSTANTIATE_TEST_SUITE_P(E2e, Case, testing::ValuesIn(case_files()),
                         [](const testing::TestParamInfo<std::string>& param) {
                           const fs::path p(param.param);
                           return p.parent_path().filename().string() + "_" +
                                  p.stem().string();
                         });

}  // namespace
}  // namespace zps
