// libFuzzer target for both settings files ("ACC.PRM", "RaZor.prm"): any record unpacks,
// packs into exactly one record, and once written reads back as it was read.
//   byte 0      flavour: even viewer, odd link
//   rest        the record as found on disk (any length)
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/numbers.h"
#include "common/settings_record.h"

namespace {

void check(bool ok, const char* what, int slot) {
  if (!ok) {
    std::fprintf(stderr, "fuzz_settings: %s (slot %d)\n", what, slot);
    std::abort();
  }
}

// Field widths of the numeric slots 18-21: a value whose number text is wider than its
// field is cut to the field when written, so it cannot read back the same.
int numeric_width(int slot) { return slot == 21 ? 6 : 3; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const auto flavour = (data[0] & 1) ? common::SettingsFlavour::Link : common::SettingsFlavour::Viewer;
  const std::string_view record(reinterpret_cast<const char*>(data + 1), size - 1);

  const common::SettingsSlots first = common::unpack_settings(record, flavour);
  const std::string packed = common::pack_settings(first, flavour);
  check(packed.size() == 256, "packed record not 256 bytes", -1);
  const common::SettingsSlots second = common::unpack_settings(packed, flavour);
  // Once written, the record settles: reading and writing it again soon changes nothing. A
  // number wider than its field is cut on a write ("0.07" to "0.0"); an exponent form may take
  // one write more ("8.1E+76" to "8.1E+7", read back as 81000000, then cut to "810000").
  const common::SettingsSlots third = common::unpack_settings(common::pack_settings(second, flavour), flavour);
  const std::string repacked = common::pack_settings(third, flavour);
  check(common::unpack_settings(repacked, flavour) == third, "settled record reads back differently", -1);
  check(common::pack_settings(common::unpack_settings(repacked, flavour), flavour) == repacked,
        "settled record rewritten differently", -1);

  const std::size_t length = record.empty() ? 0 : static_cast<unsigned char>(record[0]);
  for (int slot = 0; slot < common::kSettingsSlots; ++slot) {
    const std::string& a = first[static_cast<std::size_t>(slot)];
    const std::string& b = second[static_cast<std::size_t>(slot)];
    // Slot 0 holds the directory's full length, which the 79-character field cannot keep.
    if (slot == 0 && length > 79) continue;
    if (slot >= 18 && slot <= 21 &&
        static_cast<int>(common::num_plain(common::val(a)).size()) > numeric_width(slot))
      continue;
    check(a == b, "slot reads back differently", slot);
  }
  return 0;
}
