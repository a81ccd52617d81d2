// What one program writes, the other reads right: sets downloaded by `ambcomm` from `ambsim`
// (and one written by movilog_gen), then `ambview` on them as a user would: info on every
// file, the trend of the whole recording, export and re-save of the whole range and a middle
// one with every beat counted against the RR file's words, the EDF+ export's beat times,
// without the index file, in a read-only folder, and in folders and under names outside CP932.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sim/recording_generator.h"
#include "tests/e2e/e2e_support.h"
#include "tests/view/edf_read_back.h"

namespace {

namespace fs = std::filesystem;
using e2e::ProgramRun;
using e2e::slurp;

struct Case {
  const char* name;
  const char* model;
  char mode;
  std::int64_t samples;  // seconds at 1 s a sample
  std::int64_t rr = -1;  // RR words the recorder holds; -1: as many as the recording has
  bool generated = false;  // written by movilog_gen instead of downloaded
};

const Case kCases[] = {
    {"CE_P_half_hour", "CE", 'P', 1800},
    {"CE_at_half_hour", "CE", '@', 1800},
    {"LA_P_two_hours", "LA", 'P', 7200},
    {"LA_at_two_hours", "LA", '@', 7200},
    {"CF_L_half_hour", "CF", 'L', 1800},
    {"CF_L_two_hours", "CF", 'L', 7200},
    {"Aa_0_half_hour", "Aa", '0', 1800},
    {"Aa_2_two_hours", "Aa", '2', 7200},
    {"LA_P_rr_shorter", "LA", 'P', 3600, 2000},
    {"gen_CE_Q_three_hours", "CE", 'Q', 10800, -1, true},
};

std::string q(const fs::path& p) { return "'" + p.string() + "'"; }

std::int64_t hex(const std::string& s, std::size_t pos, std::size_t n) {
  return static_cast<std::int64_t>(std::stoull(s.substr(pos - 1, n), nullptr, 16));
}

// Samples a text file holds, counted here without the programs' readers: per-channel
// records of 50 (tilt 240 of one digit, heart rate 60), combined frames; a field of NUL bytes
// or blanks is padding.
std::int64_t text_samples(const std::string& bytes, char code, int combined_width, int combined_per) {
  const int width = combined_width > 0 ? combined_width : code == '4' ? 1 : 4;
  const int per = combined_width > 0 ? combined_per : code == '4' ? 240 : code == '5' ? 60 : 50;
  std::int64_t n = 0;
  for (std::size_t r = 256; r < bytes.size(); r += 256)
    for (int j = 0; j < per; ++j) {
      const std::string f = bytes.substr(r + 2 + static_cast<std::size_t>(j * width), static_cast<std::size_t>(width));
      if (f.find('\0') != std::string::npos || f.find_first_not_of(' ') == std::string::npos) return n;
      ++n;
    }
  return n;
}

// The RR words of an RR file (its header states how many) and when each beat begins, ms.
struct Beats {
  std::vector<std::uint16_t> words;
  std::vector<std::int64_t> starts;
  // Beats begun at or before `ms` (the first one, at 0, counted from the range's start 0).
  std::int64_t begun_by(std::int64_t ms) const {
    return std::upper_bound(starts.begin(), starts.end(), ms) - starts.begin();
  }
  // The beats of samples s .. s + n - 1 at 1 s a sample.
  std::int64_t of_range(std::int64_t s, std::int64_t n) const {
    return begun_by((s + n) * 1000) - (s == 0 ? 0 : begun_by(s * 1000));
  }
};

Beats beats_of(const fs::path& rr_file) {
  const std::string bytes = slurp(rr_file);
  Beats b;
  const std::int64_t n = hex(bytes, 55, 8);
  std::int64_t t = 0;
  for (std::int64_t i = 0; i < n; ++i) {
    const std::size_t at = 256 * static_cast<std::size_t>(1 + i / 120) + 2 * static_cast<std::size_t>(i % 120);
    const auto w = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8);
    b.words.push_back(w);
    b.starts.push_back(t);
    t += w == 0 ? 4096 : w;
  }
  return b;
}

// Values of a ".prn" file (after its header line).
std::int64_t prn_values(const fs::path& p) {
  const std::string text = slurp(p);
  std::int64_t n = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string::npos && at + 2 < text.size();) {
    const std::size_t end = text.find("\r\n", at + 2);
    const std::string line = text.substr(at + 2, end - at - 2);
    n += line.empty() ? 0 : static_cast<std::int64_t>(std::count(line.begin(), line.end(), ',')) + 1;
    at = end;
  }
  return n;
}

// The rightmost x of each band's trend colour (palette 5) in a 24-bit BMP of the trend.
std::vector<int> band_ends(const fs::path& bmp, int bands) {
  const std::string b = slurp(bmp);
  std::vector<int> ends(static_cast<std::size_t>(bands), -1);
  if (b.size() < 54) return ends;
  const auto u32 = [&b](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
  };
  const int w = static_cast<int>(u32(18)), h = static_cast<int>(u32(22));
  const std::size_t data = u32(10), stride = (static_cast<std::size_t>(w) * 3 + 3) & ~std::size_t{3};
  const int band_h = static_cast<int>(std::lround(static_cast<double>(h - 26) / bands - 16));
  for (int i = 0; i < bands; ++i) {
    const int y0 = (i + 1) * (band_h + 16);
    for (int y = y0 - band_h; y <= y0; ++y)
      for (int x = 0; x < w; ++x) {
        const std::size_t at = data + static_cast<std::size_t>(h - 1 - y) * stride + static_cast<std::size_t>(x) * 3;
        if (at + 2 < b.size() && b[at] == '\x80' && b[at + 1] == 0 && b[at + 2] == '\x80')
          ends[static_cast<std::size_t>(i)] = std::max(ends[static_cast<std::size_t>(i)], x);
      }
  }
  return ends;
}

class SeamsE2E : public e2e::SimFixture, public ::testing::WithParamInterface<Case> {
 protected:
  SeamsE2E() : SimFixture("seams_e2e") {}

  ProgramRun ambview(const std::string& args, const fs::path& in = {}) {
    return e2e::run_ambview((in.empty() ? fs::path(dir_) : in).string(), args);
  }

  // The set of the case in `folder`: downloaded over the pty, or written by movilog_gen.
  void make_set(const Case& c, const fs::path& folder) {
    fs::create_directories(folder);
    if (c.generated) {
      ambsim::RecordingOptions o;
      o.path = (folder / "S").string();
      o.signal.model = c.model;
      o.signal.mode = c.mode;
      o.signal.samples = c.samples;
      o.signal.interval_s = 1;
      o.start_time = "2612010930";
      ASSERT_EQ(ambsim::write_recording(o).error, "");
      return;
    }
    std::vector<std::string> options{"--model", c.model, "--mode", std::string(1, c.mode), "--samples",
                                     std::to_string(c.samples), "--pace", "1000"};
    if (c.rr >= 0) options.insert(options.end(), {"--rr", std::to_string(c.rr)});
    start_sim(options);
    const ProgramRun r = ambcomm({"--port", link_, "download", (folder / "S").string(), "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    stop_sim();
  }
};

TEST_P(SeamsE2E, TheAnalysisProgramReadsWhatTheLinkProgramWrote) {
  const Case& c = GetParam();
  const bool combined = std::string(c.model) == "Aa";
  const fs::path plain = fs::path(dir_) / "plain";
  ASSERT_NO_FATAL_FAILURE(make_set(c, plain));
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(plain)) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  const fs::path first = files.front();
  const std::string ext = combined ? first.extension().string() : "";
  const int frame_width = ext == ".ac0" || ext == ".ac4" ? 14 : ext == ".ac2" ? 8 : ext == ".ac1" ? 6 : 18;
  const int frames = ext == ".ac0" || ext == ".ac4" ? 8 : ext == ".ac2" ? 15 : ext == ".ac1" ? 20 : 6;
  const fs::path rr_file = plain / "S______6";
  const fs::path index_file = plain / "S______i";
  const bool rr = fs::exists(rr_file);
  const Beats beats = rr ? beats_of(rr_file) : Beats{};
  std::map<char, std::int64_t> held;  // samples each text channel holds

  for (const auto& f : files) {
    const char code = combined ? '0' : f.filename().string().back();
    if (code != '6' && code != 'i') held[code] = text_samples(slurp(f), code, combined ? frame_width : 0, frames);
  }
  // Text frames leave their check characters behind the last tilt digit: the tilt file holds
  // what the download asked for, the acceleration's amount (one fewer when it leaves 1 over 240).
  if (held.count('4') && held.count('0')) held['4'] = held['0'] - (held['0'] % 240 == 1 ? 1 : 0);
  // The recording's length: its acceleration's, or for the RR recorder the time its RR data
  // runs into, in whole samples.
  const std::int64_t samples =
      held.count('0') ? held['0'] : (beats.starts.back() + beats.words.back() + 999) / 1000;
  {
    SCOPED_TRACE("info on every file: each file's count is what it holds, the RR files the recording's");
    const std::int64_t recording = samples;
    for (const auto& f : files) {
      const char code = combined ? '0' : f.filename().string().back();
      const ProgramRun r = ambview("info " + q(f));
      ASSERT_EQ(r.status, 0) << f << r.err;
      const std::int64_t want = code == '6' || code == 'i' ? recording : held[code];
      EXPECT_NE(r.out.find("samples: " + std::to_string(want) + "\n"), std::string::npos) << f << "\n" << r.out;
    }
  }

  {
    SCOPED_TRACE("the trend of the whole recording: every band drawn to the end of its data");
    ASSERT_EQ(ambview("render " + q(first) + " --view trend --out " + q(fs::path(dir_) / "plain.bmp")).status, 0);
    std::vector<char> codes;
    if (combined) {
      const int n = ext == ".ac1" ? 3 : ext == ".ac2" ? 4 : 6;
      codes.assign(static_cast<std::size_t>(n), '0');
    } else {
      for (const auto& f : files)
        if (const char code = f.filename().string().back(); code != 'i') codes.push_back(code);
    }
    const std::vector<int> ends = band_ends(fs::path(dir_) / "plain.bmp", static_cast<int>(codes.size()));
    constexpr int kLeft = 34, kWidth = 1000 - 70;
    for (std::size_t i = 0; i < codes.size(); ++i) {
      double covered = 1.0;
      if (codes[i] == '6') {
        covered = std::min(1.0, static_cast<double>(beats.starts.back()) / (1000.0 * static_cast<double>(samples)));
      } else if (!combined) {
        covered = static_cast<double>(held[codes[i]]) / static_cast<double>(samples);
      }
      const int want = kLeft + static_cast<int>(std::lround(kWidth * covered));
      EXPECT_NEAR(ends[i], want, 3) << "band " << i << " (channel " << codes[i] << ")";
    }
  }

  // Ranges of the export and the re-save: the whole recording, and one from a third of it
  // for a third, its start off a whole minute (a re-save starts at that minute).
  const std::int64_t third = samples / 3;
  const std::int64_t mid_start = third / 60 * 60 + 30;
  const std::string middle = " --start " + std::to_string(mid_start) + " --span " + std::to_string(third);
  const std::int64_t minute_start = mid_start - 30;

  {
    SCOPED_TRACE("export of the whole range and of a middle one");
    const fs::path whole = fs::path(dir_) / "export_whole";
    const fs::path mid = fs::path(dir_) / "export_middle";
    fs::create_directories(whole);
    fs::create_directories(mid);
    const ProgramRun a = ambview("export " + q(first) + " --out " + q(whole));
    ASSERT_EQ(a.status, 0) << a.err;
    const ProgramRun b = ambview("export " + q(first) + middle + " --out " + q(mid));
    ASSERT_EQ(b.status, 0) << b.err;
    if (rr) {
      EXPECT_EQ(prn_values(whole / "S______6.prn"), static_cast<std::int64_t>(beats.words.size()));
      EXPECT_EQ(prn_values(mid / "S______6.prn"), beats.of_range(mid_start, third));
    }
    for (const auto& [code, n] : held) {
      if (combined) continue;
      EXPECT_EQ(prn_values(whole / (std::string("S______") + code + ".prn")), n) << code;
    }
  }

  {
    SCOPED_TRACE("re-save of the whole range and of a middle one");
    const ProgramRun a = ambview("resave " + q(first) + " --start 0 --span " + std::to_string(samples) + " --out " +
                                 q(fs::path(dir_) / "W"));
    ASSERT_EQ(a.status, 0) << a.err;
    const ProgramRun b = ambview("resave " + q(first) + middle + " --out " + q(fs::path(dir_) / "M"));
    ASSERT_EQ(b.status, 0) << b.err;
    const fs::path m0 = combined ? fs::path(dir_) / ("M_c" + ext)
                                 : fs::path(dir_) / ("M______" + std::string(1, first.filename().string().back()) + ".c");
    const std::string h = slurp(m0);
    // The new recording starts at the whole minute its header names.
    const std::int64_t minutes = 30 + minute_start / 60;
    const std::string hhmm = (minutes / 60 + 9 < 10 ? "0" : "") + std::to_string(9 + minutes / 60) +
                             (minutes % 60 < 10 ? "0" : "") + std::to_string(minutes % 60);
    EXPECT_EQ(h.substr(combined ? 8 : 6, 4), hhmm);
    if (rr) {
      const Beats w = beats_of(fs::path(dir_) / "W______6.c");
      EXPECT_EQ(w.words, beats.words);
      const Beats m = beats_of(fs::path(dir_) / "M______6.c");
      const std::int64_t first_beat = beats.begun_by(minute_start * 1000);
      ASSERT_EQ(static_cast<std::int64_t>(m.words.size()), beats.of_range(minute_start, mid_start + third - minute_start));
      EXPECT_TRUE(std::equal(m.words.begin(), m.words.end(), beats.words.begin() + first_beat));
      // The re-saved set reads again with every beat.
      const fs::path again = fs::path(dir_) / "again";
      fs::create_directories(again);
      ASSERT_EQ(ambview("export " + q(m0) + " --out " + q(again)).status, 0);
      EXPECT_EQ(prn_values(again / "M______6.prn"), static_cast<std::int64_t>(m.words.size()));
    }
  }

  if (!rr) return;
  const std::int64_t middle_beats = beats.of_range(mid_start, third);
  const std::string downloaded_index = slurp(index_file);

  {
    SCOPED_TRACE("EDF+ of the middle range: every beat of it at its time, to the ms");
    const fs::path edf = fs::path(dir_) / "middle.edf";
    const ProgramRun r = ambview("export " + q(first) + middle + " --format edf --out " + q(edf));
    ASSERT_EQ(r.status, 0) << r.err;
    const edf_test::ReadBack f(edf.string());
    ASSERT_TRUE(f.ok);
    std::vector<std::int64_t> got, want;
    for (const auto& [us, text] : f.annotations())
      if (text == "RR") got.push_back(us);
    // A channel file that ends before the range cuts the file there (and says so).
    const std::int64_t from = mid_start * 1000, to = from + f.hdr->file_duration / (EDFLIB_TIME_DIMENSION / 1000);
    for (const std::int64_t t : beats.starts)
      if (t > from && t <= to) want.push_back((t - from) * 1000);
    EXPECT_EQ(got, want);
    if (to == (mid_start + third) * 1000) {
      EXPECT_EQ(static_cast<std::int64_t>(got.size()), middle_beats);
    }
  }

  {
    SCOPED_TRACE("without the index file: built as the window builds it, the same as the link's");
    const fs::path copy = fs::path(dir_) / "noindex";
    fs::create_directories(copy);
    for (const auto& f : files)
      if (f != index_file) fs::copy_file(f, copy / f.filename());
    const fs::path out = fs::path(dir_) / "noindex_out";
    fs::create_directories(out);
    const ProgramRun r = ambview("export " + q(copy / first.filename()) + middle + " --out " + q(out));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(prn_values(out / "S______6.prn"), middle_beats);
    ASSERT_TRUE(fs::exists(copy / "S______i"));
    EXPECT_EQ(slurp(copy / "S______i"), downloaded_index);
  }

  {
    SCOPED_TRACE("in a read-only folder: the index kept in memory, said on stderr");
    const fs::path ro = fs::path(dir_) / "readonly";
    const fs::path out = fs::path(dir_) / "readonly_out";
    fs::create_directories(ro);
    fs::create_directories(out);
    for (const auto& f : files)
      if (f != index_file) fs::copy_file(f, ro / f.filename());
    fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(out, fs::perms::all);
    // Root writes into read-only folders: the command then runs as nobody.
    std::string as_user;
    if (::geteuid() == 0) {
      if (!fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "root without setpriv: no read-only folder to try";
      as_user = "/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups ";
    }
    const std::string cmd = "cd " + q(out) + " && env -u DISPLAY " + as_user + MOVILOG_BIN_DIR "/ambview export " +
                            q(ro / first.filename()) + middle + " --out " + q(out) + " >out.txt 2>err.txt </dev/null";
    const int raw = std::system(cmd.c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 0) << slurp(out / "err.txt");
    EXPECT_NE(slurp(out / "err.txt").find("kept in memory for this run"), std::string::npos) << slurp(out / "err.txt");
    EXPECT_EQ(prn_values(out / "S______6.prn"), middle_beats);
    EXPECT_FALSE(fs::exists(ro / "S______i"));
    fs::permissions(ro, fs::perms::owner_all);
  }
}

// `ambview hrv` on the set, from any of its files: one row per 300 s of the recording and the
// "all" row, whose beats and artefacts are every interval of the RR file (a run of zero words
// and the word after it one interval) that ends within the recording. A set without RR says so.
class SeamsHrvE2E : public SeamsE2E {};

TEST_P(SeamsHrvE2E, HrvSummaryOfTheSet) {
  const Case& c = GetParam();
  const fs::path plain = fs::path(dir_) / "plain";
  ASSERT_NO_FATAL_FAILURE(make_set(c, plain));
  const fs::path rr_file = plain / "S______6";
  // The RR index file is a file of the set too.
  const fs::path chosen = plain / (fs::exists(rr_file) ? "S______i" : "S______0");
  const ProgramRun info = ambview("info " + q(chosen), plain);
  const ProgramRun r = ambview("hrv " + q(chosen), plain);
  if (!fs::exists(rr_file)) {
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no RR channel"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    return;
  }
  ASSERT_EQ(r.status, 0) << r.err;
  const std::size_t at = info.out.find("duration: ");
  ASSERT_NE(at, std::string::npos) << info.out;
  const std::int64_t duration = std::stoll(info.out.substr(at + 10));
  std::int64_t intervals = 0, t = 0, zeros = 0;
  for (const std::uint16_t w : beats_of(rr_file).words) {
    if (w == 0) {
      ++zeros;
      continue;
    }
    t += 4096 * zeros + w;
    zeros = 0;
    if (t < duration * 1000) ++intervals;
  }
  const auto rows = std::count(r.out.begin(), r.out.end(), '\n');
  EXPECT_EQ(rows, 1 + (duration + 299) / 300 + 1);
  const std::size_t all = r.out.rfind("\nall,");
  ASSERT_NE(all, std::string::npos) << r.out;
  const std::string all_row = r.out.substr(all + 5);
  const std::int64_t beats = std::stoll(all_row);
  const std::int64_t excluded = std::stoll(all_row.substr(all_row.find(',') + 1));
  EXPECT_EQ(beats + excluded, intervals);
  EXPECT_GT(beats, duration / 2);  // a heart at 30 bpm or more
}

INSTANTIATE_TEST_SUITE_P(Sets, SeamsE2E, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });
// One set of each kind: downloaded with RR (per-channel and the RR recorder), without RR, generated.
INSTANTIATE_TEST_SUITE_P(Sets, SeamsHrvE2E, ::testing::Values(kCases[0], kCases[1], kCases[4], kCases[9]),
                         [](const ::testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

// Folders and recording names outside CP932 read as a plain folder does; two recordings whose
// names differ only outside CP932 keep their own output names.
TEST(SeamsNames, FoldersAndNamesOutsideCp932) {
  std::string tmpl = (fs::temp_directory_path() / "seams_names_XXXXXX").string();
  ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
  const fs::path dir = tmpl;
  ambsim::RecordingOptions o;
  o.path = (dir / "plain" / "S").string();
  o.signal.mode = 'P';
  o.signal.samples = 1800;
  o.signal.interval_s = 1;
  fs::create_directories(dir / "plain");
  ASSERT_EQ(ambsim::write_recording(o).error, "");
  fs::remove(dir / "plain" / "S______i");  // each folder builds its own index
  for (const char* folder : {"Müller café", "測定データ"}) fs::copy(dir / "plain", dir / folder);
  const auto render = [&dir](const fs::path& folder) {
    const ProgramRun r = e2e::run_ambview(dir.string(), "render " + q(folder / "S______0") + " --view trend --out " +
                                                           q(folder.string() + ".bmp"));
    EXPECT_EQ(r.status, 0) << r.err;
    return slurp(folder.string() + ".bmp");
  };
  const std::string plain = render(dir / "plain");
  ASSERT_FALSE(plain.empty());
  EXPECT_EQ(render(dir / "Müller café"), plain);
  EXPECT_EQ(render(dir / "測定データ"), plain);

  // "é1" and "ñ1" are both "?1" in CP932: their exports and calorie files keep their names.
  const fs::path names = dir / "names";
  fs::create_directories(names);
  for (const std::string base : {"é1_____", "ñ1_____"})
    for (const auto& e : fs::directory_iterator(dir / "plain"))
      fs::copy_file(e.path(), names / (base + e.path().filename().string().back()));
  for (const std::string base : {"é1_____", "ñ1_____"}) {
    const fs::path out = names / ("out_" + base);
    fs::create_directories(out);
    const ProgramRun r = e2e::run_ambview(dir.string(), "export " + q(names / (base + "0")) + " --out " + q(out));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(out / (base + "6.prn"))) << r.out;
    const ProgramRun c = e2e::run_ambview(dir.string(), "calorie " + q(names / (base + "0")) + " --out " + q(out));
    EXPECT_EQ(c.status, 0) << c.err;
    EXPECT_NE(c.out.find(base + "5 5 "), std::string::npos) << c.out;
  }
  fs::remove_all(dir);
}

}  // namespace
