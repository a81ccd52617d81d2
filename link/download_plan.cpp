// The channel plan as one table, and the plan made from it for the current conditions.
#include "link/download_plan.h"

#include <cstdlib>

#include "common/numbers.h"
#include "common/path_names.h"
#include "common/text.h"

namespace ambcomm {

namespace {

using common::hex_field;

// Where a row's count comes from.
enum class CountFrom { Acc, Tilt, Rr, Ecg };

// The channel plan, in download order. `modes` lists mode characters, or ranges "x-y" and
// open ranges "x-", alternatives joined by ",". Request codes by model: ce / La and LA / others.
// `kind` empty: "ce" for models ce, La, LA, else "CE". `heading_full`: La and LA.
struct PlanRow {
  std::string_view row;
  std::string_view modes;
  int ecg_needed;  // ECG rows: ecg_blocks at least this
  char channel;
  std::string_view kind;
  std::string_view heading;
  std::string_view heading_full;
  std::string_view code_ce, code_full, code_other;
  int items;
  int item_size;
  CountFrom count;
  bool wide;   // rows 1-4 and 10-15: retry addresses in 8 digits
  bool words;  // byte-word records
  std::string_view label;
};

// clang-format off
constexpr PlanRow kPlan[] = {
  // row   modes     ecg ch   kind  heading heading_full ce    La/LA  others items size count            wide   words  label
  {"1",   "89",      0, 'a', "wA", "wA",   "wA",        "qA", "qA",  "qA",  60, 3, CountFrom::Acc,  true,  true,  "波形 A : ﾌｧｲﾙ名は "},
  {"2",   "789",     0, 'b', "wB", "wB",   "wB",        "qB", "qB",  "qB",  60, 3, CountFrom::Acc,  true,  true,  "波形 B : ﾌｧｲﾙ名は "},
  {"3",   "89",      0, 'c', "wC", "wC",   "wC",        "qC", "qC",  "qC",  60, 3, CountFrom::Acc,  true,  true,  "波形 C : ﾌｧｲﾙ名は "},
  {"4",   "9",       0, 'd', "wD", "wD",   "wD",        "qD", "qD",  "qD",  60, 3, CountFrom::Rr,   true,  true,  "ECG波形: ﾌｧｲﾙ名は "},
  {"5",   "0-T",     0, '0', "",   "#0",   "A0",        "r0", "q0",  "R0",  50, 4, CountFrom::Acc,  false, false, "加速度 : ﾌｧｲﾙ名は "},
  {"6",   "0@P",     0, '1', "",   "X0",   "AX",        "r1", "q1",  "R1",  50, 4, CountFrom::Acc,  false, false, "加速度 : ﾌｧｲﾙ名は "},
  {"6'",  "2BR4DT",  0, '1', "",   "#1",   "A1",        "r1", "q1",  "R1",  50, 4, CountFrom::Acc,  false, false, "加速度 : ﾌｧｲﾙ名は "},
  {"7",   "0@P",     0, '2', "",   "Y0",   "AY",        "r2", "q2",  "R2",  50, 4, CountFrom::Acc,  false, false, "加速度 : ﾌｧｲﾙ名は "},
  {"7'",  "4DT",     0, '2', "",   "#2",   "A2",        "r2", "q2",  "R2",  50, 4, CountFrom::Acc,  false, false, "加速度 : ﾌｧｲﾙ名は "},
  {"8",   "0@P",     0, '3', "",   "Z0",   "AZ",        "r3", "q3",  "R3",  50, 4, CountFrom::Acc,  false, false, "加速度 : ﾌｧｲﾙ名は "},
  {"8'",  "4DT",     0, '3', "",   "#3",   "A3",        "r3", "q3",  "R3",  50, 4, CountFrom::Acc,  false, false, "加速度 : ﾌｧｲﾙ名は "},
  {"9",   "@-",      0, '4', "",   "#4",   "#4",        "r4", "r4",  "R4", 240, 1, CountFrom::Tilt, false, false, "傾斜   : ﾌｧｲﾙ名は "},
  {"10",  "@-D",     0, '5', "",   "#5",   "#5",        "r5", "r5",  "R5",  60, 3, CountFrom::Acc,  true,  false, "心拍数 : ﾌｧｲﾙ名は "},
  {"11",  "P-T,L",   0, '6', "RR", "#6",   "#6",        "r5", "r5",  "R5",  60, 3, CountFrom::Rr,   true,  true,  "RR間隔 : ﾌｧｲﾙ名は "},
  {"12",  "@-",      1, 'E', "E1", "E1",   "E1",        "rE", "rE",  "RE",  60, 3, CountFrom::Ecg,  true,  true,  "心電図 : ﾌｧｲﾙ名は "},
  {"13",  "@-",      2, 'F', "E2", "E2",   "E2",        "rF", "rF",  "RF",  60, 3, CountFrom::Ecg,  true,  true,  "心電図 : ﾌｧｲﾙ名は "},
  {"14",  "@-",      3, 'G', "E3", "E3",   "E3",        "rG", "rG",  "RG",  60, 3, CountFrom::Ecg,  true,  true,  "心電図 : ﾌｧｲﾙ名は "},
  {"15",  "@-",      4, 'H', "E4", "E4",   "E4",        "rH", "rH",  "RH",  60, 3, CountFrom::Ecg,  true,  true,  "心電図 : ﾌｧｲﾙ名は "},
};

// Row A, the old-layout recorder's combined files, by mode.
struct CombinedRow {
  char mode;
  std::string_view extension;
  int items;
  int item_size;
};
constexpr CombinedRow kCombined[] = {
  {'0', "ac0", 8, 7}, {'1', "ac1", 20, 3}, {'2', "ac2", 15, 4}, {'4', "ac4", 8, 7}, {'5', "ac5", 6, 9},
};
// clang-format on

constexpr std::int64_t kEcgCount = 15000;
constexpr std::int64_t kLongCount = 65535;  // from here on addresses and counts take 8 digits
constexpr std::string_view kCountGap = "          / ";

bool full_model(std::string_view m) { return m == "La" || m == "LA"; }
bool wave_mode(char m) { return m == '7' || m == '8' || m == '9'; }

bool mode_in(std::string_view rule, char m) {
  while (!rule.empty()) {
    std::size_t comma = rule.find(',');
    std::string_view part = rule.substr(0, comma);
    rule = comma == std::string_view::npos ? std::string_view() : rule.substr(comma + 1);
    if (part.size() == 3 && part[1] == '-') {
      if (m >= part[0] && m <= part[2]) return true;
    } else if (part.size() == 2 && part[1] == '-') {
      if (m >= part[0]) return true;
    } else if (part.find(m) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

// An 8-digit hex field as received, kept to 8 characters ("0"-filled when short).
std::string hex8_text(std::string_view text) { return common::right(common::pad_left(text, 8, '0'), 8); }

}  // namespace

bool byte_frame_model(std::string_view m) { return m == "ce" || m == "CF" || m == "La" || m == "LA" || m == "Aa"; }

std::int64_t slot_count(const std::string& text) {
  double v = common::val(text);
  return v > 0 ? static_cast<std::int64_t>(v) : 0;
}

std::vector<std::string> planned_paths(const std::vector<PlannedFile>& plan) {
  std::vector<std::string> out;
  for (const auto& f : plan) {
    if (f.count <= 0) continue;
    out.push_back(f.path);
    if (f.kind == "RR") {
      const std::string base = f.path.substr(0, f.path.size() - 1);
      out.push_back(base + "5");
      out.push_back(base + "i");
    }
  }
  return out;
}

BlockSizes GET_END_SIZ(std::int64_t count, int items, int item_size) {
  BlockSizes s;
  if (count <= 0 || items <= 0) return s;
  s.blocks = count / items + (count % items != 0 ? 1 : 0);
  s.last_items = count % items == 0 ? items : static_cast<int>(count % items);
  s.last_length = item_size * s.last_items + 3;
  return s;
}

std::int64_t planned_amount(const std::vector<PlannedFile>& plan) {
  std::int64_t total = 0;
  for (const auto& f : plan) {
    const BlockSizes s = GET_END_SIZ(f.count, f.items, f.item_size);
    if (s.blocks > 0) total += (s.blocks - 1) * (f.item_size * f.items + 3) + s.last_length;
  }
  return total;
}

std::string prefix_for(std::string_view heading) {
  static constexpr std::pair<std::string_view, std::string_view> kPrefixes[] = {
      {"AX", "X0"}, {"AY", "Y0"}, {"AZ", "Z0"}, {"A1", "#1"}, {"A2", "#2"}, {"A3", "#3"}};
  for (const auto& [h, p] : kPrefixes)
    if (heading == h) return std::string(p);
  return std::string(heading);
}

namespace {

// What the plan looks at in the conditions record.
struct Recorder {
  std::string model;
  char mode = ' ';
  std::int64_t acc = 0;  // acceleration samples
  bool long_acc = false; // addresses and counts take 8 digits
  const common::ConditionsRecord& rec;
};

// Row A: the old-layout recorder's combined file of its mode.
void plan_combined(const Recorder& r, std::string_view path, std::vector<PlannedFile>& plan) {
  const std::string name = common::name_part(path);
  for (const auto& c : kCombined) {
    if (c.mode != r.mode) continue;
    PlannedFile f;
    f.row = "A";
    f.path = std::string(path) + "." + std::string(c.extension);
    f.display = name + "." + std::string(c.extension);
    f.kind = std::string("*") + r.mode;
    f.heading = f.prefix = f.kind;
    f.code = "r*";
    f.first_request = f.code + (r.long_acc ? "00000000" : "0000");
    f.items = c.items;
    f.item_size = c.item_size;
    f.count = r.acc;
    f.wide_address = r.long_acc;
    f.progress_line = "加速度 : ﾌｧｲﾙ名は " + f.display + std::string(kCountGap) + std::to_string(r.acc);
    plan.push_back(f);
  }
}

// The items a row downloads and the first request asking for them.
void plan_count(const PlanRow& row, const Recorder& r, PlannedFile& f) {
  std::string start_text = r.long_acc ? "00000000" : "0000";
  std::string count_text;
  switch (row.count) {
    case CountFrom::Acc: f.count = r.acc; break;
    case CountFrom::Tilt: f.count = r.acc % row.items == 1 ? r.acc - 1 : r.acc; break;
    case CountFrom::Rr: f.count = slot_count(r.rec.rr_count); break;
    case CountFrom::Ecg: f.count = kEcgCount; break;
  }
  if (row.count == CountFrom::Rr) count_text = hex8_text(r.rec.rr_count_hex);
  else count_text = hex_field(static_cast<std::uint64_t>(f.count), r.long_acc ? 8 : 4);
  if (std::atoi(f.row.c_str()) >= 10) {
    start_text = common::pad_left(start_text, 8, '0');
    count_text = common::pad_left(count_text, 8, '0');
  }
  f.first_request = f.code + start_text + "," + count_text;
  if (row.count == CountFrom::Ecg) f.first_request = f.code + "0000,3A98";
}

// One row of the channel plan for this recorder, named from `directory` and `base`.
PlannedFile plan_row(const PlanRow& row, const Recorder& r, const std::string& directory, const std::string& base) {
  const bool full = full_model(r.model);
  PlannedFile f;
  f.row = std::string(row.row);
  f.path = directory + base + row.channel;
  f.display = base + row.channel;
  f.kind = !row.kind.empty() ? std::string(row.kind) : (r.model == "ce" || full) ? "ce" : "CE";
  f.heading = std::string(full ? row.heading_full : row.heading);
  f.prefix = prefix_for(f.heading);
  f.code = std::string(r.model == "ce" || (r.model == "CF" && f.row == "11") ? row.code_ce
                       : full                                                  ? row.code_full
                                                                               : row.code_other);
  if (r.model == "CF" && row.count == CountFrom::Ecg) f.code = std::string(row.code_ce);
  f.items = row.items;
  f.item_size = row.item_size;
  f.words = row.words;
  // Addresses past 4 hex digits would be cut: a long recording retries in 8 digits.
  f.wide_address = row.wide || r.long_acc;
  plan_count(row, r, f);
  f.progress_line = std::string(row.label) + f.display + std::string(kCountGap) + std::to_string(f.count);
  return f;
}

}  // namespace

std::vector<PlannedFile> plan_download(const common::ConditionsRecord& rec, std::string_view path) {
  const std::int64_t acc = slot_count(rec.acc_count);
  const Recorder r{rec.model_code, rec.mode.empty() ? ' ' : rec.mode[0], acc, acc >= kLongCount, rec};
  std::vector<PlannedFile> plan;
  if (r.model == "Aa") {
    plan_combined(r, path, plan);
    return plan;
  }
  const std::string directory = common::directory_part(path);
  const std::string base = common::fit_base_name(common::name_part(path));
  const int ecg_blocks = static_cast<int>(slot_count(rec.ecg_blocks));
  for (const auto& row : kPlan) {
    const bool wave_row = row.channel >= 'a' && row.channel <= 'd';
    if (wave_mode(r.mode) != wave_row) continue;
    if (!mode_in(row.modes, r.mode) || ecg_blocks < row.ecg_needed) continue;
    plan.push_back(plan_row(row, r, directory, base));
  }
  return plan;
}

}  // namespace ambcomm
