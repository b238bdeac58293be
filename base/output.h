#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace zps {

// Writes the bytes of `text` to `out`. A failure stays on the stream's error
// flag for whoever finishes the stream; on standard error, which carries the
// reason a run fails, a failed write is tried again a few times first.
void write_text(std::FILE* out, std::string_view text);

// A stream that output goes to through a 64 KiB buffer of its own: a file
// it opened, or standard output. (The C library ignores a buffer size
// given without the buffer, so the buffer is ours.)
//
// A file that is (or will be) a regular file is written to a temporary
// file beside it, which finish() puts in its place only once complete and
// on disk: a run that fails or is stopped leaves no partial file and an
// earlier file at the path untouched. A path that names something else (a
// device such as /dev/stdout, a FIFO) is written directly.
class OutputStream {
 public:
  // Opens `path` for writing: a temporary file in its directory (the mode
  // and owner of an existing file carried over, 0666 less the umask for a
  // new one), or `path` itself when it is not a regular file, when it is a
  // symbolic link to nothing, or when no temporary file can be made there.
  // A symbolic link to a file is followed: the file it names is replaced.
  // Returns nullptr when it cannot be opened; nothing is written then.
  static std::unique_ptr<OutputStream> open_file(const std::string& path);

  // Standard output. Requires: nothing has been written to it yet.
  static std::unique_ptr<OutputStream> standard_output();

  // Ends a stream that was not finished as abandon() does, without
  // reporting.
  ~OutputStream();
  OutputStream(const OutputStream&) = delete;
  OutputStream& operator=(const OutputStream&) = delete;

  std::FILE* get() const { return file_; }

  // The path given to open_file (a symbolic link resolved); empty for
  // standard output.
  const std::string& final_path() const { return final_path_; }

  // Flushes the stream and closes a file (standard output stays open); a
  // temporary file is synced and renamed over the path. Returns false when
  // any write, the flush, the sync, the close or the rename failed; the
  // temporary file is removed then. Nothing may be written after it.
  // The same as complete() followed by put_in_place().
  [[nodiscard]] bool finish();

  // The first half of finish(): flushes and closes, and syncs a temporary
  // file, which stays where it is. Returns false when any of that failed;
  // the temporary file is removed then. Nothing may be written after it.
  [[nodiscard]] bool complete();

  // The second half: renames a completed temporary file over the path
  // (nothing to do for a stream written directly). Returns false when the
  // rename failed; the temporary file is removed then. A stream completed
  // and then destroyed without this is abandoned: the path keeps what it
  // held, so several outputs can be put in place only when all are whole.
  // Returns false, changing nothing, when complete() did not succeed.
  [[nodiscard]] bool put_in_place();

  // Ends the stream without putting a temporary file in place: that file
  // is removed and the path keeps what it held. A stream written directly
  // is flushed (and a file closed), so what it holds stays whole lines.
  void abandon();

 private:
  OutputStream(std::FILE* file, bool owned, std::string temporary_path,
               std::string final_path, int cleanup_slot);

  std::unique_ptr<char[]> buffer_;  // outlives the file's use of it
  std::FILE* file_;
  bool owned_;
  bool completed_ = false;      // closed, the temporary file not yet renamed
  std::string temporary_path_;  // empty when written directly
  std::string final_path_;
  int cleanup_slot_ = -1;  // in the table remove_unfinished_outputs reads
};

// Makes the end of a run remove the temporary output files not yet
// finished: on SIGINT, SIGTERM and SIGHUP (unless ignored when the run
// started: nohup, a background job), which then end the process as by
// default (status 130, 143 or 129 in a shell); on SIGSEGV and SIGBUS
// (outside sanitizer builds), which then end it as by default too; and
// when an allocation fails, when a library calls exit before run_ended()
// (libarchive does when it cannot allocate), or when the C++ library
// throws (the product has no handler for it), all of which then end the process
// with status 1 and one line on standard error instead of an abort: "Error: out
// of memory; no output file was written" (an exception other than
// std::bad_alloc says "out of resources" or "internal failure" instead of "out
// of memory"). Calls after the first change nothing.
void install_output_cleanup();

// Marks the process as ending normally, so that exit no longer counts as a
// library giving up. Returns `status`.
int run_ended(int status);

// Removes the temporary output files not yet finished, writes "Error: out
// of memory; no output file was written" on standard error and ends the
// process with status 1. For an allocation a library reports as failed
// where the run cannot go on without it. Async-signal-safe.
[[noreturn]] void stop_out_of_memory();

// Removes every temporary output file not yet finished or abandoned. Only
// async-signal-safe calls: a signal handler, or an out-of-memory handler,
// calls it before the process ends.
void remove_unfinished_outputs();

}  // namespace zps
