// The calorie calculation of the analysis program: the channel list, the window height, the
// calorie text file, the bars and axes, and CALC_CAL with its dialog and questions.
#include <cmath>

#include <sstream>

#include "export_fixture.h"
#include "ui/bmp_file.h"
#include "view/output/calorie_trend.h"
#include "view/windows/calorie_window.h"
#include "view/commands/render_command.h"

namespace ambview::testing {
namespace {

using ui::testing::DialogKind;
using ui::testing::PrimitiveKind;
using ui::testing::RecordingCanvas;

// kcal/h of a block of acceleration values (mG) with the default settings, worked out
// here the long way: VO2 = (y / 1000 + 0.078) / 0.021, mean, / 1000 x 4.825 x 60 kg x 60.
int rate_of(std::initializer_list<float> mg) {
  float sum = 0;
  for (float y : mg) sum += (y / 1000.0f + 0.078f) / 0.021f;
  const float mean = sum / static_cast<float>(mg.size());
  return static_cast<int>(std::nearbyint(((mean / 1000.0f) * 4.825f) * 60.0f * 60.0f));
}

std::string value_text(int v) {
  std::string s = "   " + std::to_string(v);
  return s.substr(s.size() - 4);
}

class CalorieView : public ExportTest {
 protected:
  // Acceleration channel "0" (values in mG) and heart-rate channel "5" (values in BPM).
  std::string write_recording(const std::vector<std::uint32_t>& mg, const std::vector<std::uint32_t>& bpm = {}) {
    std::vector<std::uint32_t> raw;
    for (auto v : mg) raw.push_back(v / 2);  // kind A stores mG / 2
    const std::string path = data("CAL____0");
    EXPECT_EQ(common::write_text_channel_file(path, header(static_cast<std::uint32_t>(mg.size())), 'A', "A0", raw), "");
    if (!bpm.empty()) {
      EXPECT_EQ(common::write_text_channel_file(data("CAL____5"), header(static_cast<std::uint32_t>(bpm.size())), '5',
                                                "#5", bpm),
                "");
    }
    return path;
  }

  std::vector<CalorieOutcome> draw(const LoadedRecording& r, ProcessingConditions c, RecordingCanvas& canvas) {
    return CAL_TREND(canvas, c, r.info, r.table, calorie_channel_list(r.table), data_.string() + "/");
  }
};

TEST(CalorieList, AccelerationFirstThenHeartRate) {
  ChannelTable t;
  t.count = 4;
  t.rows[0] = {true, '0', '5', ""};
  t.rows[1] = {true, '1', 'A', ""};
  t.rows[2] = {false, '5', '5', ""};
  t.rows[3] = {true, '5', '5', ""};
  const std::vector<CalorieEntry> list = calorie_channel_list(t);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0], (CalorieEntry{'0', 'A'}));
  EXPECT_EQ(list[1], (CalorieEntry{'0', '5'}));
  EXPECT_EQ(list[2], (CalorieEntry{'5', '5'}));
  t.rows[0].present = false;
  t.rows[3].present = false;
  EXPECT_TRUE(calorie_channel_list(t).empty());
}

TEST(CalorieList, WindowHeightAndScales) {
  // round(round(548 / 3) x 2 + 111) = 183 x 2 + 111.
  EXPECT_EQ(calorie_window_height(574, 3, 2), 477);
  EXPECT_EQ(calorie_window_height(574, 0, 1), 548 + 111);  // never a division by zero
  // Every position's bars reach its top label at the top grid line.
  for (int p = 0; p < 6; ++p) EXPECT_EQ(std::to_string(calorie_full_scale(p)), common::trim_left(calorie_labels(p)[0]));
  EXPECT_EQ(calorie_time_step(0), 1);
  EXPECT_EQ(calorie_time_step(29), 5);
  EXPECT_EQ(calorie_time_step(359), 120);
  EXPECT_EQ(calorie_time_step(2160), 1440);
}

TEST_F(CalorieView, TextFileOfTenSamplesInBlocksOfFour) {
  const std::string path = write_recording({0, 0, 0, 0, 500, 500, 500, 500, 1000, 3000});
  const LoadedRecording r = load(path);
  ProcessingConditions c = conditions_for(r, 0, -1);
  c.calorie.block = "4";
  RecordingCanvas canvas(1000, 700);
  const auto outcomes = draw(r, c, canvas);
  ASSERT_EQ(outcomes.size(), 1u);
  EXPECT_EQ(outcomes[0].error, common::CalorieError::None);
  EXPECT_EQ(outcomes[0].text_file, data("Calorie.ac"));

  const auto lines = lines_of(data("Calorie.ac"));
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "\"CAL____0\",\"" + r.info.item[RecordingInfo::kComment] + "\"," + cp("\" 年齢=\", ,\" 体重 kg=\", 60"));
  EXPECT_EQ(lines[1], cp("\"ａ=\", 0.021,\"ｂ=\", 0.078,\" 温当量kcal/l=\", 4.825,\" 酸素摂取量下限=\",0"));
  EXPECT_EQ(lines[2], cp("\"測定間隔 S=\",1,\" 平均値 N=\",4,\" ﾃﾞｰﾀｰ量=\", 3"));
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4], cp("\"加速度-ｶﾛﾘｰ (kcal/hr)\",\"26-12-01 09:00\""));
  // Blocks of 4, 4 and 2 samples: 65, 478 and 1719 kcal/h.
  EXPECT_EQ(lines[5], value_text(rate_of({0, 0, 0, 0})) + "," + value_text(rate_of({500, 500, 500, 500})) + "," +
                          value_text(rate_of({1000, 3000})));
  EXPECT_EQ(rate_of({0, 0, 0, 0}), 65);
  EXPECT_EQ(rate_of({1000, 3000}), 1719);
}

TEST_F(CalorieView, EightValuesToALineAndTheHeartRateFile) {
  const std::string path = write_recording(std::vector<std::uint32_t>(10, 0),
                                           {60, 60, 100, 100, 100, 100, 100, 100, 100, 100});
  const LoadedRecording r = load(path);
  ProcessingConditions c = conditions_for(r, 0, -1);
  RecordingCanvas canvas(1000, 700);
  const auto outcomes = draw(r, c, canvas);
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_EQ(outcomes[1].entry, (CalorieEntry{'5', '5'}));
  auto lines = lines_of(data("Calorie.ac"));
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[5], "  65,  65,  65,  65,  65,  65,  65,  65");
  EXPECT_EQ(lines[6], "  65,  65");

  lines = lines_of(data("Calorie.hr"));
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[1], cp("\"ｃ=\", 3.083,\"ｄ=\", 68.074,\" 温当量kcal/l=\", 4.825,\" 酸素摂取量下限=\",0"));
  EXPECT_EQ(lines[4], cp("\"心拍数-ｶﾛﾘｰ (kcal/hr)\",\"26-12-01 09:00\""));
  // 60 BPM is below d: VO2 0. 100 BPM: (100 - 68.074) / 3.083 = 10.36 -> 180 kcal/h.
  const float vo2 = (100.0f - 68.074f) / 3.083f;
  const int hr = static_cast<int>(std::nearbyint(((vo2 / 1000.0f) * 4.825f) * 60.0f * 60.0f));
  EXPECT_EQ(lines[5], "   0,   0," + value_text(hr) + "," + value_text(hr) + "," + value_text(hr) + "," +
                          value_text(hr) + "," + value_text(hr) + "," + value_text(hr));
  // Total: 8 x vo2 over 11 at 1 s: R x T with (n + 1) cancelling.
  const float m = (8 * vo2) / 11.0f;
  const float total = (((m / 1000.0f) * 4.825f) * 60.0f * 60.0f) * (11.0f * 1.0f / 3600.0f);
  EXPECT_EQ(outcomes[1].total, static_cast<std::int32_t>(std::nearbyint(total)));
}

TEST_F(CalorieView, BarsAxesAndSummary) {
  const std::string path = write_recording(std::vector<std::uint32_t>(10, 0));
  const LoadedRecording r = load(path);
  ProcessingConditions c = conditions_for(r, 0, -1);
  c.acc_scale = 5;  // full scale 60: 65 kcal/h is above it
  RecordingCanvas canvas(1000, 700);
  draw(r, c, canvas);

  // H = round(614 / 1 - 16) = 598, base 614; one bar per sample (p = 1), each at full height.
  const auto boxes = canvas.of_kind(PrimitiveKind::FillBox);
  ASSERT_EQ(boxes.size(), 10u);
  int previous = 34;
  for (int i = 0; i < 10; ++i) {
    const int x = static_cast<int>(std::nearbyint((i + 1) * 930.0 / 10 + 34));
    EXPECT_EQ(boxes[static_cast<std::size_t>(i)].points, (std::vector<ui::Point>{{previous, 614}, {x, 614 - 598}}));
    previous = x;
  }
  // A 10 s span still gets a one-minute grid: lines at the left and right ends.
  int verticals = 0;
  for (const auto& p : canvas.of_kind(PrimitiveKind::Line))
    if (p.points[0].x == p.points[1].x) {
      EXPECT_TRUE(p.points[0].x == 34 || p.points[0].x == 964) << p.points[0].x;
      ++verticals;
    }
  EXPECT_EQ(verticals, 2);
  const auto texts = canvas.texts();
  for (const char* t : {"  60", "  40", "  20", "   0", " kc/h", "26/12/01", "09:00", "09:01"})
    EXPECT_NE(std::find(texts.begin(), texts.end(), t), texts.end()) << t;
  const std::string caption = "  <CAL____0> a= 0.021  b= 0.078  総ｶﾛﾘｰ= 0kcal";
  EXPECT_NE(std::find(texts.begin(), texts.end(), caption), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "測定間隔S=1  平均値N=1  酸素摂取量下限=0"), texts.end());

  // Position 0: 3000 at the top, so 65 kcal/h is round(598 x 65 / 3000) high.
  c.acc_scale = 0;
  RecordingCanvas low(1000, 700);
  draw(r, c, low);
  EXPECT_EQ(low.of_kind(PrimitiveKind::FillBox)[0].points[1].y, 614 - 13);
}

TEST_F(CalorieView, AZeroCoefficientEndsOnlyThatEntry) {
  const std::string path = write_recording(std::vector<std::uint32_t>(10, 0), std::vector<std::uint32_t>(10, 100));
  const LoadedRecording r = load(path);
  ProcessingConditions c = conditions_for(r, 0, -1);
  c.calorie.a = "0";
  RecordingCanvas canvas(1000, 700);
  const auto outcomes = draw(r, c, canvas);
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_EQ(outcomes[0].error, common::CalorieError::ZeroCoefficient);
  EXPECT_EQ(outcomes[1].error, common::CalorieError::None);
  EXPECT_FALSE(fs::exists(data("Calorie.ac")));  // a failed entry leaves no file
  EXPECT_EQ(lines_of(data("Calorie.hr")).size(), 7u);

  c.calorie.a = "0.021";
  c.calorie.block = "0";
  const auto zero_n = draw(r, c, canvas);
  EXPECT_EQ(zero_n[0].error, common::CalorieError::ZeroBlock);
  EXPECT_EQ(zero_n[1].error, common::CalorieError::ZeroBlock);
}

TEST_F(CalorieView, AnUnwritableTextFileIsNoSuccess) {
  const std::string path = write_recording(std::vector<std::uint32_t>(10, 0));
  const LoadedRecording r = load(path);
  RecordingCanvas canvas(1000, 700);
  const auto outcomes = CAL_TREND(canvas, conditions_for(r, 0, -1), r.info, r.table, calorie_channel_list(r.table),
                                  data_.string() + "/missing/");
  ASSERT_EQ(outcomes.size(), 1u);
  EXPECT_EQ(outcomes[0].error, common::CalorieError::WriteError);
  EXPECT_TRUE(canvas.of_kind(PrimitiveKind::FillBox).empty());
}

TEST_F(CalorieView, MarkersOfACombinedFileAreNoSamples) {
  const common::CombinedLayout& layout = *common::combined_layout(".ac1");
  std::vector<std::string> frames;
  for (int i = 0; i < 6; ++i) {
    common::CombinedValues v;
    v.acc[0] = 1000;
    frames.push_back(i == 2 ? common::make_marker_frame(layout, 5) : common::make_combined_frame(layout, v));
  }
  auto h = common::make_channel_header("*1", "2612010900", 6, '0', 1, "COMB");
  h.old_layout = true;
  const std::string path = data("COMB.ac1");
  ASSERT_EQ(common::write_combined_file(path, h, layout, "*1", frames), "");
  const LoadResult loaded = load_recording(path);
  ASSERT_TRUE(loaded.ok());
  const LoadedRecording& r = loaded.recording;
  ProcessingConditions c = conditions_for(r, 0, -1);
  RecordingCanvas canvas(1000, 700);
  const auto outcomes = draw(r, c, canvas);
  ASSERT_FALSE(outcomes.empty());
  EXPECT_EQ(outcomes[0].error, common::CalorieError::None);
  const auto lines = lines_of(data("Calorie.ac"));
  ASSERT_GE(lines.size(), 6u);
  // The marker holds the rate before it instead of reading as 4096 mG.
  const std::string v = value_text(rate_of({1000}));
  EXPECT_EQ(lines[5], v + "," + v + "," + v + "," + v + "," + v + "," + v);
}

TEST_F(CalorieView, RenderDrawsTheWindowAndWritesNoTextFile) {
  const std::string path = write_recording(std::vector<std::uint32_t>(10, 0), std::vector<std::uint32_t>(10, 100));
  const RenderPlatform kept = render_platform();
  std::shared_ptr<RecordingCanvas> canvas;
  set_render_platform({[&canvas](int w, int h) -> std::shared_ptr<ui::Canvas> {
                         canvas = std::make_shared<RecordingCanvas>(w, h);
                         return canvas;
                       },
                       [](const std::string& p, const ui::Image& image, std::string* error) {
                         return ui::write_bmp(p, image, error);
                       }});
  std::ostringstream out, err;
  const int status = run_render({path, "--view", "calorie", "--out", data("cal.bmp"), "--height", "500"}, out, err);
  set_render_platform(kept);
  ASSERT_EQ(status, 0) << err.str();
  ASSERT_TRUE(canvas);
  EXPECT_TRUE(fs::exists(data("cal.bmp")));
  EXPECT_FALSE(fs::exists(data("Calorie.ac")));
  // Two bands of H = round(414 / 2 - 16) = 191: the second band's bars stand on 2 x 207.
  const auto boxes = canvas->of_kind(PrimitiveKind::FillBox);
  ASSERT_EQ(boxes.size(), 20u);
  EXPECT_EQ(boxes[10].points[0].y, 414);
  const auto texts = canvas->texts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "  <CAL____5> c= 3.083  d= 68.074  総ｶﾛﾘｰ= 0kcal"), texts.end());
}

// --- CALC_CAL with its dialog, under the scripted pump.

class CalcCal : public CalorieView {
 protected:
  void SetUp() override {
    CalorieView::SetUp();
    open_in_state(write_recording(std::vector<std::uint32_t>(10, 0), std::vector<std::uint32_t>(10, 100)));
  }
  ui::testing::TestForm& form7() { return forms.form("FORM7"); }
};

TEST_F(CalcCal, ConfirmDrawsTheWindowAndWritesTheFiles) {
  state.conditions.calorie.rq_row = "7";
  pump.then([this] {
    EXPECT_EQ(form7().caption(), "カロリー設定");
    EXPECT_EQ(form7().test_control("COMBO2").selection(), 5);
    EXPECT_EQ(form7().test_control("TEXT17").text(), "酸素摂取量(ml/kg/min)の下限　=0");
    EXPECT_EQ(form7().test_control("TEXT12").text(), "酸素摂取量x = (心拍数y - d ) / c");
    dialogs.answer_input("0.02155");
    form7().click("TEXT13");
    EXPECT_EQ(form7().test_control("TEXT13").text(), "a=0.02155");
    form7().type("EDIT2", "55");
    form7().click("BUTTON2");
    dialogs.answer_input("12345");
  });
  CALC_CAL(state, platform, code::kCalorie);

  EXPECT_FALSE(form7().is_open());
  EXPECT_EQ(state.conditions.calorie.rq_row, " 5");
  EXPECT_EQ(state.conditions.calorie.weight, "55");
  EXPECT_EQ(state.conditions.per_line, 2345);  // the last four characters
  const auto& shown = dialogs.shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].caption, kCaloriePerLineTitle);
  EXPECT_EQ(shown[1].text, kCaloriePerLinePrompt);
  EXPECT_EQ(shown[1].proposed, "8");
  // Saved: the coefficient cut to its six characters.
  const std::string rec = settings_record();
  EXPECT_EQ(common::mid(rec, 211, 6), "0.0215");
  EXPECT_EQ(common::mid(rec, 196, 3), "  5");
  EXPECT_EQ(common::mid(rec, 192, 4), "2345");

  ui::testing::TestForm& form6 = forms.form("FORM6");
  EXPECT_EQ(form6.caption(), "カロリー");
  EXPECT_TRUE(form6.is_open());
  EXPECT_EQ(form6.client_width(), kMainWidth);
  EXPECT_FALSE(form6.recording().of_kind(PrimitiveKind::FillBox).empty());
  EXPECT_TRUE(fs::exists(data("Calorie.ac")));
  EXPECT_TRUE(fs::exists(data("Calorie.hr")));
}

TEST_F(CalcCal, ClosingTheDialogStoresAndComputesNothing) {
  const ProcessingConditions before = state.conditions;
  pump.then([this] {
    form7().type("EDIT2", "99");
    form7().user_close();
  });
  CALC_CAL(state, platform, code::kCalorie);
  EXPECT_EQ(state.conditions, before);
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_FALSE(forms.has_form("FORM6"));
  EXPECT_FALSE(fs::exists(data("Calorie.ac")));
}

TEST_F(CalcCal, ClosingTheMainWindowEndsTheDialog) {
  state.forms.main = forms.make_form("MAINFORM", kMainWidth, kMainHeight);
  state.forms.main->show();
  const ProcessingConditions before = state.conditions;
  pump.then([this] {
    form7().type("EDIT2", "99");
    main_form().user_close();
  });
  CALC_CAL(state, platform, code::kCalorie);
  EXPECT_EQ(state.conditions, before);
  EXPECT_FALSE(form7().is_open());
  EXPECT_FALSE(forms.has_form("FORM6"));
}

TEST_F(CalcCal, CancelledQuestionStopsAfterTheSave) {
  pump.then([this] {
    form7().type("EDIT1", "40");
    form7().click("BUTTON2");
  });
  dialogs.cancel_input();
  CALC_CAL(state, platform, code::kCalorie);
  EXPECT_EQ(common::mid(settings_record(), 199, 3), " 40");
  EXPECT_FALSE(forms.has_form("FORM6"));
}

TEST_F(CalcCal, NoChannelToComputeIsAnError) {
  for (auto& row : state.channels.rows) row.present = false;
  pump.then([this] { form7().click("BUTTON2"); });
  dialogs.answer(ui::Answer::Ok);
  CALC_CAL(state, platform, code::kCalorie);
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].caption, "エラー");
  EXPECT_EQ(dialogs.shown()[0].text, "処理ファイルが存在しません ");
  EXPECT_EQ(dialogs.shown()[0].icon, ui::Icon::Warning);
  EXPECT_FALSE(forms.has_form("FORM6"));
}

TEST_F(CalcCal, PerLineBelowOneIsUsedAsOne) {
  pump.then([this] { form7().click("BUTTON2"); });
  dialogs.answer_input("0");
  CALC_CAL(state, platform, code::kCalorie);
  EXPECT_EQ(state.conditions.per_line, 1);
  EXPECT_EQ(common::mid(settings_record(), 192, 4), "0   ");  // saved as answered
  EXPECT_EQ(lines_of(data("Calorie.ac")).size(), 5u + 10u);
}

TEST_F(CalcCal, RegisteredForEventCode501) {
  install_operations(state);
  ASSERT_EQ(state.operations.count(code::kCalorie), 1u);
}

}  // namespace
}  // namespace ambview::testing
