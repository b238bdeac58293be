#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace zps {

// Writes the bytes of `text` to `out`. A failure stays on the stream's error
// flag for whoever finishes the stream.
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

  // Flushes the stream and closes a file (standard output stays open); a
  // temporary file is synced and renamed over the path. Returns false when
  // any write, the flush, the sync, the close or the rename failed; the
  // temporary file is removed then. Nothing may be written after it.
  [[nodiscard]] bool finish();

  // Ends the stream without putting a temporary file in place: that file
  // is removed and the path keeps what it held. A stream written directly
  // is flushed (and a file closed), so what it holds stays whole lines.
  void abandon();

 private:
  OutputStream(std::FILE* file, bool owned, std::string temporary_path,
               std::string final_path);

  std::unique_ptr<char[]> buffer_;  // outlives the file's use of it
  std::FILE* file_;
  bool owned_;
  std::string temporary_path_;  // empty when written directly
  std::string final_path_;
  int cleanup_slot_ = -1;  // in the table remove_unfinished_outputs reads
};

// Makes the end of a run remove the temporary output files not yet
// finished: on SIGINT, SIGTERM and SIGHUP (unless ignored when the run
// started: nohup, a background job), which then end the process as by
// default (status 130, 143 or 129 in a shell), and when an allocation
// fails, which then ends it with "Error: out of memory; no output file was
// written" on standard error and status 1 instead of an abort.
void install_output_cleanup();

// Removes every temporary output file not yet finished or abandoned. Only
// async-signal-safe calls: a signal handler, or an out-of-memory handler,
// calls it before the process ends.
void remove_unfinished_outputs();

}  // namespace zps
