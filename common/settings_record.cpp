// Settings record layout and its two read-back flavours.
#include "common/settings_record.h"

#include <filesystem>

#include "common/numbers.h"
#include "common/record_file.h"
#include "common/staged_file.h"
#include "common/text.h"

namespace common {

namespace {

enum class Justify { Left, Right };

struct Field {
  int slot;
  int pos;  // 1-based
  int width;
  Justify justify;
};

// Positions and widths of the record, shared by both settings files.
constexpr Field kFields[] = {
    {1, 2, 79, Justify::Left},    {2, 81, 30, Justify::Left},   {3, 111, 1, Justify::Left},
    {4, 112, 1, Justify::Left},   {5, 113, 1, Justify::Left},   {6, 114, 6, Justify::Left},
    {7, 120, 8, Justify::Left},   {8, 128, 8, Justify::Left},   {9, 136, 8, Justify::Left},
    {10, 144, 8, Justify::Left},  {11, 152, 8, Justify::Left},  {12, 160, 8, Justify::Left},
    {13, 168, 4, Justify::Left},  {14, 172, 8, Justify::Left},  {15, 180, 8, Justify::Left},
    {16, 188, 4, Justify::Left},  {17, 192, 4, Justify::Left},  {18, 196, 3, Justify::Right},
    {19, 199, 3, Justify::Right}, {20, 202, 3, Justify::Right}, {21, 205, 6, Justify::Right},
    {22, 211, 6, Justify::Right}, {23, 217, 6, Justify::Right}, {24, 223, 6, Justify::Right},
    {25, 229, 6, Justify::Right}, {26, 235, 6, Justify::Right}, {27, 241, 1, Justify::Right},
    {28, 242, 4, Justify::Right},
};

constexpr int kRecordLength = 256;

// The field text up to its first blank; empty when it starts with a blank.
std::string up_to_blank(const std::string& field) {
  auto blank = field.find(' ');
  return blank == std::string::npos ? field : field.substr(0, blank);
}

bool is_numeric_slot(int slot) { return slot >= 18 && slot <= 21; }

}  // namespace

std::string pack_settings(const SettingsSlots& slots, SettingsFlavour /*flavour*/) {
  std::string rec(kRecordLength, ' ');
  std::size_t len = slots[1].size();
  rec[0] = static_cast<char>(len > 255 ? 255 : len);
  for (const Field& f : kFields) {
    std::string value = slots[static_cast<std::size_t>(f.slot)];
    if (is_numeric_slot(f.slot)) value = num_plain(val(value));
    std::string text = f.justify == Justify::Left ? pad_right(value, f.width) : pad_left(value, f.width);
    set_mid(rec, f.pos, text);
  }
  return rec;
}

SettingsSlots unpack_settings(std::string_view record, SettingsFlavour flavour) {
  std::string rec(record.substr(0, kRecordLength));
  rec.resize(kRecordLength, ' ');
  SettingsSlots slots;
  // An empty record has no length character: slot 1 is then empty.
  std::size_t length = record.empty() ? 0 : static_cast<unsigned char>(rec[0]);
  for (const Field& f : kFields) {
    std::string field = mid(rec, f.pos, f.width);
    std::string& out = slots[static_cast<std::size_t>(f.slot)];
    switch (f.slot) {
      case 1:
        out = field.substr(0, length < field.size() ? length : field.size());
        break;
      case 2:
      case 16:
        out = up_to_blank(field);
        break;
      case 6:
        if (flavour == SettingsFlavour::Viewer) {
          auto blank = field.find(' ');
          out = (blank != std::string::npos && blank > 0) ? field.substr(0, blank) : field;
        } else {
          out = field;
        }
        break;
      case 18:
      case 19:
      case 21:
        out = num_text(val(field));
        break;
      case 20:
        out = flavour == SettingsFlavour::Link ? num_plain(val(field)) : num_text(val(field));
        break;
      default:
        out = field;
        break;
    }
  }
  // Slot 0 records the full length even when slot 1 was cut to its field.
  slots[0] = std::string(1, static_cast<char>(length));
  return slots;
}

bool read_settings_file(const std::string& path, SettingsFlavour flavour, SettingsSlots& slots) {
  RecordFile f;
  if (!f.open(path, RecordFile::Mode::ReadOnly)) return false;
  auto rec = f.read(1);
  if (!rec) return false;
  slots = unpack_settings(*rec, flavour);
  return true;
}

bool write_settings_file(const std::string& path, const SettingsSlots& slots, SettingsFlavour flavour) {
  // Staged: a full disk or a crash while writing never leaves the settings half written.
  const std::string record = pack_settings(slots, flavour);
  return write_whole_file(path, record.data(), record.size()) == 0;
}

}  // namespace common
