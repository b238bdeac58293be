#include "testutil/tool_runner.h"

#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include "testutil/temp_dir.h"

extern char** environ;

namespace zps {
namespace {

std::string temp_file_path() {
  const char* tmp = getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr ? tmp : "/tmp") + "/zps-run-XXXXXX";
  int fd = mkstemp(pattern.data());
  if (fd < 0) {
    return {};
  }
  close(fd);
  return pattern;
}

}  // namespace

ToolRun run_program(const std::vector<std::string>& argv_words,
                    const ToolSettings& settings) {
  ToolRun run;
  std::string out_path =
      settings.stdout_path.empty() ? temp_file_path() : settings.stdout_path;
  std::string err_path = temp_file_path();

  std::vector<std::string> words = argv_words;
  std::vector<char*> argv;
  for (std::string& w : words) {
    argv.push_back(w.data());
  }
  argv.push_back(nullptr);

  // The settings' words replace inherited variables of the same name.
  auto name_of = [](std::string_view word) {
    return word.substr(0, word.find('='));
  };
  std::vector<std::string> env_words;
  for (char** e = environ; *e != nullptr; ++e) {
    bool replaced = false;
    for (const std::string& word : settings.env) {
      replaced = replaced || name_of(word) == name_of(*e);
    }
    if (!replaced) {
      env_words.emplace_back(*e);
    }
  }
  env_words.insert(env_words.end(), settings.env.begin(), settings.env.end());
  std::vector<char*> envp;
  for (std::string& w : env_words) {
    envp.push_back(w.data());
  }
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(),
                                   O_WRONLY | O_TRUNC, 0);
  if (!settings.cwd.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, settings.cwd.c_str());
  }
  pid_t pid = 0;
  int rc =
      posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc == 0) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) {
      run.exit_status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
      run.exit_status = 128 + WTERMSIG(status);
    }
  }
  if (settings.stdout_path.empty()) {
    run.out = read_file(out_path);
    unlink(out_path.c_str());
  }
  run.err = read_file(err_path);
  unlink(err_path.c_str());
  return run;
}

}  // namespace zps
