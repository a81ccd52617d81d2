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

namespace ambcomm {

int run_download(CommandContext& ctx, const std::vector<std::string>& args) {
  std::string path;
  bool yes = false;
  for (const auto& a : args) {
    if (a == "--yes") {
      yes = true;
    } else if (path.empty() && !a.empty() && a[0] != '-') {
      path = a;
    } else {
      std::fprintf(ctx.err, "ambcomm: download takes PATH and --yes, not %s\n", a.c_str());
      return 2;
    }
  }
  if (path.empty()) {
    std::fprintf(ctx.err, "ambcomm: download needs PATH\n");
    return 2;
  }
  const std::string stem = strip_extension(path);
  {
    const std::filesystem::path dir = std::filesystem::path(stem).parent_path();
    std::error_code ec;
    if (!dir.empty() && !std::filesystem::is_directory(dir, ec)) {
      std::fprintf(ctx.err, "ambcomm: no folder %s for the recording files\n", dir.string().c_str());
      return 2;
    }
  }

  int status = 0;
  STS_REQ(ctx.link, nullptr, status, "1");
  ctx.link.state.status = status;
  if (status != kStatusOk) {
    if (status != kStatusHeading) print_link_failure(ctx, status);
    else std::fprintf(ctx.err, "ambcomm: %s\n", status_message(status, kLocationConditionRequest).c_str());
    if (status == kStatusHeading)
      std::fprintf(ctx.err, "ambcomm: the recorder streams its waveform; the live display is in the window program\n");
    return exit_status_for(status);
  }

  const auto plan = plan_download(ctx.link.state.conditions, stem);
  if (planned_paths(plan).empty())
    std::fprintf(ctx.err, "ambcomm: the recorder holds no data for its mode (model %s, mode %s)\n",
                 ctx.link.state.conditions.model_code.c_str(), ctx.link.state.conditions.mode.c_str());

  DownloadOptions options;
  options.overwrite = yes ? Overwrite::Yes : Overwrite::Refuse;
  const bool terminal = isatty(fileno(ctx.err)) != 0;
  std::size_t shown = static_cast<std::size_t>(-1);
  if (terminal) {
    // A line is rewritten in place while its counts change; a new line starts a new row.
    options.on_progress = [&](std::size_t index, const std::string& text) {
      if (shown != static_cast<std::size_t>(-1) && index != shown) std::fputc('\n', ctx.err);
      std::fprintf(ctx.err, "\r%s", text.c_str());
      std::fflush(ctx.err);
      shown = index;
    };
  }
  const DownloadResult result = REC_DATA(ctx.link, nullptr, nullptr, stem, options);
  if (terminal && shown != static_cast<std::size_t>(-1)) std::fputc('\n', ctx.err);

  if (result.end == DownloadEnd::Refused) {
    std::fprintf(ctx.err, "ambcomm: %s exists; nothing downloaded (add --yes to overwrite every file)\n",
                 result.failed_path.c_str());
    return kExitRefused;
  }
  for (const auto& f : result.files) std::fprintf(ctx.out, "%s\n", f.path.c_str());
  if (result.complete()) {
    for (const auto& f : result.files)
      std::fprintf(ctx.err, "ambcomm: %s: %lld of %lld\n", f.path.c_str(), static_cast<long long>(f.received),
                   static_cast<long long>(f.expected));
    std::fprintf(ctx.err, "ambcomm: download complete, %zu files\n", result.files.size());
    return 0;
  }
  std::fprintf(ctx.err, "ambcomm: download stopped early: %s\n", end_text(result).c_str());
  for (const auto& f : result.files) {
    if (f.whole)
      std::fprintf(ctx.err, "ambcomm: %s: complete, %lld of %lld\n", f.path.c_str(),
                   static_cast<long long>(f.received), static_cast<long long>(f.expected));
    else
      std::fprintf(ctx.err, "ambcomm: %s: partial, holds %lld%s (its header counts what it holds)\n", f.path.c_str(),
                   static_cast<long long>(f.received),
                   f.expected > f.received ? (" of " + std::to_string(f.expected)).c_str() : "");
  }
  for (const auto& p : result.not_downloaded) {
    std::error_code ec;
    std::fprintf(ctx.err, "ambcomm: %s: not downloaded%s\n", p.c_str(),
                 std::filesystem::exists(p, ec) ? " (the file there is an older one)" : "");
  }
  std::fprintf(ctx.err, "ambcomm: %zu files complete, %zu partial, %zu not downloaded\n",
               static_cast<std::size_t>(std::count_if(result.files.begin(), result.files.end(),
                                                      [](const DownloadedFile& f) { return f.whole; })),
               static_cast<std::size_t>(std::count_if(result.files.begin(), result.files.end(),
                                                      [](const DownloadedFile& f) { return !f.whole; })),
               result.not_downloaded.size());
  if (result.end == DownloadEnd::FileError) return kExitFileError;
  const int code = exit_status_for(result.status);
  return code != 0 ? code : kStatusNothing;
}

}  // namespace ambcomm
