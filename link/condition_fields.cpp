// The editor's lists and fields (see condition_fields.h).
#include "link/condition_fields.h"

#include "common/cp932.h"

namespace ambcomm {

namespace {

constexpr int kModeRowNone = 15;

bool is_lead_byte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

}  // namespace

std::vector<ListRow> mode_rows(std::string_view model) {
  std::vector<ListRow> rows = {
      {"0 = 加速度+X,Y,Z", "0"}, {"1 = 加速度 ", "1"}, {"2 = 加速度+ﾚﾍﾞﾙ1CH", "2"}, {"4 = 加速度+ﾚﾍﾞﾙ3CH", "4"}};
  const bool old = model == "Aa";
  struct Tilt {
    const char* code;
    const char* text;
  };
  static constexpr Tilt kTilt[] = {{"@", "ﾓｰﾄﾞ0+傾斜+HR"}, {"A", "ﾓｰﾄﾞ1+傾斜+HR"}, {"B", "ﾓｰﾄﾞ2+傾斜+HR"},
                                   {"D", "ﾓｰﾄﾞ4+傾斜+HR"}, {"P", "ﾓｰﾄﾞ0+傾斜+RR"}, {"Q", "ﾓｰﾄﾞ1+傾斜+RR"},
                                   {"R", "ﾓｰﾄﾞ2+傾斜+RR"}, {"T", "ﾓｰﾄﾞ4+傾斜+RR"}};
  for (const auto& t : kTilt) rows.push_back({std::string(t.code) + " = " + (old ? "-----" : t.text), t.code});
  if (old) {
    rows.push_back({"7 = -----", "7"});
    rows.push_back({"8 = -----", "8"});
    rows.push_back({"9 = -----", "9"});
    rows.push_back({"  = -----", "L"});
    rows.push_back({"5 = ｶﾛﾘｰﾓｰﾄﾞ   ", "5"});
  } else if (model == "La" || model == "LA") {
    rows.push_back({model == "LA" ? "7 = 加速度波形1CH" : "-----", "7"});
    rows.push_back({"8 = 加速度波形3CH", "8"});
    rows.push_back({"9 = 加速度波形+心電図波形", "9"});
    rows.push_back({"", "L"});
    rows.push_back({"", "5"});
  } else {
    rows.push_back({"-----", "7"});
    rows.push_back({"-----", "8"});
    rows.push_back({"-----", "9"});
    rows.push_back({"PW-4", "L"});
    rows.push_back({"", "5"});
  }
  return rows;
}

const std::vector<ListRow>& display_rows() {
  static const std::vector<ListRow> rows = {{"加速度最大値", "0"}, {"心拍数(BPM)", "7"},  {"加速度平均値", "1"},
                                            {"ｶﾛﾘｰ / 歩数 ", "2"}, {"ｶﾛﾘｰ / 歩数 ", "3"}, {"", ""}};
  return rows;
}

int mode_row(const std::vector<ListRow>& rows, std::string_view mode) {
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (rows[i].code == mode) return static_cast<int>(i);
  return kModeRowNone;
}

int display_row(std::string_view display) {
  const auto& rows = display_rows();
  // The last row (no code) only stands for "none of these".
  for (std::size_t i = 0; i + 1 < rows.size(); ++i)
    if (rows[i].code == display) return static_cast<int>(i);
  return kDisplayRowNone;
}

const std::array<EditField, 10>& edit_fields() {
  static constexpr std::array<EditField, 10> kFields = {{
      {"EDIT1", 0, 2, "start_year"},
      {"EDIT2", 1, 2, "start_month"},
      {"EDIT3", 2, 2, "start_day"},
      {"EDIT4", 3, 2, "start_hour"},
      {"EDIT5", 4, 2, "start_minute"},
      {"EDIT6", 5, 20, "comment"},
      {"EDIT7", 7, 4, "interval"},
      {"EDIT8", 8, 4, "level_threshold_1"},
      {"EDIT9", 9, 4, "level_threshold_2"},
      {"EDIT10", 10, 4, "level_threshold_3"},
  }};
  return kFields;
}

std::string cut_field(std::string_view utf8, int width) {
  const std::string bytes = common::utf8_to_cp932(utf8);
  std::size_t n = 0;
  while (n < bytes.size()) {
    const std::size_t step = is_lead_byte(static_cast<unsigned char>(bytes[n])) ? 2 : 1;
    if (n + step > static_cast<std::size_t>(width)) break;
    n += step;
  }
  return bytes.substr(0, n < bytes.size() ? n : bytes.size());
}

}  // namespace ambcomm
