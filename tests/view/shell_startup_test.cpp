// Start-up of the analysis program: "RaZor.prm" on first start and after, the directory
// field limits, the open dialog, the timed wait, the progress window and the error handler.
#include <gtest/gtest.h>

#include <stdexcept>

#include "common/cp932.h"
#include "common/numbers.h"
#include "common/text.h"
#include "common/settings_record.h"
#include "shell_fixture.h"
#include "ui/colour.h"
#include "ui/testing/script_failure.h"

namespace ambview::testing {
namespace {

using ui::testing::DialogKind;

TEST_F(ViewerTest, FirstStartWritesSettingsAndOffersUntitled) {
  ASSERT_FALSE(fs::exists(start_ / kSettingsFileName));
  pump.then([this] {
    // The file exists before the user does anything.
    EXPECT_TRUE(fs::exists(start_ / kSettingsFileName));
    EXPECT_EQ(main_form().caption(), "Movilog  処理(121010)");
    for (const MenuCommand& c : ACCMENU())
      EXPECT_EQ(main_form().menu_enabled(c.name), c.code == 101) << c.name;
    dialogs.cancel_file();
    main_form().choose_menu("A_OPEN");
  });
  script_close_main();
  run();

  const auto& shown = dialogs.last();
  EXPECT_EQ(shown.kind, DialogKind::Open);
  EXPECT_EQ(shown.caption, "ファイルを開く");
  EXPECT_EQ(shown.filter, "ﾃﾞｰﾀｰ();すべてのファイル(*.*)");
  EXPECT_EQ(shown.proposed, "無題0");
  // A cancelled open loads nothing and leaves the menus as they were.
  EXPECT_FALSE(state.loaded);
  for (const MenuCommand& c : ACCMENU()) EXPECT_EQ(main_form().menu_enabled(c.name), c.code == 101) << c.name;
  EXPECT_FALSE(forms.has_form("FORM2"));

  const std::string rec = settings_record();
  ASSERT_EQ(rec.size(), 256u);
  const common::SettingsSlots s = common::unpack_settings(rec, common::SettingsFlavour::Viewer);
  const std::string dir = start_.string() + "/";
  EXPECT_EQ(static_cast<unsigned char>(rec[0]), dir.size());
  EXPECT_EQ(s[1], dir);
  EXPECT_EQ(common::cp932_to_utf8(s[2]), "無題");
  EXPECT_EQ(s[6], "1");
  EXPECT_EQ(common::trim_right(s[17]), "8");
  EXPECT_EQ(s[22].substr(s[22].find_first_not_of(' ')), "0.021");
  EXPECT_EQ(s[25].substr(s[25].find_first_not_of(' ')), "68.074");
  // Colours: palette 1, 14, 5, 15, 0 as hex values.
  EXPECT_EQ(common::hex_value(s[7]), ui::palette(1));
  EXPECT_EQ(common::hex_value(s[8]), ui::palette(14));
  EXPECT_EQ(common::hex_value(s[9]), ui::palette(5));
  EXPECT_EQ(common::hex_value(s[14]), ui::palette(15));
  EXPECT_EQ(common::hex_value(s[15]), ui::palette(0));
}

// The typed conditions write the file the slots always made: each record the program writes
// reads back to the same conditions and is written again byte for byte.
TEST(ConditionsFile, RecordsTheProgramWritesRoundTripByteForByte) {
  common::SettingsSlots accepted{};
  accepted[1] = "/home/user/" + std::string(60, 'd') + "/";
  accepted[2] = common::utf8_to_cp932("被験者A");
  accepted[3] = "1";
  accepted[4] = "3";
  accepted[5] = "1";
  accepted[6] = "25";
  accepted[7] = "FF0000";
  accepted[8] = "C0C0C0";
  accepted[9] = "0";
  accepted[10] = "14400";
  accepted[11] = "3600";
  accepted[12] = "7200";
  accepted[13] = "0.5";
  accepted[14] = "FFFFFF";
  accepted[15] = "800080";
  accepted[16] = ".ac2";
  accepted[17] = "12";
  for (int i = 18; i <= 26; ++i) accepted[static_cast<std::size_t>(i)] = std::to_string(i);
  accepted[19] = " ";
  accepted[27] = "x";
  accepted[28] = "ab";
  const std::vector<std::string> records{
      common::pack_settings(to_slots(default_conditions("/start/")), common::SettingsFlavour::Viewer),
      common::pack_settings(accepted, common::SettingsFlavour::Viewer)};
  for (const std::string& record : records) {
    const ProcessingConditions once = from_slots(common::unpack_settings(record, common::SettingsFlavour::Viewer));
    const std::string again = common::pack_settings(to_slots(once), common::SettingsFlavour::Viewer);
    EXPECT_EQ(again, record);
    EXPECT_EQ(from_slots(common::unpack_settings(again, common::SettingsFlavour::Viewer)), once);
  }
  const ProcessingConditions read = from_slots(common::unpack_settings(records[1], common::SettingsFlavour::Viewer));
  EXPECT_EQ(read.averaging, Averaging::Moving);
  EXPECT_EQ(read.average_n, 25);
  EXPECT_EQ(read.scale2_colour, 0xC0C0C0u);
  EXPECT_EQ(read.display_span, 7200);
  EXPECT_EQ(read.interval.seconds, 0.5);
  EXPECT_EQ(read.per_line, 12);
  EXPECT_EQ(read.calorie.floor, "    26");  // right-justified in its field, read as stored
}

TEST_F(ViewerTest, StoredNameIsOfferedByItsExtensionRule) {
  ProcessingConditions s = default_conditions(start_.string() + "/");
  s.base_name = "SUBJ___";
  s.extension = ".DAT";
  ASSERT_TRUE(write_conditions_file((start_ / kSettingsFileName).string(), s));
  script([this] {
    dialogs.cancel_file();
    main_form().choose_menu("A_OPEN");
  });
  s.base_name = "WALK";
  s.extension = ".ac2";
  script([this, s] {
    EXPECT_EQ(dialogs.last().proposed, "SUBJ___0.DAT");
    // The name the user picks becomes the next proposal even when it does not load.
    dialogs.answer_open((start_ / "nothing.here").string());
    dialogs.answer(ui::Answer::Ok);
    main_form().choose_menu("A_OPEN");
  });
  script([this] {
    dialogs.cancel_file();
    main_form().choose_menu("A_OPEN");
  });
  script_close_main();
  run();
  EXPECT_EQ(dialogs.last().proposed, (start_ / "nothing.here").string());
  EXPECT_EQ(default_open_name(s), "WALK.ac2");
}

// The directory field holds 79 characters; slot 0 keeps the full length.
TEST_F(ViewerTest, DirectoryOf79CharactersIsStoredWholeALongerOneCut) {
  const std::string base = start_.string() + "/";
  ASSERT_LT(base.size(), 70u) << "temporary directory too long for this test";
  const fs::path exact = start_ / std::string(79 - base.size() - 1, 'd');
  ASSERT_EQ(exact.string().size() + 1, 79u);
  fs::create_directories(exact);
  const fs::path longer = start_ / std::string(100 - base.size() - 1, 'e');
  fs::create_directories(longer);

  {
    fs::current_path(exact);
    ui::testing::TestFormFactory f;  // outlives the forms the state holds
    ViewerState st;
    ui::Platform p{f, dialogs, pump, clock};
    viewer_startup(st, p);
    const std::string rec = read_bytes(exact / kSettingsFileName);
    EXPECT_EQ(static_cast<unsigned char>(rec[0]), 79);
    EXPECT_EQ(rec.substr(1, 79), exact.string() + "/");
    EXPECT_EQ(common::unpack_settings(rec, common::SettingsFlavour::Viewer)[1], exact.string() + "/");
  }
  {
    fs::current_path(longer);
    const std::string dir = longer.string() + "/";
    ui::testing::TestFormFactory f;  // outlives the forms the state holds
    ViewerState st;
    ui::Platform p{f, dialogs, pump, clock};
    viewer_startup(st, p);
    std::string rec = read_bytes(longer / kSettingsFileName);
    EXPECT_EQ(static_cast<unsigned char>(rec[0]), dir.size());
    EXPECT_EQ(rec.substr(1, 79), dir.substr(0, 79));
    EXPECT_EQ(rec.substr(80, 4), common::utf8_to_cp932("無題"));  // the base name field follows at once

    // Next start: the cut directory cannot be entered; the handler falls back to the start
    // directory and the program goes on there.
    ui::testing::TestFormFactory f2;
    ViewerState again;
    ui::Platform p2{f2, dialogs, pump, clock};
    viewer_startup(again, p2);
    EXPECT_EQ(fs::current_path().string() + "/", dir);
    EXPECT_EQ(again.conditions.directory, dir);
    EXPECT_EQ(again.default_file_name, "無題0");
  }
}

TEST_F(ViewerTest, StartupEntersTheStoredDataDirectory) {
  fs::create_directories(root_ / "data");
  ProcessingConditions s = default_conditions(start_.string() + "/");
  s.directory = (root_ / "data").string() + "/";
  ASSERT_TRUE(write_conditions_file((start_ / kSettingsFileName).string(), s));
  script_close_main();
  run();
  EXPECT_EQ(fs::current_path(), root_ / "data");
  EXPECT_EQ(state.start_directory, start_.string() + "/");
}

TEST_F(ViewerTest, DelayWaitsOneTickAndKeepsTheEventCode) {
  state.event_code = 203;
  DELAY_T(state, platform, 1000);
  EXPECT_EQ(pump.ticks(), 1);
  EXPECT_EQ(pump.virtual_ms(), 100);
  EXPECT_EQ(state.event_code, 203);
  EXPECT_FALSE(pump.timer_running());

  DELAY_T(state, platform, 3);  // below 10 counts as 10: one millisecond
  EXPECT_EQ(pump.virtual_ms(), 101);
  DELAY_T(state, platform, 15);  // 1.5 ms rounds away from zero
  EXPECT_EQ(pump.virtual_ms(), 103);

}

TEST_F(ViewerTest, ProgressWindowTakesLinesAndTellsWhenClosed) {
  ui::Form& f = WND3_OPN(state, platform, 1);
  EXPECT_EQ(f.caption(), "ﾃｷｽﾄ変換ﾃﾞｰﾀｰの保存");
  EXPECT_TRUE(FORM3_IS_OPEN(state));
  FORM3_PRINT(state, platform, "ABC____0 → ABC____0.prn");
  FORM3_PRINT(state, platform, "\r\n\tﾃﾞｰﾀｰ保存を終了");
  const auto rows = forms.form("FORM3").test_control("LIST1").rows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], "ABC____0 → ABC____0.prn");
  EXPECT_EQ(rows[1], "");
  EXPECT_EQ(rows[2], "\tﾃﾞｰﾀｰ保存を終了");

  forms.form("FORM3").user_close();
  EXPECT_FALSE(FORM3_IS_OPEN(state));
  FORM3_PRINT(state, platform, "not shown");  // nothing happens on a closed window

  // Opened again for re-saving: new caption, empty.
  WND3_OPN(state, platform, 0);
  EXPECT_EQ(forms.form("FORM3").caption(), "時刻変更データーの保存");
  EXPECT_TRUE(forms.form("FORM3").test_control("LIST1").rows().empty());
  EXPECT_EQ(forms.made("FORM3"), 1);

  // FORM4 is made once and brought forward when open.
  WND4_OPN(state, platform);
  WND4_OPN(state, platform);
  EXPECT_EQ(forms.form("FORM4").caption(), "心電図");
  EXPECT_EQ(forms.form("FORM4").raise_count(), 1);
}

TEST_F(ViewerTest, ErrorHandlerFallsBackToTheStartDirectoryAndGoesOn) {
  fs::create_directories(root_ / "data");
  int calls = 0;
  state.operations[203] = [&](ViewerState& st, ui::Platform&, int) {
    ++calls;
    set_data_directory(st, (root_ / "data").string() + "/");
    fs::current_path(root_ / "data");
    throw std::runtime_error("disk gone");
  };
  state.operations[204] = [&](ViewerState&, ui::Platform&, int) {
    ++calls;
    (void)std::string("abc").at(7);  // a standard logic error is a run-time error too
  };
  viewer_startup(state, platform);
  fs::remove(start_ / kSettingsFileName);
  run_event(state, platform, 203);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(fs::current_path(), start_);
  EXPECT_EQ(state.conditions.directory, start_.string() + "/");
  ASSERT_TRUE(fs::exists(start_ / kSettingsFileName));
  EXPECT_EQ(common::unpack_settings(settings_record(), common::SettingsFlavour::Viewer)[1], start_.string() + "/");
  EXPECT_NO_THROW(run_event(state, platform, 204));
  EXPECT_EQ(calls, 2);

  // A test double's verdict is not swallowed.
  state.operations[301] = [](ViewerState&, ui::Platform&, int) { throw ui::testing::ScriptFailure("scripted"); };
  EXPECT_THROW(run_event(state, platform, 301), ui::testing::ScriptFailure);
}

}  // namespace
}  // namespace ambview::testing
