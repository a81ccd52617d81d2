// The EDF+ export of whole recordings through `ambview export --format edf`, read back with
// edflib's reader against the text export of the same range: values, rates, start, markers,
// event marks and beat times; and the file menu's entry.
#include <gtest/gtest.h>

#include <array>
#include <sstream>

#include "common/cp932.h"
#include "tests/view/edf_read_back.h"
#include "tests/view/shell_fixture.h"
#include "view/commands/command_line.h"
#include "view/output/edf_export.h"
#include "view/windows/edf_save_window.h"

namespace ambview::testing {
namespace {

using edf_test::ReadBack;
using edf_test::trimmed;

class EdfExport : public ViewerTest {
 protected:
  // A generated recording in root_/data; the file a user picks.
  std::string make(const std::string& name, ambsim::RecordingOptions o) {
    fs::create_directories(root_ / "data");
    o.path = (root_ / "data" / name).string();
    const ambsim::RecordingResult r = ambsim::write_recording(o);
    EXPECT_EQ(r.error, "");
    return r.files.empty() ? std::string() : r.files.front();
  }

  int command(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int status = run_command_line(args, out, err);
    err_ = err.str();
    return status;
  }
  std::string err_;
};

// The values a channel's ".prn" holds, a marker line standing for the slot it takes: the
// value before it, or at the start the first one after it. Wave channels' mV as µV.
std::vector<double> prn_slots(const fs::path& prn, bool wave) {
  std::istringstream in(read_bytes(prn));
  std::string line;
  std::getline(in, line);  // the heading
  std::vector<double> v;
  std::vector<std::size_t> leading_markers;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '"') {
      if (v.empty()) leading_markers.push_back(0);
      else v.push_back(v.back());
      continue;
    }
    std::istringstream fields(line);
    for (std::string f; std::getline(fields, f, ',');) v.push_back(std::stod(f) * (wave ? 1000.0 : 1.0));
    if (!leading_markers.empty() && !v.empty()) {
      v.insert(v.begin(), leading_markers.size(), v.front());
      leading_markers.clear();
    }
  }
  return v;
}

// When each beat of an RR file begins, ms from the recording start, and its word.
struct Beat {
  std::int64_t start_ms;
  std::int64_t word;
};
std::vector<Beat> beats_of(const fs::path& rr_file) {
  const std::string b = read_bytes(rr_file);
  const auto n = static_cast<std::int64_t>(std::stoull(b.substr(54, 8), nullptr, 16));
  std::vector<Beat> beats;
  std::int64_t t = 0;
  for (std::int64_t i = 0; i < n; ++i) {
    const std::size_t at = 256 * static_cast<std::size_t>(1 + i / 120) + 2 * static_cast<std::size_t>(i % 120);
    const std::int64_t w = static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
    beats.push_back({t, w});
    t += w == 0 ? 4096 : w;
  }
  return beats;
}

struct SetCase {
  const char* name;
  ambsim::RecordingOptions options;
  std::vector<std::string> range;  // --start/--span words
  std::vector<std::string> labels;
  std::vector<double> rates;
  std::array<int, 6> start;        // y m d h m s of the file
  double seconds;                  // its length
  std::vector<std::pair<std::int64_t, std::string>> notes;  // µs, text: markers (event marks are added)
  std::int64_t range_start_s = 0;
  bool beats = false;  // an RR set: its beats are checked
};

ambsim::RecordingOptions options(char mode, std::string model, std::int64_t samples, double interval,
                                 std::string start = "2612010900") {
  ambsim::RecordingOptions o;
  o.family = model == "Aa" ? ambsim::Family::Combined : ambsim::Family::PerChannel;
  o.signal.mode = mode;
  o.signal.model = std::move(model);
  o.signal.samples = samples;
  o.signal.interval_s = interval;
  o.signal.seed = 5;
  o.start_time = std::move(start);
  return o;
}

TEST_F(EdfExport, EachKindOfSetReadsBackAsItsTextExport) {
  // A set of mode P over the end of a leap day, with ECG blocks (the header's event marks).
  ambsim::RecordingOptions leap = options('P', "CE", 7200, 1, "2402292330");
  leap.signal.ecg_blocks = 2;
  // A combined file that starts 15 minutes after its header's time, with two markers inside.
  ambsim::RecordingOptions combined = options('0', "Aa", 600, 1);
  combined.start_offset_min = 15;
  combined.event_markers = 2;
  const std::string marker0 = "ｵﾌｾｯﾄ分= 15", marker1 = "ｵﾌｾｯﾄ分= 1";
  const std::vector<SetCase> cases = {
      {"leap", leap, {"--start", "120", "--span", "3600"},
       {"0 Acc", "1 Acc X", "2 Acc Y", "3 Acc Z", "4 Tilt", "5 HR"}, {1, 1, 1, 1, 1, 1},
       {2024, 2, 29, 23, 32, 0}, 3600, {}, 120, true},
      {"combined whole", combined, {},
       {"0 Acc", "1 Acc X", "2 Acc Y", "3 Acc Z", "t Angle", "u Angle"}, {1, 1, 1, 1, 1, 1},
       {2026, 12, 1, 9, 15, 0}, 603, {{0, marker0}, {201'000'000, marker1}, {402'000'000, "ｵﾌｾｯﾄ分= 2"}}},
      {"combined middle", combined, {"--start", "60", "--span", "300"},
       {"0 Acc", "1 Acc X", "2 Acc Y", "3 Acc Z", "t Angle", "u Angle"}, {1, 1, 1, 1, 1, 1},
       {2026, 12, 1, 9, 16, 0}, 300, {{141'000'000, marker1}}, 60},
      {"waveforms and ECG", options('9', "CE", 600, 0.02), {"--start", "2", "--span", "5"},
       {"a Acc wave A", "b Acc wave B", "c Acc wave C", "d ECG"}, {50, 50, 50, 250},
       {2026, 12, 1, 9, 0, 2}, 5, {}, 2},
  };
  for (const SetCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string picked = make(std::string(1, static_cast<char>(std::toupper(c.name[0]))), c.options);
    const fs::path out = root_ / "out" / c.name;
    fs::create_directories(out);
    std::vector<std::string> prn{"export", picked, "--out", out.string()};
    prn.insert(prn.end(), c.range.begin(), c.range.end());
    ASSERT_EQ(command(prn), 0) << err_;
    std::vector<std::string> edf{"export", picked, "--format", "edf", "--out", (out / "x.edf").string()};
    edf.insert(edf.end(), c.range.begin(), c.range.end());
    ASSERT_EQ(command(edf), 0) << err_;

    const ReadBack f((out / "x.edf").string());
    ASSERT_TRUE(f.ok) << f.hdr->filetype;
    const std::array<int, 6> start{f.hdr->startdate_year, f.hdr->startdate_month, f.hdr->startdate_day,
                                   f.hdr->starttime_hour, f.hdr->starttime_minute, f.hdr->starttime_second};
    EXPECT_EQ(start, c.start);
    EXPECT_EQ(f.hdr->file_duration, static_cast<long long>(c.seconds * EDFLIB_TIME_DIMENSION));
    EXPECT_EQ(trimmed(f.hdr->recording_additional), "SIMULATED");
    ASSERT_EQ(f.hdr->edfsignals, static_cast<int>(c.labels.size()));
    for (int s = 0; s < f.hdr->edfsignals; ++s) {
      const std::string label = trimmed(f.hdr->signalparam[s].label);
      EXPECT_EQ(label, c.labels[static_cast<std::size_t>(s)]);
      EXPECT_DOUBLE_EQ(f.rate(s), c.rates[static_cast<std::size_t>(s)]) << label;
      const char code = label[0];
      const bool wave = code >= 'a' && code <= 'd';
      const std::string suffix = std::string(1, code) + ".prn";
      fs::path prn_file;
      for (const auto& e : fs::directory_iterator(out))
        if (e.path().filename().string().ends_with(suffix)) prn_file = e.path();
      const std::vector<double> want = prn_slots(prn_file, wave);
      const std::vector<double> got = f.physical(s);
      ASSERT_EQ(got.size(), want.size()) << label;
      // The ECG at full resolution: the text export's whole µV are its values rounded.
      const double within = code == 'd' ? 0.5 : 1e-9;
      for (std::size_t k = 0; k < got.size(); ++k) ASSERT_NEAR(got[k], want[k], within) << label << " sample " << k;
    }

    std::vector<std::pair<std::int64_t, std::string>> notes;
    std::vector<std::int64_t> beat_us;
    for (const auto& a : f.annotations()) (a.second == "RR" ? beat_us.push_back(a.first) : notes.push_back(a));
    // The event marks of a per-channel set (at 1 s a sample here): its ECG blocks' sample
    // numbers (hex at 72 + 12k); the leap set has one in its range.
    std::vector<std::pair<std::int64_t, std::string>> want_notes = c.notes;
    const std::string header = read_bytes(picked).substr(0, 256);
    for (int k = 0; c.options.family == ambsim::Family::PerChannel && k < header[62] - '0'; ++k)
      if (const auto at = std::stoll(header.substr(71 + 12 * static_cast<std::size_t>(k), 4), nullptr, 16) - c.range_start_s;
          at >= 0 && at < c.seconds)
        want_notes.emplace_back(at * 1'000'000, "Event ECG-" + std::to_string(k + 1));
    EXPECT_EQ(notes, want_notes);
    if (!c.beats) {
      EXPECT_TRUE(beat_us.empty());
      continue;
    }
    // Every beat begun in the range, at its time to the ms; the intervals between them are
    // the words of the text export's RR file.
    const std::int64_t start_ms = c.range_start_s * 1000;
    const std::int64_t end_ms = start_ms + static_cast<std::int64_t>(c.seconds * 1000);
    std::vector<std::int64_t> want_us, words;
    for (const Beat& b : beats_of(fs::path(picked).parent_path() / "L______6"))
      if (b.start_ms > start_ms && b.start_ms <= end_ms) {
        want_us.push_back((b.start_ms - start_ms) * 1000);
        words.push_back(b.word);
      }
    EXPECT_EQ(beat_us, want_us);
    const std::vector<double> prn_words = prn_slots(out / "L______6.prn", false);
    ASSERT_EQ(prn_words.size(), words.size());
    for (std::size_t k = 0; k < words.size(); ++k) ASSERT_EQ(prn_words[k], words[k]) << "beat " << k;
  }
}

// Wrong words, unwritable places and the recording's own files: a message, a non-zero exit and
// no file.
TEST_F(EdfExport, RefusalsLeaveNoFile) {
  const std::string picked = make("REC", options('@', "CE", 600, 1));
  const fs::path out = root_ / "out";
  fs::create_directories(out);
  struct Row {
    std::vector<std::string> args;
    int status;
    const char* says;
  };
  const std::vector<Row> rows = {
      {{"--format", "edf"}, kExitUsage, "--out OUT.edf is required"},
      {{"--format", "bdf", "--out", "x.edf"}, kExitUsage, "prn (the default) or edf"},
      {{"--format", "edf", "--out", out.string()}, kExitUsage, "names a folder"},
      {{"--format", "edf", "--out", (out / "no" / "x.edf").string()}, kExitUsage, "no directory"},
      {{"--format", "edf", "--per-line", "8", "--out", "x.edf"}, kExitUsage, "unknown option --per-line"},
      {{"--format", "edf", "--out", (root_ / "data" / "REC____5").string()}, kExitDataError, "is the recording file"},
      {{"--format", "edf", "--start", "900", "--out", (out / "x.edf").string()}, kExitUsage, "--start"},
  };
  for (const Row& row : rows) {
    std::vector<std::string> args{"export", picked};
    args.insert(args.end(), row.args.begin(), row.args.end());
    EXPECT_EQ(command(args), row.status) << row.says << "\n" << err_;
    EXPECT_NE(err_.find(row.says), std::string::npos) << err_;
  }
  EXPECT_TRUE(fs::is_empty(out));
}

TEST_F(EdfExport, FileMenuSavesTheTrendWindowsRange) {
  const std::string path = make("MENU", options('@', "CE", 600, 1));
  script([this] { EXPECT_FALSE(main_form().menu_enabled("EDF_SAVE")); });
  script_open(path);
  script([this] { form2().click("BUTTON1"); });
  script([this] {
    EXPECT_TRUE(main_form().menu_enabled("EDF_SAVE"));
    dialogs.answer_save("chosen");  // a bare name: the recording's folder, ".edf" added
    main_form().choose_menu("EDF_SAVE");
  });
  script_close_main();
  run();
  ASSERT_FALSE(dialogs.shown().empty());
  const auto& save = dialogs.shown().back();
  EXPECT_EQ(save.caption, kEdfSaveCaption);
  EXPECT_EQ(save.proposed, "MENU.edf");
  EXPECT_EQ(save.filter, "EDF+ (*.edf)");
  const ReadBack f((root_ / "data" / "chosen.edf").string());
  ASSERT_TRUE(f.ok);
  EXPECT_EQ(f.hdr->file_duration, 600LL * EDFLIB_TIME_DIMENSION);  // the fresh window: all of it
}

}  // namespace
}  // namespace ambview::testing
