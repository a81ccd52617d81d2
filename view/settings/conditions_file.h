// "RaZor.prm", the analysis program's settings file: the processing conditions to and from the
// settings record's numbered slots. The one place in the analysis program that knows the slot
// numbers; the record layout itself is common/settings_record.
#pragma once

#include <string>

#include "common/settings_record.h"
#include "view/settings/processing_conditions.h"

namespace ambview {

inline constexpr const char* kSettingsFileName = "RaZor.prm";

// The conditions as the record's slots, and back. Slot 0, the length of the directory, is
// made from the directory. Every field is read as the program has always read it (lenient
// numbers, colours as hex text) and written in the form the program writes.
common::SettingsSlots to_slots(const ProcessingConditions& conditions);
ProcessingConditions from_slots(const common::SettingsSlots& slots);

// Reads the settings file at `path`; false (and `conditions` unchanged) when it is absent or
// cannot be read.
bool read_conditions_file(const std::string& path, ProcessingConditions& conditions);
// Writes it whole (staged); false on a write error.
bool write_conditions_file(const std::string& path, const ProcessingConditions& conditions);

}  // namespace ambview
