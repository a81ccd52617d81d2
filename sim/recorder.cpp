// The simulated recorder's side of the exchanges: the conditions line, setting lines,
// switch-start, memory clear, speed changes and the data blocks in byte or text frames.
#include "sim/recorder.h"

#include <algorithm>
#include <cmath>

#include "common/numbers.h"
#include "common/recording_format.h"
#include "common/recording_writer.h"
#include "common/text.h"

namespace ambsim {

namespace {

constexpr char kSoh = '\x01';
constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr int kCurrentLength = 120;
constexpr int kOldLength = 58;
constexpr int kLineMode = 52;    // mode position, current layout
constexpr int kOldLineMode = 42; // mode position, old layout
// Longer than the link program waits for a block (three clock seconds at most).
constexpr double kStallSeconds = 3.5;

bool accepted_model(std::string_view m) {
  return m == "CD" || m == "CE" || m == "ce" || m == "CF" || m == "La" || m == "LA" || m == "Aa";
}

// How the values of a block travel.
enum class Encoding {
  Hex4,      // four hex digits a value (acceleration, level)
  Hex1,      // one hex digit a value (tilt)
  Packed,    // two 12-bit values in three bytes (waveforms, RR, ECG, heart rate, "A" headings)
  Combined,  // old-layout frames
};

std::string hex_text_of(std::string_view bytes) {
  std::string out;
  for (unsigned char b : bytes) out += common::hex_field(b, 2);
  return out;
}

std::string bytes_of_hex(std::string hex) {
  if (hex.size() % 2) hex += '0';
  std::string out;
  for (std::size_t i = 0; i < hex.size(); i += 2) out += static_cast<char>(common::hex_value(hex.substr(i, 2)));
  return out;
}

std::string packed(const std::vector<std::uint16_t>& values) {
  std::string out;
  for (std::size_t i = 0; i < values.size(); i += 2) {
    unsigned v1 = values[i] & 0xFFFu;
    unsigned v2 = i + 1 < values.size() ? values[i + 1] & 0xFFFu : 0u;
    out += static_cast<char>(v1 & 255u);
    out += static_cast<char>((v1 >> 8) | ((v2 >> 8) << 4));
    out += static_cast<char>(v2 & 255u);
  }
  return out;
}

bool in_modes(char m, std::string_view modes) { return modes.find(m) != std::string_view::npos; }

// The generator's options for what this recorder holds.
SignalOptions signal_options(const RecorderConfig& config, const std::string& model) {
  SignalOptions o;
  o.seed = config.seed;
  o.interval_s = std::max(0.004, common::val(config.interval));
  o.samples = std::max<std::int64_t>(1, config.samples);
  o.ecg_blocks = std::clamp(config.ecg, 0, 4);
  o.mode = model == "CF" ? 'P' : config.mode;
  o.model = model == "Aa" ? "Aa" : "CE";
  return o;
}

}  // namespace

// What one request code serves for this recorder.
struct Recorder::BlockKind {
  std::string heading;
  int items = 0;
  Encoding encoding = Encoding::Hex4;
  std::int64_t default_count = 0;
  const std::vector<std::uint16_t>* values16 = nullptr;
  const std::vector<std::uint8_t>* values8 = nullptr;
};

Recorder::Recorder(const RecorderConfig& config, FaultInjector faults)
    : config_(config), faults_(std::move(faults)), baud_(config.line_baud) {
  model_ = config_.model == "lA" ? "LA" : config_.model;
  streaming_ = !accepted_model(model_);

  common::ConditionsRecord rec;
  rec.start_year = "26";
  rec.start_month = "12";
  rec.start_day = "01";
  rec.start_hour = "09";
  rec.start_minute = "30";
  rec.comment = config_.comment;
  rec.acc_count = std::to_string(model_ == "CF" ? 0 : config_.samples);
  rec.interval = config_.interval;
  rec.level_threshold_1 = "0.05";
  rec.level_threshold_2 = "0.2";
  rec.level_threshold_3 = "0.5";
  rec.mode = std::string(1, model_ == "CF" ? 'P' : config_.mode);
  rec.display = "0";
  rec.ecg_blocks = std::to_string(std::clamp(config_.ecg, 0, 4));
  rec.model_code = model_;
  rec.reserved_block = std::string(48, '0');
  // ECG group k: eight characters, then the sample index at which block k starts.
  for (int k = 0; k < std::clamp(config_.ecg, 0, 4); ++k)
    common::set_mid(rec.reserved_block, 12 * k + 9,
                    common::hex_field(static_cast<std::uint64_t>(ecg_block_position(signal_options(config_, model_), k)), 4));
  rec.speed = std::string(1, config_.speed);
  std::int64_t rr = config_.rr;
  if (rr < 0) rr = in_modes(mode(), "PQRTL") || model_ == "CF" ? static_cast<std::int64_t>(memory().rr.size()) : 0;
  // Mode 9 counts its ECG waveform (five values per acceleration value) in the RR amount.
  if (config_.rr < 0 && model_ != "Aa" && mode() == '9') rr = static_cast<std::int64_t>(memory().ecg_wave.size());
  rec.rr_count = std::to_string(rr);
  line_ = encode_setting_line(rec, model_ == "Aa" ? "Aa" : "", common::CalorieSetting{0.021, 0.078, "60", 2});
  line_.pop_back();  // CR
  common::set_mid(line_, 1, config_.model.substr(0, 2));
  // The recorder's interval for the old layout and calorie mode goes in as configured.
  if (streaming_) stream_source_ = ecg_block(SignalOptions{config_.seed, 1.0, 600, 1, 'P', "CE", 9.0, {}}, 0);
}

char Recorder::mode() const {
  if (model_ == "CF") return 'L';
  if (line_.empty()) return config_.mode;
  std::string m = common::mid(line_, model_ == "Aa" ? kOldLineMode : kLineMode, 1);
  return m.empty() ? ' ' : m[0];
}

bool Recorder::byte_frame() const {
  return model_ == "ce" || model_ == "CF" || model_ == "La" || model_ == "LA" || model_ == "Aa";
}

const RecorderMemory& Recorder::memory() {
  if (!memory_) {
    memory_ = std::make_unique<RecorderMemory>(generate_memory(signal_options(config_, model_)));
  }
  return *memory_;
}

void Recorder::receive(std::string_view bytes, int line_baud) {
  if (vanished_) return;
  if (line_baud != baud_) {
    pending_.clear();  // framing errors: nothing of it makes a command
    return;
  }
  for (char c : bytes) {
    if (c == kCr) {
      std::string command = pending_;
      pending_.clear();
      if (!command.empty() && command[0] == kSoh) command.erase(0, 1);
      if (!command.empty()) dispatch(command);
    } else if (c == kLf && pending_.empty()) {
      // the line end after CR
    } else if (pending_.size() < 512) {
      pending_ += c;
    }
  }
}

std::vector<Chunk> Recorder::take_output() {
  std::vector<Chunk> out;
  out.swap(out_);
  return out;
}

void Recorder::dispatch(const std::string& command) {
  commands_.push_back(command);
  if (faults_.rates().silent || streaming_) return;
  if (command == "B2") {
    baud_ = 9600;
  } else if (command == "B3") {
    baud_ = 19200;
  } else if (command == "CRa") {
    std::string line = line_;
    if (faults_.rates().short_answer) line = line.substr(0, 10);
    answer(line + kCr, false, false, 0);
  } else if (command == "SM1" || command == "SM0") {
    switch_start_ = command == "SM1";
  } else if (command == std::string("MC\0", 3) || command == "fill0000") {
    clear_memory();
  } else if (take_setting(command)) {
    // taken
  } else if (command.size() >= 2 && (command[0] == 'r' || command[0] == 'q' || command[0] == 'R')) {
    serve_block(command);
  }
}

bool Recorder::take_setting(const std::string& command) {
  std::string head = command.substr(0, 2);
  if (head != "CC" && head != "Cc" && head != "CA") return false;
  // A setting meant for another model is not taken, which the re-read shows.
  const bool full = model_ == "La" || model_ == "LA";
  std::string expected = model_ == "Aa" ? "CA" : full ? "Cc" : "CC";
  if (head != expected) return true;
  std::string line = common::pad_right(command, model_ == "Aa" ? kOldLength : kCurrentLength);
  common::set_mid(line, 1, config_.model.substr(0, 2));
  line_ = line;
  return true;
}

void Recorder::clear_memory() {
  ++memory_clears_;
  if (model_ == "Aa") {
    common::set_mid(line_, 13, "0000");
  } else {
    common::set_mid(line_, 11, "0000");
    common::set_mid(line_, 55, "00000000");
    common::set_mid(line_, 63, "0");
    common::set_mid(line_, 113, "00000000");
  }
  cursors_.clear();
  out_.push_back({"OK\r", config_.clear_seconds});
}

void Recorder::answer(std::string bytes, bool block, bool byte_frame, std::size_t heading_at) {
  if (faults_.count_answer()) {
    vanished_ = true;
    return;
  }
  if (faults_.hit(faults_.rates().drop)) return;
  if (block && faults_.hit(faults_.rates().heading) && bytes.size() >= heading_at + 2) {
    unsigned old_sum = static_cast<unsigned char>(bytes[heading_at]) + static_cast<unsigned char>(bytes[heading_at + 1]);
    bytes[heading_at] = '?';
    bytes[heading_at + 1] = '?';
    if (byte_frame) bytes.back() = static_cast<char>(static_cast<unsigned char>(bytes.back()) - old_sum + 2u * '?');
  }
  if (block && faults_.hit(faults_.rates().checksum)) {
    if (byte_frame) bytes.back() = static_cast<char>(bytes.back() + 1);
    else if (bytes.size() > 3) bytes.erase(bytes.size() - 2, 1);
  }
  if (block && faults_.hit(faults_.rates().lose) && bytes.size() > 4) bytes.erase(bytes.size() / 2, 1);
  if (faults_.hit(faults_.rates().stall) && bytes.size() > 1) {
    std::size_t half = bytes.size() / 2;
    out_.push_back({bytes.substr(0, half), 0});
    out_.push_back({bytes.substr(half), kStallSeconds});
    return;
  }
  out_.push_back({std::move(bytes), 0});
}

void Recorder::serve_block(const std::string& command) {
  const char code = command[1];
  const char m = mode();
  const bool full = model_ == "La" || model_ == "LA";
  const RecorderMemory& mem = memory();
  const std::int64_t acc = static_cast<std::int64_t>(common::hex_value(
      model_ == "Aa" ? common::mid(line_, 13, 4) : full ? common::mid(line_, 113, 8) : common::mid(line_, 11, 4)));
  const std::int64_t rr = static_cast<std::int64_t>(common::hex_value(common::mid(line_, 55, 8)));

  BlockKind kind;
  const bool axes = in_modes(m, "0@P");
  if (code >= '0' && code <= '3') {
    int ch = code - '0';
    kind.items = 50;
    kind.default_count = acc;
    kind.encoding = full ? Encoding::Packed : Encoding::Hex4;
    if (ch == 0) {
      kind.heading = full ? "A0" : "#0";
      kind.values16 = &mem.acc;
    } else if (axes) {
      kind.heading = full ? std::string("A") + "XYZ"[ch - 1] : std::string(1, "XYZ"[ch - 1]) + "0";
      kind.values16 = &mem.axis[ch - 1];
    } else {
      kind.heading = (full ? "A" : "#") + std::to_string(ch);
      kind.values16 = &mem.level[ch - 1];
    }
  } else if (code == '4') {
    kind = {"#4", 240, Encoding::Hex1, acc, nullptr, &mem.tilt};
  } else if (code == '5') {
    if (in_modes(m, "PQRTL")) kind = {"#6", 60, Encoding::Packed, rr, &mem.rr, nullptr};
    else kind = {"#5", 60, Encoding::Packed, acc, &mem.hr, nullptr};
  } else if (code >= 'A' && code <= 'D') {
    const auto* src = code == 'D' ? &mem.ecg_wave : &mem.wave[code - 'A'];
    kind = {std::string("w") + code, 60, Encoding::Packed, code == 'D' ? rr : acc, src, nullptr};
  } else if (code >= 'E' && code <= 'H') {
    kind = {std::string("E") + static_cast<char>('1' + (code - 'E')), 60, Encoding::Packed, kEcgBlockSamples,
            &mem.ecg_block[code - 'E'], nullptr};
  } else if (code == '*') {
    static constexpr int kItems[] = {8, 20, 15, 0, 8, 6};
    int idx = m >= '0' && m <= '5' ? m - '0' : 0;
    kind = {std::string("*") + m, kItems[idx] ? kItems[idx] : 8, Encoding::Combined, acc, nullptr, nullptr};
  } else {
    return;
  }

  Cursor& cur = cursors_[code];
  std::string args = command.substr(2);
  if (!args.empty()) {
    std::size_t comma = args.find(',');
    cur.next = static_cast<std::int64_t>(common::hex_value(args.substr(0, comma)));
    if (comma != std::string::npos) cur.end = cur.next + static_cast<std::int64_t>(common::hex_value(args.substr(comma + 1)));
    else if (cur.end == 0) cur.end = kind.default_count;
  } else if (cur.end == 0 && cur.next == 0) {
    cur.end = kind.default_count;
  }
  const std::int64_t n = std::clamp<std::int64_t>(cur.end - cur.next, 0, kind.items);
  const std::int64_t first = cur.next;
  cur.next += n;

  // Values past what the memory holds repeat it from the start.
  auto value16 = [&](std::int64_t i) -> std::uint16_t {
    if (kind.values16 && !kind.values16->empty()) return (*kind.values16)[static_cast<std::size_t>(i) % kind.values16->size()];
    if (kind.values8 && !kind.values8->empty()) return (*kind.values8)[static_cast<std::size_t>(i) % kind.values8->size()];
    return 0;
  };
  std::string data;  // bytes for the byte frame
  std::string text;  // characters for the text frame
  switch (kind.encoding) {
    case Encoding::Hex4:
      for (std::int64_t i = 0; i < n; ++i) text += common::hex_field(value16(first + i), 4);
      data = bytes_of_hex(text);
      break;
    case Encoding::Hex1:
      for (std::int64_t i = 0; i < n; ++i) text += common::hex_field(value16(first + i) & 15u, 1);
      data = bytes_of_hex(text);
      break;
    case Encoding::Packed: {
      std::vector<std::uint16_t> v;
      for (std::int64_t i = 0; i < n; ++i) v.push_back(value16(first + i));
      data = packed(v);
      text = hex_text_of(data);
      break;
    }
    case Encoding::Combined: {
      const auto* layout = common::combined_layout(std::string(".ac") + m);
      if (!layout) layout = common::combined_layout(".ac0");
      for (std::int64_t i = 0; i < n; ++i) {
        common::CombinedValues cv;
        std::size_t k = static_cast<std::size_t>(first + i);
        auto pick = [&](const std::vector<std::uint16_t>& src) { return src.empty() ? 0 : 2 * src[k % src.size()]; };
        cv.acc = {pick(mem.acc), pick(mem.axis[0]), pick(mem.axis[1]), pick(mem.axis[2])};
        cv.tilt_t = mem.angle_t.empty() ? 90 : mem.angle_t[k % mem.angle_t.size()];
        cv.tilt_u = mem.angle_u.empty() ? 90 : mem.angle_u[k % mem.angle_u.size()];
        cv.steps = mem.steps.empty() ? 0 : mem.steps[k % mem.steps.size()];
        text += common::make_combined_frame(*layout, cv);
      }
      data = bytes_of_hex(text);
      break;
    }
  }

  if (byte_frame()) {
    std::string frame;
    frame += static_cast<char>(static_cast<unsigned char>(data.size() + 2));
    frame += kind.heading;
    frame += data;
    unsigned sum = 0;
    for (std::size_t i = 1; i < frame.size(); ++i) sum += static_cast<unsigned char>(frame[i]);
    frame += static_cast<char>(sum & 255u);
    answer(std::move(frame), true, true, 1);
  } else {
    answer(kind.heading + text + kCr, true, false, 0);
  }
}

std::string Recorder::waveform_frames(int frames) {
  std::string out;
  for (int f = 0; f < frames; ++f) {
    for (int k = 0; k < 5; ++k) {
      std::uint16_t v = stream_source_.empty() ? 2048 : stream_source_[stream_pos_++ % stream_source_.size()];
      unsigned low = v & 63u, high = (v >> 6) & 63u;
      out += static_cast<char>(k == 0 ? (low | 0xC0u) : low);
      out += static_cast<char>(high);
    }
  }
  return out;
}

}  // namespace ambsim
