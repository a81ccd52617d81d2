// Dispatch of ambview's subcommands, shared argument parsing, and `info`.
#include "view/commands/command_line.h"

#include <exception>
#include <filesystem>
#include <new>
#include <system_error>

#include "common/cp932.h"
#include "common/recording_format.h"
#include "common/text.h"
#include "view/commands/calorie_commands.h"
#include "view/commands/edf_export_command.h"
#include "view/commands/export_commands.h"
#include "view/commands/hrv_command.h"
#include "view/commands/render_command.h"
#include "view/recording/channel_reader.h"

namespace ambview {

namespace {

const Subcommand kSubcommands[] = {
    {"info", run_info, "info FILE"},
    {"render", run_render, kRenderUsage},
    {"export", run_export, kExportUsage},
    {"export", run_export, kEdfExportUsage},  // its second form: the first "export" row runs both
    {"resave", run_resave, kResaveUsage},
    {"calorie", run_calorie, kCalorieUsage},
    {"hrv", run_hrv, kHrvUsage},
};

std::string trim_padding(std::string_view s) {
  auto end = s.find_last_not_of(std::string_view(" \0", 2));
  return end == std::string_view::npos ? std::string() : std::string(s.substr(0, end + 1));
}

void print_usage(std::ostream& err) {
  err << "usage: ambview [FILE]\n";
  for (const auto& sub : kSubcommands) err << "       ambview " << sub.usage << "\n";
}

}  // namespace

std::span<const Subcommand> subcommands() { return kSubcommands; }

bool is_subcommand(std::string_view word) {
  for (const auto& sub : kSubcommands)
    if (sub.name == word) return true;
  return false;
}

int run_command_line(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    print_usage(err);
    return kExitUsage;
  }
  for (const auto& sub : kSubcommands) {
    if (sub.name != args[0]) continue;
    // Nothing a damaged recording provokes may end the program without a word.
    try {
      return sub.run(CommandArgs(args.begin() + 1, args.end()), out, err);
    } catch (const std::bad_alloc&) {
      err << "ambview " << sub.name << ": not enough memory to process the recording\n";
    } catch (const std::exception& e) {
      err << "ambview " << sub.name << ": the command failed: " << e.what() << "\n";
    }
    return kExitDataError;
  }
  err << "ambview: unknown command \"" << args[0] << "\"\n";
  print_usage(err);
  return kExitUsage;
}

ParsedArgs parse_args(const CommandArgs& args, std::initializer_list<std::string_view> value_options,
                      std::initializer_list<std::string_view> flag_options) {
  ParsedArgs parsed;
  auto listed = [](std::initializer_list<std::string_view> list, std::string_view name) {
    for (auto n : list)
      if (n == name) return true;
    return false;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (word.size() < 3 || word.compare(0, 2, "--") != 0) {
      parsed.positional.push_back(word);
      continue;
    }
    const std::string name = word.substr(2);
    if (parsed.has(name)) {
      parsed.error = "option " + word + " given twice";
      return parsed;
    }
    if (listed(flag_options, name)) {
      parsed.options[name] = "";
    } else if (listed(value_options, name)) {
      if (i + 1 >= args.size()) {
        parsed.error = "option " + word + " needs a value";
        return parsed;
      }
      parsed.options[name] = args[++i];
    } else {
      parsed.error = "unknown option " + word;
      return parsed;
    }
  }
  return parsed;
}

bool out_directory_option(const ParsedArgs& parsed, std::string& directory, std::string& why) {
  directory.clear();
  const auto it = parsed.options.find("out");
  if (it == parsed.options.end()) return true;
  std::error_code ec;
  if (it->second.empty() || !std::filesystem::is_directory(it->second, ec)) {
    why = "--out: no directory \"" + it->second + "\"";
    return false;
  }
  directory = it->second;
  if (directory.back() != '/') directory += '/';
  return true;
}

namespace {

// Loads FILE; on failure writes the data error, with the reason where the file itself is the
// trouble.
bool load_or_report(const std::string& path, LoadedRecording& out, std::ostream& err) {
  const LoadResult result = load_recording(path);
  if (result.ok()) {
    out = result.recording;
    return true;
  }
  const DataErrorMessage msg = message_for(result.error);
  err << "ambview: " << path << ": " << msg.caption << ": " << msg.text;
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) err << " (no such file)";
  else if (std::filesystem::is_directory(path, ec)) err << " (a directory, not a recording file)";
  err << "\n";
  return false;
}

void report_empty(const LoadedRecording& r, std::ostream& err) {
  err << "ambview: " << r.path << ": " << kNoChannelsMessage.caption << ": " << kNoChannelsMessage.text
      << " (the file holds no sample; its header names " << r.sample_count << ")\n";
}

}  // namespace

bool load_for_command(const std::string& path, LoadedRecording& out, std::ostream& err) {
  if (!load_or_report(path, out, err)) return false;
  if (samples_held(out) > 0) return true;
  report_empty(out, err);
  return false;
}

std::string info_text(const LoadedRecording& r) {
  const auto& item = r.info.item;
  std::string channels;
  for (int i = 0; i < r.table.count; ++i) {
    const ChannelRow& row = r.table.rows[static_cast<std::size_t>(i)];
    if (!row.present) continue;
    if (!channels.empty()) channels += ' ';
    channels += row.code;
    channels += '/';
    channels += row.kind;
  }
  std::string s;
  s += "start: " + item[RecordingInfo::kStartTime] + "\n";
  s += "comment: " + common::cp932_to_utf8(trim_padding(item[RecordingInfo::kComment])) + "\n";
  s += "samples: " + std::to_string(r.sample_count);
  // A file cut short (a full disk, a stopped download) still carries its header's count.
  if (const std::int64_t held = samples_held(r); held < r.sample_count)
    s += " (the file holds " + std::to_string(held) + ")";
  s += "\n";
  s += "interval: " + item[RecordingInfo::kInterval] + "\n";
  s += "duration: " + std::to_string(r.time.duration) + "\n";
  s += "offset: " + item[RecordingInfo::kStartOffset] + "\n";
  s += "ecg_blocks: " + item[RecordingInfo::kEcgBlocks] + "\n";
  s += "thresholds: " + item[RecordingInfo::kThreshold1] + " " + item[RecordingInfo::kThreshold1 + 1] + " " +
       item[RecordingInfo::kThreshold1 + 2] + "\n";
  s += "channels: " + channels + "\n";
  return s;
}

int run_info(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  const ParsedArgs parsed = parse_args(args, {});
  if (!parsed.error.empty() || parsed.positional.size() != 1) {
    err << "ambview info: " << (parsed.error.empty() ? "expects one FILE" : parsed.error) << "\n"
        << "usage: ambview info FILE\n";
    return kExitUsage;
  }
  LoadedRecording recording;
  if (!load_or_report(parsed.positional[0], recording, err)) return kExitDataError;
  out << info_text(recording);
  if (samples_held(recording) > 0) return kExitOk;
  report_empty(recording, err);
  return kExitDataError;
}

}  // namespace ambview
