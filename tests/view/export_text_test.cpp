// The text export: line layout, value texts of every kind, marker lines, the header line,
// the values-per-line question and its dialogue, run-time errors, stopping, and number text
// that does not follow the machine's locale.
#include <clocale>
#include <cstdlib>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>
#include <locale>

#include "common/numbers.h"
#include "export_fixture.h"

namespace ambview::testing {
namespace {

using ui::testing::DialogKind;

std::string dir_of(const fs::path& p) { return p.string() + "/"; }

class TextExport : public ExportTest {
 protected:
  TextExportJob job_for(const LoadedRecording& r, std::int64_t start = 0, std::int64_t span = -1, int per_line = 8) {
    ProcessingConditions c = conditions_for(r, start, span);
    c.per_line = per_line;
    return make_text_export_job(c, r.table, r.info, r.sample_count, dir_of(data_));
  }
};

TEST_F(TextExport, EightPerLineWithTwentySamples) {
  std::vector<std::uint32_t> raw(20);
  for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<std::uint32_t>(i + 1);
  ASSERT_EQ(common::write_text_channel_file(data("TWENTY_0"), header(20), 'A', "A0", raw), "");
  const LoadedRecording r = load(data("TWENTY_0"));
  const ChannelResult res = TEXT_SAVE(job_for(r), 0, {});
  ASSERT_TRUE(res.written) << (res.error ? res.error->detail : "");
  EXPECT_EQ(res.path, data("TWENTY_0.prn"));
  const auto lines = lines_of(res.path);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], cp("\"加速度(mG)      \",\"26-12-01 09:00\",\"TEST                \",\"ﾃﾞｰﾀｰ量=\", 20,"
                         "\"計測間隔(S)=\",1"));
  EXPECT_EQ(lines[1], "   2,   4,   6,   8,  10,  12,  14,  16");
  EXPECT_EQ(lines[2], "  18,  20,  22,  24,  26,  28,  30,  32");
  EXPECT_EQ(lines[3], "  34,  36,  38,  40");
}

TEST_F(TextExport, WaveformAndEcgValuesInSixCharacters) {
  // Acceleration waveform words: mG = word x 2 - 4096.
  std::vector<std::uint16_t> a(100, 2048);
  a[0] = 2298;  // 500 mG
  a[1] = 3048;  // 2000 mG
  a[2] = 1798;  // -500 mG
  a[3] = 2049;  // 2 mG
  // ECG words: uV = (word - 2048) x 1000 / 512, kept as a whole number.
  std::vector<std::uint16_t> d(500, 2048);
  d[0] = 2560;  // 1 mV
  d[1] = 2049;  // 1.95 uV -> 2 uV
  d[2] = 1536;  // -1 mV
  d[3] = 2148;  // 195.3 uV -> 195 uV
  auto ha = common::make_channel_header("wA", "2612010900", 100, 'b', 0, "WAVE");
  auto hd = common::make_channel_header("wD", "2612010900", 500, 'b', 0, "WAVE");
  ASSERT_EQ(common::write_word_file(data("WAVE___a"), ha, a), "");
  ASSERT_EQ(common::write_word_file(data("WAVE___d"), hd, d), "");
  const LoadedRecording r = load(data("WAVE___a"));
  ASSERT_EQ(r.sample_count, 100);
  const TextExportJob job = job_for(r);

  const ChannelResult ra = TEXT_SAVE(job, 0, {});
  ASSERT_TRUE(ra.written);
  const auto la = lines_of(ra.path);
  ASSERT_EQ(la.size(), 1u + 13u);
  EXPECT_EQ(fields_of(la[1]), (std::vector<std::string>{" 0.5  ", " 2    ", "-0.5  ", " 0.002", " 0    ", " 0    ",
                                                         " 0    ", " 0    "}));

  const ChannelResult rd = TEXT_SAVE(job, 1, {});
  ASSERT_TRUE(rd.written);
  const auto ld = lines_of(rd.path);
  ASSERT_EQ(ld.size(), 1u + 63u);  // five ECG samples per interval: 500 values
  EXPECT_EQ(ld[0], cp("\"ECG波形(mV)     \",\"26-12-01 09:00\",\"WAVE                \",\"ﾃﾞｰﾀｰ量=\", 500,"
                      "\"計測間隔(S)=\", 0.004"));
  EXPECT_EQ(fields_of(ld[1]), (std::vector<std::string>{" 1    ", " 0.002", "-1    ", " 0.195", " 0    ", " 0    ",
                                                         " 0    ", " 0    "}));
}

// Value texts are made straight into the output; they must read exactly as the shared number
// text would write them, over every value a record can give and at the ends of 32 bits.
TEST(TextExportValues, TextsAreTheNumberTextsOfTheValues) {
  std::vector<std::int32_t> values{INT32_MIN, INT32_MIN + 1, -2147483, -1000000, -100000, -99999, 99999,
                                   100000,    999999,        1000000,  123456789, INT32_MAX - 1, INT32_MAX};
  for (std::int32_t v = -70000; v <= 70000; ++v) values.push_back(v);
  int wrong = 0;
  for (const std::int32_t v : values) {
    const std::string plain = common::num_plain(v);
    const std::string integer = plain.size() < 4 ? common::pad_left(plain, 4) : plain;
    const std::string wave = common::pad_right(common::num_text(v / 1000.0), 6);
    if (value_text('0', 'A', v) != integer || value_text('d', 'w', v) != wave) {
      ADD_FAILURE() << v << ": \"" << value_text('0', 'A', v) << "\" \"" << value_text('d', 'w', v) << "\"";
      if (++wrong == 5) break;
    }
  }
}

// Hex fields read as the lenient hex rule reads them: blanks first, then digits up to the
// first other byte.
TEST(TextExportValues, HexFieldsFollowTheLenientHexRule) {
  const std::vector<std::string> fields{"00FF", "abcd", "  1F", "\t 0a", "1 23", "00G1", "    ", "-123", "FFFF"};
  std::string record = "#5";
  for (const auto& f : fields) record += f;
  record.resize(common::RecordFile::kRecordSize, '\0');
  ChannelTable t;
  t.rows[0] = {true, '5', '5', ""};
  std::vector<std::int32_t> got(fields.size() + 1, -1);
  export_values(record, t, 0, 0, got);
  for (std::size_t i = 0; i < fields.size(); ++i)
    EXPECT_EQ(got[i], static_cast<std::int32_t>(common::hex_value(fields[i]))) << "\"" << fields[i] << "\"";
  EXPECT_EQ(got[fields.size()], 0);  // NUL bytes after the fields
}

TEST_F(TextExport, HeadingsAreSixteenBytesInCp932) {
  ChannelTable t;
  const char rows[][2] = {{'0', 'A'}, {'1', 'L'}, {'4', '4'}, {'5', '5'}, {'6', '6'}, {'a', 'w'},
                          {'b', 'w'}, {'c', 'w'}, {'d', 'w'}, {'t', 'T'}, {'s', 'S'}};
  for (const auto& row : rows) {
    t.rows[0] = {true, row[0], row[1], ""};
    const std::string heading = cp(export_column(t, 0).heading);
    EXPECT_EQ(heading.size(), 16u) << row[0] << "/" << row[1] << ": \"" << export_column(t, 0).heading << "\"";
  }
}

TEST_F(TextExport, MarkerLineFollowsThePartialLineBeforeIt) {
  const common::CombinedLayout& layout = *common::combined_layout(".ac1");
  std::vector<std::string> frames;
  for (int i = 0; i < 60; ++i) {
    common::CombinedValues v;
    v.acc[0] = 2 * (i + 1);
    frames.push_back(i == 3 ? common::make_marker_frame(layout, 5) : common::make_combined_frame(layout, v));
  }
  common::RecordingHeader h;
  h.old_layout = true;
  h.kind = "*1";
  h.start_time = "2612010900";
  h.count = 60;
  h.interval_seconds = 1;
  h.comment = common::pad_right("MARK", 20);
  ASSERT_EQ(common::write_combined_file(data("MARK.ac1"), h, layout, "*1", frames), "");
  const LoadedRecording r = load(data("MARK.ac1"));
  const ChannelResult res = TEXT_SAVE(job_for(r), 0, {});
  ASSERT_TRUE(res.written);
  EXPECT_EQ(res.path, data("MARK_0.prn"));
  const auto lines = lines_of(res.path);
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[1], "   2,   4,   6");
  EXPECT_EQ(lines[2], cp("\"ｵﾌｾｯﾄ分=\", 5"));
  // The count of values per line goes on from the marker's place.
  EXPECT_EQ(lines[3], "  10,  12,  14,  16");
  EXPECT_EQ(lines[4], "  18,  20,  22,  24,  26,  28,  30,  32");
}

TEST_F(TextExport, LevelHeaderCommentAndSignedValues) {
  // Level channel "1" (prefix "#1") with a comma in the comment.
  std::vector<std::uint32_t> levels(60, 3);
  ASSERT_EQ(common::write_text_channel_file(data("LEVEL__1"), header(60, "ce", "A,B"), 'L', "#1", levels), "");
  // RR channel with its index: a negative word keeps its sign, a wide one is not cut.
  std::vector<std::uint16_t> rr(200, 800);
  rr[0] = 0xFFF6;  // -10
  rr[1] = 12345;
  ASSERT_EQ(common::write_word_file(data("LEVEL__6"), header(60, "RR"), rr), "");
  // Three beats begun by the end of every sample: entry k = 3 (k + 1).
  std::vector<std::uint32_t> index(60);
  for (std::size_t k = 0; k < index.size(); ++k) index[k] = static_cast<std::uint32_t>(3 * (k + 1));
  auto ih = header(60, "IX");
  ASSERT_EQ(common::write_rr_index_file(data("LEVEL__i"), ih, index), "");
  // Samples 0-59 hold the beats begun by the end of sample 59: 180.
  const LoadedRecording r = load(data("LEVEL__1"));
  ASSERT_EQ(r.table.count, 2);
  const TextExportJob job = job_for(r);
  EXPECT_EQ(job.rr_start, 0);
  EXPECT_EQ(job.rr_count, 180);

  const auto level = lines_of(TEXT_SAVE(job, 0, {}).path);
  EXPECT_EQ(level[0], cp("\"加速度(ﾚﾍﾞﾙ)    \",\"26-12-01 09:00\",\"A.B                 \",\"ﾃﾞｰﾀｰ量=\", 60,"
                         "\"計測間隔(S)=\",1,\"ﾚﾍﾞﾙ-1(G)=0.1\""));
  EXPECT_EQ(level[1], "   3,   3,   3,   3,   3,   3,   3,   3");

  const auto rr_lines = lines_of(TEXT_SAVE(job, 1, {}).path);
  ASSERT_EQ(rr_lines.size(), 1u + 23u);  // 180 values, 8 a line
  EXPECT_EQ(rr_lines[0], cp("\"ＲＲ(mSec)      \",\"26-12-01 09:00\",\"TEST                \",\"ＲＲﾃﾞｰﾀｰ量=\", 180,"
                            "\"計測間隔(S)=\",1"));
  EXPECT_EQ(rr_lines[1], " -10,12345, 800, 800, 800, 800, 800, 800");

  // A later window starts after the beats begun by the end of the sample before it.
  const TextExportJob later = job_for(r, 10, 20);
  EXPECT_EQ(later.rr_start, 30);
  EXPECT_EQ(later.rr_count, 60);
  // A window past the index's entries lies after the RR data's end: no beats, no RR file.
  auto short_index = ih;
  ASSERT_EQ(common::write_rr_index_file(data("LEVEL__i"), short_index, std::vector<std::uint32_t>{3, 6, 9}), "");
  const TextExportJob past = job_for(r, 10, 20);
  EXPECT_EQ(past.rr_count, 0);
  EXPECT_EQ(past.rr_count_text, " 0");
  fs::remove(data("LEVEL__6.prn"));
  const ChannelResult none = TEXT_SAVE(past, 1, {});
  EXPECT_FALSE(none.written);
  EXPECT_FALSE(none.error);
  EXPECT_NE(none.note.find("no beats"), std::string::npos);
  EXPECT_FALSE(fs::exists(data("LEVEL__6.prn")));
}

TEST_F(TextExport, HeaderTimeIsTheFirstSampleOfACombinedFileWithStartOffset) {
  const common::CombinedLayout& layout = *common::combined_layout(".ac1");
  std::vector<std::string> frames{common::make_marker_frame(layout, 90)};
  for (int i = 0; i < 600; ++i) frames.push_back(common::make_combined_frame(layout, {}));
  common::RecordingHeader h;
  h.old_layout = true;
  h.kind = "*1";
  h.start_time = "2612010900";  // + 90 min offset + 60 s window start
  h.count = static_cast<std::uint32_t>(frames.size());
  h.interval_seconds = 1;
  ASSERT_EQ(common::write_combined_file(data("LATE.ac1"), h, layout, "*1", frames), "");
  const LoadedRecording r = load(data("LATE.ac1"));
  const TextExportJob job = job_for(r, 60, 120);
  EXPECT_EQ(job.start.year, "26");
  EXPECT_EQ(job.start.mmddhhmm, "12011031");
  const std::string heading = cp("\"角度            \",\"26-12-01 10:31\",");
  EXPECT_EQ(lines_of(TEXT_SAVE(job, 1, {}).path)[0].substr(0, heading.size()), heading);
}

// ---------------------------------------------------------------------------------------
// The dialogue of event 103

TEST_F(TextExport, PerLineAnswerKeepsItsLastFourCharactersAndIsSaved) {
  std::vector<std::uint32_t> raw(30, 7);
  ASSERT_EQ(common::write_text_channel_file(data("REC____0"), header(30), 'A', "A0", raw), "");
  ASSERT_EQ(common::write_text_channel_file(data("REC____4"), header(30), '4', "#4", raw), "");
  open_in_state(data("REC____0"));
  dialogs.answer_input("12345");
  dialogs.answer(ui::Answer::Ok);
  TEXT_CONV(state, platform, code::kTextExport);

  ASSERT_EQ(dialogs.shown().size(), 2u);
  const auto& question = dialogs.shown()[0];
  EXPECT_EQ(question.kind, DialogKind::Input);
  EXPECT_EQ(question.caption, "ﾃｷｽﾄ変換ﾃﾞｰﾀｰの保存");
  EXPECT_EQ(question.text, "一行のデーター数を入力してください");
  EXPECT_EQ(question.proposed, "8");
  const auto& confirm = dialogs.shown()[1];
  EXPECT_EQ(confirm.caption, "ﾃｷｽﾄ変換ﾃﾞｰﾀｰの保存");
  EXPECT_EQ(confirm.text, "ファイル名 REC____n.PRN で保存します\r同じファイル名がある場合は上書きします");
  EXPECT_EQ(confirm.buttons, ui::Buttons::OkCancel);
  EXPECT_EQ(confirm.icon, ui::Icon::Exclamation);

  EXPECT_EQ(state.conditions.per_line, 2345);
  EXPECT_EQ(common::trim_right(settings_record().substr(191, 4)), "2345");  // positions 192-195
  EXPECT_EQ(fields_of(lines_of(data("REC____0.prn"))[1]).size(), 30u);

  ui::testing::TestForm& form3 = forms.form("FORM3");
  EXPECT_EQ(form3.caption(), "ﾃｷｽﾄ変換ﾃﾞｰﾀｰの保存");
  const auto rows = form3.control("LIST1").rows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], "加速度(mG)      REC____0 → REC____0.prn");
  EXPECT_EQ(rows[1], "傾斜            REC____4 → REC____4.prn");
  EXPECT_EQ(rows[2], "");
  EXPECT_EQ(rows[3], "\tﾃﾞｰﾀｰ保存を終了");

  // An answer below 1 becomes 1: one value a line.
  dialogs.answer_input("0");
  dialogs.answer(ui::Answer::Ok);
  TEXT_CONV(state, platform, code::kTextExport);
  EXPECT_EQ(state.conditions.per_line, 1);
  EXPECT_EQ(lines_of(data("REC____4.prn")).size(), 31u);
}

TEST_F(TextExport, CancelWritesNothing) {
  ASSERT_EQ(common::write_text_channel_file(data("REC____0"), header(30), 'A', "A0", std::vector<std::uint32_t>(30, 1)), "");
  open_in_state(data("REC____0"));
  dialogs.cancel_input();
  TEXT_CONV(state, platform, code::kTextExport);
  dialogs.answer_input("");  // an empty answer keeps the values per line
  dialogs.answer(ui::Answer::Cancel);
  TEXT_CONV(state, platform, code::kTextExport);
  EXPECT_EQ(state.conditions.per_line, 8);
  EXPECT_TRUE(files_ending(data_, ".prn").empty());
  EXPECT_FALSE(state.forms.form3);
}

TEST_F(TextExport, MenuEntryRunsTheExportAfterAnOpen) {
  const std::string path = make_recording("MENU", '@', 600, 1.0);
  script_open(path);
  script([this] { form2().click("BUTTON1"); });
  script([this] {
    dialogs.answer_input("10");
    dialogs.answer(ui::Answer::Ok);
    main_form().choose_menu("TXT_CONV");
  });
  script_close_main();
  run();
  // Channels 0-3 (axes), tilt, heart rate.
  EXPECT_EQ(files_ending(data_, ".prn"),
            (std::vector<std::string>{"MENU___0.prn", "MENU___1.prn", "MENU___2.prn", "MENU___3.prn", "MENU___4.prn",
                                      "MENU___5.prn"}));
  EXPECT_EQ(lines_of(data_ / "MENU___5.prn").size(), 61u);
}

// A set whose files end in ".prn" exported into its own folder would be replaced by the export.
TEST_F(TextExport, NeverWritesOverTheRecording) {
  ASSERT_EQ(common::write_text_channel_file(data("REC____0.prn"), header(30), 'A', "A0", std::vector<std::uint32_t>(30, 1)), "");
  ASSERT_EQ(common::write_text_channel_file(data("REC____4.prn"), header(30), '4', "#4", std::vector<std::uint32_t>(30, 2)), "");
  const std::string before0 = read_bytes(data_ / "REC____0.prn"), before4 = read_bytes(data_ / "REC____4.prn");
  open_in_state(data("REC____0.prn"));
  dialogs.answer_input("8");
  dialogs.answer(ui::Answer::Ok);
  dialogs.answer(ui::Answer::Ok);  // the refusal
  TEXT_CONV(state, platform, code::kTextExport);
  ASSERT_EQ(dialogs.shown().size(), 3u);
  EXPECT_EQ(dialogs.shown()[2].caption, "ﾃｷｽﾄ変換ﾃﾞｰﾀｰの保存");
  EXPECT_NE(dialogs.shown()[2].text.find("REC____0.prn は処理中の記録ファイルです"), std::string::npos);
  EXPECT_FALSE(state.forms.form3);
  // The same file under another name (a hard link in another folder) is refused as well.
  fs::create_directories(data_ / "out");
  fs::create_hard_link(data_ / "REC____4.prn", data_ / "out" / "REC____4.prn");
  const LoadedRecording r = load(data("REC____0.prn"));
  const auto results = text_export_all(
      make_text_export_job(conditions_for(r, 0, -1), r.table, r.info, r.sample_count, dir_of(data_ / "out")), {});
  ASSERT_EQ(results.size(), 1u);
  EXPECT_FALSE(results[0].written);
  ASSERT_TRUE(results[0].error);
  EXPECT_NE(results[0].error->detail.find("is the recording file"), std::string::npos);
  EXPECT_EQ(read_bytes(data_ / "REC____0.prn"), before0);
  EXPECT_EQ(read_bytes(data_ / "REC____4.prn"), before4);
  EXPECT_FALSE(fs::exists(data_ / "out" / "REC____0.prn"));  // nothing at all was written
}

TEST_F(TextExport, AFileShorterThanItsHeaderIsWrittenAsFarAsItGoesAndSaysSo) {
  // The header promises 120 samples, the file holds one record of 50.
  std::vector<std::string> records{common::make_header_record(header(120)),
                                   common::make_text_record("A0", std::vector<std::uint32_t>(50, 4), 4)};
  ASSERT_EQ(common::write_records(data("BAD____0"), records), "");
  ASSERT_EQ(common::write_text_channel_file(data("BAD____4"), header(120), '4', "#4", std::vector<std::uint32_t>(120, 2)), "");
  { std::ofstream(data("BAD____0.prn")) << "older"; }
  open_in_state(data("BAD____0"));
  dialogs.answer_input("8");
  dialogs.answer(ui::Answer::Ok);
  TEXT_CONV(state, platform, code::kTextExport);
  EXPECT_EQ(dialogs.shown().size(), 2u);  // no run-time error
  const auto lines = lines_of(data_ / "BAD____0.prn");
  ASSERT_EQ(lines.size(), 1u + 7u);  // 50 values, 8 a line
  EXPECT_NE(lines[0].find("\", 50,"), std::string::npos);
  const auto rows = forms.form("FORM3").test_control("LIST1").rows();
  EXPECT_NE(std::find_if(rows.begin(), rows.end(),
                         [](const std::string& r) { return r.find("BAD____0.prn: the file holds 50 samples") == 0; }),
            rows.end());
  EXPECT_TRUE(files_ending(data_, ".part").empty());
  EXPECT_EQ(lines_of(data_ / "BAD____4.prn").size(), 16u);  // the next channel is written whole
}

TEST_F(TextExport, APartWayFailureNamesTheFilesWrittenAndThoseNot) {
  ASSERT_EQ(common::write_text_channel_file(data("BAD____0"), header(120), 'A', "A0", std::vector<std::uint32_t>(120, 4)), "");
  ASSERT_EQ(common::write_text_channel_file(data("BAD____4"), header(120), '4', "#4", std::vector<std::uint32_t>(120, 2)), "");
  fs::create_directory(data_ / "BAD____4.prn");  // the output name is taken by a folder
  open_in_state(data("BAD____0"));
  dialogs.answer_input("8");
  dialogs.answer(ui::Answer::Ok);
  dialogs.answer(ui::Answer::Ok);  // the run-time error
  TEXT_CONV(state, platform, code::kTextExport);
  ASSERT_EQ(dialogs.shown().size(), 3u);
  EXPECT_EQ(dialogs.shown()[2].caption, "実行エラー");
  EXPECT_NE(dialogs.shown()[2].text.find("BAD____4.prn"), std::string::npos);
  EXPECT_TRUE(files_ending(data_, ".part").empty());
  // The progress window does not end as if all were done: it names what was written and what not.
  const auto rows = forms.form("FORM3").test_control("LIST1").rows();
  const std::vector<std::string> tail(rows.end() - 5, rows.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"\tﾃﾞｰﾀｰ保存を終了 (書き込めなかったファイルがあります)", "書き込んだファイル:",
                                            "    " + data("BAD____0.prn"), "書き込めなかったファイル:",
                                            "    " + data("BAD____4.prn")}));
}

TEST_F(TextExport, ClosingTheProgressWindowStopsWithoutAPartialFile) {
  ASSERT_EQ(common::write_text_channel_file(data("LONG___0"), header(10000), 'A', "A0",
                                            std::vector<std::uint32_t>(10000, 1)), "");
  ASSERT_EQ(common::write_text_channel_file(data("LONG___4"), header(10000), '4', "#4",
                                            std::vector<std::uint32_t>(10000, 1)), "");
  open_in_state(data("LONG___0"));
  dialogs.answer_input("8");
  dialogs.answer(ui::Answer::Ok);
  pump.play_on_pending(true);
  script([] {}, "the progress window appears");
  script([] {}, "the first progress line");
  script([this] { forms.form("FORM3").user_close(); }, "the user closes the progress window");
  TEXT_CONV(state, platform, code::kTextExport);
  EXPECT_EQ(pump.remaining(), 0u);
  EXPECT_TRUE(files_ending(data_, ".prn").empty());
  EXPECT_TRUE(files_ending(data_, ".part").empty());
}

// ---------------------------------------------------------------------------------------
// Locale

// A desktop with a decimal comma must not change a byte of the files.
TEST_F(TextExport, DecimalCommaLocaleWritesTheSameFiles) {
  const std::string path = make_recording("LOC", '9', 3000, 0.02);
  const LoadedRecording r = load(path);
  const auto export_all = [&](const fs::path& out) {
    fs::create_directories(out);
    ProcessingConditions c = conditions_for(r, 0, 30);
    TextExportJob job = make_text_export_job(c, r.table, r.info, r.sample_count, dir_of(out));
    bool all = true;
    for (const auto& res : text_export_all(job, {})) all = all && res.written;
    ResaveJob rj = make_resave_job(c, r.table, r.info, r.sample_count, (out / "RS").string());
    for (const auto& res : resave_all(rj, {})) all = all && res.written;
    return all;
  };
  ASSERT_TRUE(export_all(root_ / "c"));

  // The German run happens in a child process, so that the locale (and LOCPATH, when the
  // locale has to be built here) never reaches the other tests.
  constexpr int kNoLocale = 77;
  constexpr int kNoComma = 78;
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
      // Not generated on this machine: build it from the system's locale sources, if any.
      const fs::path locales = root_ / "locales";
      fs::create_directories(locales);
      const std::string cmd = "localedef -i de_DE -f UTF-8 '" + (locales / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
      if (std::system(cmd.c_str()) == 0) ::setenv("LOCPATH", locales.c_str(), 1);
    }
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) ::_exit(kNoLocale);
    if (*std::localeconv()->decimal_point != ',') ::_exit(kNoComma);
    std::locale::global(std::locale("de_DE.UTF-8"));
    ::_exit(export_all(root_ / "de") ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kNoLocale) GTEST_SKIP() << "de_DE.UTF-8 is not available";
  ASSERT_EQ(WEXITSTATUS(status), 0) << "78: no decimal comma; 1: a file was not written";
  std::size_t compared = 0;
  for (const auto& e : fs::directory_iterator(root_ / "c")) {
    EXPECT_EQ(read_bytes(e.path()), read_bytes(root_ / "de" / e.path().filename())) << e.path().filename();
    ++compared;
  }
  EXPECT_EQ(compared, 8u);  // a, b, c, d as text and re-saved, and nothing else
}

}  // namespace
}  // namespace ambview::testing
