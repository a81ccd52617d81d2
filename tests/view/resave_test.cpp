// Re-saving a range: headers (counts, start time, RR count, ECG positions), records copied as
// stored, the refusals and cancels of the dialogue, failures that leave nothing behind, and the
// round trip of every file family through the loader and the text export.
#include <fstream>
#include <span>

#include "export_fixture.h"

namespace ambview::testing {
namespace {

using ui::testing::DialogKind;

class Resave : public ExportTest {
 protected:
  ResaveJob job_for(const LoadedRecording& r, std::int64_t start, std::int64_t span, const std::string& out) {
    return make_resave_job(conditions_for(r, start, span), r.table, r.info, r.sample_count, out);
  }
  // Runs the dialogue of event 102 with the save dialog answered by `chosen` and OK.
  void edit_save(const std::string& chosen) {
    dialogs.answer_save(chosen);
    dialogs.answer(ui::Answer::Ok);
    EDIT_SAVE(state, platform, code::kResave);
  }
};

std::vector<std::uint32_t> counting(std::size_t n) {
  std::vector<std::uint32_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint32_t>(i & 0xFFF);
  return v;
}

TEST_F(Resave, RangeOfAKindAChannelThroughTheDialogue) {
  ASSERT_EQ(common::write_text_channel_file(data("SRC____0"), header(800), 'A', "A0", counting(800)), "");
  open_in_state(data("SRC____0"), 600, 100);
  edit_save(data("NEW"));

  ASSERT_EQ(dialogs.shown().size(), 2u);
  EXPECT_EQ(dialogs.shown()[0].kind, DialogKind::Save);
  EXPECT_EQ(dialogs.shown()[0].caption, "時刻変更データーの保存");
  EXPECT_EQ(dialogs.shown()[0].proposed, "SRC____0");
  EXPECT_EQ(dialogs.shown()[0].filter, "ﾃﾞｰﾀｰ(*);すべてのファイル(*.*)");
  EXPECT_EQ(dialogs.shown()[1].text, "ファイル名に．Ｃがついた形で保存します。\r同じファイル名がある場合は上書きします。");
  EXPECT_EQ(dialogs.shown()[1].buttons, ui::Buttons::OkCancel);
  ui::testing::TestForm& form3 = forms.form("FORM3");
  EXPECT_EQ(form3.caption(), "時刻変更データーの保存");
  EXPECT_EQ(form3.control("LIST1").rows(),
            (std::vector<std::string>{"加速度 SRC____0 → NEW____0.c", "", "     ﾃﾞｰﾀｰ保存の終了"}));

  const std::string out = data("NEW____0.c");
  ASSERT_EQ(records(out), 3);
  const std::string h = record(out, 1);
  EXPECT_EQ(h.substr(10, 4), "0064");      // 11-14
  EXPECT_EQ(h.substr(112, 8), "00000064");  // 113-120
  EXPECT_EQ(h.substr(2, 8), "12010910");    // 600 s after 09:00
  EXPECT_EQ(h.substr(52, 2), "26");
  EXPECT_EQ(h.substr(54, 8), "00000000");   // no RR channel
  EXPECT_EQ(h.substr(0, 2), "ce");          // the rest of the header as it was
  EXPECT_EQ(h.substr(18, 20), common::pad_right("TEST", 20));
  // Samples 600-649 and 650-699 are records 14 and 15 of the source, copied byte for byte.
  EXPECT_EQ(record(out, 2).substr(0, 255), record(data("SRC____0"), 14).substr(0, 255));
  EXPECT_EQ(record(out, 3).substr(0, 255), record(data("SRC____0"), 15).substr(0, 255));
  EXPECT_EQ(record(out, 2).substr(0, 6), "A00258");

  // A range that starts off a whole minute starts at the minute its header names; its end stays.
  const LoadedRecording r = load(data("SRC____0"));
  ASSERT_TRUE(resave_all(job_for(r, 630, 100, data("OFF")), {})[0].written);
  const std::string off = record(data("OFF____0.c"), 1);
  EXPECT_EQ(off.substr(2, 8), "12010910");
  EXPECT_EQ(off.substr(10, 4), "0082");  // samples 600-729
  EXPECT_EQ(record(data("OFF____0.c"), 2).substr(0, 255), record(data("SRC____0"), 14).substr(0, 255));
}

TEST_F(Resave, CountsOfSixtyFiveThousandAndMore) {
  ASSERT_EQ(common::write_text_channel_file(data("BIG____0"), header(65536), 'A', "A0", counting(65536)), "");
  const LoadedRecording r = load(data("BIG____0"));
  const auto results = resave_all(job_for(r, 0, -1, data("OUT")), {});
  ASSERT_EQ(results.size(), 1u);
  ASSERT_TRUE(results[0].written);
  const std::string h = record(data("OUT____0.c"), 1);
  EXPECT_EQ(h.substr(10, 4), "FFFF");
  EXPECT_EQ(h.substr(112, 8), "00010000");
  EXPECT_EQ(load(data("OUT____0.c")).sample_count, 65536);

  ASSERT_TRUE(resave_all(job_for(r, 60, 65536, data("OUT")), {})[0].written);
  const std::string h2 = record(data("OUT____0.c"), 1);
  EXPECT_EQ(h2.substr(10, 4), "FFC4");  // 65476 samples: from 60 to the end
  EXPECT_EQ(h2.substr(112, 8), "0000FFC4");
}

TEST_F(Resave, EcgPositionsAreRebasedOnTheRangeStart) {
  auto h = header(600);
  h.ecg_blocks = 2;
  h.ecg_positions = {0x200, 0x50};
  std::string head = common::make_header_record(h);
  common::set_mid(head, 64, "12345678");  // group 0's leading characters: zeroed by re-saving
  const auto raw = counting(600);
  std::vector<std::string> recs{head};
  for (std::size_t i = 0; i < raw.size(); i += 50)
    recs.push_back(common::make_text_record("A0", std::span<const std::uint32_t>(raw).subspan(i, 50), 4));
  ASSERT_EQ(common::write_records(data("ECG____0"), recs), "");
  const LoadedRecording r = load(data("ECG____0"));
  ASSERT_TRUE(resave_all(job_for(r, 240, 120, data("ECG")), {})[0].written);
  const std::string out = record(data("ECG____0.c"), 1);
  EXPECT_EQ(out.substr(63, 12), "000000000110");  // 0200 - 240 = 0110
  EXPECT_EQ(out.substr(75, 12), "000000000000");  // before the start: 0
  EXPECT_EQ(out.substr(62, 1), "2");
}

TEST_F(Resave, ModeFiveAndResavedSetsAreRefused) {
  // ".ac5": refused before the save dialog.
  const common::CombinedLayout& layout = *common::combined_layout(".ac5");
  common::RecordingHeader h;
  h.old_layout = true;
  h.kind = "*5";
  h.start_time = "2612010900";
  h.count = 120;
  h.interval_seconds = 1;
  ASSERT_EQ(common::write_combined_file(data("STEP.ac5"), h, layout, "*5",
                                        std::vector<std::string>(120, common::make_combined_frame(layout, {}))), "");
  open_in_state(data("STEP.ac5"));
  dialogs.answer(ui::Answer::Ok);
  EDIT_SAVE(state, platform, code::kResave);
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].caption, "実行不可");
  EXPECT_EQ(dialogs.shown()[0].text, "測定ﾓｰﾄﾞ5では実行出来ません");
  EXPECT_EQ(dialogs.shown()[0].icon, ui::Icon::Exclamation);

  // ".c": refused after the save dialog.
  ASSERT_EQ(common::write_text_channel_file(data("OLD____0"), header(120), 'A', "A0", counting(120)), "");
  const LoadedRecording r = load(data("OLD____0"));
  ASSERT_TRUE(resave_all(job_for(r, 0, -1, data("DONE")), {})[0].written);
  open_in_state(data("DONE___0.c"));
  dialogs.answer_save(data("AGAIN"));
  dialogs.answer(ui::Answer::Ok);
  EDIT_SAVE(state, platform, code::kResave);
  ASSERT_EQ(dialogs.shown().size(), 3u);
  EXPECT_EQ(dialogs.shown()[2].caption, "時刻変更データーの保存");
  EXPECT_EQ(dialogs.shown()[2].text, "．Ｃ ﾌｧｲﾙは処理できません");
  EXPECT_EQ(dialogs.shown()[2].icon, ui::Icon::Stop);
  EXPECT_EQ(files_ending(data_, ".c"), (std::vector<std::string>{"DONE___0.c"}));
  EXPECT_FALSE(state.forms.form3);
}

// A re-saved combined file re-saved under its old base name would replace itself with the cut.
TEST_F(Resave, NeverWritesOverTheRecording) {
  const common::CombinedLayout& layout = *common::combined_layout(".ac2");
  common::RecordingHeader h;
  h.old_layout = true;
  h.kind = "*2";
  h.start_time = "2612010900";
  h.count = 240;
  h.interval_seconds = 1;
  ASSERT_EQ(common::write_combined_file(data("RS_c.ac2"), h, layout, "*2",
                                        std::vector<std::string>(240, common::make_combined_frame(layout, {}))), "");
  const std::string before = read_bytes(data_ / "RS_c.ac2");
  open_in_state(data("RS_c.ac2"), 0, 60);
  dialogs.answer_save(data("RS"));
  dialogs.answer(ui::Answer::Ok);
  dialogs.answer(ui::Answer::Ok);  // the refusal
  EDIT_SAVE(state, platform, code::kResave);
  ASSERT_EQ(dialogs.shown().size(), 3u);
  EXPECT_EQ(dialogs.shown()[2].caption, "時刻変更データーの保存");
  EXPECT_NE(dialogs.shown()[2].text.find("RS_c.ac2 は処理中の記録ファイルです"), std::string::npos);
  const LoadedRecording r = load(data("RS_c.ac2"));
  const auto results = resave_all(job_for(r, 0, 60, data("RS")), {});
  ASSERT_EQ(results.size(), 1u);
  EXPECT_FALSE(results[0].written);
  EXPECT_EQ(read_bytes(data_ / "RS_c.ac2"), before);
  EXPECT_TRUE(files_ending(data_, ".part").empty());
}

TEST_F(Resave, CancelWritesNothing) {
  ASSERT_EQ(common::write_text_channel_file(data("SRC____0"), header(300), 'A', "A0", counting(300)), "");
  open_in_state(data("SRC____0"));
  dialogs.cancel_file();
  EDIT_SAVE(state, platform, code::kResave);
  dialogs.answer_save(data("NEW"));
  dialogs.answer(ui::Answer::Cancel);
  EDIT_SAVE(state, platform, code::kResave);
  EXPECT_EQ(dialogs.shown().size(), 3u);
  EXPECT_TRUE(files_ending(data_, ".c").empty());
  EXPECT_FALSE(state.forms.form3);
}

TEST_F(Resave, AChannelThatHoldsLessIsCopiedAsFarAsItGoesAndSaysSo) {
  // Channel 0 promises more samples than it holds; channel 4 is whole.
  std::vector<std::string> recs{common::make_header_record(header(300)),
                                common::make_text_record("A0", counting(50), 4)};
  ASSERT_EQ(common::write_records(data("BAD____0"), recs), "");
  ASSERT_EQ(common::write_text_channel_file(data("BAD____4"), header(300), '4', "#4",
                                            std::vector<std::uint32_t>(300, 3)), "");
  open_in_state(data("BAD____0"), 0, 120);
  edit_save(data("OUT"));
  EXPECT_TRUE(files_ending(data_, ".part").empty());
  ASSERT_EQ(records(data("OUT____0.c")), 2);
  EXPECT_EQ(record(data("OUT____0.c"), 1).substr(10, 4), "0032");  // the 50 samples it holds
  ASSERT_EQ(records(data("OUT____4.c")), 2);
  const auto rows = forms.form("FORM3").control("LIST1").rows();
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0], "加速度 BAD____0 → OUT____0.c");
  EXPECT_EQ(rows[1], "傾斜   BAD____4 → OUT____4.c");
  EXPECT_EQ(rows[2], "OUT____0.c: the file holds 50 samples: 50 of the range's 120 are copied");
}

TEST_F(Resave, MenuEntryResavesTheAcceptedWindow) {
  const std::string path = make_recording("MENU", 'P', 1200, 1.0);
  script_open(path);
  script([this] { form2().click("BUTTON1"); });
  script([this] {
    dialogs.answer_save(data("CUT"));
    dialogs.answer(ui::Answer::Ok);
    main_form().choose_menu("E_SAVE");
  });
  script_close_main();
  run();
  // Channels 0-3, tilt, heart rate, RR and the RR index of the new set.
  EXPECT_EQ(files_ending(data_, ".c"), (std::vector<std::string>{"CUT____0.c", "CUT____1.c", "CUT____2.c", "CUT____3.c",
                                                                "CUT____4.c", "CUT____5.c", "CUT____6.c", "CUT____i.c"}));
  EXPECT_EQ(load(data("CUT____0.c")).sample_count, 1200);
}

// ---------------------------------------------------------------------------------------
// Round trip: a re-saved range opens again, holds the source's samples of the range, and its
// text export is the source range's text export.

struct Family {
  const char* name;
  char mode;
  double interval;
  std::int64_t samples;
  int ecg_blocks;
  const char* model;
  const char* extension;  // combined files
  int start_offset;
  int markers;
  std::int64_t start;  // window, seconds
  std::int64_t span;
};

void PrintTo(const Family& f, std::ostream* os) { *os << f.name; }

class ResaveRoundTrip : public Resave, public ::testing::WithParamInterface<Family> {};

// Reads samples by number, a record at a time.
class SampleReader {
 public:
  SampleReader(const ChannelTable& table, int row) : table_(table), row_(row) {
    EXPECT_TRUE(file_.open(table.rows[static_cast<std::size_t>(row)].path, common::RecordFile::Mode::ReadOnly));
  }
  // The value the shared reader delivers, or for the RR channel the stored word.
  std::int32_t operator()(std::int64_t n) {
    const int per = GET_BLKSIZ(table_, row_);
    const std::int64_t want = common::kDataFirstRecord + n / per;
    if (want != rec_no_) {
      record_ = file_.read(want).value_or(std::string());
      rec_no_ = want;
    }
    const int j = static_cast<int>(n % per);
    if (table_.rows[static_cast<std::size_t>(row_)].kind == common::kKindRR) return common::binary_word(record_, j);
    return GET_D(record_, table_, row_, j);
  }

 private:
  const ChannelTable& table_;
  int row_;
  common::RecordFile file_;
  std::int64_t rec_no_ = -1;
  std::string record_;
};

TEST_P(ResaveRoundTrip, ReopensWithTheRangesSamplesAndTheSameExport) {
  const Family f = GetParam();
  ambsim::RecordingOptions o;
  o.path = data("SRC");
  o.family = f.extension[0] ? ambsim::Family::Combined : ambsim::Family::PerChannel;
  o.signal.mode = f.mode;
  o.signal.model = f.model;
  o.signal.samples = f.samples;
  o.signal.interval_s = f.interval;
  o.signal.ecg_blocks = f.ecg_blocks;
  o.signal.seed = 5;
  o.extension = f.extension;
  o.start_offset_min = f.start_offset;
  o.event_markers = f.markers;
  const ambsim::RecordingResult made = ambsim::write_recording(o);
  ASSERT_EQ(made.error, "");
  const LoadedRecording src = load(made.files.front());

  const ProcessingConditions c = conditions_for(src, f.start, f.span);
  const ResaveJob job = make_resave_job(c, src.table, src.info, src.sample_count, data("NEW"));
  const auto results = resave_all(job, {});
  ASSERT_FALSE(results.empty());
  for (const auto& r : results) EXPECT_TRUE(r.written && !r.error) << r.path;

  const LoadedRecording back = load(results.front().path);
  ASSERT_EQ(back.sample_count, job.range.count);
  ASSERT_GT(job.range.count, 0);
  EXPECT_EQ(back.table.count, src.table.count);
  // The new recording starts at the range's first sample.
  EXPECT_EQ(start_text_of("26", back.time.recording_start).mmddhhmm,
            start_text_of("26", src.time.recording_start + static_cast<std::int32_t>(f.start)).mmddhhmm);

  for (int row = 0; row < src.table.count; ++row) {
    const ChannelRow& s = src.table.rows[static_cast<std::size_t>(row)];
    ASSERT_EQ(back.table.rows[static_cast<std::size_t>(row)].code, s.code);
    SampleReader from(src.table, row);
    SampleReader to(back.table, row);
    std::int64_t first = job.range.start;
    std::int64_t n = job.range.count;
    if (s.kind == common::kKindRR) {
      first = job.rr_start;
      n = job.rr_count;
      EXPECT_GT(n, 0);
    } else if (s.code == 'd') {
      first *= 5;
      n *= 5;
      // Chosen by itself, the ECG waveform file reopens with the range's number of intervals.
      EXPECT_EQ(load(back.table.rows[static_cast<std::size_t>(row)].path).sample_count, job.range.count);
    }
    for (std::int64_t i = 0; i < n; ++i) {
      ASSERT_EQ(to(i), from(first + i)) << "channel " << s.code << " sample " << i;
    }
  }

  // The text export of the re-saved recording is the export of the source's range.
  fs::create_directories(root_ / "a");
  fs::create_directories(root_ / "b");
  const TextExportJob ea = make_text_export_job(c, src.table, src.info, src.sample_count, (root_ / "a").string() + "/");
  const TextExportJob eb = make_text_export_job(conditions_for(back, 0, -1), back.table, back.info, back.sample_count,
                                                (root_ / "b").string() + "/");
  const auto wa = text_export_all(ea, {});
  const auto wb = text_export_all(eb, {});
  ASSERT_EQ(wa.size(), wb.size());
  for (std::size_t i = 0; i < wa.size(); ++i) {
    ASSERT_TRUE(wa[i].written && wb[i].written);
    EXPECT_EQ(read_bytes(wa[i].path), read_bytes(wb[i].path)) << wa[i].path << " / " << wb[i].path;
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryFamily, ResaveRoundTrip,
    ::testing::Values(Family{"axes", '0', 1.0, 1800, 0, "CE", "", 0, 0, 300, 600},
                      Family{"one_level", '2', 1.0, 1800, 0, "CE", "", 0, 0, 60, 1200},
                      Family{"three_levels", '4', 2.0, 900, 0, "CE", "", 0, 0, 120, 600},
                      Family{"tilt_hr_ecg", '@', 0.5, 3600, 2, "CE", "", 0, 0, 600, 600},
                      Family{"rr", 'P', 1.0, 1800, 1, "CE", "", 0, 0, 300, 600},
                      Family{"rr_levels_from_start", 'T', 1.0, 1200, 0, "CE", "", 0, 0, 0, 600},
                      Family{"rr_recorder", 'L', 1.0, 1800, 0, "CF", "", 0, 0, 600, 300},
                      Family{"wave_b", '7', 0.02, 9000, 0, "CE", "", 0, 0, 60, 60},
                      Family{"waves_and_ecg", '9', 0.02, 9000, 0, "CE", "", 0, 0, 60, 60},
                      Family{"ac0_offset_from_start", '0', 1.0, 1800, 0, "Aa", ".ac0", 30, 0, 0, 600},
                      Family{"ac1_markers", '1', 1.0, 1800, 0, "Aa", ".ac1", 0, 4, 360, 720},
                      Family{"ac2_offset_markers", '2', 1.0, 1800, 0, "Aa", ".ac2", 15, 3, 300, 900},
                      Family{"ac4", '4', 1.0, 1800, 0, "Aa", ".ac4", 0, 0, 120, 600}),
    [](const ::testing::TestParamInfo<Family>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace ambview::testing
