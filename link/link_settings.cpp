// The "ACC.PRM" codec: the slots of the link program's settings, by number, in one place.
#include "link/link_settings.h"

#include <cstdint>
#include <filesystem>
#include <utility>

#include "common/cp932.h"
#include "common/numbers.h"
#include "common/text.h"
#include "link/link_state.h"
#include "ui/colour.h"

namespace ambcomm {

namespace {

// The slots the link program reads and writes; every other slot is carried.
enum Slot : std::size_t {
  kLengthSlot = 0,  // the character whose code is the length of the data directory
  kDataDirectory = 1,
  kFileName = 2,
  kExtension = 16,
  kPortSlot = 27,
  kTimerSlot = 28,
};

// Slots 18-26: the calorie settings, shared in meaning with the analysis program.
constexpr std::pair<std::size_t, std::string CalorieTexts::*> kCalorieSlots[] = {
    {18, &CalorieTexts::rq_row}, {19, &CalorieTexts::age}, {20, &CalorieTexts::weight},
    {21, &CalorieTexts::block},  {22, &CalorieTexts::a},   {23, &CalorieTexts::b},
    {24, &CalorieTexts::c},      {25, &CalorieTexts::d},   {26, &CalorieTexts::floor},
};

// The carried slots' values in a new file: the analysis program's defaults as the link
// program writes them (colours as palette entries, "8" values per calorie text line).
struct CarriedDefault {
  std::size_t slot;
  int palette;  // -1: `text` instead
  const char* text;
};
constexpr CarriedDefault kCarriedDefaults[] = {
    {3, -1, "0"}, {4, -1, "0"},  {5, -1, "0"},  {6, -1, "1"},   {7, 1, ""},    {8, 14, ""},
    {9, 5, ""},   {10, -1, "0"}, {11, -1, "0"}, {12, -1, "0"},  {13, -1, "0"}, {14, 15, ""},
    {15, 0, ""},  {17, -1, "8"},
};

bool owned(std::size_t slot) {
  if (slot == kLengthSlot || slot == kDataDirectory || slot == kFileName || slot == kExtension ||
      slot == kPortSlot || slot == kTimerSlot)
    return true;
  for (const auto& [s, member] : kCalorieSlots)
    if (s == slot) return true;
  return false;
}

// A number slot read leniently, rounded, and taken at the nearest end of [low, high].
int bounded(const std::string& text, int low, int high) {
  const std::int64_t v = common::round_half_even(common::val(text));
  return static_cast<int>(v < low ? low : v > high ? high : v);
}

std::string length_character(const std::string& text) {
  return std::string(1, static_cast<char>(text.size() > 255 ? 255 : text.size()));
}

}  // namespace

int clamp_timer(int t) { return t < kTimerMin ? kTimerMin : t > kTimerMax ? kTimerMax : t; }

LinkSettings parse_link_settings(const common::SettingsSlots& slots) {
  LinkSettings s;
  s.data_directory = slots[kDataDirectory];
  s.file_name = slots[kFileName];
  s.extension = slots[kExtension];
  for (const auto& [slot, member] : kCalorieSlots) s.calorie.*member = slots[slot];
  // A damaged file must not give a port outside the list or an unusable pacing value.
  s.port_index = bounded(slots[kPortSlot], 0, kPorts - 1);
  s.timer = bounded(slots[kTimerSlot], kTimerMin, kTimerMax);
  for (std::size_t slot = 0; slot < slots.size(); ++slot)
    if (!owned(slot)) s.carried[slot] = slots[slot];
  return s;
}

common::SettingsSlots format_link_settings(const LinkSettings& s) {
  common::SettingsSlots slots = s.carried;
  slots[kLengthSlot] = length_character(s.data_directory);
  slots[kDataDirectory] = s.data_directory;
  slots[kFileName] = s.file_name;
  slots[kExtension] = s.extension;
  for (const auto& [slot, member] : kCalorieSlots) slots[slot] = s.calorie.*member;
  slots[kPortSlot] = std::to_string(s.port_index);
  slots[kTimerSlot] = common::right(common::num_text(s.timer), 4);
  return slots;
}

LinkSettings default_link_settings(const std::string& start_directory_utf8) {
  LinkSettings s;
  s.data_directory = common::utf8_to_cp932(start_directory_utf8);
  s.file_name = common::utf8_to_cp932("無題");
  for (const CarriedDefault& d : kCarriedDefaults)
    s.carried[d.slot] = d.palette < 0 ? std::string(d.text) : ui::colour_text(ui::palette(d.palette));
  return s;
}

std::optional<LinkSettings> read_link_settings(const std::string& path) {
  common::SettingsSlots slots{};
  if (!common::read_settings_file(path, common::SettingsFlavour::Link, slots)) return std::nullopt;
  return parse_link_settings(slots);
}

bool write_link_settings(const std::string& path, const LinkSettings& settings) {
  return common::write_settings_file(path, format_link_settings(settings), common::SettingsFlavour::Link);
}

std::string settings_path(const LinkState& state) {
  return (std::filesystem::path(state.start_directory) / kSettingsFileName).string();
}

bool save_link_settings(const LinkState& state) {
  const bool ok = write_link_settings(settings_path(state), state.settings);
  if (!ok) state.status_line(std::string(kSettingsFileName) + "を書き込めません");
  return ok;
}

}  // namespace ambcomm
