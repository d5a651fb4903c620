// Chooses standard input or files, formats the files on the work queue and
// reports each one in path order as soon as it and those before it are done.

#include "kelvanefmt/fmt_run.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <numeric>
#include <set>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "kelvanefmt/config_finder.h"
#include "kelvanefmt/exclude_globs.h"
#include "kelvanefmt/file_search.h"
#include "kelvanefmt/format_file.h"
#include "kelvanefmt/format_stdin.h"
#include "kelvanefmt/git_ignored.h"
#include "kelvanefmt/language_server.h"
#include "kelvanefmt/ordered_work_queue.h"
#include "kelvanefmt/progress_bar.h"
#include "kelvanefmt/quoted_name.h"
#include "kelvanefmt/run_tally.h"

namespace kelvane::fmt {
namespace {

// What the run prints about one file, on each stream.
struct FileReport {
  std::string out;
  std::string err;
};

// Paths are shown as they are unless they hold control bytes, so that no
// name can break a line or reach the terminal raw.
FileReport ReportOf(const std::string& path, FileResult& result, const FmtOptions& options) {
  switch (result.outcome) {
    case FileOutcome::kChanged:
      if (options.mode == ChangeMode::kDiff) return {std::move(result.diff), ""};
      return {options.quiet ? "" : ShownName(path) + '\n', ""};
    case FileOutcome::kUnchanged:
      return {};
    case FileOutcome::kRefused:
    case FileOutcome::kFailed:
      return {"", ShownName(path) + ": " + result.cause + '\n'};
  }
  return {};
}

// A file and the settings it is formatted with.
struct FileJob {
  FoundFile file;
  FileSettings settings;
};

// The folder search feeds the work queue as it goes, so the threads start on
// the first files while it looks for the rest; the results are reported in
// path order once the search is done, each as soon as it is there. The search
// leaves out what --exclude and the config files exclude and, inside folders,
// what git ignores; a bad config file is reported once and the files it
// governs are left alone.
int FormatPaths(const FmtOptions& options, ConfigFinder& configs, FmtStreams& streams) {
  GitIgnored ignored;
  if (!options.no_ignore) {
    for (const std::string& path : options.paths) {
      std::error_code error;
      if (!std::filesystem::is_directory(std::filesystem::path(path), error)) continue;
      std::string note;
      ignored.AskAbout(path, note);
      if (!note.empty()) streams.err << note << '\n';
    }
  }
  std::vector<std::string> bad_configs;
  std::set<std::string> reported;
  auto leave_out = [&](const std::string& path, bool named) {
    const ConfigLookup lookup = configs.ForPath(path);
    if (!lookup.error.empty()) {
      if (reported.insert(lookup.error).second) bad_configs.push_back(lookup.error);
      return true;
    }
    const FmtConfig* config = lookup.config.get();
    if (config != nullptr && ConfigExcludes(*config, path)) return true;
    const bool respect_ignore = config == nullptr || config->respect_gitignore;
    return !named && respect_ignore && ignored.Contains(path);
  };

  std::atomic<uint64_t> bytes_done{0};
  OrderedWorkQueue<FileJob, FileResult> queue(options.jobs, [&](const FileJob& job) {
    FileResult result = FormatFile(job.file, job.settings, options.mode);
    bytes_done += result.input_bytes;
    return result;
  });
  ExcludeGlobs excludes(options.excludes, CurrentFolder());
  const SearchResult search =
      FindLuaFiles(options.paths, excludes, leave_out, [&](const FoundFile& file) {
        queue.Add({file, SettingsFor(options, configs.ForPath(file.path).config.get())});
      });

  RunTally tally;
  for (const std::string& error : bad_configs) {
    streams.err << error << '\n';
    ++tally.failed;
  }
  for (const SearchProblem& problem : search.problems) {
    streams.err << ShownName(problem.path) << ": " << problem.cause << '\n';
    ++tally.failed;
  }
  std::vector<size_t> path_order(search.files.size());
  std::iota(path_order.begin(), path_order.end(), size_t{0});
  std::sort(path_order.begin(), path_order.end(),
            [&](size_t a, size_t b) { return search.files[a].path < search.files[b].path; });

  ProgressBar progress(streams.err, streams.err_is_terminal, search.files.size());
  size_t files_done = 0;
  auto update_progress = [&] { progress.Update(files_done, bytes_done.load()); };
  auto deliver = [&](size_t i, FileResult& result) {
    tally.Count(result.outcome);
    ++files_done;
    const FileReport report = ReportOf(search.files[i].path, result, options);
    if (!report.out.empty() || !report.err.empty()) {
      progress.Clear();
      // Each line out at once, so that what was done is known even if the
      // run is stopped later, and the order holds on a shared terminal.
      streams.out << report.out;
      streams.out.flush();
      if (!report.err.empty()) {
        streams.err << report.err;
        streams.err.flush();
      }
    }
    update_progress();
  };
  queue.DeliverInOrder(path_order, deliver, update_progress);

  progress.Clear();
  streams.out.flush();
  for (const std::string& glob : excludes.Unused()) {
    streams.err << "kelvanefmt: --exclude " << ShownName(glob) << " matched no path\n";
  }
  streams.err << SummaryLine(tally, options.mode) << '\n';
  return ExitStatus(tally, options.mode);
}

int RunFmtUnchecked(const FmtOptions& options, FmtStreams& streams) {
  ConfigFinder configs(options);
  if (!configs.error().empty()) {
    streams.err << configs.error() << '\n';
    return kUsageErrorStatus;
  }
  if (options.lsp) return RunLanguageServer(options, streams.in, streams.out);
  if (options.paths.size() == 1 && options.paths.front() == "-") {
    return FormatStandardInput(options, configs, streams);
  }
  for (const std::string& path : options.paths) {
    if (path == "-") {
      streams.err << "kelvanefmt: \"-\" (standard input) cannot be combined with other paths\n";
      return kUsageErrorStatus;
    }
  }
  return FormatPaths(options, configs, streams);
}

}  // namespace

int RunFmt(const FmtOptions& options, FmtStreams& streams) {
  const int status = RunFmtUnchecked(options, streams);
  // A full disk or a closed pipe behind standard output loses results.
  if (!streams.out.flush()) {
    streams.err << "kelvanefmt: cannot write standard output\n";
    return kOutputErrorStatus;
  }
  return status;
}

}  // namespace kelvane::fmt
