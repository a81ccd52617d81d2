// Simulated recordings on disk: the channel plan of a download, each file's header as the
// link program writes it, and data records built by the shared recording writer.
#include "sim/recording_generator.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <span>

#include "common/numbers.h"
#include "common/record_file.h"
#include "common/recording_format.h"
#include "common/recording_writer.h"
#include "common/rr_index_format.h"
#include "common/text.h"

namespace ambsim {

namespace {

using common::RecordFile;

// Positions of the conditions line the link program changes in headers (current layout).
constexpr int kPosCount = 11;        // 4 hex, "FFFF" sends readers to kPosCountLong
constexpr int kPosInterval = 15;     // code + 3 hex
constexpr int kPosRRCount = 55;      // 8 hex
constexpr int kPosEcgBlocks = 63;    // 1 digit
constexpr int kPosCountLong = 113;   // 8 hex
// Old layout, calorie mode: coefficients and weight in place of the thresholds.
constexpr int kPosOldCoefficientA = 43;
constexpr int kPosOldCoefficientB = 47;
constexpr int kPosOldEnergyFactor = 51;
constexpr int kPosOldWeight = 55;

bool uses_lower_kind(const std::string& model) { return model == "ce" || model == "La" || model == "LA"; }

// One output file written record by record: a placeholder header first, data records from
// record 2, the real header last (counts known only at the end).
class RecordSink {
 public:
  enum class Kind { Text, Words, Index };

  RecordSink(Kind kind, int per_record, std::string prefix, int digits)
      : kind_(kind), per_(per_record), prefix_(std::move(prefix)), digits_(digits) {}

  std::string open(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return path + ": is a directory";
    std::filesystem::remove(path, ec);
    if (!file_.open(path, RecordFile::Mode::ReadWriteCreate)) return path + ": cannot be opened for writing";
    path_ = path;
    if (!file_.write(1, std::string(RecordFile::kFieldSize, ' '))) return path + ": write failed";
    return {};
  }

  void limit(std::int64_t n) { limit_ = n; }
  void add(std::uint32_t v) {
    if (limit_ >= 0 && added_ >= limit_) return;
    ++added_;
    buf_.push_back(v);
    if (static_cast<int>(buf_.size()) == per_) flush();
  }
  void flush() {
    if (buf_.empty()) return;
    std::string rec;
    switch (kind_) {
      case Kind::Text:
        rec = common::make_text_record(prefix_, buf_, digits_);
        break;
      case Kind::Words: {
        std::vector<std::uint16_t> w(buf_.begin(), buf_.end());
        rec = common::make_word_record(w);
        break;
      }
      case Kind::Index:
        rec = common::make_rr_index_record(buf_);
        break;
    }
    if (!file_.write(next_++, rec)) failed_ = true;
    buf_.clear();
  }
  std::string finish(const std::string& header) {
    flush();
    if (!file_.write(1, common::pad_right(header, RecordFile::kFieldSize)) || !file_.flush()) failed_ = true;
    file_.close();
    return failed_ ? path_ + ": write failed" : std::string();
  }
  std::int64_t added() const { return added_; }

 private:
  Kind kind_;
  int per_;
  std::string prefix_;
  int digits_;
  RecordFile file_;
  std::string path_;
  std::vector<std::uint32_t> buf_;
  std::int64_t next_ = 2;
  std::int64_t limit_ = -1;
  std::int64_t added_ = 0;
  bool failed_ = false;
};

// The link program's heart-rate derivation from RR words (one value per measuring interval),
// on the beat walk the RR index shares with the analysis program.
class RrDeriver {
 public:
  explicit RrDeriver(double interval_s)
      : walk_(interval_s > 0 ? common::interval_ms(interval_s) : 1000) {}  // a zero interval would never close
  template <class Emit>
  void feed(std::uint16_t word, Emit emit) {
    const bool lost = word == 0;
    if (!lost) ++valid_;
    sum_ += lost ? common::kZeroRrMs : word;
    walk_.beat(word, [&](std::int64_t beats) {
      double hr = valid_ > 0 ? 60000.0 * valid_ / static_cast<double>(sum_) : 60000.0 / static_cast<double>(sum_);
      emit(static_cast<std::uint16_t>(common::round_half_even(hr) & 0xFFFF), static_cast<std::uint32_t>(beats));
    });
    if (!lost) sum_ = 0;
    valid_ = 0;
  }

 private:
  common::RrBoundaryWalk walk_;
  std::int64_t valid_ = 0;
  std::int64_t sum_ = 0;
};

struct PathParts {
  std::string directory;  // with its trailing "/" or empty
  std::string name;       // name part cut at its first "."
};

PathParts split_path(const std::string& path) {
  PathParts p;
  auto slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  p.directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  auto dot = name.find('.');
  p.name = dot == std::string::npos ? name : name.substr(0, dot);
  return p;
}

std::string with_kind(std::string line, const std::string& kind) {
  common::set_mid(line, 1, kind);
  return line;
}

// The headers the link program finishes after an RR download (see END_RR_REQ): each says what
// its file holds.
void finish_rr_headers(std::string& header, char code, bool rr_recorder, std::int64_t hr_values,
                       std::int64_t rr_words) {
  const auto u = [](std::int64_t v) { return static_cast<std::uint64_t>(std::max<std::int64_t>(v, 0)); };
  // The recording's count: the line's, or for the RR recorder the intervals at 113-120.
  std::int64_t recording = common::read_header(header).count;
  if (rr_recorder) {
    recording = static_cast<std::int64_t>(common::hex_value(common::mid(header, kPosCountLong, 8)));
    if (recording <= 0) recording = rr_words > 0 ? hr_values + 1 : 0;
  }
  if (code == common::kRRIndexCode) {
    common::mark_rr_index_header(header, hr_values, recording);
  } else if (code == '5') {
    if (rr_recorder) {
      common::set_mid(header, kPosCount, "FFFF");
      common::set_mid(header, kPosCountLong, common::hex_field(u(hr_values), 8));
      common::set_mid(header, kPosRRCount, common::hex_field(u(hr_values - 1), 8));
    } else {
      common::set_current_count(header, u(hr_values));
    }
  } else if (code == '6') {
    common::set_mid(header, kPosRRCount, common::hex_field(u(rr_words), 8));
    if (rr_recorder) {
      common::set_mid(header, kPosCount, "FFFF");
      common::set_mid(header, kPosCountLong, common::hex_field(u(recording), 8));
    }
  }
  if (rr_recorder) common::set_mid(header, kPosEcgBlocks, "0");
}

bool check_options(const RecordingOptions& o, std::string& error) {
  const SignalOptions& s = o.signal;
  if (split_path(o.path).name.empty()) {
    error = "no file name in the output path \"" + o.path + "\"";
    return false;
  }
  if (s.samples < 0) {
    error = "the sample count must not be negative";
    return false;
  }
  if (o.start_time.size() != 10 ||
      !std::all_of(o.start_time.begin(), o.start_time.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    error = "start time must be 10 digits YYMMDDhhmm";
    return false;
  }
  if (s.ecg_blocks < 0 || s.ecg_blocks > 4) {
    error = "ECG blocks must be 0-4";
    return false;
  }
  if (o.family == Family::Combined) {
    if (combined_extension(s.mode).empty()) {
      error = std::string("mode ") + s.mode + " has no combined file (modes 0, 1, 2, 4, 5)";
      return false;
    }
    if (!o.extension.empty() && o.extension != combined_extension(s.mode)) {
      error = o.extension + ": mode " + s.mode + " writes " + combined_extension(s.mode) + " files";
      return false;
    }
    if (s.interval_s < 1 || s.interval_s != std::floor(s.interval_s) || s.interval_s > 0xFFFF) {
      error = "the combined family records whole seconds (1-65535)";
      return false;
    }
    std::int64_t frames = s.samples + (o.start_offset_min > 0 ? 1 : 0) + std::max(o.event_markers, 0);
    if (frames > 0xFFFF) {
      error = "a combined file holds at most 65535 frames (its count field has 4 hex digits); use a longer interval";
      return false;
    }
    return true;
  }
  if (s.model == "Aa") {
    error = "model Aa writes combined files only";
    return false;
  }
  if (s.model == "CD") {
    error = "model CD reports no measurement mode: a download fetches nothing from it";
    return false;
  }
  static constexpr std::string_view kPerChannelModes = "0124789@ABDPQRTL";
  if (kPerChannelModes.find(s.mode) == std::string_view::npos) {
    error = std::string("mode ") + s.mode + " is not a per-channel measurement mode";
    return false;
  }
  char code;
  std::uint32_t secs;
  if (!is_wave_mode(s.mode) && !interval_code_of(s.interval_s, code, secs)) {
    error = "interval must be 0.2, 0.02, 0.004, 0.04, 0.5 or whole seconds 1-300";
    return false;
  }
  return true;
}

RecordingResult write_per_channel(const RecordingOptions& o) {
  RecordingResult r;
  SignalOptions sig = o.signal;
  if (sig.mode == 'L') sig.ecg_blocks = 0;
  if (is_wave_mode(sig.mode)) {
    sig.interval_s = kWaveSampleSeconds;
    sig.ecg_blocks = 0;
  }
  const ChannelSet ch = channels_of(sig.mode, sig.model);
  const PathParts parts = split_path(o.path);
  auto file_of = [&](char code) { return common::channel_file_name(parts.directory, parts.name, code); };
  const std::string hk = uses_lower_kind(sig.model) ? "ce" : "CE";
  const std::int64_t n = sig.samples;

  struct Entry {
    char code;
    std::string kind;
    std::unique_ptr<RecordSink> sink;
  };
  std::vector<Entry> files;
  using K = RecordSink::Kind;
  auto add = [&](char code, std::string kind, K sk, int per, std::string prefix, int digits) -> RecordSink* {
    files.push_back({code, std::move(kind), std::make_unique<RecordSink>(sk, per, std::move(prefix), digits)});
    return files.back().sink.get();
  };
  // Text channels by their channel kind; binary words two blocks a record; the RR index.
  auto add_text = [&](char code, const std::string& kind, char channel_kind, const char* prefix) {
    return add(code, kind, K::Text, common::samples_per_record(channel_kind), prefix,
               channel_kind == common::kKindTilt ? 1 : 4);
  };
  auto add_words = [&](char code, const std::string& kind) {
    return add(code, kind, K::Words, common::kWordsPerRecord, "", 0);
  };
  RecordSink* wave[3] = {nullptr, nullptr, nullptr};
  RecordSink* ecg_wave = nullptr;
  RecordSink* acc = nullptr;
  RecordSink* ch123[3] = {nullptr, nullptr, nullptr};
  RecordSink* tilt = nullptr;
  RecordSink* hr = nullptr;
  RecordSink* rr = nullptr;
  RecordSink* rr_hr = nullptr;
  RecordSink* rr_index = nullptr;
  static const char* kWaveKinds[3] = {"wA", "wB", "wC"};
  static const char* kAxisPrefix[3] = {"X0", "Y0", "Z0"};
  static const char* kLevelPrefix[3] = {"#1", "#2", "#3"};
  // In the order of the download's channel plan.
  for (int k = 0; k < 3; ++k)
    if (ch.wave[k]) wave[k] = add_words(static_cast<char>('a' + k), kWaveKinds[k]);
  if (ch.ecg_wave) ecg_wave = add_words('d', "wD");
  if (ch.acc) acc = add_text('0', hk, common::kKindAcceleration, sig.model == "La" || sig.model == "LA" ? "A0" : "#0");
  for (int k = 0; k < 3; ++k) {
    char code = static_cast<char>('1' + k);
    if (ch.axes) ch123[k] = add_text(code, hk, common::kKindAcceleration, kAxisPrefix[k]);
    else if (k < ch.levels) ch123[k] = add_text(code, hk, common::kKindLevel, kLevelPrefix[k]);
  }
  if (ch.tilt) {
    tilt = add_text('4', hk, common::kKindTilt, "#4");
    const int per = common::samples_per_record(common::kKindTilt);
    tilt->limit(n % per == 1 ? n - 1 : n);  // the download asks one sample fewer in this case
  }
  if (ch.hr) hr = add_text('5', hk, common::kKindHeartRate, "#5");
  if (ch.rr) {
    rr = add_words('6', "RR");
    rr_hr = add_text('5', "CE", common::kKindHeartRate, "#5");
    rr_index = add(common::kRRIndexCode, "IX", K::Index, common::kRRIndexEntriesPerRecord, "", 0);
  }

  for (std::size_t i = 0; i < files.size(); ++i) {
    std::string err = files[i].sink->open(file_of(files[i].code));
    if (!err.empty()) {
      // Leave nothing half-made behind: the files opened so far go again.
      for (std::size_t j = 0; j < i; ++j) {
        files[j].sink->finish(std::string());
        std::error_code ec;
        std::filesystem::remove(file_of(files[j].code), ec);
      }
      r.error = err;
      return r;
    }
  }

  RrDeriver deriver(sig.interval_s);
  auto emit = [&](std::uint16_t v, std::uint32_t beat) {
    rr_hr->add(v);
    rr_index->add(beat);
    ++r.hr_values;
  };
  SignalStream stream(sig);
  const std::int64_t chunk = std::max<std::int64_t>(o.chunk, 1);
  for (std::int64_t pos = 0; pos < n; pos += chunk) {
    RecorderMemory m = stream.next(std::min(chunk, n - pos));
    for (int k = 0; k < 3; ++k)
      if (wave[k]) for (auto v : m.wave[k]) wave[k]->add(v);
    if (ecg_wave) for (auto v : m.ecg_wave) ecg_wave->add(v);
    if (acc) for (auto v : m.acc) acc->add(v);
    for (int k = 0; k < 3; ++k) {
      if (!ch123[k]) continue;
      const auto& src = ch.axes ? m.axis[k] : m.level[k];
      for (auto v : src) ch123[k]->add(v);
    }
    if (tilt) for (auto v : m.tilt) tilt->add(v);
    if (hr) for (auto v : m.hr) hr->add(v);
    if (rr) {
      for (auto v : m.rr) {
        rr->add(v);
        deriver.feed(v, emit);
      }
    }
  }
  r.rr_count = rr ? rr->added() : 0;

  // ECG blocks are fetched after the channels, as the download does.
  const bool ecg = sig.mode >= '@' && !is_wave_mode(sig.mode) && sig.mode != 'L';
  const int blocks = ecg ? sig.ecg_blocks : 0;
  std::int64_t line_rr = rr ? r.rr_count : (ch.ecg_wave ? n * kEcgPerWave : 0);
  SignalOptions line_sig = sig;
  line_sig.ecg_blocks = blocks;
  const std::string line = recorder_conditions_line(line_sig, o.start_time, o.comment, line_rr);

  for (auto& e : files) {
    std::string h = with_kind(line, e.kind);
    if (e.kind[0] == 'w') {
      common::set_mid(h, kPosInterval, "b001");
      if (e.kind == "wD") {
        std::int64_t c = n * kEcgPerWave;
        common::set_mid(h, kPosCount, c > 0xFFFF ? std::string("FFFF") : common::hex_field(static_cast<std::uint64_t>(c), 4));
        common::set_mid(h, kPosCountLong, common::hex_field(static_cast<std::uint64_t>(c), 8));
      }
    }
    if (rr && (e.code == common::kRRIndexCode || e.code == '6' || (e.code == '5' && e.sink.get() == rr_hr)))
      finish_rr_headers(h, e.code, sig.mode == 'L', r.hr_values, r.rr_count);
    std::string err = e.sink->finish(h);
    if (!err.empty() && r.error.empty()) r.error = err;
    r.files.push_back(file_of(e.code));
  }

  for (int k = 0; k < blocks; ++k) {
    std::string path = file_of(static_cast<char>('E' + k));
    RecordSink sink(K::Words, common::kWordsPerRecord, "", 0);
    std::string err = sink.open(path);
    if (err.empty()) {
      for (auto v : ecg_block(sig, k)) sink.add(v);
      err = sink.finish(with_kind(line, std::string("E") + static_cast<char>('1' + k)));
    }
    if (!err.empty() && r.error.empty()) r.error = err;
    r.files.push_back(path);
  }
  return r;
}

RecordingResult write_combined(const RecordingOptions& o) {
  RecordingResult r;
  SignalOptions sig = o.signal;
  sig.model = "Aa";
  sig.ecg_blocks = 0;
  const std::string ext = o.extension.empty() ? combined_extension(sig.mode) : o.extension;
  const common::CombinedLayout* layout = common::combined_layout(ext);
  if (layout == nullptr) {
    r.error = ext + ": not a combined-file extension";
    return r;
  }
  const ChannelSet ch = channels_of(sig.mode, sig.model);
  const PathParts parts = split_path(o.path);
  const std::string path = parts.directory + parts.name + ext;
  const std::string kind = "*" + ext.substr(3, 1);

  RecordFile file;
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    r.error = path + ": is a directory";
    return r;
  }
  std::filesystem::remove(path, ec);
  if (!file.open(path, RecordFile::Mode::ReadWriteCreate)) {
    r.error = path + ": cannot be opened for writing";
    return r;
  }
  bool ok = file.write(1, std::string(RecordFile::kFieldSize, ' '));
  std::vector<std::string> frames;
  std::int64_t next_record = 2;
  auto push = [&](std::string f) {
    frames.push_back(std::move(f));
    ++r.frames;
    if (static_cast<int>(frames.size()) == layout->frames_per_record) {
      ok = file.write(next_record++, common::make_combined_record(kind, frames)) && ok;
      frames.clear();
    }
  };

  const std::int64_t n = sig.samples;
  const int markers = std::max(o.event_markers, 0);
  int next_marker = 0;
  auto marker_at = [&](int k) { return n * (k + 1) / (markers + 1); };
  if (o.start_offset_min > 0)
    push(common::make_marker_frame(*layout, static_cast<std::uint16_t>(std::min(o.start_offset_min, 0xFFFF))));

  SignalStream stream(sig);
  const std::int64_t chunk = std::max<std::int64_t>(o.chunk, 1);
  for (std::int64_t pos = 0; pos < n; pos += chunk) {
    RecorderMemory m = stream.next(std::min(chunk, n - pos));
    for (std::size_t i = 0; i < m.acc.size(); ++i) {
      std::int64_t idx = pos + static_cast<std::int64_t>(i);
      while (next_marker < markers && marker_at(next_marker) <= idx) {
        push(common::make_marker_frame(*layout, static_cast<std::uint16_t>(next_marker + 1)));
        ++next_marker;
      }
      common::CombinedValues v;
      v.tilt_t = m.angle_t[i];
      v.tilt_u = m.angle_u[i];
      v.acc[0] = m.acc[i] * 2;
      for (int k = 0; k < 3; ++k) {
        if (ch.axes) v.acc[static_cast<std::size_t>(k + 1)] = m.axis[k][i] * 2;
        else if (k < ch.levels) v.acc[static_cast<std::size_t>(k + 1)] = m.level[k][i] * 2;
      }
      if (ch.steps) v.steps = m.steps[i];
      push(common::make_combined_frame(*layout, v));
    }
  }
  while (next_marker < markers) {
    push(common::make_marker_frame(*layout, static_cast<std::uint16_t>(next_marker + 1)));
    ++next_marker;
  }
  if (!frames.empty()) ok = file.write(next_record++, common::make_combined_record(kind, frames)) && ok;

  SignalOptions line_sig = sig;
  line_sig.samples = r.frames;
  std::string header = with_kind(recorder_conditions_line(line_sig, o.start_time, o.comment, 0), kind);
  ok = file.write(1, common::pad_right(header, RecordFile::kFieldSize)) && ok;
  ok = file.flush() && ok;
  file.close();
  if (!ok) r.error = path + ": write failed";
  r.files.push_back(path);
  return r;
}

}  // namespace

bool interval_code_of(double interval_s, char& code, std::uint32_t& seconds) {
  struct Fixed {
    double value;
    char code;
  };
  static constexpr Fixed kFixed[] = {{0.2, 'a'}, {0.02, 'b'}, {0.004, 'c'}, {0.04, 'F'}, {0.5, 'f'}};
  for (const auto& f : kFixed) {
    if (std::abs(interval_s - f.value) < 1e-9) {
      code = f.code;
      seconds = 0;
      return true;
    }
  }
  if (interval_s >= 1 && interval_s <= 300 && interval_s == std::floor(interval_s)) {
    code = '0';
    seconds = static_cast<std::uint32_t>(interval_s);
    return true;
  }
  return false;
}

std::string combined_extension(char mode) {
  switch (mode) {
    case '0': case '1': case '2': case '4': case '5':
      return std::string(".ac") + mode;
    default:
      return {};
  }
}

std::string recorder_conditions_line(const SignalOptions& s, const std::string& start_time,
                                     const std::string& comment, std::int64_t rr_count) {
  common::RecordingHeader h;
  const bool old = s.model == "Aa";
  h.old_layout = old;
  h.kind = old ? "*a" : s.model;  // the writer insists on "*" for the old layout; "Aa" set below
  h.start_time = start_time;
  const bool rr_recorder = s.mode == 'L';
  h.count = static_cast<std::uint32_t>(rr_recorder ? 0 : std::clamp<std::int64_t>(s.samples, 0, 0xFFFFFFFF));
  if (old) {
    h.interval_seconds = static_cast<std::uint32_t>(std::max(1.0, s.interval_s));
  } else if (is_wave_mode(s.mode)) {
    h.interval_code = 'b';
  } else if (!interval_code_of(s.interval_s, h.interval_code, h.interval_seconds)) {
    h.interval_code = '0';
    h.interval_seconds = 1;
  }
  h.comment = common::pad_right(comment, 20);
  for (std::size_t k = 0; k < 3; ++k)
    h.thresholds[k] = static_cast<std::uint32_t>(common::round_half_even(std::clamp(s.level_threshold_g[k], 0.0, 4.0) * 500.0));
  h.display = channels_of(s.mode, s.model).hr ? '7' : '1';
  h.mode = s.mode;
  h.rr_count = static_cast<std::uint32_t>(std::clamp<std::int64_t>(rr_count, 0, 0xFFFFFFFF));
  const bool ecg = !old && s.mode >= '@' && !is_wave_mode(s.mode) && !rr_recorder;
  h.ecg_blocks = ecg ? std::clamp(s.ecg_blocks, 0, 4) : 0;
  for (int k = 0; k < h.ecg_blocks; ++k)
    h.ecg_positions[static_cast<std::size_t>(k)] = static_cast<std::uint32_t>(ecg_block_position(s, k));
  h.speed = 'A';
  std::string line = common::make_header_record(h);
  common::set_mid(line, 1, old ? "Aa" : s.model);
  if (rr_recorder) {
    // The RR recorder's acceleration amount is 0; its long count field holds the intervals
    // recorded, which the link's header changes send readers to.
    common::set_mid(line, kPosCountLong, common::hex_field(static_cast<std::uint64_t>(std::max<std::int64_t>(s.samples, 0)), 8));
  }
  if (old && s.mode == '5') {
    // Calorie mode: a = 0.021, b = 0.078, energy factor of row 2, weight 60 kg.
    common::set_mid(line, kPosOldCoefficientA, "0021");
    common::set_mid(line, kPosOldCoefficientB, "0078");
    common::set_mid(line, kPosOldEnergyFactor, "4825");
    common::set_mid(line, kPosOldWeight, "0060");
  }
  return common::mid(line, 1, 120);
}

RecordingResult write_recording(const RecordingOptions& options) {
  RecordingResult r;
  RecordingOptions o = options;
  // The RR recorder always reports mode "L", and only it records that mode.
  if (o.signal.model == "CF" || o.signal.mode == 'L') {
    o.signal.model = "CF";
    o.signal.mode = 'L';
  }
  if (!check_options(o, r.error)) return r;
  // The day plan starts at the recording's time of day.
  int hh = (o.start_time[6] - '0') * 10 + (o.start_time[7] - '0');
  int mm = (o.start_time[8] - '0') * 10 + (o.start_time[9] - '0');
  o.signal.start_hour = std::fmod(hh + mm / 60.0, 24.0);
  if (o.family == Family::Combined) return write_combined(o);
  return write_per_channel(o);
}

RrDerived derive_heart_rate(const std::vector<std::uint16_t>& rr, double interval_s) {
  RrDerived d;
  RrDeriver deriver(interval_s);
  for (auto w : rr)
    deriver.feed(w, [&](std::uint16_t hr, std::uint32_t beat) {
      d.hr.push_back(hr);
      d.beat_index.push_back(beat);
    });
  return d;
}

}  // namespace ambsim
