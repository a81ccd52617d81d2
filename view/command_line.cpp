// Dispatch of ambview's subcommands, shared argument parsing, and `info`.
#include "view/command_line.h"

#include <filesystem>
#include <system_error>

#include "common/cp932.h"
#include "common/text.h"
#include "view/calorie_commands.h"
#include "view/export_commands.h"
#include "view/render_command.h"

namespace ambview {

namespace {

const Subcommand kSubcommands[] = {
    {"info", run_info, "info FILE"},
    {"render", run_render, kRenderUsage},
    {"export", run_export, kExportUsage},
    {"resave", run_resave, kResaveUsage},
    {"calorie", run_calorie, kCalorieUsage},
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
    if (sub.name == args[0]) return sub.run(CommandArgs(args.begin() + 1, args.end()), out, err);
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

bool load_for_command(const std::string& path, LoadedRecording& out, std::ostream& err) {
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
  s += "samples: " + std::to_string(r.sample_count) + "\n";
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
  if (!load_for_command(parsed.positional[0], recording, err)) return kExitDataError;
  out << info_text(recording);
  return kExitOk;
}

}  // namespace ambview
