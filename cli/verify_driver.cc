#include "cli/verify_driver.h"

#include <fcntl.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/files.h"
#include "base/ordered_work.h"
#include "base/output.h"
#include "base/unique_fd.h"
#include "packages/list_verify.h"

namespace zps {
namespace {

// A list of every file of a large system is some hundred MB at most.
constexpr size_t kMaxListBytes = size_t{4} << 30;

// Files checked ahead of the one being reported, per worker.
constexpr size_t kFilesAheadPerJob = 16;

// The report line of list line `number` (counted from 1), empty when its
// file matches; `*is_file` says whether the line named a file.
std::string check_line(int root_fd, std::string_view line, size_t number,
                       bool* is_file) {
  const std::optional<ListLine> listed = parse_list_line(line);
  *is_file = listed.has_value();
  if (!listed) {
    return "BADLINE " + std::to_string(number) + "\n";
  }
  const char* verdict = nullptr;
  switch (verify_listed_file(root_fd, listed->path, listed->checksum)) {
    case FileVerdict::kMatch:
      return {};
    case FileVerdict::kMismatch:
      verdict = "MISMATCH ";
      break;
    case FileVerdict::kMissing:
      verdict = "MISSING ";
      break;
    case FileVerdict::kNotRegular:
      verdict = "NOTREG ";
      break;
    case FileVerdict::kBadPath:
      verdict = "BADPATH ";
      break;
  }
  return verdict + std::string(listed->path) + "\n";
}

struct LineResult {
  std::string report;
  bool is_file = false;
};

}  // namespace

namespace {

bool report_unwritten_output(const std::string& output_path) {
  write_text(stderr, "Error: cannot write output file " +
                         (output_path.empty() ? std::string("standard output")
                                              : output_path) +
                         "\n");
  return false;
}

}  // namespace

bool complete_output(OutputStream* out, const std::string& output_path) {
  return out->complete() || report_unwritten_output(output_path);
}

bool put_output_in_place(OutputStream* out, const std::string& output_path) {
  return out->put_in_place() || report_unwritten_output(output_path);
}

bool finish_output(OutputStream* out, const std::string& output_path) {
  return complete_output(out, output_path) &&
         put_output_in_place(out, output_path);
}

int run_verify(const RunOptions& options) {
  install_output_cleanup();
  const UniqueFd root(
      open(options.verify_root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!root.valid()) {
    write_text(stderr, "Error: cannot open root directory " +
                           options.verify_root + "\n");
    return 1;
  }
  const std::optional<std::string> list =
      read_regular_file(options.verify_list, kMaxListBytes);
  if (!list) {
    write_text(stderr, "Error: cannot read checksum list " +
                           options.verify_list + "\n");
    return 1;
  }
  std::vector<std::string_view> lines;
  for (size_t start = 0; start < list->size();) {
    size_t end = list->find('\n', start);
    if (end == std::string::npos) {
      end = list->size();
    }
    lines.push_back(std::string_view(*list).substr(start, end - start));
    start = end + 1;
  }
  std::unique_ptr<OutputStream> out =
      options.output_path.empty()
          ? OutputStream::standard_output()
          : OutputStream::open_file(options.output_path);
  if (out == nullptr) {
    write_text(stderr,
               "Error: cannot open output file " + options.output_path + "\n");
    return 1;
  }
  const unsigned jobs = options.jobs > 0 ? options.jobs : usable_cpu_count();
  uint64_t files = 0;
  uint64_t problems = 0;
  run_ordered(
      lines.size(), jobs, jobs * kFilesAheadPerJob,
      [&](size_t i) {
        LineResult result;
        result.report =
            check_line(root.get(), lines[i], i + 1, &result.is_file);
        return result;
      },
      [&](size_t, const LineResult& result) {
        files += result.is_file ? 1 : 0;
        problems += result.report.empty() ? 0 : 1;
        write_text(out->get(), result.report);
      });
  int status = problems > 0 ? 1 : 0;
  if (!finish_output(out.get(), options.output_path)) {
    status = 1;
  }
  write_text(stderr, "Verified: " + std::to_string(files) + " files, " +
                         std::to_string(problems) + " problems.\n");
  return status;
}

}  // namespace zps
