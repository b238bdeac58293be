#include "base/output.h"

#include <cxxabi.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <exception>
#include <new>
#include <system_error>
#include <typeinfo>

namespace zps {
namespace {

constexpr size_t kBufferBytes = size_t{1} << 16;

// Standard output's buffer must outlive every use the C library makes of
// it, which lasts until the process ends.
char standard_output_buffer[kBufferBytes];

// The temporary files not yet finished, for remove_unfinished_outputs. A
// slot's path is written before the slot is marked used, and a signal
// handler reads only used slots.
struct CleanupSlot {
  volatile sig_atomic_t used;
  char path[4096];
};
CleanupSlot cleanup_slots[8];

int claim_cleanup_slot(const std::string& path) {
  if (path.size() >= sizeof cleanup_slots[0].path) {
    return -1;
  }
  for (int i = 0; i < static_cast<int>(std::size(cleanup_slots)); ++i) {
    if (!cleanup_slots[i].used) {
      memcpy(cleanup_slots[i].path, path.c_str(), path.size() + 1);
      cleanup_slots[i].used = 1;
      return i;
    }
  }
  return -1;
}

void release_cleanup_slot(int slot) {
  if (slot >= 0) {
    cleanup_slots[slot].used = 0;
  }
}

std::string parent_directory(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

extern "C" void remove_outputs_and_stop(int signal_number) {
  remove_unfinished_outputs();
  raise(signal_number);  // the default action again, so the status tells it
}

// The sanitizers report a crash from their own handler, which one of ours
// would replace.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(undefined_behavior_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// Set once the process is on its way out normally; until then a call of
// exit comes from a library that gave up (libarchive does on a failed
// allocation) and the run is stopped as below.
volatile sig_atomic_t run_ended_normally = 0;

// Removes the partial output files, says why on standard error and ends
// the process with status 1. Only async-signal-safe calls: it runs when
// memory is gone, on any thread, with others still running.
[[noreturn]] void stop_run(const char* message, size_t size) {
  remove_unfinished_outputs();
  for (int attempt = 0; size > 0 && attempt < 5; ++attempt) {
    const ssize_t n = write(STDERR_FILENO, message, size);
    if (n > 0) {
      message += n;
      size -= static_cast<size_t>(n);
    }
  }
  _exit(1);
}

template <size_t N>
[[noreturn]] void stop_run(const char (&message)[N]) {
  stop_run(message, N - 1);
}

// The C++ runtime calls this when an allocation fails.
void stop_out_of_memory_handler() {
  stop_out_of_memory();
}

// The product is built without exceptions, so an exception the C++ library
// throws ends here: an allocation that failed outside operator new (a
// length the allocator refuses), a thread or lock the system would not
// give. Whatever it is, the run stops cleanly instead of aborting.
void stop_on_uncaught_exception() {
  const std::type_info* type = abi::__cxa_current_exception_type();
  if (type != nullptr && (*type == typeid(std::bad_alloc) ||
                          *type == typeid(std::bad_array_new_length))) {
    stop_out_of_memory();
  }
  if (type != nullptr && *type == typeid(std::system_error)) {
    stop_run(
        "Error: out of resources (a thread or lock could not be had); no "
        "output file was written\n");
  }
  stop_run("Error: internal failure; no output file was written\n");
}

extern "C" void stop_on_early_exit() {
  if (!run_ended_normally) {
    // libarchive writes its line feed apart from its message, and that
    // write can fail too: a line feed first keeps the reason on a line of
    // its own.
    stop_run("\nError: out of memory; no output file was written\n");
  }
}

}  // namespace

void write_text(std::FILE* out, std::string_view text) {
  size_t done = std::fwrite(text.data(), 1, text.size(), out);
  // Standard error is unbuffered, so a write that fails there drops a
  // message that says why the run ends; another try mostly gets it out.
  for (int attempt = 0; out == stderr && done < text.size() && attempt < 4;
       ++attempt) {
    std::clearerr(out);
    done += std::fwrite(text.data() + done, 1, text.size() - done, out);
  }
}

void stop_out_of_memory() {
  stop_run("Error: out of memory; no output file was written\n");
}

int run_ended(int status) {
  run_ended_normally = 1;
  return status;
}

void remove_unfinished_outputs() {
  for (CleanupSlot& slot : cleanup_slots) {
    if (slot.used) {
      unlink(slot.path);
      slot.used = 0;
    }
  }
}

OutputStream::OutputStream(std::FILE* file, bool owned,
                           std::string temporary_path, std::string final_path,
                           int cleanup_slot)
    : file_(file),
      owned_(owned),
      temporary_path_(std::move(temporary_path)),
      final_path_(std::move(final_path)),
      cleanup_slot_(cleanup_slot) {
  if (owned_) {
    buffer_ = std::make_unique<char[]>(kBufferBytes);
    std::setvbuf(file_, buffer_.get(), _IOFBF, kBufferBytes);
  } else {
    std::setvbuf(file_, standard_output_buffer, _IOFBF, kBufferBytes);
  }
}

OutputStream::~OutputStream() {
  abandon();
}

std::unique_ptr<OutputStream> OutputStream::open_file(const std::string& path) {
  auto open_directly = [&]() -> std::unique_ptr<OutputStream> {
    std::FILE* file = std::fopen(path.c_str(), "wbe");  // e: close-on-exec
    if (file == nullptr) {
      return nullptr;
    }
    return std::unique_ptr<OutputStream>(
        new OutputStream(file, true, "", path, -1));
  };
  std::string target = path;
  struct stat st;
  if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char* real = realpath(path.c_str(), nullptr);
    if (real == nullptr) {
      return open_directly();
    }
    target = real;
    free(real);
  }
  const bool exists = stat(target.c_str(), &st) == 0;
  if ((exists && !S_ISREG(st.st_mode)) || (!exists && errno != ENOENT)) {
    return open_directly();
  }
  const size_t slash = target.rfind('/');
  std::string temporary =
      parent_directory(target) + "/." +
      target.substr(slash == std::string::npos ? 0 : slash + 1) + ".tmp-XXXXXX";
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    return open_directly();
  }
  // At once, before anything is allocated: an allocation that fails from
  // here on ends the run, which then removes the file.
  const int slot = claim_cleanup_slot(temporary);
  if (exists) {
    (void)fchmod(fd, st.st_mode & 07777);
    if (st.st_uid != geteuid() || st.st_gid != getegid()) {
      (void)fchown(fd, st.st_uid, st.st_gid);
    }
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    (void)fchmod(fd, 0666 & ~mask);
  }
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) {
    close(fd);
    unlink(temporary.c_str());
    release_cleanup_slot(slot);
    return nullptr;
  }
  return std::unique_ptr<OutputStream>(new OutputStream(
      file, true, std::move(temporary), std::move(target), slot));
}

std::unique_ptr<OutputStream> OutputStream::standard_output() {
  return std::unique_ptr<OutputStream>(
      new OutputStream(stdout, false, "", "", -1));
}

bool OutputStream::finish() {
  return complete() && put_in_place();
}

bool OutputStream::complete() {
  bool ok = std::fflush(file_) == 0 && std::ferror(file_) == 0;
  if (!owned_) {
    completed_ = ok;
    return ok;
  }
  if (!temporary_path_.empty() && ok) {
    // Some file systems cannot sync (EINVAL); the data is still complete.
    ok = fsync(fileno(file_)) == 0 || errno == EINVAL;
  }
  ok = std::fclose(file_) == 0 && ok;
  file_ = nullptr;
  if (!ok && !temporary_path_.empty()) {
    unlink(temporary_path_.c_str());
    release_cleanup_slot(cleanup_slot_);
    temporary_path_.clear();
  }
  completed_ = ok;
  return ok;
}

bool OutputStream::put_in_place() {
  if (!completed_) {
    return false;
  }
  completed_ = false;
  if (temporary_path_.empty()) {
    return true;
  }
  const bool ok = rename(temporary_path_.c_str(), final_path_.c_str()) == 0;
  if (!ok) {
    unlink(temporary_path_.c_str());
  }
  release_cleanup_slot(cleanup_slot_);
  temporary_path_.clear();
  return ok;
}

void OutputStream::abandon() {
  if (completed_ && !temporary_path_.empty()) {
    unlink(temporary_path_.c_str());
    release_cleanup_slot(cleanup_slot_);
    temporary_path_.clear();
  }
  completed_ = false;
  if (file_ == nullptr) {
    return;
  }
  if (!owned_) {
    std::fflush(file_);
    return;
  }
  std::fclose(file_);
  file_ = nullptr;
  if (!temporary_path_.empty()) {
    unlink(temporary_path_.c_str());
    release_cleanup_slot(cleanup_slot_);
  }
}

void install_output_cleanup() {
  struct sigaction action = {};
  action.sa_handler = remove_outputs_and_stop;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction before = {};
    if (sigaction(signal_number, nullptr, &before) == 0 &&
        before.sa_handler != SIG_IGN) {
      (void)sigaction(signal_number, &action, nullptr);
    }
  }
  // A crash (libarchive 3.6 writes through a null pointer in some of its
  // paths for a failed allocation) still ends by its signal, core dump
  // included, but leaves no partial output file behind.
  if (!kSanitized) {
    for (int signal_number : {SIGSEGV, SIGBUS}) {
      (void)sigaction(signal_number, &action, nullptr);
    }
  }
  static bool installed = false;
  if (!installed) {
    installed = true;
    std::set_new_handler(stop_out_of_memory_handler);
    std::set_terminate(stop_on_uncaught_exception);
    (void)atexit(stop_on_early_exit);
  }
}

}  // namespace zps
