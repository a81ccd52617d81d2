// The link program's settings, typed: "ACC.PRM" is parsed once into named fields and
// formatted back into the same 256-byte record as the analysis program's "RaZor.prm"
// (common/settings_record). This codec is the only code of the link program that knows the
// slot numbers; the analysis program's slots are carried through unread.
#pragma once

#include <optional>
#include <string>

#include "common/settings_record.h"

namespace ambcomm {

struct LinkState;

// The settings file of the link program, in the start directory.
inline constexpr const char* kSettingsFileName = "ACC.PRM";
// COMBO3 offers "com1".."com5": port indices 0-4.
inline constexpr int kPorts = 5;
inline constexpr int kDefaultTimer = 100;
inline constexpr int kTimerMin = 10;
inline constexpr int kTimerMax = 2000;

// The pacing value as the timer box takes it: raised to 10, lowered to 2000.
int clamp_timer(int t);

// The calorie settings as the calorie dialog stores them: CP932 text as typed (the RQ row
// and the weight as number text), written into the record as they stand.
struct CalorieTexts {
  std::string rq_row;
  std::string age;
  std::string weight;  // whole kilograms
  std::string block;   // N, samples averaged into one value
  std::string a, b, c, d;
  std::string floor;   // the lowest oxygen uptake taken (ml/kg/min)
  bool operator==(const CalorieTexts&) const = default;
};

struct LinkSettings {
  std::string data_directory;  // CP932, with its closing separator: where downloads go
  std::string file_name;       // CP932: the last download's base name, "_"-filled to 7
  std::string extension;       // CP932: the last download's extension ("" or from its ".")
  CalorieTexts calorie;
  int port_index = 0;          // COMBO3's row, 0 to kPorts - 1
  int timer = kDefaultTimer;   // the saved pacing value, 10-2000
  // The analysis program's slots, kept as they were read so that the file keeps them.
  common::SettingsSlots carried{};
};

// The settings of a record's slots (as common::unpack_settings reads them for the link
// program). A port or timer outside its range is taken at the nearest end.
LinkSettings parse_link_settings(const common::SettingsSlots& slots);
// The slots the settings are written as: slot 0 the length of the data directory, the timer
// as the last 4 characters of its number text.
common::SettingsSlots format_link_settings(const LinkSettings& settings);

// The settings a missing "ACC.PRM" is created with: the start directory, "無題", the carried
// defaults (the colours as palette entries), port 0, timer 100, empty calorie settings.
LinkSettings default_link_settings(const std::string& start_directory_utf8);

// Record 1 of a settings file; nullopt when the file is absent or unreadable.
std::optional<LinkSettings> read_link_settings(const std::string& path);
// Writes the settings as record 1; false on a write error.
bool write_link_settings(const std::string& path, const LinkSettings& settings);

// "ACC.PRM" in the start directory rewritten from state.settings; a write error is told on
// the status line. The pacing value of this run (--timer) is not saved: the saved one is.
bool save_link_settings(const LinkState& state);
// The path of "ACC.PRM" in the start directory.
std::string settings_path(const LinkState& state);

}  // namespace ambcomm
