// The EDF+ writer, read back with edflib's own reader: every channel kind's values to the unit,
// rates, start, labels and units, annotations and beat times; the cut into data records; the
// calendar start of a range; and failures that leave no file behind.
#include <edflib.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "tests/view/edf_read_back.h"
#include "view/output/edf_mapping.h"
#include "view/output/edf_writer.h"

namespace ambview::edf {
namespace {

namespace fs = std::filesystem;
using edf_test::ReadBack;
using edf_test::trimmed;

class EdfWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("edf_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  // Files in the folder: the written file only, never a temporary one.
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    return names;
  }
  fs::path dir_;
};

// Samples from a vector, as a recording's reader would hand them out.
SampleSource from(std::vector<std::int32_t> values) {
  auto v = std::make_shared<std::vector<std::int32_t>>(std::move(values));
  auto at = std::make_shared<std::size_t>(0);
  return [v, at](std::span<std::int32_t> out, std::string& why) {
    if (*at + out.size() > v->size()) {
      why = "short";
      return false;
    }
    std::copy_n(v->begin() + static_cast<std::ptrdiff_t>(*at), out.size(), out.begin());
    *at += out.size();
    return true;
  };
}

Request request_for(const std::string& p, std::int64_t duration_us) {
  Request q;
  q.path = p;
  q.start = {2024, 2, 29, 23, 59, 58, 0};
  q.recording = "SIMULATED";
  q.duration_us = duration_us;
  return q;
}

// Each channel kind through its own coding: the reader's values, and the physical values the
// text export writes for them. Edges of each coding included.
struct KindCase {
  char code;
  char kind;
  std::int64_t interval_us;
  const char* label;
  const char* dimension;
  std::vector<std::int32_t> values;           // as the shared reader delivers them
  std::function<double(std::int32_t)> text;   // as the text export writes them
};

TEST_F(EdfWriterTest, EveryChannelKindReadsBackToTheUnit) {
  const auto same = [](std::int32_t v) { return double(v); };
  const std::vector<KindCase> cases = {
      {'0', 'A', 20000, "0 Acc", "mG", {0, 2, 8190, 131070, 4094}, same},
      {'1', 'A', 20000, "1 Acc X", "mG", {1022, 0, 65534, 65536, 2}, same},
      {'3', 'L', 20000, "3 Level 3", "count", {0, 1, 65535, 3000, 7}, same},
      {'4', '4', 20000, "4 Tilt", "", {0, 15, 7, 1, 14}, same},
      {'5', '5', 20000, "5 HR", "bpm", {0, 60, 255, 65535, 7}, same},
      {'t', 'T', 20000, "t Angle", "deg", {-6, 0, 180, 6, 174}, same},
      {'s', 'S', 20000, "s Steps", "steps", {0, 65535, 1, 120, 9}, same},
      {'a', 'w', 20000, "a Acc wave A", "mG", {-2048, 2047, 0, -32768 - 2048, 32767 - 2048},
       [](std::int32_t v) { return double((v + 2048) * 2 - 4096); }},
      {'d', 'w', 4000, "d ECG", "uV", {-2048, 2047, 1, -1, 30656},
       [](std::int32_t v) { return v * 1000.0 / 512.0; }},
  };
  constexpr std::int64_t kDuration = 1'000'000;  // 50 samples at 0.02 s, 250 at 0.004 s
  Request q = request_for(path("kinds.edf"), kDuration);
  std::vector<std::vector<std::int32_t>> sent;
  for (const KindCase& c : cases) {
    const auto layout = channel_signal(c.code, c.kind, c.interval_us);
    ASSERT_TRUE(layout) << c.label;
    std::vector<std::int32_t> v(static_cast<std::size_t>(kDuration / c.interval_us));
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = c.values[i % c.values.size()];
    sent.push_back(v);
    q.signals.push_back({*layout, from(v)});
  }
  const Result r = write_edf(q);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.clipped, 0);
  EXPECT_EQ(files(), std::vector<std::string>{"kinds.edf"});

  const ReadBack f(path("kinds.edf"));
  ASSERT_TRUE(f.ok) << f.hdr->filetype;
  EXPECT_EQ(f.hdr->filetype, EDFLIB_FILETYPE_EDFPLUS);
  ASSERT_EQ(f.hdr->edfsignals, static_cast<int>(cases.size()));
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const KindCase& c = cases[i];
    const int s = static_cast<int>(i);
    EXPECT_EQ(trimmed(f.hdr->signalparam[s].label), c.label);
    EXPECT_EQ(trimmed(f.hdr->signalparam[s].physdimension), c.dimension) << c.label;
    EXPECT_DOUBLE_EQ(f.rate(s), 1e6 / double(c.interval_us)) << c.label;
    const std::vector<double> got = f.physical(s);
    ASSERT_EQ(got.size(), sent[i].size()) << c.label;
    for (std::size_t k = 0; k < got.size(); ++k)
      ASSERT_NEAR(got[k], c.text(sent[i][k]), 1e-9) << c.label << " sample " << k;
  }
  EXPECT_FALSE(channel_signal('6', '6', 1'000'000));  // RR beats are annotations, not a signal
  // Start, anonymous patient, the comment in the recording field.
  EXPECT_EQ(f.hdr->startdate_year, 2024);
  EXPECT_EQ(f.hdr->startdate_month, 2);
  EXPECT_EQ(f.hdr->startdate_day, 29);
  EXPECT_EQ(f.hdr->starttime_hour * 3600 + f.hdr->starttime_minute * 60 + f.hdr->starttime_second, 86398);
  std::string patient(88, ' ');
  std::ifstream(path("kinds.edf"), std::ios::binary).read(patient.data(), 88);
  EXPECT_EQ(patient.substr(8), "X X X X" + std::string(73, ' '));
  EXPECT_EQ(trimmed(f.hdr->recording_additional), "SIMULATED");
}

TEST_F(EdfWriterTest, ValuesOutsideACodingAreCountedAndHeldAtItsLimit) {
  Request q = request_for(path("clip.edf"), 2'000'000);
  q.signals.push_back({*channel_signal('4', '4', 1'000'000), from({16, -1})});
  const Result r = write_edf(q);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.clipped, 2);
  EXPECT_EQ(ReadBack(path("clip.edf")).physical(0), (std::vector<double>{15, 0}));
}

TEST_F(EdfWriterTest, NotesAndEveryBeatKeepTheirTimes) {
  // An hour at 2 s with a beat every 0.733 s (82 a minute): far more annotations than records.
  constexpr std::int64_t kDuration = 3600LL * 1'000'000;
  Request q = request_for(path("beats.edf"), kDuration);
  q.start.microsecond = 500'000;  // a range that starts between two seconds
  q.signals.push_back({*channel_signal('5', '5', 2'000'000), from(std::vector<std::int32_t>(1800, 72))});
  q.notes = {{60'000'000, "Event 2"},
             {0, "ｵﾌｾｯﾄ分= 15"},
             {1'000'000, std::string(38, 'x') + "ﾏｰｸ"}};  // cut before the character that passes 40 bytes
  q.beat_count = 4920;  // a bound: the source ends after 4912 (the last at 3599.763 s)
  auto beat = std::make_shared<std::int64_t>(0);
  q.next_beat = [beat](std::int64_t& t, std::string&) {
    t = (*beat)++ * 733'000;
    return t <= 3600LL * 1'000'000;
  };
  const Result r = write_edf(q);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_GT(r.annotation_signals, 1);

  const ReadBack f(path("beats.edf"));
  ASSERT_TRUE(f.ok) << f.hdr->filetype;
  EXPECT_EQ(f.hdr->starttime_subsecond, 5'000'000);
  const auto notes = f.annotations();
  ASSERT_EQ(notes.size(), 3u + 4912u);
  // Onsets count from the first sample, as edflib reports them.
  EXPECT_EQ(notes[0], std::make_pair(std::int64_t{0}, std::string("ｵﾌｾｯﾄ分= 15")));
  EXPECT_EQ(notes[1], std::make_pair(std::int64_t{1'000'000}, std::string(38, 'x')));
  EXPECT_EQ(notes[2], std::make_pair(std::int64_t{60'000'000}, std::string("Event 2")));
  for (std::size_t b = 0; b < 4912; ++b)
    ASSERT_EQ(notes[3 + b], std::make_pair(static_cast<std::int64_t>(b) * 733'000, std::string("RR"))) << b;
}

// The cut into data records: whole samples of every signal, at most 60 s, fewest bytes.
TEST(EdfRecordPlan, CutsEveryIntervalIntoWholeSamples) {
  struct Row {
    std::vector<std::int64_t> intervals_us;
    std::int64_t duration_us;
    std::int64_t beats;
    std::int64_t record_us;  // 0: refused
    std::vector<int> per_record;
    int annotation_signals;
  };
  constexpr std::int64_t s = 1'000'000;
  const std::vector<Row> rows = {
      {{2 * s, 2 * s, 2 * s, 2 * s, 2 * s, 2 * s}, 7 * 86400 * s, 0, 60 * s, {30, 30, 30, 30, 30, 30}, 1},
      {{20000, 20000, 20000, 4000}, 3600 * s, 0, 60 * s, {3000, 3000, 3000, 15000}, 1},
      {{40000}, 10 * s, 0, 10 * s, {250}, 1},
      {{200000}, 7 * s, 0, 7 * s, {35}, 1},
      {{500000}, 10 * s, 0, 10 * s, {20}, 1},
      {{1 * s}, 7 * s, 0, 7 * s, {7}, 1},
      {{60 * s}, 86400 * s, 0, 60 * s, {1}, 1},
      {{7 * s}, 13 * 7 * s, 0, 7 * s, {1}, 1},           // 13 samples: no longer record divides them
      {{1 * s}, 7 * 86400 * s, 700'000, 56 * s, {56}, 11},  // a week of beats: 56 s wastes least
      {{300 * s}, 3600 * s, 0, 0, {}, 0},                 // longer than any record
      {{2 * s}, 3 * s, 0, 0, {}, 0},                      // not a whole number of samples
      {{60 * s}, 600 * s, 5000, 0, {}, 0},                // 500 beats a minute: too many for 60 s records
  };
  for (const Row& row : rows) {
    AnnotationLoad load;
    load.beats = row.beats;
    load.beat_bytes = 1 + 6 + 7 + 1 + 2 + 2;
    load.keeping_bytes = 1 + 6 + 7 + 1 + 2;
    const RecordPlan plan = plan_records(row.intervals_us, row.duration_us, load);
    SCOPED_TRACE(::testing::Message() << row.intervals_us[0] << " us over " << row.duration_us << " us");
    EXPECT_EQ(plan.record_us, row.record_us) << plan.error;
    EXPECT_EQ(plan.error.empty(), row.record_us != 0);
    EXPECT_EQ(plan.samples_per_record, row.per_record);
    EXPECT_EQ(plan.annotation_signals, row.annotation_signals);
  }
}

TEST(EdfStartTime, IsTheCalendarTimeOfTheRange) {
  struct Row {
    const char* text;
    std::int64_t offset_us;
    StartTime expected;
  };
  const std::vector<Row> rows = {
      {"2402282359", 60'000'000, {2024, 2, 29, 0, 0, 0, 0}},       // leap day
      {"2602282359", 60'000'000, {2026, 3, 1, 0, 0, 0, 0}},
      {"0002282300", 3'600'500'000, {2000, 2, 29, 0, 0, 0, 500'000}},
      {"8012312359", 61'500'000, {1981, 1, 1, 0, 0, 1, 500'000}},  // years 80-99 are the 1900s
      {"7912312359", 60'000'000, {2080, 1, 1, 0, 0, 0, 0}},
      {"2612010900", 7 * 86400LL * 1'000'000 + 4'000, {2026, 12, 8, 9, 0, 0, 4'000}},
  };
  for (const Row& row : rows) {
    const auto t = start_time_of(row.text, row.offset_us);
    ASSERT_TRUE(t) << row.text;
    const StartTime& e = row.expected;
    EXPECT_EQ(std::vector<int>({t->year, t->month, t->day, t->hour, t->minute, t->second, t->microsecond}),
              std::vector<int>({e.year, e.month, e.day, e.hour, e.minute, e.second, e.microsecond}))
        << row.text;
  }
  for (const char* bad : {"2602300900", "2613010900", "2601012400", "26010109", "2601-10900"})
    EXPECT_FALSE(start_time_of(bad, 0)) << bad;
  // Interval texts of the header, exactly.
  EXPECT_EQ(interval_us_of("0.004"), 4000);
  EXPECT_EQ(interval_us_of("0.5"), 500'000);
  EXPECT_EQ(interval_us_of("300"), 300'000'000);
  for (const char* bad : {"", "0", ".", "1.", "1.2345678", "-1", "1e3"}) EXPECT_FALSE(interval_us_of(bad)) << bad;
}

// Every failure says why and leaves neither the file nor a temporary one.
TEST_F(EdfWriterTest, FailuresLeaveNoFile) {
  struct Row {
    const char* name;
    std::function<void(Request&)> change;
    const char* message;
  };
  const std::vector<Row> rows = {
      {"missing folder", [&](Request& q) { q.path = path("no/such/folder/out.edf"); }, "cannot create"},
      {"folder is a file", [&](Request& q) { q.path = path("plain/out.edf"); }, "cannot create"},
      {"damaged recording", [](Request& q) { q.signals[0].source = from(std::vector<std::int32_t>(100, 1)); },
       "0 Acc: short"},
      {"beats cannot be read",
       [](Request& q) {
         q.beat_count = 2;
         q.next_beat = [](std::int64_t&, std::string& why) { return why = "RR file damaged", false; };
       },
       "RR file damaged"},
      {"start before 1985", [](Request& q) { q.start = {1983, 5, 1, 8, 0, 0, 0}; }, "from 1985 to 2084"},
      {"interval too long", [](Request& q) { q.signals[0].layout.interval_us = 120'000'000; }, "longer than"},
  };
  std::ofstream(path("plain")) << "a file";
  for (const Row& row : rows) {
    Request q = request_for(path("out.edf"), 3600LL * 1'000'000);
    q.signals.push_back({*channel_signal('0', 'A', 1'000'000), from(std::vector<std::int32_t>(3600, 2))});
    row.change(q);
    const Result r = write_edf(q);
    EXPECT_FALSE(r.ok) << row.name;
    EXPECT_NE(r.message.find(row.message), std::string::npos) << row.name << ": " << r.message;
    EXPECT_EQ(files(), std::vector<std::string>{"plain"}) << row.name;
  }
}

// A disk that fills up part way (a file size limit stands in for it) fails the write. Runs in a
// child process: true when the write failed for that reason and left the folder empty.
bool fails_cleanly_on_full_disk(const fs::path& dir) {
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{64 * 1024, 64 * 1024};
  setrlimit(RLIMIT_FSIZE, &limit);
  Request q = request_for((dir / "full.edf").string(), 86400LL * 1'000'000);
  q.signals.push_back({*channel_signal('0', 'A', 1'000'000), from(std::vector<std::int32_t>(86400, 2))});
  const Result r = write_edf(q);
  std::fprintf(stderr, "%s\n", r.message.c_str());
  return !r.ok && fs::directory_iterator(dir) == fs::directory_iterator{};
}

TEST_F(EdfWriterTest, AFullDiskLeavesNoFile) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::_Exit(fails_cleanly_on_full_disk(dir_) ? 0 : 1), ::testing::ExitedWithCode(0),
              "cannot write .*full.edf: File too large");
}

}  // namespace
}  // namespace ambview::edf
