// The download subcommand: progress lines on a terminal, a summary always, the files placed
// on standard output (one path a line) so that scripts can pick them up; a download that
// stopped says on standard error which of them are complete, which partial and which missing.
#include "link/command_line_download.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "link/condition_request.h"
#include "link/download.h"
#include "link/download_name.h"
#include "link/download_plan.h"

namespace ambcomm {

namespace {

constexpr int kUsageExit = 2;
constexpr std::size_t kNoLine = static_cast<std::size_t>(-1);

// PATH and --yes; false (with the message printed) for anything else or no PATH.
bool parse_arguments(CommandContext& ctx, const std::vector<std::string>& args, std::string& path, bool& yes) {
  for (const auto& a : args) {
    if (a == "--yes") {
      yes = true;
    } else if (path.empty() && !a.empty() && a[0] != '-') {
      path = a;
    } else {
      std::fprintf(ctx.err, "ambcomm: download takes PATH and --yes, not %s\n", a.c_str());
      return false;
    }
  }
  if (path.empty()) std::fprintf(ctx.err, "ambcomm: download needs PATH\n");
  return !path.empty();
}

// The condition request the plan is made from; false (with the failure printed) without one.
bool request(CommandContext& ctx, int& status) {
  STS_REQ(ctx.link, nullptr, status, "1");
  ctx.link.state.status = status;
  if (status == kStatusOk) return true;
  if (status != kStatusHeading) {
    print_link_failure(ctx, status);
    return false;
  }
  std::fprintf(ctx.err, "ambcomm: %s\n", status_message(status, kLocationConditionRequest).c_str());
  std::fprintf(ctx.err, "ambcomm: the recorder streams its waveform; the live display is in the window program\n");
  return false;
}

// What the terminal shows: the row being rewritten (kNoLine before the first), its line, and
// the whole download's share with the time left, which only the row being rewritten carries.
struct TerminalProgress {
  std::size_t shown = kNoLine;
  std::string line;
  std::string whole;
};

// On a terminal, each progress line is rewritten in place while its counts change, the whole
// download's share and time left after it; a new line leaves the finished one without them
// and starts a new row. Nothing at all when standard error is not a terminal.
void show_progress_on_terminal(CommandContext& ctx, DownloadOptions& options, TerminalProgress& p) {
  if (isatty(fileno(ctx.err)) == 0) return;
  auto draw = [&ctx, &p] {
    std::fprintf(ctx.err, "\r%s%s\033[K", p.line.c_str(), p.whole.c_str());
    std::fflush(ctx.err);
  };
  options.on_progress = [&ctx, &p, draw](std::size_t index, const std::string& text) {
    if (p.shown != kNoLine && index != p.shown) std::fprintf(ctx.err, "\r%s\033[K\n", p.line.c_str());
    p.shown = index;
    p.line = text;
    draw();
  };
  options.on_total = [&p, draw](const WholeProgress& w) {
    const std::string before = p.whole;
    p.whole.clear();
    if (w.running && w.planned > 0 && w.received < w.planned)
      p.whole = "   全体 " + std::to_string(w.received * 100 / w.planned) + "%" + (w.left.empty() ? "" : "  " + w.left);
    if (p.shown != kNoLine && p.whole != before) draw();
  };
}

long long ll(std::int64_t v) { return static_cast<long long>(v); }

// A download that stopped early: which files are complete, which partial, which missing.
void report_stopped(CommandContext& ctx, const DownloadResult& result) {
  std::fprintf(ctx.err, "ambcomm: download stopped early: %s\n", end_text(result).c_str());
  std::size_t whole = 0;
  for (const auto& f : result.files) {
    if (f.whole) {
      ++whole;
      std::fprintf(ctx.err, "ambcomm: %s: complete, %lld of %lld\n", f.path.c_str(), ll(f.received), ll(f.expected));
    } else {
      std::fprintf(ctx.err, "ambcomm: %s: partial, holds %lld%s (its header counts what it holds)\n", f.path.c_str(),
                   ll(f.received), f.expected > f.received ? (" of " + std::to_string(f.expected)).c_str() : "");
    }
  }
  for (const auto& p : result.not_downloaded) {
    std::error_code ec;
    std::fprintf(ctx.err, "ambcomm: %s: not downloaded%s\n", p.c_str(),
                 std::filesystem::exists(p, ec) ? " (the file there is an older one)" : "");
  }
  std::fprintf(ctx.err, "ambcomm: %zu files complete, %zu partial, %zu not downloaded\n", whole,
               result.files.size() - whole, result.not_downloaded.size());
}

// The files on standard output, the counts on standard error, and the exit status.
int report(CommandContext& ctx, const DownloadResult& result) {
  if (result.end == DownloadEnd::Refused) {
    std::fprintf(ctx.err, "ambcomm: %s exists; nothing downloaded (add --yes to overwrite every file)\n",
                 result.failed_path.c_str());
    return kExitRefused;
  }
  for (const auto& f : result.files) std::fprintf(ctx.out, "%s\n", f.path.c_str());
  if (result.complete()) {
    for (const auto& f : result.files)
      std::fprintf(ctx.err, "ambcomm: %s: %lld of %lld\n", f.path.c_str(), ll(f.received), ll(f.expected));
    std::fprintf(ctx.err, "ambcomm: download complete, %zu files\n", result.files.size());
    return 0;
  }
  report_stopped(ctx, result);
  if (result.end == DownloadEnd::FileError) return kExitFileError;
  const int code = exit_status_for(result.status);
  return code != 0 ? code : kStatusNothing;
}

}  // namespace

int run_download(CommandContext& ctx, const std::vector<std::string>& args) {
  std::string path;
  bool yes = false;
  if (!parse_arguments(ctx, args, path, yes)) return kUsageExit;
  const std::string stem = strip_extension(path);
  const std::filesystem::path dir = std::filesystem::path(stem).parent_path();
  std::error_code ec;
  if (!dir.empty() && !std::filesystem::is_directory(dir, ec)) {
    std::fprintf(ctx.err, "ambcomm: no folder %s for the recording files\n", dir.string().c_str());
    return kUsageExit;
  }

  int status = 0;
  if (!request(ctx, status)) return exit_status_for(status);
  const common::ConditionsRecord& rec = ctx.link.state.conditions;
  if (planned_paths(plan_download(rec, stem)).empty())
    std::fprintf(ctx.err, "ambcomm: the recorder holds no data for its mode (model %s, mode %s)\n",
                 rec.model_code.c_str(), rec.mode.c_str());

  DownloadOptions options;
  options.overwrite = yes ? Overwrite::Yes : Overwrite::Refuse;
  TerminalProgress progress;
  show_progress_on_terminal(ctx, options, progress);
  const DownloadResult result = REC_DATA(ctx.link, nullptr, nullptr, stem, options);
  if (progress.shown != kNoLine) std::fputc('\n', ctx.err);
  return report(ctx, result);
}

}  // namespace ambcomm
