// The condition editor run from the main loop: controls bound to the record with their widths,
// the mode lists per model, CHECK1's visibility, the label-click dialogs and the reset.
#include <gtest/gtest.h>

#include "common/cp932.h"
#include "link/condition_editor.h"
#include "main_form_fixture.h"

namespace {

using linktest::LinkProgram;
using linktest::recorder;

bool sent_setting(const LinkProgram& p) {
  for (const auto& c : p.commands())
    if (c.rfind("Cc", 0) == 0 || c.rfind("CC", 0) == 0 || c.rfind("CA", 0) == 0) return true;
  return false;
}

TEST(Editor, ShowsTheRecordAndStoresEditsCutToTheirFields) {
  LinkProgram p(recorder("LA"));
  p.click("MAINFORM", "BUTTON2");
  p.then([&] {
    auto& f = p.editor();
    EXPECT_EQ(f.caption(), "測定条件の変更 ");
    EXPECT_EQ(f.test_control("EDIT1").text(), "26");
    EXPECT_EQ(f.test_control("EDIT2").text(), "12");
    EXPECT_EQ(f.test_control("EDIT6").text(), "SIMULATED");
    EXPECT_EQ(f.test_control("EDIT7").text(), "1");
    EXPECT_EQ(f.test_control("TEXT5").text(), "1234");
    EXPECT_EQ(f.test_control("COMBO1").rows().size(), 17u);
    EXPECT_EQ(f.test_control("COMBO1").selection(), 0);
    EXPECT_EQ(f.test_control("COMBO2").rows().size(), 6u);
    EXPECT_FALSE(f.test_control("CHECK1").visible());
    EXPECT_TRUE(f.test_control("EDIT1").enabled());
    EXPECT_TRUE(f.test_control("COMBO2").enabled());
    f.type("EDIT1", "2024");
    f.type("EDIT6", "ABCDEFGHIJKLMNOPQRSTUVWXY");
    f.type("EDIT8", "0.0421");
  }, "edit");
  p.then([&] { p.editor().type("EDIT6", "測定テスト名前その１２３４５"); }, "a Japanese comment");
  p.then([&] { p.editor().user_close(); }, "close the editor");
  p.run();
  EXPECT_EQ(p.state.conditions.start_year, "20");
  EXPECT_EQ(p.state.conditions.level_threshold_1, "0.04");
  // Twenty CP932 bytes: nine double-byte characters and two digits, no character split.
  EXPECT_EQ(common::cp932_to_utf8(p.state.conditions.comment), "測定テスト名前その１");
  EXPECT_EQ(p.state.conditions.comment.size(), 20u);
  EXPECT_FALSE(sent_setting(p));
  EXPECT_EQ(p.calorie_dialogs, 0);
}

TEST(Editor, AsciiCommentKeepsItsFirstTwentyCharacters) {
  EXPECT_EQ(ambcomm::cut_field("ABCDEFGHIJKLMNOPQRSTUVWXY", 20), "ABCDEFGHIJKLMNOPQRST");
  // A double-byte character that would straddle the end is left out whole.
  EXPECT_EQ(ambcomm::cut_field("ABCDEFGHIJKLMNOPQRSあ", 20), "ABCDEFGHIJKLMNOPQRS");
  EXPECT_EQ(ambcomm::cut_field("ｱｲｳ", 2), common::utf8_to_cp932("ｱｲ"));
}

TEST(Editor, ModeListsFollowTheModel) {
  auto la = ambcomm::mode_rows("La");
  auto big = ambcomm::mode_rows("LA");
  auto old = ambcomm::mode_rows("Aa");
  auto ce = ambcomm::mode_rows("CE");
  for (const auto* rows : {&la, &big, &old, &ce}) {
    ASSERT_EQ(rows->size(), 17u);
    EXPECT_EQ((*rows)[1].text, "1 = 加速度 ");
    const char* codes[] = {"0", "1", "2", "4", "@", "A", "B", "D", "P", "Q", "R", "T", "7", "8", "9", "L", "5"};
    for (std::size_t i = 0; i < 17; ++i) EXPECT_EQ((*rows)[i].code, codes[i]) << i;
  }
  EXPECT_EQ(la[12].text, "-----");
  EXPECT_EQ(big[12].text, "7 = 加速度波形1CH");
  EXPECT_EQ(big[14].text, "9 = 加速度波形+心電図波形");
  EXPECT_EQ(big[4].text, "@ = ﾓｰﾄﾞ0+傾斜+HR");
  EXPECT_EQ(old[4].text, "@ = -----");
  EXPECT_EQ(old[15].text, "  = -----");
  EXPECT_EQ(old[16].text, "5 = ｶﾛﾘｰﾓｰﾄﾞ   ");
  EXPECT_EQ(ce[12].text, "-----");
  EXPECT_EQ(ce[15].text, "PW-4");
  EXPECT_EQ(ce[16].text, "");
  EXPECT_EQ(ambcomm::mode_row(ce, "L"), 15);
  EXPECT_EQ(ambcomm::mode_row(ce, "Z"), 15);
  EXPECT_EQ(ambcomm::display_row("7"), 1);
  EXPECT_EQ(ambcomm::display_row(""), 5);
  EXPECT_EQ(ambcomm::display_row("9"), 5);
}

TEST(Editor, RrRecorderSelectsPw4AndChoosingARowStoresItsCode) {
  LinkProgram p(recorder("CF"));
  p.click("MAINFORM", "BUTTON2");
  p.then([&] {
    EXPECT_EQ(p.editor().test_control("COMBO1").selection(), 15);
    EXPECT_EQ(p.editor().test_control("COMBO2").selection(), 5);
    p.editor().select("COMBO1", 12);  // "-----" still sets its code
  }, "rows");
  p.then([&] {
    EXPECT_EQ(p.state.conditions.mode, "7");
    p.editor().select("COMBO1", 15);
  }, "back to PW-4");
  p.then([&] {
    EXPECT_EQ(p.state.conditions.mode, "L");
    p.editor().select("COMBO2", 5);  // the empty row leaves the display code alone
  }, "display none");
  p.then([&] { p.editor().user_close(); }, "close the editor");
  p.run();
  EXPECT_EQ(p.state.conditions.display, "");
}

TEST(Editor, SwitchStartBoxShowsForWaveformModesOnly) {
  LinkProgram p(recorder("LA"));
  p.click("MAINFORM", "BUTTON2");
  p.then([&] { p.editor().select("COMBO1", 13); }, "mode 8");
  p.then([&] {
    EXPECT_TRUE(p.editor().test_control("CHECK1").visible());
    EXPECT_EQ(p.editor().test_control("CHECK1").text(), "ｽｲｯﾁｽﾀｰﾄﾓｰﾄﾞ");
    p.editor().click("CHECK1");
    EXPECT_EQ(p.state.switch_start, 1);
    p.editor().select("COMBO1", 5);
  }, "tick, then mode A");
  p.then([&] {
    EXPECT_FALSE(p.editor().test_control("CHECK1").visible());
    p.editor().select("COMBO1", 3);
  }, "mode 4");
  p.then([&] {
    EXPECT_FALSE(p.editor().test_control("CHECK1").visible());
    p.editor().select("COMBO1", 14);
  }, "mode 9");
  p.then([&] {
    EXPECT_TRUE(p.editor().test_control("CHECK1").visible());
    p.editor().user_close();
  }, "close the editor");
  p.run();
  EXPECT_EQ(p.state.conditions.mode, "9");
  EXPECT_EQ(p.state.switch_start, 1);
}

TEST(Editor, LabelClicksAskAndRefreshWhateverTheAnswer) {
  LinkProgram p(recorder("LA"));
  p.t.clock.set({2031, 7, 4, 8, 5, 0});
  p.click("MAINFORM", "BUTTON2");
  p.then([&] {
    p.state.conditions.start_day = "31";  // changed behind the editor's back
    p.t.dialogs.answer(ui::Answer::No);
    p.editor().click("TEXT3");
  }, "time: no");
  p.then([&] {
    EXPECT_EQ(p.editor().test_control("EDIT3").text(), "31");
    EXPECT_EQ(p.state.conditions.start_year, "26");
    p.t.dialogs.answer(ui::Answer::Yes);
    p.editor().click("TEXT3");
  }, "time: yes");
  p.then([&] {
    EXPECT_EQ(p.editor().test_control("EDIT1").text(), "31");
    EXPECT_EQ(p.editor().test_control("EDIT5").text(), "05");
    p.t.dialogs.answer(ui::Answer::Yes);
    p.editor().click("TEXT5");
  }, "acc zero");
  p.then([&] {
    EXPECT_EQ(p.editor().test_control("TEXT5").text(), "0");
    p.t.dialogs.answer_input("70000");
    p.editor().click("TEXT20");
  }, "acc typed");
  p.then([&] {
    EXPECT_EQ(p.editor().test_control("TEXT5").text(), "70000");
    p.t.dialogs.cancel_input();
    p.editor().click("TEXT21");
  }, "rr cancelled");
  p.then([&] {
    p.t.dialogs.answer_input("");
    p.editor().click("TEXT22");
  }, "ecg empty");
  p.then([&] {
    p.t.dialogs.answer(ui::Answer::Yes);
    p.editor().click("TEXT6");
  }, "rr zero");
  p.then([&] { p.editor().user_close(); }, "close the editor");
  p.run();
  const auto& r = p.state.conditions;
  EXPECT_EQ(r.start_year + r.start_month + r.start_day + r.start_hour + r.start_minute, "3107040805");
  EXPECT_EQ(r.acc_count, "70000");
  EXPECT_EQ(r.rr_count, "0");
  EXPECT_EQ(r.ecg_blocks, "0");
  const auto& shown = p.t.dialogs.shown();
  ASSERT_EQ(shown.size(), 7u);
  EXPECT_EQ(shown[0].caption, "測定開始時刻");
  EXPECT_EQ(shown[0].text, "パソコンの時刻を取り込みますか");
  EXPECT_EQ(shown[0].icon, ui::Icon::Question);
  EXPECT_EQ(shown[2].caption, "加速度のデーター量");
  EXPECT_EQ(shown[2].text, "データー量を ０ にしますか");
  EXPECT_EQ(shown[3].text, "データー量を入力してください");
  EXPECT_EQ(shown[3].proposed, "0");
  EXPECT_EQ(shown[4].caption, "ＲＲ間隔のデーター量");
  EXPECT_EQ(shown[5].caption, "心電図のデーター量");
}

TEST(Editor, ResetTakesTheClockAndEmptiesTheAmountsOnYesOnly) {
  LinkProgram p(recorder("LA"));
  p.t.clock.set({2030, 2, 3, 4, 56, 0});
  p.click("MAINFORM", "BUTTON2");
  p.then([&] { p.t.dialogs.answer(ui::Answer::No); p.editor().click("BUTTON6"); }, "reset: no");
  p.then([&] {
    EXPECT_EQ(p.state.conditions.acc_count, "1234");
    p.t.dialogs.answer(ui::Answer::Yes);
    p.editor().click("BUTTON6");
  }, "reset: yes");
  p.then([&] {
    EXPECT_EQ(p.editor().test_control("EDIT5").text(), "56");
    EXPECT_EQ(p.editor().test_control("TEXT5").text(), "0");
    p.editor().click("BUTTON9");
  }, "calorie");
  p.then([&] { p.editor().user_close(); }, "close the editor");
  p.run();
  EXPECT_EQ(p.t.dialogs.shown()[0].caption, "初期化");
  EXPECT_EQ(p.t.dialogs.shown()[0].text, "測定開始時刻 ﾃﾞｰﾀｰ量を初期化します");
  const auto& r = p.state.conditions;
  EXPECT_EQ(r.start_year + r.start_month + r.start_day + r.start_hour + r.start_minute, "3002030456");
  EXPECT_EQ(r.acc_count + r.rr_count + r.ecg_blocks, "000");
  EXPECT_EQ(p.calorie_dialogs, 1);
  EXPECT_FALSE(sent_setting(p));
}

TEST(Editor, FailedRequestOpensNoEditor) {
  LinkProgram p(recorder("XX"));
  p.then([&] { p.t.dialogs.answer(ui::Answer::Ok); p.mainform().click("BUTTON2"); }, "change");
  p.run();
  EXPECT_FALSE(p.t.forms.has_form("FORM2"));
  EXPECT_EQ(p.t.forms.made("FORM2"), 0);
}

}  // namespace
