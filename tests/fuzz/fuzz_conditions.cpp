// libFuzzer target for the conditions line: arbitrary recorder answers through the decoder of
// both layouts, then the setting-line encoder on what was decoded (and on arbitrary slots).
//   byte 0      heading: index into kHeadings (the last entry keeps the input's own bytes)
//   byte 1      bit 0: encode arbitrary slots instead of the decoded record; bits 1-3: rq row
//   bytes 2-13  two calorie coefficients as raw doubles (overlapping)
//   rest        the line after its heading (or, with bit 0, 21 slots separated by NUL)
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "common/conditions_record.h"
#include "common/numbers.h"

namespace {

constexpr std::string_view kHeadings[] = {"Aa", "CD", "CE", "ce", "CF", "La", "LA", "lA", "CG", ""};
constexpr std::size_t kCurrentLength = 120;  // the current layout's setting line, without CR
constexpr std::size_t kOldLength = 58;       // the old layout's, without CR

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "fuzz_conditions: %s\n", what);
    std::abort();
  }
}

double raw_double(const std::uint8_t* p) {
  double d;
  std::memcpy(&d, p, sizeof d);
  return d;
}

common::ConditionsRecord slots_from(std::string_view text) {
  common::ConditionsRecord rec;
  int n = 0;
  std::size_t at = 0;
  while (n < common::ConditionsRecord::kSlots) {
    std::size_t end = text.find('\0', at);
    *rec.slot(n++) = std::string(text.substr(at, end == std::string_view::npos ? text.npos : end - at));
    if (end == std::string_view::npos) break;
    at = end + 1;
  }
  return rec;
}

void check_encoded(const std::string& line, std::string_view current_line, bool from_answer) {
  check(!line.empty() && line.back() == '\r', "setting line without its CR");
  const std::size_t want = common::is_old_layout(current_line) ? kOldLength : kCurrentLength;
  check(line.size() == want + 1, "setting line of the wrong length for its layout");
  // What came from the recorder must not end the line early (typed slots may hold anything).
  if (from_answer) check(line.find('\r') == line.size() - 1, "CR inside the setting line");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 14) return 0;
  const std::string_view heading = kHeadings[data[0] % std::size(kHeadings)];
  const bool arbitrary_slots = (data[1] & 1) != 0;
  common::CalorieSetting calorie;
  calorie.rq_row = ((data[1] >> 1) & 7) - 1;  // -1..6: both ends outside the table too
  calorie.coefficient_a = raw_double(data + 2);
  calorie.coefficient_b = raw_double(data + 6);  // overlapping on purpose: odd bit patterns
  const std::string_view rest(reinterpret_cast<const char*>(data + 10), size - 10);
  calorie.weight = std::string(rest.substr(0, 6));

  std::string line = std::string(heading) + std::string(rest);
  // The answer as RX_STATUS delivers it: up to and including its first CR, if any.
  if (const auto cr = line.find('\r'); cr != std::string::npos) line.resize(cr + 1);
  common::ConditionsRecord rec;
  common::decode_conditions(line, rec);
  // A previous record keeps its other layout's fields: decode over a filled one as well.
  common::ConditionsRecord again = rec;
  common::decode_conditions(line, again);

  if (!arbitrary_slots && heading != "") {
    const bool old = heading == "Aa";
    check(rec.comment.size() <= 20, "comment longer than its field");
    if (!old && heading != "CD") {
      check(common::val(rec.interval) <= 300, "interval above 300 s");
    }
    if (heading == "CE" || heading == "ce" || heading == "CF" || heading == "La" || heading == "LA" ||
        heading == "lA") {
      check(rec.ecg_blocks.size() == 1 && rec.ecg_blocks[0] >= '0' && rec.ecg_blocks[0] <= '4',
            "ECG blocks outside 0-4");
      for (const std::string* t : {&rec.level_threshold_1, &rec.level_threshold_2, &rec.level_threshold_3})
        check(common::val(*t) >= 0 && common::val(*t) <= 4, "threshold outside 0-4 G");
      check(rec.speed == "A" || rec.speed == "B", "speed neither A nor B");
      check(rec.model_code == (heading == "lA" ? "LA" : std::string(heading)), "model code not the heading");
    }
    check(again.comment == rec.comment && again.acc_count == rec.acc_count && again.mode == rec.mode,
          "decoding twice gave another record");
  }

  const common::ConditionsRecord to_send = arbitrary_slots ? slots_from(rest) : rec;
  const std::string setting = common::encode_setting_line(to_send, line, calorie);
  check_encoded(setting, line, !arbitrary_slots);

  // The current layout read back: what the editor shows is what was sent.
  if (!arbitrary_slots && (heading == "La" || heading == "LA" || heading == "lA") && line.size() >= 120) {
    std::string back = setting;
    back.replace(0, 2, "LA");
    common::ConditionsRecord read_back;
    common::decode_conditions(back, read_back);
    check(read_back.acc_count == rec.acc_count, "acceleration amount changed on the way out");
    check(read_back.mode == rec.mode || rec.mode == " ", "mode changed on the way out");
    check(read_back.reserved_block == rec.reserved_block, "reserved block changed on the way out");
    check(read_back.speed == rec.speed, "speed changed on the way out");
  }
  return 0;
}
