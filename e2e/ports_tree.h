#pragma once

#include <map>
#include <string>
#include <vector>

namespace zps {

// A small ports tree for end-to-end tests, written under `root`: a tiny
// Mk/bsd.port.mk of the tests' own (so that `make -V` prints expanded
// values, as FreeBSD's make does), port directories with BSD make
// Makefiles, a git repository with a remote named origin, and a bin/
// directory to put first on PATH whose `make` runs bmake and whose `git`
// runs git, each appending its arguments to a log first.
class TestPortsTree {
 public:
  // Requires: `tree` is an absolute path below `root`.
  TestPortsTree(std::string root, std::string tree);

  // Writes the port `origin` with `variables` (make assignments, in order)
  // and, when `distinfo` is non-empty, its distinfo file.
  void add_port(
      const std::string& origin,
      const std::vector<std::pair<std::string, std::string>>& variables,
      const std::string& distinfo = "");

  // Replaces the `make` wrapper by a shell script with the body `body`.
  void set_make_body(const std::string& body);

  // Makes the tree a git repository whose origin remote is `url`.
  void set_remote(const std::string& url);

  const std::string& tree() const { return tree_; }

  // PATH with the wrappers first.
  std::string path_variable() const;

  // The lines each wrapper logged, one per run.
  std::vector<std::string> make_runs() const;
  std::vector<std::string> git_runs() const;

 private:
  std::string root_;
  std::string tree_;
};

}  // namespace zps
