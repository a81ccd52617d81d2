// `ambview hrv` (see hrv_command.h).
#include "view/commands/hrv_command.h"

#include <charconv>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>

#include "common/staged_file.h"
#include "view/compute/hrv_report.h"
#include "view/recording/output_guard.h"

namespace ambview {

namespace {

namespace fs = std::filesystem;

// Seconds are whole numbers, as in the other commands; the span slot's 8 digits bound them.
constexpr long long kMaxSeconds = 99'999'999;

std::optional<long long> whole_seconds(const std::string& text, long long low) {
  long long v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < low || v > kMaxSeconds) return std::nullopt;
  return v;
}

}  // namespace

int run_hrv(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  const ParsedArgs parsed = parse_args(args, {"start", "span", "window", "out"});
  const auto usage = [&](const std::string& why) {
    err << "ambview hrv: " << why << "\nusage: ambview " << kHrvUsage << "\n";
    return kExitUsage;
  };
  if (!parsed.error.empty()) return usage(parsed.error);
  if (parsed.positional.size() != 1) return usage("expects one FILE");

  std::optional<long long> start = 0, span, window = kHrvDefaultWindowSeconds;
  struct SecondsOption {
    const char* name;
    long long low;
    std::optional<long long>* into;
  };
  for (const auto& [name, low, into] : {SecondsOption{"start", 0, &start}, SecondsOption{"span", 1, &span},
                                        SecondsOption{"window", 1, &window}}) {
    const auto it = parsed.options.find(std::string_view(name));
    if (it == parsed.options.end()) continue;
    *into = whole_seconds(it->second, low);
    if (!*into)
      return usage("--" + std::string(name) + " needs a whole number of seconds from " + std::to_string(low) + " to " +
                   std::to_string(kMaxSeconds) + ", not \"" + it->second + "\"");
  }
  std::string out_path;
  if (const auto it = parsed.options.find("out"); it != parsed.options.end()) {
    out_path = it->second;
    const fs::path folder = fs::path(out_path).parent_path();
    std::error_code ec;
    if (out_path.empty() || fs::path(out_path).filename().empty()) return usage("--out names no file: \"" + out_path + "\"");
    if (!folder.empty() && !fs::is_directory(folder, ec)) return usage("--out: no directory \"" + folder.string() + "\"");
    if (fs::is_directory(out_path, ec)) return usage("--out names a directory: \"" + out_path + "\"");
  }

  LoadedRecording recording;
  if (!load_for_command(parsed.positional[0], recording, err)) return kExitDataError;
  const std::int64_t duration = recording.time.duration;
  if (*start >= duration) {
    err << "ambview hrv: " << recording.path << ": the range is empty: --start " << *start
        << " is at or past the end of the recording (" << duration << " s)\n";
    return kExitDataError;
  }
  const HrvRange range{*start, span ? *span : duration - *start, *window};
  const HrvReport report = hrv_report(recording.table, recording.info, range);
  if (!report.ok()) {
    err << "ambview hrv: " << recording.path << ": " << hrv_error_line(report) << "\n";
    return kExitDataError;
  }
  const std::string csv = hrv_csv(report);
  if (out_path.empty()) {
    out << csv;
    out.flush();
    return out ? kExitOk : kExitDataError;
  }
  if (const auto o = overwrite_of({out_path}, recording.table)) {
    err << "ambview hrv: " << overwrite_reason(*o) << "\n";
    return kExitDataError;
  }
  if (const int e = common::write_whole_file(out_path, csv.data(), csv.size()); e != 0) {
    err << "ambview hrv: " << out_path << ": cannot be written: " << std::strerror(e) << "; nothing was written\n";
    return kExitDataError;
  }
  out << out_path << "\n";
  return kExitOk;
}

}  // namespace ambview
