#include "e2e/ports_tree.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "testutil/temp_dir.h"
#include "testutil/tool_runner.h"

namespace zps {
namespace {

std::vector<std::string> log_lines(const std::string& path) {
  std::vector<std::string> lines;
  std::string text = read_file(path);
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos;
       start = nl + 1) {
    lines.push_back(text.substr(start, nl - start));
  }
  return lines;
}

void write_script(const std::string& path, const std::string& text) {
  ASSERT_TRUE(write_file(path, text));
  chmod(path.c_str(), 0755);
}

}  // namespace

TestPortsTree::TestPortsTree(std::string root, std::string tree)
    : root_(std::move(root)), tree_(std::move(tree)) {
  std::string mk = tree_ + "/Mk/bsd.port.mk";
  std::string bin = root_ + "/bin";
  mkdir(bin.c_str(), 0755);
  mkdir(tree_.c_str(), 0755);
  mkdir((tree_ + "/Mk").c_str(), 0755);
  EXPECT_TRUE(write_file(mk,
                         ".MAKE.EXPAND_VARIABLES= yes\n"
                         "DISTINFO_FILE?= ${.CURDIR}/distinfo\n"
                         "PORTVERSION?= ${DISTVERSION}\n"));
  // printf %s keeps quotes and other bytes of the arguments as they are.
  write_script(bin + "/make", "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + root_ +
                                  "/make.log'\nexec bmake \"$@\"\n");
  write_script(bin + "/git", "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + root_ +
                                 "/git.log'\nexec /usr/bin/git \"$@\"\n");
}

void TestPortsTree::add_port(
    const std::string& origin,
    const std::vector<std::pair<std::string, std::string>>& variables,
    const std::string& distinfo) {
  std::string makefile;
  for (const auto& [name, value] : variables) {
    makefile += name + "= " + value + "\n";
  }
  makefile += ".include \"${PORTSDIR}/Mk/bsd.port.mk\"\n";
  const std::string dir = tree_ + "/" + origin;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  ASSERT_FALSE(ec) << dir;
  ASSERT_TRUE(write_file(dir + "/Makefile", makefile));
  if (!distinfo.empty()) {
    ASSERT_TRUE(write_file(dir + "/distinfo", distinfo));
  }
}

void TestPortsTree::set_make_body(const std::string& body) {
  write_script(root_ + "/bin/make", "#!/bin/sh\n" + body);
}

void TestPortsTree::set_remote(const std::string& url) {
  ToolRun init = run_program({"/usr/bin/git", "init", "-q", tree_});
  ASSERT_EQ(init.exit_status, 0) << init.err;
  ToolRun remote = run_program(
      {"/usr/bin/git", "-C", tree_, "remote", "add", "origin", url});
  ASSERT_EQ(remote.exit_status, 0) << remote.err;
}

std::string TestPortsTree::path_variable() const {
  const char* path = getenv("PATH");
  return "PATH=" + root_ + "/bin:" + (path != nullptr ? path : "/usr/bin:/bin");
}

std::vector<std::string> TestPortsTree::make_runs() const {
  return log_lines(root_ + "/make.log");
}

std::vector<std::string> TestPortsTree::git_runs() const {
  return log_lines(root_ + "/git.log");
}

}  // namespace zps
