// The menu after a load (trend, ECG blocks, waveform or calorie), the dispatch of event codes
// to the registered operations, and the three data errors that leave everything unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "common/recording_writer.h"
#include "shell_fixture.h"
#include "ui/colour.h"

namespace ambview::testing {
namespace {

using ui::testing::DialogKind;

TEST_F(ViewerTest, TwoEcgBlocksEnableTheFirstTwoEcgEntries) {
  const std::string path = make_recording("ECG", '@', 1200, 1.0, 2);
  std::vector<int> ran;
  state.operations[203] = [&](ViewerState&, ui::Platform&, int c) { ran.push_back(c); };
  state.operations[402] = [&](ViewerState& st, ui::Platform&, int c) {
    EXPECT_TRUE(st.forms.form4 && st.forms.form4->is_open());  // the ECG window opens first
    ran.push_back(c);
  };
  state.operations[601] = [&](ViewerState&, ui::Platform&, int c) { ran.push_back(c); };
  script_open(path);
  script([this] { form2().click("BUTTON1"); });
  script([this] {
    for (const char* name : {"A_OPEN", "E_SAVE", "TXT_CONV", "D_COND1", "D_COND2", "D_DISP", "HARDC", "TRD_B_SAVE",
                             "ecopy", "P_ECG1", "P_ECG2", "ECG_B_SAVE", "t_cal", "cal_SAVE", "cal_copy"})
      EXPECT_TRUE(main_form().menu_enabled(name)) << name;
    for (const char* name : {"P_ECG3", "P_ECG4", "wav_mon", "w_Svbmp", "w_Hcopy"})
      EXPECT_FALSE(main_form().menu_enabled(name)) << name;
    main_form().choose_menu("D_DISP");
  });
  script([this] { main_form().choose_menu("P_ECG2"); });
  script_close_main();
  run();
  // The waveform monitor runs only for a recording whose first channel is a waveform.
  run_event(state, platform, 601);
  // The trend once on accepting the dialog, once for "表示", then the ECG block.
  EXPECT_EQ(ran, (std::vector<int>{203, 203, 402}));
  // A code with no operation does nothing.
  state.operations.erase(204);
  EXPECT_NO_THROW(run_event(state, platform, 204));
  EXPECT_EQ(dialogs.shown().size(), 1u);  // only the open dialog
  EXPECT_EQ(forms.form("FORM4").caption(), "心電図");
}

TEST_F(ViewerTest, WaveformRecordingSwapsCalorieForTheWaveformMonitor) {
  const std::string path = make_recording("WAVE", '9', 3000, 0.02);
  int waves = 0;
  state.operations[601] = [&](ViewerState&, ui::Platform&, int) { ++waves; };
  script_open(path);
  script([this] { form2().click("BUTTON1"); });
  script([this] {
    for (const char* name : {"wav_mon", "w_Svbmp", "w_Hcopy"}) EXPECT_TRUE(main_form().menu_enabled(name)) << name;
    for (const char* name : {"t_cal", "cal_SAVE", "cal_copy", "P_ECG1", "ECG_B_SAVE"})
      EXPECT_FALSE(main_form().menu_enabled(name)) << name;
    main_form().choose_menu("wav_mon");
  });
  script_close_main();
  run();
  EXPECT_EQ(waves, 1);
  EXPECT_EQ(state.channels.rows[0].kind, 'w');
}

TEST_F(ViewerTest, DataErrorsShowTheirMessageAndChangeNothing) {
  const std::string good = make_recording("GOOD", '@', 600, 1.0);
  // A header with no channel files beside it.
  const fs::path lonely = root_ / "data" / "LONE.DAT";
  const auto header = common::make_channel_header("ce", "2612010900", 100, 'f');
  ASSERT_EQ(common::write_records(lonely.string(), std::vector<std::string>{common::make_header_record(header)}), "");
  // A channel file whose header gives no samples.
  const fs::path empty = root_ / "data" / "EMPTY__0";
  ASSERT_EQ(common::write_text_channel_file(empty.string(), common::make_channel_header("ce", "2612010900", 0, 'f'),
                                            'A', "#0", std::vector<std::uint32_t>{}),
            "");

  script_open(good);
  script([this] { form2().click("BUTTON1"); });
  ProcessingConditions accepted;
  std::string saved;
  const auto expect_error = [&, this](const std::string& path, const char* caption, const std::string& text) {
    script([=, &accepted, &saved, this] {
      accepted = state.conditions;
      saved = settings_record();
      dialogs.answer_open(path);
      dialogs.answer(ui::Answer::Ok);
      main_form().choose_menu("A_OPEN");
    });
    script([=, &accepted, &saved, this] {
      const auto& m = dialogs.last();
      EXPECT_EQ(m.kind, DialogKind::Message);
      EXPECT_EQ(m.caption, caption);
      EXPECT_EQ(m.text, text);
      EXPECT_EQ(m.buttons, ui::Buttons::Ok);
      EXPECT_EQ(m.icon, ui::Icon::Exclamation);
      EXPECT_EQ(state.conditions, accepted);
      EXPECT_EQ(settings_record(), saved);
      EXPECT_EQ(state.recording_path, good);
      EXPECT_TRUE(main_form().menu_enabled("D_DISP"));
      EXPECT_FALSE(form2().is_open());
    }, std::string("checked ") + caption);
  };
  // Each message names the file; a missing one is said to be missing.
  expect_error((root_ / "data" / "MISSING").string(), "データーエラー",
               "処理できるデーターではありません\rファイルが見つかりません: " + (root_ / "data" / "MISSING").string());
  expect_error(lonely.string(), "データーエラー", "処理できるﾃﾞｰﾀｰがありません\r" + lonely.string());
  expect_error(empty.string(), "データーエラー(A)", "処理できるﾃﾞｰﾀｰがありません\r" + empty.string());
  // 202 reloads the accepted recording without an overview; accepting keeps its window.
  script([this] { main_form().choose_menu("D_COND2"); });
  script([this] {
    // Since the dialog cleared its surface: names, the scale and the frame, no overview points.
    const auto& prims = form2().recording().primitives();
    auto it = std::find_if(prims.rbegin(), prims.rend(),
                           [](const auto& p) { return p.kind == ui::testing::PrimitiveKind::Clear; });
    ASSERT_NE(it, prims.rend());
    const long points = std::count_if(prims.rbegin(), it, [](const auto& p) {
      return p.colour == ui::palette(5) &&
             (p.kind == ui::testing::PrimitiveKind::FillBox || p.kind == ui::testing::PrimitiveKind::Line);
    });
    EXPECT_EQ(points, 0);
    EXPECT_EQ(form2().recording().xor_shown().size(), 6u);
    form2().click("BMPBUTTON4");
  });
  script([this] { form2().click("BUTTON1"); });
  script_close_main();
  run();
  EXPECT_EQ(state.conditions.display_start, 60);
}

TEST_F(ViewerTest, FileGivenAtStartIsOpened) {
  const std::string path = make_recording("ARG", '@', 600, 1.0);
  // Given relative to where the program starts, before the data directory becomes current.
  const std::string relative = fs::relative(path, start_).string();
  script([this] {
    EXPECT_TRUE(form2().is_open());
    form2().click("BUTTON1");
  });
  script_close_main();
  run(relative);
  EXPECT_TRUE(state.loaded);
  EXPECT_EQ(state.recording_path, path);
  EXPECT_EQ(state.default_file_name, path);
}

}  // namespace
}  // namespace ambview::testing
