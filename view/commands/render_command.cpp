// `ambview render` (see render_command.h): settings, options, one view drawn, image saved.
#include "view/commands/render_command.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <system_error>

#include "common/cp932.h"
#include "common/file_lookup.h"
#include "common/numbers.h"
#include "view/commands/calorie_commands.h"
#include "view/draw/overview.h"
#include "view/draw/ecg_strip.h"
#include "view/recording/channel_reader.h"
#include "view/recording/output_guard.h"
#include "view/settings/conditions_file.h"
#include "view/draw/trend_view.h"
#include "view/draw/wave_sweep.h"

namespace ambview {

namespace {

RenderPlatform& platform_slot() {
  static RenderPlatform platform;
  return platform;
}

// A whole number within [low, high]; nothing for anything else ("12x", "", "1e3").
std::optional<long long> whole_number(std::string_view text, long long low, long long high) {
  long long v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high) return std::nullopt;
  return v;
}

// One view the render can draw: its name and how it draws into a canvas.
using RenderView = bool (*)(ui::Canvas& canvas, const RenderSetup& setup, std::ostream& err);

bool render_trend(ui::Canvas& canvas, const RenderSetup& setup, std::ostream& err) {
  TREND(canvas, setup.conditions, setup.channels, setup.recording.info, setup.options);
  // A band whose file holds less than the window ends where the file does: said here.
  const double interval = setup.recording.interval;
  if (interval > 0) {
    const std::int64_t end = std::min<std::int64_t>(
        common::round_half_even(static_cast<double>(setup.conditions.display_start + setup.conditions.display_span) /
                                interval),
        setup.recording.sample_count);
    for (int r = 0; r < setup.channels.count; ++r) {
      const ChannelRow& row = setup.channels.rows[static_cast<std::size_t>(r)];
      if (!row.present || row.kind == common::kKindRR || row.kind == common::kKindWave) continue;
      if (const std::int64_t held = samples_held(setup.channels, r); held < end)
        err << "ambview render: " << row.path << ": the file holds " << held << " samples: its band ends there\n";
    }
  }
  return true;
}

// The block drawn as the window draws it; a recording without such a block file says so.
template <char Code>
bool render_ecg_block(ui::Canvas& canvas, const RenderSetup& setup, std::ostream& err) {
  const std::string path = setup.channels.prefix + Code;
  if (!common::find_path_ignoring_case(path)) {
    err << "ambview render: the recording has no ECG block " << (Code - 'e' + 1) << " (no file " << path << ")\n";
    return false;
  }
  PLOT_ECG(Code, canvas, setup.conditions, setup.channels.prefix, {}, setup.options);
  return true;
}

bool render_wave_page(ui::Canvas& canvas, const RenderSetup& setup, std::ostream& err) {
  if (render_wave(canvas, setup.conditions, setup.channels, setup.recording.info, setup.recording.time.recording_start,
                  setup.options))
    return true;
  err << "ambview render: the recording has no waveform channel to show\n";
  return false;
}

// The processing-conditions dialog's overview of the whole recording with the window's frame.
bool render_overview(ui::Canvas& canvas, const RenderSetup& setup, std::ostream&) {
  RenderSetup narrowed = setup;
  narrowed.recording.table = setup.channels;
  // The overview shows the checked channels only, in table order.
  ChannelTable& t = narrowed.recording.table;
  int kept = 0;
  for (int r = 0; r < t.count; ++r)
    if (t.rows[static_cast<std::size_t>(r)].present) t.rows[static_cast<std::size_t>(kept++)] = t.rows[static_cast<std::size_t>(r)];
  t.count = kept;
  draw_overview_picture(canvas, narrowed.recording, setup.conditions,
                        static_cast<std::int32_t>(setup.conditions.display_start),
                        static_cast<std::int32_t>(setup.conditions.display_span), setup.options.readable);
  return true;
}

struct RenderViewEntry {
  std::string_view name;
  RenderView draw;
  int width = kRenderDefaultWidth;  // default image size of the view
  int height = kRenderDefaultHeight;
};
// The views of the contract; one row per view as it is built.
const RenderViewEntry kViews[] = {
    {"trend", render_trend},
    {"calorie", render_calorie},
    {"ecg1", render_ecg_block<'e'>},
    {"ecg2", render_ecg_block<'f'>},
    {"ecg3", render_ecg_block<'g'>},
    {"ecg4", render_ecg_block<'h'>},
    {"wave", render_wave_page},
    {"overview", render_overview, 350, 330},
};
constexpr std::string_view kKnownViews[] = {"trend", "ecg1", "ecg2", "ecg3", "ecg4", "calorie", "wave"};

}  // namespace

void set_render_platform(RenderPlatform platform) { platform_slot() = std::move(platform); }
const RenderPlatform& render_platform() { return platform_slot(); }

std::optional<RenderSetup> render_setup(const LoadedRecording& recording, const ParsedArgs& parsed,
                                        std::string& error) {
  RenderSetup setup;
  setup.recording = recording;
  setup.channels = recording.table;

  // Settings as the GUI would have them: "RaZor.prm" of the current directory, read only.
  std::error_code ec;
  std::string start_directory = std::filesystem::current_path(ec).string();
  if (!start_directory.empty() && start_directory.back() != '/') start_directory += '/';
  ProcessingConditions& c = setup.conditions;
  c = default_conditions(start_directory);
  read_conditions_file(kSettingsFileName, c);

  // The recording as a fresh open leaves it: whole recording, its file name parts.
  c.directory = common::utf8_to_cp932(recording.directory);
  c.base_name = common::utf8_to_cp932(recording.base_name);
  c.extension = common::utf8_to_cp932(recording.extension);
  c.interval = IntervalText::of(recording.info.item[RecordingInfo::kInterval]);
  c.duration = recording.time.duration;
  long long start = 0;
  long long span = fresh_display_span(recording.time.duration);

  const auto option = [&](std::string_view name) -> const std::string* {
    const auto it = parsed.options.find(name);
    return it == parsed.options.end() ? nullptr : &it->second;
  };
  const auto number = [&](std::string_view name, long long low, long long high, long long& into) {
    const std::string* text = option(name);
    if (!text) return true;
    const std::optional<long long> v = whole_number(*text, low, high);
    if (!v) {
      error = "--" + std::string(name) + " needs a whole number from " + std::to_string(low) + " to " +
              std::to_string(high) + ", not \"" + *text + "\"";
      return false;
    }
    into = *v;
    return true;
  };
  if (!number("start", 0, recording.time.duration > 0 ? recording.time.duration - 1 : 0, start)) return std::nullopt;
  // The settings file keeps the span in 8 characters: at most 99999999 seconds.
  if (!number("span", 1, 99999999, span)) return std::nullopt;
  c.display_start = start;
  c.display_span = span;
  setup.options.readable = parsed.has("readable");

  long long value = 0;
  if (option("n")) {
    if (!number("n", 1, 999, value)) return std::nullopt;
    c.average_n = static_cast<int>(value);
  }
  if (option("acc-scale")) {
    if (!number("acc-scale", 0, 5, value)) return std::nullopt;
    c.acc_scale = static_cast<int>(value);
  }
  if (option("hr-scale")) {
    if (!number("hr-scale", 0, 1, value)) return std::nullopt;
    c.hr_scale = static_cast<int>(value);
  }
  if (const std::string* avg = option("avg")) {
    if (*avg == "block") {
      c.averaging = Averaging::Block;
    } else if (*avg == "moving") {
      c.averaging = Averaging::Moving;
    } else {
      error = "--avg is block or moving, not \"" + *avg + "\"";
      return std::nullopt;
    }
  }

  // --channels keeps the listed channel codes checked and unchecks the others.
  if (const std::string* codes = option("channels")) {
    for (const char code : *codes) {
      bool found = false;
      for (int r = 0; r < setup.channels.count; ++r) found |= setup.channels.rows[static_cast<std::size_t>(r)].code == code;
      if (!found) {
        error = "--channels: the recording has no channel \"" + std::string(1, code) + "\"";
        return std::nullopt;
      }
    }
    for (int r = 0; r < setup.channels.count; ++r) {
      ChannelRow& row = setup.channels.rows[static_cast<std::size_t>(r)];
      row.present = row.present && codes->find(row.code) != std::string::npos;
    }
  }
  return setup;
}

int run_render(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  const ParsedArgs parsed = parse_args(args, {"view", "out", "width", "height", "start", "span", "channels", "avg",
                                              "n", "acc-scale", "hr-scale"},
                                     {"readable"});
  const auto usage = [&](const std::string& why) {
    err << "ambview render: " << why << "\nusage: ambview " << kRenderUsage << "\n";
    return kExitUsage;
  };
  if (!parsed.error.empty()) return usage(parsed.error);
  if (parsed.positional.size() != 1) return usage("expects one FILE");
  if (!parsed.has("view")) return usage("--view is required");
  if (!parsed.has("out")) return usage("--out is required");
  const std::string& view = parsed.options.at("view");
  const std::string& out_path = parsed.options.at("out");

  const RenderViewEntry* entry = nullptr;
  for (const auto& v : kViews)
    if (v.name == view) entry = &v;
  if (!entry) {
    for (const auto known : kKnownViews)
      if (known == view) {
        err << "ambview render: the view \"" << view << "\" cannot be rendered yet\n";
        return kExitUsage;
      }
    return usage("unknown view \"" + view + "\"");
  }
  std::string extension = std::filesystem::path(out_path).extension().string();
  for (char& ch : extension) ch = static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
  if (extension != ".png" && extension != ".bmp") return usage("--out must name a .png or .bmp file");

  long long width = entry->width;
  long long height = entry->height;
  for (const auto& [name, into] : {std::pair<std::string_view, long long*>{"width", &width}, {"height", &height}}) {
    const auto it = parsed.options.find(name);
    if (it == parsed.options.end()) continue;
    const std::optional<long long> v = whole_number(it->second, 100, 10000);
    if (!v) return usage("--" + std::string(name) + " needs a whole number from 100 to 10000");
    *into = *v;
  }

  const RenderPlatform& platform = render_platform();
  if (!platform.make_canvas || !platform.save) {
    err << "ambview render: no drawing platform in this program\n";
    return kExitDataError;
  }

  LoadedRecording recording;
  if (!load_for_command(parsed.positional[0], recording, err)) return kExitDataError;
  if (const auto o = overwrite_of({out_path}, recording.table)) {
    err << "ambview render: " << overwrite_reason(*o) << "\n";
    return kExitDataError;
  }
  std::string error;
  const std::optional<RenderSetup> setup = render_setup(recording, parsed, error);
  if (!setup) return usage(error);

  const std::shared_ptr<ui::Canvas> canvas = platform.make_canvas(static_cast<int>(width), static_cast<int>(height));
  if (!canvas || !entry->draw(*canvas, *setup, err)) return kExitDataError;
  if (!platform.save(out_path, canvas->snapshot(), &error)) {
    err << "ambview render: " << out_path << ": " << error << "\n";
    return kExitDataError;
  }
  out << out_path << "\n";
  return kExitOk;
}

}  // namespace ambview
