// The one 256-byte settings record that both programs keep ("ACC.PRM" for the link
// program, "RaZor.prm" for the analysis program): 29 text slots in fixed fields. The two
// programs share the layout but read some fields back differently, hence the flavour.
// Slot values are CP932 byte strings, exactly as stored.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace common {

constexpr int kSettingsSlots = 29;
using SettingsSlots = std::array<std::string, kSettingsSlots>;

enum class SettingsFlavour {
  Viewer,  // "RaZor.prm"
  Link,    // "ACC.PRM"
};

// Packs the slots into one 256-byte record. Slot 0 is written as the character whose
// code is the length of slot 1 (capped at 255); every other slot is left- or right-
// justified in its field and cut to the field's width keeping the leftmost characters.
// Slots 18-21 are written as the number text of their value without the sign position.
std::string pack_settings(const SettingsSlots& slots, SettingsFlavour flavour);

// Unpacks a record by the flavour's read-back rules. A record shorter than 256 bytes is
// read as if blank-filled.
SettingsSlots unpack_settings(std::string_view record, SettingsFlavour flavour);

// Reads record 1 of the settings file; false when the file is absent or unreadable
// (then `slots` is unchanged).
bool read_settings_file(const std::string& path, SettingsFlavour flavour, SettingsSlots& slots);
// Writes the slots as record 1; false on a write error.
bool write_settings_file(const std::string& path, const SettingsSlots& slots, SettingsFlavour flavour);

}  // namespace common
