// The processing conditions to and from the slots of "RaZor.prm" (see conditions_file.h).
#include "view/settings/conditions_file.h"

#include <algorithm>

#include "common/numbers.h"

namespace ambview {

namespace {

// The slots of "RaZor.prm".
namespace slot {
constexpr int kDirectoryLength = 0;  // one character: the length of slot 1
constexpr int kDirectory = 1;
constexpr int kBaseName = 2;
constexpr int kAveraging = 3;  // "0" block mean, "1" moving mean
constexpr int kAccScale = 4;
constexpr int kHrScale = 5;
constexpr int kAverageN = 6;
constexpr int kColourScale1 = 7;
constexpr int kColourScale2 = 8;
constexpr int kColourTrend = 9;
constexpr int kDuration = 10;
constexpr int kDisplayStart = 11;
constexpr int kDisplaySpan = 12;
constexpr int kInterval = 13;
constexpr int kColourBack = 14;
constexpr int kColourText = 15;
constexpr int kExtension = 16;
constexpr int kPerLine = 17;
constexpr int kRqRow = 18;  // 18-26: the calorie settings
constexpr int kAge = 19;
constexpr int kWeight = 20;
constexpr int kBlock = 21;
constexpr int kA = 22;
constexpr int kB = 23;
constexpr int kC = 24;
constexpr int kD = 25;
constexpr int kFloor = 26;
constexpr int kKept27 = 27;
constexpr int kKept28 = 28;
}  // namespace slot

// A whole number as the program reads a numeric slot: lenient, rounded halves to even, kept
// within `limit` either way (a hand-edited "1E30" stays a number).
std::int64_t whole(const std::string& text, std::int64_t limit = 2'000'000'000) {
  return std::clamp<std::int64_t>(common::round_half_even(common::val(text)), -limit, limit);
}

int small(const std::string& text) { return static_cast<int>(whole(text, 1'000'000)); }

std::string number(std::int64_t v) { return std::to_string(v); }

}  // namespace

common::SettingsSlots to_slots(const ProcessingConditions& c) {
  common::SettingsSlots s{};
  s[slot::kDirectory] = c.directory;
  s[slot::kDirectoryLength] = std::string(1, static_cast<char>(std::min<std::size_t>(c.directory.size(), 255)));
  s[slot::kBaseName] = c.base_name;
  s[slot::kAveraging] = c.averaging == Averaging::Moving ? "1" : "0";
  s[slot::kAccScale] = number(c.acc_scale);
  s[slot::kHrScale] = number(c.hr_scale);
  s[slot::kAverageN] = number(c.average_n);
  s[slot::kColourScale1] = ui::colour_text(c.scale1_colour);
  s[slot::kColourScale2] = ui::colour_text(c.scale2_colour);
  s[slot::kColourTrend] = ui::colour_text(c.trend_colour);
  s[slot::kDuration] = number(c.duration);
  s[slot::kDisplayStart] = number(c.display_start);
  s[slot::kDisplaySpan] = number(c.display_span);
  s[slot::kInterval] = c.interval.text;
  s[slot::kColourBack] = ui::colour_text(c.back_colour);
  s[slot::kColourText] = ui::colour_text(c.text_colour);
  s[slot::kExtension] = c.extension;
  s[slot::kPerLine] = number(c.per_line);
  s[slot::kRqRow] = c.calorie.rq_row;
  s[slot::kAge] = c.calorie.age;
  s[slot::kWeight] = c.calorie.weight;
  s[slot::kBlock] = c.calorie.block;
  s[slot::kA] = c.calorie.a;
  s[slot::kB] = c.calorie.b;
  s[slot::kC] = c.calorie.c;
  s[slot::kD] = c.calorie.d;
  s[slot::kFloor] = c.calorie.floor;
  s[slot::kKept27] = c.kept_27;
  s[slot::kKept28] = c.kept_28;
  return s;
}

ProcessingConditions from_slots(const common::SettingsSlots& s) {
  ProcessingConditions c;
  c.directory = s[slot::kDirectory];
  c.base_name = s[slot::kBaseName];
  c.averaging = s[slot::kAveraging] == "1" ? Averaging::Moving : Averaging::Block;
  c.acc_scale = small(s[slot::kAccScale]);
  c.hr_scale = small(s[slot::kHrScale]);
  c.average_n = small(s[slot::kAverageN]);
  c.scale1_colour = ui::colour_of(s[slot::kColourScale1]);
  c.scale2_colour = ui::colour_of(s[slot::kColourScale2]);
  c.trend_colour = ui::colour_of(s[slot::kColourTrend]);
  c.duration = whole(s[slot::kDuration]);
  c.display_start = whole(s[slot::kDisplayStart]);
  c.display_span = whole(s[slot::kDisplaySpan]);
  c.interval = IntervalText::of(s[slot::kInterval]);
  c.back_colour = ui::colour_of(s[slot::kColourBack]);
  c.text_colour = ui::colour_of(s[slot::kColourText]);
  c.extension = s[slot::kExtension];
  c.per_line = small(s[slot::kPerLine]);
  c.calorie = {s[slot::kRqRow], s[slot::kAge], s[slot::kWeight], s[slot::kBlock], s[slot::kA],
               s[slot::kB],     s[slot::kC],   s[slot::kD],      s[slot::kFloor]};
  c.kept_27 = s[slot::kKept27];
  c.kept_28 = s[slot::kKept28];
  return c;
}

bool read_conditions_file(const std::string& path, ProcessingConditions& conditions) {
  common::SettingsSlots slots{};
  if (!common::read_settings_file(path, common::SettingsFlavour::Viewer, slots)) return false;
  conditions = from_slots(slots);
  return true;
}

bool write_conditions_file(const std::string& path, const ProcessingConditions& conditions) {
  return common::write_settings_file(path, to_slots(conditions), common::SettingsFlavour::Viewer);
}

}  // namespace ambview
