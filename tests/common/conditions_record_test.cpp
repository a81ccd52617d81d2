// Decoding and encoding of the conditions line: clamps, defaults, both layouts, and the
// setting line byte for byte.
#include "common/conditions_record.h"

#include <gtest/gtest.h>

#include "common/cp932.h"
#include "common/text.h"

using common::ConditionsRecord;
using common::mid;
using common::set_mid;

namespace {

// A current-layout line with every field set to a plain value.
std::string current_line(std::string_view heading) {
  std::string l(120, '0');
  set_mid(l, 1, heading);
  set_mid(l, 3, "0315");            // March 15
  set_mid(l, 7, "0930");            // 09:30
  set_mid(l, 11, "0258");           // 600 samples
  set_mid(l, 15, "0001");           // 1 s
  set_mid(l, 19, common::pad_right("ABC", 20));
  set_mid(l, 39, "0019");           // 25/500 G
  set_mid(l, 43, "0064");           // 100/500 G
  set_mid(l, 47, "00FA");           // 250/500 G
  set_mid(l, 51, "0@26");           // display, mode, year
  set_mid(l, 55, "00012345");
  set_mid(l, 63, "2");
  set_mid(l, 64, std::string(48, 'r'));
  set_mid(l, 112, "B");
  set_mid(l, 113, "0001ABCD");
  return l + "\r";
}

ConditionsRecord decoded(const std::string& line) {
  ConditionsRecord r;
  common::decode_conditions(line, r);
  return r;
}

TEST(ConditionsDecode, CurrentLayoutFields) {
  ConditionsRecord r = decoded(current_line("CE"));
  EXPECT_EQ(r.start_year, "26");
  EXPECT_EQ(r.start_month, "03");
  EXPECT_EQ(r.start_day, "15");
  EXPECT_EQ(r.start_hour, "09");
  EXPECT_EQ(r.start_minute, "30");
  EXPECT_EQ(r.comment, "ABC");  // trailing blanks trimmed
  EXPECT_EQ(r.acc_count, "600");
  EXPECT_EQ(r.acc_count_hex, "00000258");
  EXPECT_EQ(r.interval, "1");
  EXPECT_EQ(r.level_threshold_1, "0.05");
  EXPECT_EQ(r.mode, "@");
  EXPECT_EQ(r.display, "0");
  EXPECT_EQ(r.rr_count_hex, "00012345");
  EXPECT_EQ(r.rr_count, "74565");
  EXPECT_EQ(r.ecg_blocks, "2");
  EXPECT_EQ(r.model_code, "CE");
  EXPECT_EQ(r.speed, "B");
  EXPECT_EQ(r.reserved_block, std::string(48, 'r'));
}

TEST(ConditionsDecode, ThresholdsClampAtFourG) {
  std::string l = current_line("CE");
  set_mid(l, 39, "0BB8");
  set_mid(l, 43, "07D0");
  set_mid(l, 47, "0015");
  ConditionsRecord r = decoded(l);
  EXPECT_EQ(r.level_threshold_1, "4");
  EXPECT_EQ(r.level_threshold_2, "4");
  EXPECT_EQ(r.level_threshold_3, "0.042");
}

TEST(ConditionsDecode, IntervalCodesAndClamp) {
  std::string l = current_line("CE");
  set_mid(l, 15, "012C");
  EXPECT_EQ(decoded(l).interval, "300");
  set_mid(l, 15, "0FFF");
  EXPECT_EQ(decoded(l).interval, "300");
  for (auto [code, text] : {std::pair{"a", "0.2"}, {"b", "0.02"}, {"c", "0.004"}, {"F", "0.04"}, {"f", "0.5"}}) {
    set_mid(l, 15, code);
    EXPECT_EQ(decoded(l).interval, text) << code;
  }
  // An unknown code leaves the interval as it was.
  ConditionsRecord r;
  r.interval = "7";
  set_mid(l, 15, "x");
  common::decode_conditions(l, r);
  EXPECT_EQ(r.interval, "7");
}

TEST(ConditionsDecode, FullCountForLaAndLowerCaseHeading) {
  for (const char* h : {"lA", "La", "LA"}) {
    ConditionsRecord r = decoded(current_line(h));
    EXPECT_EQ(r.acc_count, std::to_string(0x1ABCD)) << h;
    EXPECT_EQ(r.acc_count_hex, "0001ABCD") << h;
    EXPECT_EQ(r.model_code, std::string(h) == "La" ? "La" : "LA") << h;
  }
  EXPECT_EQ(decoded(current_line("ce")).acc_count, "600");  // 16-bit form elsewhere
}

TEST(ConditionsDecode, CommentOfBlanksStaysAsReceived) {
  std::string l = current_line("CE");
  set_mid(l, 19, std::string(20, ' '));
  EXPECT_EQ(decoded(l).comment, std::string(20, ' '));
  set_mid(l, 19, common::pad_right("\x83\x65\x83\x58\x83\x67", 20));  // "テスト" in CP932
  EXPECT_EQ(decoded(l).comment, "\x83\x65\x83\x58\x83\x67");
}

TEST(ConditionsDecode, CalorieModeDisplayAndEcgClamp) {
  std::string l = current_line("CE");
  set_mid(l, 51, "35");
  EXPECT_EQ(decoded(l).display, "2");
  set_mid(l, 51, "75");
  EXPECT_EQ(decoded(l).display, "0");
  set_mid(l, 51, "7@");
  EXPECT_EQ(decoded(l).display, "7");
  set_mid(l, 63, "9");
  EXPECT_EQ(decoded(l).ecg_blocks, "4");
}

TEST(ConditionsDecode, RrRecorderAndCd) {
  ConditionsRecord cf = decoded(current_line("CF"));
  EXPECT_EQ(cf.mode, "L");
  EXPECT_EQ(cf.acc_count, "0");
  EXPECT_EQ(cf.ecg_blocks, "0");
  EXPECT_EQ(cf.display, "");
  EXPECT_EQ(cf.rr_count, "74565");

  ConditionsRecord r = decoded(current_line("LA"));
  std::string cd = current_line("CD");
  set_mid(cd, 40, "1.5 ");
  common::decode_conditions(cd, r);
  EXPECT_EQ(r.level_threshold_1, "1.5 ");
  EXPECT_EQ(r.level_threshold_2, "");
  EXPECT_EQ(r.mode, "");
  EXPECT_EQ(r.display, "");
  EXPECT_EQ(r.model_code, "CD");  // follows the recorder that answered
  EXPECT_EQ(r.rr_count, "74565"); // the amounts keep the previous values
  EXPECT_EQ(r.speed, "B");
}

TEST(ConditionsDecode, OldLayoutDefaultsAndCalorieMode) {
  std::string l = "Aa2603150930" "0258" "003C" + common::pad_right("OLD", 20) + "01" + "0000" "0000" "0000" + "0060";
  ConditionsRecord r = decoded(l + "\r");
  EXPECT_EQ(r.start_year, "26");
  EXPECT_EQ(r.start_minute, "30");
  EXPECT_EQ(r.comment, common::pad_right("OLD", 20));  // not trimmed in this layout
  EXPECT_EQ(r.acc_count, "600");
  EXPECT_EQ(r.interval, "60");
  EXPECT_EQ(r.display, "0");
  EXPECT_EQ(r.mode, "1");
  EXPECT_EQ(r.level_threshold_1, "0.02");
  EXPECT_EQ(r.level_threshold_2, "0.05");
  EXPECT_EQ(r.level_threshold_3, "0.1");
  EXPECT_EQ(r.rr_count, "--");
  EXPECT_EQ(r.ecg_blocks, "--");
  EXPECT_EQ(r.model_code, "Aa");
  set_mid(l, 42, "5");
  r = decoded(l);
  EXPECT_EQ(r.level_threshold_1, "--");
  EXPECT_EQ(r.level_threshold_3, "--");
}

TEST(ConditionsDecode, ShortAndEmptyLinesDoNotBreak) {
  ConditionsRecord r = decoded("CE12\r");
  EXPECT_EQ(r.model_code, "CE");
  EXPECT_EQ(r.start_month, "12");
  EXPECT_EQ(r.mode, " ");
  r = decoded("");
  EXPECT_EQ(r.acc_count, "0");
  EXPECT_EQ(r.mode, " ");
  decoded(std::string(300, '\xFF'));  // garbage of any length decodes without harm
}

TEST(ConditionsDecode, ShortAnswerKeepsItsCrOutOfTheSettingLine) {
  // Answers that end inside the year, the reserved block and the old layout's thresholds.
  for (const std::string& line : {current_line("CD").substr(0, 53) + "\r", current_line("LA").substr(0, 80) + "\r",
                                   std::string("Aa2612010930000A0001NAME") + "\r"}) {
    ConditionsRecord r = decoded(line);
    for (int n = 0; n < ConditionsRecord::kSlots; ++n)
      EXPECT_EQ(r.slot(n)->find('\r'), std::string::npos) << "slot " << n << " of " << line.size();
    const std::string setting = common::encode_setting_line(r, line, {});
    EXPECT_EQ(setting.find('\r'), setting.size() - 1) << line.size();
  }
}

// A record as the editor would hold it for a current-layout recorder.
ConditionsRecord editor_record(std::string model) {
  ConditionsRecord r = decoded(current_line(model));
  r.model_code = model;
  return r;
}

TEST(SettingLine, CurrentLayoutPositions) {
  ConditionsRecord r = editor_record("LA");
  r.acc_count = "70000";
  std::string line = common::encode_setting_line(r, current_line("LA"), {});
  ASSERT_EQ(line.size(), 121u);
  EXPECT_EQ(line.back(), '\r');
  EXPECT_EQ(mid(line, 1, 2), "Cc");
  EXPECT_EQ(mid(line, 3, 8), "03150930");
  EXPECT_EQ(mid(line, 11, 4), "FFFF");
  EXPECT_EQ(mid(line, 113, 8), "00011170");
  EXPECT_EQ(mid(line, 19, 20), common::pad_right("ABC", 20));
  EXPECT_EQ(mid(line, 53, 2), "26");
  EXPECT_EQ(mid(line, 55, 8), "00012345");
  EXPECT_EQ(mid(line, 63, 1), "2");
  EXPECT_EQ(mid(line, 64, 48), std::string(48, 'r'));
  EXPECT_EQ(mid(line, 112, 1), "B");
  EXPECT_EQ(mid(common::encode_setting_line(editor_record("ce"), current_line("ce"), {}), 1, 2), "CC");
}

TEST(SettingLine, IntervalCodesByModel) {
  ConditionsRecord la = editor_record("LA");
  for (auto [v, code] : {std::pair{"0.004", "c001"}, {"0.02", "b001"}, {"0.04", "F001"}, {"0.3", "a001"},
                         {"0.5", "f001"}, {"5", "0005"}, {"300", "012C"}}) {
    la.interval = v;
    EXPECT_EQ(mid(common::encode_setting_line(la, "LA", {}), 15, 4), code) << v;
  }
  ConditionsRecord ce = editor_record("CE");
  ce.interval = "0.5";
  EXPECT_EQ(mid(common::encode_setting_line(ce, "CE", {}), 15, 4), "0001");
  ce.mode = "L";
  EXPECT_EQ(mid(common::encode_setting_line(ce, "CF", {}), 15, 4), "003C");
}

TEST(SettingLine, ThresholdsAndDisplayRules) {
  ConditionsRecord r = editor_record("CE");
  r.level_threshold_1 = "0.042";
  r.level_threshold_2 = "4";
  r.level_threshold_3 = "0.1";
  std::string line = common::encode_setting_line(r, "CE", {});
  EXPECT_EQ(mid(line, 39, 12), "001507D00032");

  r.mode = "1";
  r.display = "7";
  EXPECT_EQ(mid(common::encode_setting_line(r, "CE", {}), 51, 2), "01");
  r.mode = "8";
  EXPECT_EQ(mid(common::encode_setting_line(r, "CE", {}), 51, 2), "08");
  r.mode = "A";
  EXPECT_EQ(mid(common::encode_setting_line(r, "CE", {}), 51, 2), "7A");
  r.display = "";
  EXPECT_EQ(mid(common::encode_setting_line(r, "CE", {}), 51, 2), "0A");
}

TEST(SettingLine, OldLayoutTemplateAndCalorieMode) {
  ConditionsRecord r;
  r.start_year = "26";
  r.start_month = "3";
  r.start_day = "15";
  r.start_hour = "9";
  r.start_minute = "30";
  r.comment = "OLD";
  r.acc_count = "600";
  r.interval = "0.5";
  r.mode = "1";
  r.display = "0";
  r.level_threshold_1 = "0.02";
  r.level_threshold_2 = "0.05";
  r.level_threshold_3 = "0.1";
  std::string line = common::encode_setting_line(r, "Aa...\r", {});
  EXPECT_EQ(line, "CA2603150930" "0258" "0001" + common::pad_right("OLD", 20) + "01" + "000A0019" "0032" + "0060\r");

  r.mode = "5";
  line = common::encode_setting_line(r, "Aa", common::CalorieSetting{0.021, 0.078, "60", 2});
  EXPECT_EQ(mid(line, 43, 16), "0021007848250060");
  EXPECT_EQ(line.size(), 59u);
}

TEST(SettingLine, RoundTripThroughTheRecorderLayout) {
  ConditionsRecord r = editor_record("LA");
  r.interval = "0.02";
  r.level_threshold_1 = "0.042";
  std::string line = common::encode_setting_line(r, "LA", {});
  set_mid(line, 1, "LA");
  ConditionsRecord back = decoded(line);
  EXPECT_EQ(back.interval, "0.02");
  EXPECT_EQ(back.level_threshold_1, "0.042");
  EXPECT_EQ(back.acc_count, r.acc_count);
  EXPECT_EQ(back.comment, r.comment);
  EXPECT_EQ(back.reserved_block, r.reserved_block);
}

TEST(CodeTables, ModelNamesAndListTexts) {
  EXPECT_EQ(common::GET_MODEL("LA"), "KX31N");
  EXPECT_EQ(common::GET_MODEL("cE"), "KX31");
  EXPECT_EQ(common::GET_MODEL("CH"), "CARDIOX");
  EXPECT_EQ(common::GET_MODEL("Aa"), "");
  EXPECT_EQ(common::GET_MODEL("ZZ"), "MODEL");

  EXPECT_EQ(common::mode_text("7", "La"), std::string("-----") + std::string(21, ' '));
  EXPECT_EQ(common::mode_text("7", "LA").rfind("7 = 加速度波形1CH", 0), 0u);
  EXPECT_EQ(common::utf8_to_cp932(common::mode_text("7", "LA")).size(), 27u);
  EXPECT_EQ(common::mode_text("7", "CE"), "");
  EXPECT_EQ(common::mode_text("5", "CE"), "");
  EXPECT_EQ(common::mode_text("5", "Aa").rfind("5 = ｶﾛﾘｰﾓｰﾄﾞ", 0), 0u);
  EXPECT_EQ(common::mode_text("L", "CF").substr(0, 5), "PW-4 ");
  EXPECT_EQ(common::display_text("3"), "ｶﾛﾘｰ / 歩数 ");
  EXPECT_EQ(common::display_text("9"), "");
  EXPECT_EQ(common::energy_factor(5), "4862");
}

TEST(ConditionsRecordSlots, NumberedAsTheEditorBindsThem) {
  ConditionsRecord r;
  *r.slot(11) = "@";
  *r.slot(20) = "x";
  EXPECT_EQ(r.mode, "@");
  EXPECT_EQ(r.reserved_block, "x");
  EXPECT_EQ(r.slot(21), nullptr);
  EXPECT_EQ(r.slot(-1), nullptr);
}

}  // namespace
