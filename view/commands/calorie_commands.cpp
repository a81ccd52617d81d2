// `ambview calorie` and the render's calorie view (see calorie_commands.h).
#include "view/commands/calorie_commands.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <optional>
#include <system_error>

#include "common/calorie_model.h"
#include "common/cp932.h"
#include "common/numbers.h"
#include "view/output/calorie_trend.h"
#include "view/recording/output_guard.h"

namespace ambview {

namespace {

namespace fs = std::filesystem;

// Draws nothing: the command line wants the files and totals, not a picture. The size
// still sets the columns, as the calorie window would.
class NullCanvas : public ui::Canvas {
 public:
  int width() const override { return kRenderDefaultWidth; }
  int height() const override { return kRenderDefaultHeight; }
  void clear(ui::Colour) override {}
  void set_pen(ui::Colour) override {}
  void set_fill(ui::Colour) override {}
  void line(int, int, int, int) override {}
  void polyline(const std::vector<ui::Point>&) override {}
  void fill_box(int, int, int, int) override {}
  void xor_box(int, int, int, int, ui::Colour) override {}
  void xor_line(int, int, int, int, ui::Colour) override {}
  void text(int, int, std::string_view, int) override {}
  ui::Image snapshot() const override { return {}; }
};

// A plain decimal number (no locale, nothing after it).
std::optional<double> decimal(const std::string& text) {
  double v = 0;
  const char* first = text.data();
  if (!text.empty() && text[0] == '+') ++first;
  const auto [end, ec] = std::from_chars(first, text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || first == text.data() + text.size() || !std::isfinite(v))
    return std::nullopt;
  return v;
}

struct NumberOption {
  std::string_view name;
  std::string common::CalorieSettings::*field;  // the calorie setting it sets; none: values per line
  double low;
  double high;
  bool whole;
};
// The calorie options and the setting each one sets, as typed.
constexpr NumberOption kOptions[] = {
    {"weight", &common::CalorieSettings::weight, 1, 999, false},
    {"rq", &common::CalorieSettings::rq_row, 0, 5, true},
    {"a", &common::CalorieSettings::a, -1e6, 1e6, false},
    {"b", &common::CalorieSettings::b, -1e6, 1e6, false},
    {"c", &common::CalorieSettings::c, -1e6, 1e6, false},
    {"d", &common::CalorieSettings::d, -1e6, 1e6, false},
    {"floor", &common::CalorieSettings::floor, -1e6, 1e6, false},
    {"avg", &common::CalorieSettings::block, 1, 1e9, true},
    {"per-line", nullptr, 1, 9999, true},
};

// The calorie options given, each with its text as typed; nothing, with the reason in
// `why`, when one is not a number of its range.
using OptionValues = std::vector<std::pair<const NumberOption*, std::string>>;
std::optional<OptionValues> number_options(const ParsedArgs& parsed, std::string& why) {
  OptionValues values;
  for (const NumberOption& o : kOptions) {
    const auto it = parsed.options.find(o.name);
    if (it == parsed.options.end()) continue;
    const std::optional<double> v = decimal(it->second);
    if (!v || *v < o.low || *v > o.high || (o.whole && *v != std::floor(*v))) {
      std::string range = o.whole ? "a whole number" : "a number";
      if (o.low > -1e6) range += " from " + common::num_plain(o.low) + " to " + common::num_plain(o.high);
      why = "--" + std::string(o.name) + " needs " + range + ", not \"" + it->second + "\"";
      return std::nullopt;
    }
    values.emplace_back(&o, it->second);
  }
  return values;
}

std::string kind_name(char kind) { return kind == 'A' ? "A" : "5"; }

}  // namespace

int run_calorie(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  const ParsedArgs parsed = parse_args(args, {"start", "span", "per-line", "out", "weight", "rq", "a", "b", "c", "d",
                                              "floor", "avg"});
  const auto usage = [&](const std::string& why) {
    err << "ambview calorie: " << why << "\nusage: ambview " << kCalorieUsage << "\n";
    return kExitUsage;
  };
  if (!parsed.error.empty()) return usage(parsed.error);
  if (parsed.positional.size() != 1) return usage("expects one FILE");

  // Option values are checked before anything is read or written.
  std::string why;
  const std::optional<OptionValues> values = number_options(parsed, why);
  if (!values) return usage(why);
  std::string out_directory;
  if (!out_directory_option(parsed, out_directory, why)) return usage(why);

  LoadedRecording recording;
  if (!load_for_command(parsed.positional[0], recording, err)) return kExitDataError;
  std::string error;
  // The window options only: --avg here is the calorie averaging count, not the trend's.
  ParsedArgs window_options;
  for (const char* name : {"start", "span"})
    if (const auto it = parsed.options.find(name); it != parsed.options.end()) window_options.options.insert(*it);
  std::optional<RenderSetup> setup = render_setup(recording, window_options, error);
  if (!setup) return usage(error);
  ProcessingConditions& conditions = setup->conditions;
  for (const auto& [option, text] : *values) {
    if (option->field != nullptr) conditions.calorie.*(option->field) = text;
    else conditions.per_line = static_cast<int>(common::round_half_even(common::val(text)));
  }
  if (conditions.per_line < 1) conditions.per_line = 1;
  if (out_directory.empty()) out_directory = recording.directory.empty() ? "./" : recording.directory;

  const std::vector<CalorieEntry> list = calorie_channel_list(setup->channels);
  if (list.empty()) {
    err << "ambview calorie: " << recording.path << ": " << kCalorieErrorCaption << ": " << kCalorieNoFileText << "\n";
    return kExitDataError;
  }
  std::vector<std::string> text_files;
  for (const CalorieEntry& e : list) text_files.push_back(out_directory + calorie_file_name(e.kind));
  if (const auto o = overwrite_of(text_files, recording.table)) {
    err << "ambview calorie: " << overwrite_reason(*o) << "\n";
    return kExitDataError;
  }
  NullCanvas canvas;
  int status = kExitOk;
  for (const CalorieOutcome& o :
       CAL_TREND(canvas, setup->conditions, setup->recording.info, setup->channels, list, out_directory)) {
    if (o.error != common::CalorieError::None) {
      err << "ambview calorie: " << o.recording_file << " " << kind_name(o.entry.kind) << ": "
          << common::calorie_error_text(o.error) << "\n";
      status = kExitDataError;
      continue;
    }
    if (o.counted < o.span_samples)
      err << "ambview calorie: " << o.recording_file << ": the file holds " << o.counted << " of the span's "
          << o.span_samples << " samples: the total covers those\n";
    out << o.recording_file << " " << kind_name(o.entry.kind) << " " << o.total << " kcal " << o.text_file << "\n";
  }
  return status;
}

bool render_calorie(ui::Canvas& canvas, const RenderSetup& setup, std::ostream& err) {
  const std::vector<CalorieEntry> list = calorie_channel_list(setup.channels);
  if (list.empty()) {
    err << "ambview render: " << kCalorieErrorCaption << ": " << kCalorieNoFileText << "\n";
    return false;
  }
  // A picture with an entry missing is no result: it is not saved.
  bool whole = true;
  for (const CalorieOutcome& o : CAL_TREND(canvas, setup.conditions, setup.recording.info, setup.channels, list, ""))
    if (o.error != common::CalorieError::None) {
      err << "ambview render: " << o.recording_file << " " << kind_name(o.entry.kind) << ": "
          << common::calorie_error_text(o.error) << "\n";
      whole = false;
    }
  return whole;
}

}  // namespace ambview
