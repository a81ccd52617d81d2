// `ambview export` and `ambview resave` (see export_commands.h).
#include "view/commands/export_commands.h"

#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <iostream>
#include <optional>
#include <system_error>

#include "common/cp932.h"
#include "view/commands/edf_export_command.h"
#include "view/commands/render_command.h"
#include "view/output/resave.h"
#include "view/output/text_export.h"

namespace ambview {

namespace {

namespace fs = std::filesystem;

// Progress lines go to the terminal only, as the other long commands do.
Progress command_progress(std::ostream& err) {
  Progress p;
  if (&err == &std::cerr && ::isatty(STDERR_FILENO) != 0)
    p.print = [&err](std::string_view line) { err << line << "\n"; };
  return p;
}

std::string error_line(std::string_view command, const std::string& path, const RunError& e) {
  return "ambview " + std::string(command) + ": " + path + ": 実行エラー " + run_error_text(e) +
         (e.detail.empty() ? std::string() : " (" + e.detail + ")") + "\n";
}

// The processing conditions the GUI would hold for FILE with --start/--span applied.
std::optional<RenderSetup> command_setup(std::string_view command, std::string_view usage, const ParsedArgs& parsed,
                                         LoadedRecording& recording, std::ostream& err, int& status) {
  if (!load_for_command(parsed.positional[0], recording, err)) {
    status = kExitDataError;
    return std::nullopt;
  }
  std::string error;
  std::optional<RenderSetup> setup = render_setup(recording, parsed, error);
  if (!setup) {
    err << "ambview " << command << ": " << error << "\nusage: ambview " << usage << "\n";
    status = kExitUsage;
  }
  return setup;
}

}  // namespace

int run_export(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  const ParsedArgs parsed = parse_args(args, {"format", "start", "span", "per-line", "out"});
  const auto usage = [&](const std::string& why) {
    err << "ambview export: " << why << "\nusage: ambview " << kExportUsage << "\n";
    return kExitUsage;
  };
  if (!parsed.error.empty()) return usage(parsed.error);
  if (const auto it = parsed.options.find("format"); it != parsed.options.end()) {
    if (it->second == "edf") return run_edf_export(args, out, err);
    if (it->second != "prn") return usage("--format is prn (the default) or edf, not \"" + it->second + "\"");
  }
  if (parsed.positional.size() != 1) return usage("expects one FILE");

  std::string out_directory, why;
  if (!out_directory_option(parsed, out_directory, why)) return usage(why);
  std::optional<int> per_line;
  if (const auto it = parsed.options.find("per-line"); it != parsed.options.end()) {
    int v = 0;
    const std::string& t = it->second;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size() || v < 1 || v > 9999)
      return usage("--per-line needs a whole number from 1 to 9999, not \"" + t + "\"");
    per_line = v;
  }

  LoadedRecording recording;
  int status = kExitOk;
  std::optional<RenderSetup> setup = command_setup("export", kExportUsage, parsed, recording, err, status);
  if (!setup) return status;
  if (per_line) setup->conditions.per_line = *per_line;
  if (!parsed.has("out")) out_directory = recording.directory;

  const TextExportJob job = make_text_export_job(setup->conditions, recording.table, recording.info,
                                                 recording.sample_count, out_directory);
  int result = kExitOk;
  for (const ChannelResult& r : text_export_all(job, command_progress(err))) {
    if (!r.note.empty()) err << "ambview export: " << r.path << ": " << r.note << "\n";
    if (r.written) {
      out << r.path << "\n";
    } else if (r.error) {
      err << error_line("export", r.path, *r.error);
      result = kExitDataError;
    }
  }
  return result;
}

int run_resave(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  const ParsedArgs parsed = parse_args(args, {"start", "span", "out"});
  const auto usage = [&](const std::string& why) {
    err << "ambview resave: " << why << "\nusage: ambview " << kResaveUsage << "\n";
    return kExitUsage;
  };
  if (!parsed.error.empty()) return usage(parsed.error);
  if (parsed.positional.size() != 1) return usage("expects one FILE");
  if (!parsed.has("out")) return usage("--out is required");
  const std::string& out_path = parsed.options.at("out");

  LoadedRecording recording;
  int status = kExitOk;
  std::optional<RenderSetup> setup = command_setup("resave", kResaveUsage, parsed, recording, err, status);
  if (!setup) return status;

  switch (resave_refusal(recording.extension)) {
    case ResaveRefusal::Mode5:
      err << "ambview resave: " << recording.path << ": " << kMode5Caption << ": " << kMode5Text << "\n";
      return kExitDataError;
    case ResaveRefusal::DotC:
      err << "ambview resave: " << recording.path << ": " << kResaveCaption << ": " << kDotCText << "\n";
      return kExitDataError;
    case ResaveRefusal::None: break;
  }
  const bool combined = recording.table.combined != nullptr;
  if (resave_base_name(out_path, combined).empty()) return usage("--out names no file: \"" + out_path + "\"");
  const std::string out_dir = GET_PASS(out_path);
  std::error_code ec;
  if (!out_dir.empty() && !fs::is_directory(out_dir, ec)) return usage("--out: no directory \"" + out_dir + "\"");

  const ResaveJob job =
      make_resave_job(setup->conditions, recording.table, recording.info, recording.sample_count, out_path);
  int result = kExitOk;
  for (const ResaveResult& r : resave_all(job, command_progress(err))) {
    if (!r.note.empty()) err << "ambview resave: " << r.path << ": " << r.note << "\n";
    if (r.written) {
      out << r.path << "\n";
    } else if (r.error) {
      err << error_line("resave", r.path, *r.error);
      result = kExitDataError;
    }
  }
  return result;
}

}  // namespace ambview
