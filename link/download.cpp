// The download loop: the channel plan as one table, one file at a time, block by block, each
// block checked, retried a bounded number of times and written at once.
#include "link/download.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include "common/cp932.h"
#include "common/numbers.h"
#include "common/path_names.h"
#include "common/record_file.h"
#include "common/recording_format.h"
#include "common/staged_file.h"
#include "common/text.h"
#include "link/rr_download.h"

namespace ambcomm {

namespace {

using common::hex_field;

// Where a row's count comes from.
enum class CountFrom { Acc, Tilt, Rr, Ecg };

// The channel plan, in download order. `modes` lists mode characters, or ranges "x-y" and
// open ranges "x-", alternatives joined by ",". Request codes by model: ce / La and LA / others.
// `kind` empty: "ce" for models ce, La, LA, else "CE". `heading_full`: La and LA.
struct PlanRow {
  std::string_view row;
  std::string_view modes;
  int ecg_needed;  // ECG rows: ecg_blocks at least this
  char channel;
  std::string_view kind;
  std::string_view heading;
  std::string_view heading_full;
  std::string_view code_ce, code_full, code_other;
  int items;
  int item_size;
  CountFrom count;
  bool wide;   // rows 1-4 and 10-15: retry addresses in 8 digits
  bool words;  // byte-word records
  std::string_view label;
};

// clang-format off
constexpr PlanRow kPlan[] = {
  // row   modes     ecg ch   kind  heading heading_full ce    La/LA  others items size count            wide   words  label
  {"1",   "89",      0, 'a', "wA", "wA",   "wA",        "qA", "qA",  "qA",  60, 3, CountFrom::Acc,  true,  true,  "波形 A : ﾌｧｲﾙ名は "},
  {"2",   "789",     0, 'b', "wB", "wB",   "wB",        "qB", "qB",  "qB",  60, 3, CountFrom::Acc,  true,  true,  "波形 B : ﾌｧｲﾙ名は "},
  {"3",   "89",      0, 'c', "wC", "wC",   "wC",        "qC", "qC",  "qC",  60, 3, CountFrom::Acc,  true,  true,  "波形 C : ﾌｧｲﾙ名は "},
  {"4",   "9",       0, 'd', "wD", "wD",   "wD",        "qD", "qD",  "qD",  60, 3, CountFrom::Rr,   true,  true,  "ECG波形: ﾌｧｲﾙ名は "},
  {"5",   "0-T",     0, '0', "",   "#0",   "A0",        "r0", "q0",  "R0",  50, 4, CountFrom::Acc,  false, false, "加速度 : ﾌｧｲﾙ名は "},
  {"6",   "0@P",     0, '1', "",   "X0",   "AX",        "r1", "q1",  "R1",  50, 4, CountFrom::Acc,  false, false, "加速度 : ﾌｧｲﾙ名は "},
  {"6'",  "2BR4DT",  0, '1', "",   "#1",   "A1",        "r1", "q1",  "R1",  50, 4, CountFrom::Acc,  false, false, "加速度 : ﾌｧｲﾙ名は "},
  {"7",   "0@P",     0, '2', "",   "Y0",   "AY",        "r2", "q2",  "R2",  50, 4, CountFrom::Acc,  false, false, "加速度 : ﾌｧｲﾙ名は "},
  {"7'",  "4DT",     0, '2', "",   "#2",   "A2",        "r2", "q2",  "R2",  50, 4, CountFrom::Acc,  false, false, "加速度 : ﾌｧｲﾙ名は "},
  {"8",   "0@P",     0, '3', "",   "Z0",   "AZ",        "r3", "q3",  "R3",  50, 4, CountFrom::Acc,  false, false, "加速度 : ﾌｧｲﾙ名は "},
  {"8'",  "4DT",     0, '3', "",   "#3",   "A3",        "r3", "q3",  "R3",  50, 4, CountFrom::Acc,  false, false, "加速度 : ﾌｧｲﾙ名は "},
  {"9",   "@-",      0, '4', "",   "#4",   "#4",        "r4", "r4",  "R4", 240, 1, CountFrom::Tilt, false, false, "傾斜   : ﾌｧｲﾙ名は "},
  {"10",  "@-D",     0, '5', "",   "#5",   "#5",        "r5", "r5",  "R5",  60, 3, CountFrom::Acc,  true,  false, "心拍数 : ﾌｧｲﾙ名は "},
  {"11",  "P-T,L",   0, '6', "RR", "#6",   "#6",        "r5", "r5",  "R5",  60, 3, CountFrom::Rr,   true,  true,  "RR間隔 : ﾌｧｲﾙ名は "},
  {"12",  "@-",      1, 'E', "E1", "E1",   "E1",        "rE", "rE",  "RE",  60, 3, CountFrom::Ecg,  true,  true,  "心電図 : ﾌｧｲﾙ名は "},
  {"13",  "@-",      2, 'F', "E2", "E2",   "E2",        "rF", "rF",  "RF",  60, 3, CountFrom::Ecg,  true,  true,  "心電図 : ﾌｧｲﾙ名は "},
  {"14",  "@-",      3, 'G', "E3", "E3",   "E3",        "rG", "rG",  "RG",  60, 3, CountFrom::Ecg,  true,  true,  "心電図 : ﾌｧｲﾙ名は "},
  {"15",  "@-",      4, 'H', "E4", "E4",   "E4",        "rH", "rH",  "RH",  60, 3, CountFrom::Ecg,  true,  true,  "心電図 : ﾌｧｲﾙ名は "},
};

// Row A, the old-layout recorder's combined files, by mode.
struct CombinedRow {
  char mode;
  std::string_view extension;
  int items;
  int item_size;
};
constexpr CombinedRow kCombined[] = {
  {'0', "ac0", 8, 7}, {'1', "ac1", 20, 3}, {'2', "ac2", 15, 4}, {'4', "ac4", 8, 7}, {'5', "ac5", 6, 9},
};
// clang-format on

constexpr std::int64_t kEcgCount = 15000;
constexpr std::int64_t kLongCount = 65535;  // from here on addresses and counts take 8 digits
constexpr std::string_view kCountGap = "          / ";

bool byte_frame_model(std::string_view m) { return m == "ce" || m == "CF" || m == "La" || m == "LA" || m == "Aa"; }
bool full_model(std::string_view m) { return m == "La" || m == "LA"; }
bool wave_mode(char m) { return m == '7' || m == '8' || m == '9'; }

bool mode_in(std::string_view rule, char m) {
  while (!rule.empty()) {
    std::size_t comma = rule.find(',');
    std::string_view part = rule.substr(0, comma);
    rule = comma == std::string_view::npos ? std::string_view() : rule.substr(comma + 1);
    if (part.size() == 3 && part[1] == '-') {
      if (m >= part[0] && m <= part[2]) return true;
    } else if (part.size() == 2 && part[1] == '-') {
      if (m >= part[0]) return true;
    } else if (part.find(m) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

std::int64_t slot_count(const std::string& text) {
  double v = common::val(text);
  return v > 0 ? static_cast<std::int64_t>(v) : 0;
}

// An 8-digit hex field as received, kept to 8 characters ("0"-filled when short).
std::string hex8_text(std::string_view text) { return common::right(common::pad_left(text, 8, '0'), 8); }

std::string reason_text(int status) {
  switch (status) {
    case kStatusHeading: return "ﾍﾃﾞｨﾝｸﾞｴﾗｰ";
    case kStatusTimeout: return "ﾀｲﾑｱｳﾄｴﾗｰ";
    case kStatusChecksum: return "ｻﾑﾁｪｯｸｴﾗｰ";
    default: return std::to_string(status);
  }
}

// The port as the block receivers see it during a download: every wait between polls also
// processes the window's events, and a closed window ends the wait at once (reported like a
// lost device, told apart by `abandoned`).
class WatchedPort : public ui::SerialPort {
 public:
  WatchedPort(ui::SerialPort& inner, ProgressWindow& window) : inner_(inner), window_(window) {}
  bool abandoned() const { return abandoned_; }

  ui::OpenResult open(int stop_bits) override { return inner_.open(stop_bits); }
  bool is_open() const override { return !abandoned_ && inner_.is_open(); }
  void close() override { inner_.close(); }
  bool set_speed(int baud) override { return inner_.set_speed(baud); }
  bool write(std::string_view bytes) override { return !abandoned_ && inner_.write(bytes); }
  int bytes_waiting() override { return abandoned_ ? -1 : inner_.bytes_waiting(); }
  std::string read(int max) override { return abandoned_ ? std::string() : inner_.read(max); }
  bool wait_readable(int timeout_ms) override {
    if (!window_.still_open()) {
      abandoned_ = true;
      return false;
    }
    return inner_.wait_readable(timeout_ms);
  }
  void purge() override { inner_.purge(); }
  bool device_error() const override { return abandoned_ || inner_.device_error(); }
  std::string name() const override { return inner_.name(); }
  std::string open_failure() const override { return inner_.open_failure(); }

 private:
  ui::SerialPort& inner_;
  ProgressWindow& window_;
  bool abandoned_ = false;
};

// After a bad block the rest of its answer may still be on the way (a long frame read short, a
// late half): it is let through and dropped until the line has been quiet for a moment, so that
// it cannot run into the answer to the repeated request. Bounded, for a line that never stops.
void settle_line(Link& link) {
  constexpr int kQuietMs = 100;
  constexpr int kMaxSeconds = 4;
  constexpr int kMaxRounds = 20000;
  const int start = link.clock.seconds_of_day();
  for (int round = 0; round < kMaxRounds; ++round) {
    if ((link.clock.seconds_of_day() - start + 86400) % 86400 >= kMaxSeconds) return;
    if (!link.port.wait_readable(kQuietMs)) return;
    const int n = link.port.bytes_waiting();
    if (n <= 0) return;
    link.port.read(n);
  }
}

// True when a received block (heading + converted data) carries at least `items` values:
// text rows `item_size` characters a value, byte-word rows two bytes a value.
bool holds_items(const PlannedFile& f, const std::string& block, int items) {
  const std::size_t data = block.size() > 2 ? block.size() - 2 : 0;
  const std::size_t need = static_cast<std::size_t>(items) * (f.words ? 2u : static_cast<std::size_t>(f.item_size));
  return data >= need;
}

// A file the download may replace: it exists and holds at least one byte.
bool holds_records(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) > 0 && !ec;
}

struct Run {
  Link& link;          // the watched link: waits look at the window
  WatchedPort& watch;
  ProgressWindow& window;
  const DownloadOptions& options;
  bool byte_frame = false;
  DownloadResult result;
};

enum class Next { Go, Stop };

// The overwrite question, once for the whole plan before anything is fetched, so that a No
// (or a refusal) leaves every file as it was and nothing half downloaded. Go: write them.
Next check_overwrite(const std::vector<PlannedFile>& plan, ui::Dialogs* dialogs, const DownloadOptions& options,
                     DownloadResult& result) {
  std::string first;
  for (const auto& p : planned_paths(plan))
    if (first.empty() && holds_records(p)) first = p;
  if (first.empty() || options.overwrite == Overwrite::Yes) return Next::Go;
  if (options.overwrite == Overwrite::Ask && dialogs) {
    if (dialogs->message_box("ファイルのチェック", "同じファイル名が存在します、すべて上書きしますか", ui::Buttons::YesNo,
                             ui::Icon::Question) == ui::Answer::Yes)
      return Next::Go;
    result.end = DownloadEnd::Declined;
  } else {
    result.end = DownloadEnd::Refused;
  }
  result.failed_path = first;
  return Next::Stop;
}

// A file cut to `records` whole records (a write that failed on a full disk may have left
// part of one behind).
bool cut_to_records(const std::string& path, std::int64_t records) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) return false;
  const auto whole = static_cast<std::uintmax_t>(records) * common::RecordFile::kRecordSize;
  if (size > whole) std::filesystem::resize_file(path, whole, ec);
  return !ec;
}

// Record 1 of a file rewritten with the count of samples it holds.
bool set_header_count(const std::string& path, std::int64_t count) {
  common::RecordFile file;
  if (!file.open(path, common::RecordFile::Mode::ReadWriteCreate)) return false;
  const auto header = file.read(1);
  if (!header) return false;
  return file.write(1, with_sample_count(header->substr(0, common::RecordFile::kFieldSize), count)) && file.flush();
}

std::string header_record(const std::string& line, const PlannedFile& f, std::int64_t acc_count) {
  std::string header = line;
  common::set_mid(header, 1, f.kind);
  if (!f.kind.empty() && f.kind[0] == 'w') header = waveform_header(header, f.kind, acc_count);
  return header;
}

// ACC_REQ: one file of the plan. The file (and an RR file's companions) is written under a
// temporary name beside its final one and renamed into place when whole. A download that
// stops in it keeps what came: the records written so far, a half-filled word record
// included, under the recording's name, with a header that counts only them.
Next ACC_REQ(Run& run, const PlannedFile& f) {
  if (f.count <= 0) return Next::Go;
  const bool rr = f.kind == "RR";
  const std::string base = f.path.substr(0, f.path.size() - 1);
  LinkState& state = run.link.state;

  common::StagedFile staged(f.path);
  staged.prepare();
  std::unique_ptr<common::StagedFile> staged_hr, staged_index;
  if (rr) {
    staged_hr = std::make_unique<common::StagedFile>(base + "5");
    staged_index = std::make_unique<common::StagedFile>(base + "i");
    staged_hr->prepare();
    staged_index->prepare();
  }

  DownloadedFile done{f.path, f.count, 0, true};
  std::int64_t records = 0;  // whole records in the file
  common::RecordFile file;
  RrDerivation derivation;
  std::string record_text;
  bool half_pending = false;  // a word record holding one block, not yet written
  std::int64_t in_record = 0; // items of the word record being filled

  // Places a file under its final name; a failure to do so is the download's file error.
  const auto place = [&run](common::StagedFile& s, DownloadedFile entry) {
    if (!s.commit()) {
      if (run.result.end == DownloadEnd::Complete) {
        run.result.end = DownloadEnd::FileError;
        run.result.failed_path = s.path();
        run.result.error = s.error();
      }
      run.result.not_downloaded.push_back(s.path());
      return false;
    }
    run.result.files.push_back(std::move(entry));
    return true;
  };
  // The file's end when the download stops in it.
  const auto stop = [&](DownloadEnd end, int status = 0) {
    run.result.end = end;
    run.result.status = status;
    run.result.failed_path = f.path;
    if (end == DownloadEnd::FileError && run.result.error == 0) run.result.error = errno;
    if (half_pending && file.write(records + 1, record_text) && file.flush()) {
      ++records;
      done.received += in_record;
    }
    if (rr) flush_rr_derivation(derivation);
    if (file.is_open()) END_RR_REQ(f.kind, derivation, file, state.conditions.mode, done.received);
    file.close();
    // The header counts what the file holds: an RR file the trend samples its beats cover (an
    // RR recorder's was finished by END_RR_REQ); an ECG block is read up to its end anyway.
    bool counted = true;
    if (f.kind == "RR") counted = state.conditions.mode == "L" || set_header_count(staged.temp_path(), derivation.total);
    else if (f.kind[0] != 'E') counted = set_header_count(staged.temp_path(), done.received);
    bool placed = false;
    if (done.received > 0 && counted && cut_to_records(staged.temp_path(), records)) {
      done.whole = false;
      placed = place(staged, done);
    } else {
      run.result.not_downloaded.push_back(f.path);
    }
    if (rr) {
      // The companions only beside the RR file they were derived from.
      const bool keep = placed && derivation.total > 0 && !derivation.write_failed;
      const DownloadedFile companion{"", derivation.total, derivation.total, false};
      for (auto* s : {staged_hr.get(), staged_index.get()}) {
        const bool counted_too = keep && (s == staged_index.get() || state.conditions.mode == "L" ||
                                          set_header_count(s->temp_path(), derivation.total));
        if (counted_too) {
          DownloadedFile c = companion;
          c.path = s->path();
          place(*s, c);
        } else {
          run.result.not_downloaded.push_back(s->path());
        }
      }
    }
    return Next::Stop;
  };

  if (!file.open(staged.temp_path(), common::RecordFile::Mode::ReadWriteCreate)) return stop(DownloadEnd::FileError);
  if (!file.write(1, header_record(state.conditions_line, f, slot_count(state.conditions.acc_count))) || !file.flush())
    return stop(DownloadEnd::FileError);
  records = 1;
  if (rr && !open_rr_companions(derivation, staged_hr->temp_path(), staged_index->temp_path(), state.conditions_line)) {
    const std::string failed = derivation.heart_rate_file.is_open() ? staged_index->path() : staged_hr->path();
    stop(DownloadEnd::FileError);
    run.result.failed_path = failed;
    return Next::Stop;
  }

  const BlockSizes sizes = GET_END_SIZ(f.count, f.items, f.item_size);
  const int address_digits = f.wide_address ? 8 : 4;
  std::string request = f.first_request;
  for (std::int64_t b = 0; b < sizes.blocks; ++b) {
    const bool last = b == sizes.blocks - 1;
    const int items = last ? sizes.last_items : f.items;
    const int length = last ? sizes.last_length : f.item_size * f.items + 3;
    std::string block;
    int status = 0;
    for (int attempt = 0;; ++attempt) {
      if (run.byte_frame) B_DATA_REQ(run.link, f.heading, request, length, block, status);
      else A_DATA_REQ(run.link, f.heading, request, length, block, status);
      // A frame read from the middle of an older answer can pass its checks by chance; one
      // that holds fewer values than asked for is taken as short.
      if (status == kStatusOk && !holds_items(f, block, items)) status = kStatusShort;
      if (status == kStatusOk) break;
      if (run.watch.abandoned() || !run.window.still_open()) return stop(DownloadEnd::Closed);
      if (status == kStatusDeviceError) {
        run.window.set_status("RS-232C 切断");
        return stop(DownloadEnd::PortLost, status);
      }
      run.window.set_status(reason_text(status));
      if (attempt >= run.options.max_retries) return stop(DownloadEnd::BlockFailed, status);
      settle_line(run.link);
      request = f.code + hex_field(static_cast<std::uint64_t>(b * f.items), address_digits);
    }

    bool written = true;
    if (f.words) {
      CHG_RR(f.kind, derivation, std::string_view(block).substr(std::min<std::size_t>(2, block.size())), items,
             static_cast<int>(b % 2), record_text, b == 0, last, state.conditions.interval);
      in_record = (b % 2 == 0 ? 0 : in_record) + items;
      half_pending = b % 2 == 0 && !last;
      if (!half_pending) {
        written = file.write(2 + b / 2, record_text) && file.flush();
        if (written) {
          ++records;
          done.received += in_record;
        }
      }
      written = written && !derivation.write_failed;
    } else {
      if (f.row == "10") block = rewrite_heart_rate_block(block, items);
      common::set_mid(block, 1, f.prefix);
      written = file.write(2 + b, block) && file.flush();
      if (written) {
        ++records;
        done.received += items;
      }
    }
    if (!written) {
      half_pending = false;  // the failed record's items are not in the file
      return stop(DownloadEnd::FileError);
    }

    request = f.row == "A" ? f.code + hex_field(static_cast<std::uint64_t>((b + 1) * f.items), address_digits) : f.code;
    if (!run.window.still_open()) return stop(DownloadEnd::Closed);
    run.window.set_count((b + 1) * f.items);
  }
  END_RR_REQ(f.kind, derivation, file, state.conditions.mode, done.received);
  const bool flushed = file.flush();
  file.close();
  run.window.set_count(done.received);
  if (!flushed) {
    run.result.end = DownloadEnd::FileError;
    run.result.failed_path = f.path;
    run.result.error = errno;
  }
  // Placed in order; what follows a file that could not be placed stays out.
  bool ok = flushed && place(staged, done);
  if (!ok && !flushed) run.result.not_downloaded.push_back(f.path);
  if (rr) {
    for (auto* s : {staged_hr.get(), staged_index.get()}) {
      if (ok) ok = place(*s, {s->path(), derivation.total, derivation.total, true});
      else run.result.not_downloaded.push_back(s->path());
    }
  }
  return ok ? Next::Go : Next::Stop;
}

// The four-times transfer: the recorder is told first, then the port follows.
bool enter_four_times(Link& link) {
  if (!send(link, "B3\r\n")) return false;
  DELAY_T(link, link.state.timer);
  if (!set_speed(link, 19200)) return false;
  DELAY_T(link, link.state.timer);
  return true;
}

// Back to 9600 after a four-times transfer; errors of these steps are of no consequence.
void leave_four_times(Link& link) {
  if (!link.port.is_open()) return;
  set_speed(link, 19200);
  DELAY_T(link, link.state.timer);
  send_command_crlf(link, "B2");
  DELAY_T(link, link.state.timer);
  set_speed(link, 9600);
}

}  // namespace

std::vector<std::string> planned_paths(const std::vector<PlannedFile>& plan) {
  std::vector<std::string> out;
  for (const auto& f : plan) {
    if (f.count <= 0) continue;
    out.push_back(f.path);
    if (f.kind == "RR") {
      const std::string base = f.path.substr(0, f.path.size() - 1);
      out.push_back(base + "5");
      out.push_back(base + "i");
    }
  }
  return out;
}

std::string strip_extension(std::string_view path) { return common::without_extension(path); }

BlockSizes GET_END_SIZ(std::int64_t count, int items, int item_size) {
  BlockSizes s;
  if (count <= 0 || items <= 0) return s;
  s.blocks = count / items + (count % items != 0 ? 1 : 0);
  s.last_items = count % items == 0 ? items : static_cast<int>(count % items);
  s.last_length = item_size * s.last_items + 3;
  return s;
}

std::string prefix_for(std::string_view heading) {
  static constexpr std::pair<std::string_view, std::string_view> kPrefixes[] = {
      {"AX", "X0"}, {"AY", "Y0"}, {"AZ", "Z0"}, {"A1", "#1"}, {"A2", "#2"}, {"A3", "#3"}};
  for (const auto& [h, p] : kPrefixes)
    if (heading == h) return std::string(p);
  return std::string(heading);
}

std::string rewrite_heart_rate_block(std::string_view block, int items) {
  // Pair k (k even): a = 2 characters at 3 + 3k, b at 5 + 3k, c at 6 + 3k, d = 2 at 7 + 3k.
  std::string out = "#5";
  int k = 0;
  for (; k < items; k += 2) {
    const int p = 3 + 3 * k;
    out += "0" + common::mid(block, p + 3, 1) + common::mid(block, p, 2);
    out += "0" + common::mid(block, p + 2, 1) + common::mid(block, p + 4, 2);
  }
  if (common::mid(block, 3 + 3 * k, 1) == "X") out += "XXXXX";
  return out;
}

std::vector<PlannedFile> plan_download(const common::ConditionsRecord& rec, std::string_view path) {
  std::vector<PlannedFile> plan;
  const std::string& model = rec.model_code;
  const char mode = rec.mode.empty() ? ' ' : rec.mode[0];
  const std::int64_t acc = slot_count(rec.acc_count);
  const bool long_acc = acc >= kLongCount;
  const std::string directory = common::directory_part(path);
  const std::string name = common::name_part(path);

  if (model == "Aa") {
    for (const auto& c : kCombined) {
      if (c.mode != mode) continue;
      PlannedFile f;
      f.row = "A";
      f.path = std::string(path) + "." + std::string(c.extension);
      f.display = name + "." + std::string(c.extension);
      f.kind = std::string("*") + mode;
      f.heading = f.prefix = f.kind;
      f.code = "r*";
      f.first_request = f.code + (long_acc ? "00000000" : "0000");
      f.items = c.items;
      f.item_size = c.item_size;
      f.count = acc;
      f.wide_address = long_acc;
      f.progress_line = "加速度 : ﾌｧｲﾙ名は " + f.display + std::string(kCountGap) + std::to_string(acc);
      plan.push_back(f);
    }
    return plan;
  }

  const bool full = full_model(model);
  const std::string base = common::fit_base_name(name);
  const int ecg_blocks = static_cast<int>(slot_count(rec.ecg_blocks));
  for (const auto& r : kPlan) {
    const bool wave_row = r.channel >= 'a' && r.channel <= 'd';
    if (wave_mode(mode) != wave_row) continue;
    if (!mode_in(r.modes, mode) || ecg_blocks < r.ecg_needed) continue;
    PlannedFile f;
    f.row = std::string(r.row);
    f.path = directory + base + r.channel;
    f.display = base + r.channel;
    f.kind = !r.kind.empty() ? std::string(r.kind) : (model == "ce" || full) ? "ce" : "CE";
    f.heading = std::string(full ? r.heading_full : r.heading);
    f.prefix = prefix_for(f.heading);
    f.code = std::string(model == "ce" || (model == "CF" && f.row == "11") ? r.code_ce : full ? r.code_full : r.code_other);
    if (model == "CF" && r.count == CountFrom::Ecg) f.code = std::string(r.code_ce);
    f.items = r.items;
    f.item_size = r.item_size;
    f.words = r.words;
    const int row_number = std::atoi(f.row.c_str());
    // Addresses past 4 hex digits would be cut: a long recording retries in 8 digits.
    f.wide_address = r.wide || long_acc;

    std::string start_text = long_acc ? "00000000" : "0000";
    std::string count_text;
    switch (r.count) {
      case CountFrom::Acc: f.count = acc; break;
      case CountFrom::Tilt: f.count = acc % r.items == 1 ? acc - 1 : acc; break;
      case CountFrom::Rr: f.count = slot_count(rec.rr_count); break;
      case CountFrom::Ecg: f.count = kEcgCount; break;
    }
    if (r.count == CountFrom::Rr) count_text = hex8_text(rec.rr_count_hex);
    else if (long_acc) count_text = hex_field(static_cast<std::uint64_t>(f.count), 8);
    else count_text = hex_field(static_cast<std::uint64_t>(f.count), 4);
    if (row_number >= 10) {
      start_text = common::pad_left(start_text, 8, '0');
      count_text = common::pad_left(count_text, 8, '0');
    }
    f.first_request = f.code + start_text + "," + count_text;
    if (r.count == CountFrom::Ecg) f.first_request = f.code + "0000,3A98";

    f.progress_line = std::string(r.label) + f.display + std::string(kCountGap) + std::to_string(f.count);
    plan.push_back(f);
  }
  return plan;
}

// ---- the progress window

ProgressWindow::ProgressWindow(ui::FormFactory* forms, ui::EventPump& pump, std::string_view title)
    : pump_(pump), title_(title) {
  if (!forms) return;
  form_ = forms->make_form("FORM3", 640, 360);
  ui::ControlDef list{"LIST1", ui::ControlKind::List, "", 0, 0, 640, 360, true, 0};
  form_->add_controls({list});
  form_->set_handler([](const ui::UiEvent&) {});
  form_->set_caption(title);
  form_->show();
}

ProgressWindow::~ProgressWindow() = default;

std::shared_ptr<ui::Form> ProgressWindow::release() {
  closed_ = !is_open();
  auto f = std::move(form_);
  form_.reset();
  return f;
}

bool ProgressWindow::is_open() const { return form_ ? form_->is_open() : !closed_; }

bool ProgressWindow::still_open() {
  pump_.process_pending();
  return is_open();
}

void ProgressWindow::close() {
  closed_ = true;
  if (form_) form_->close();
}

void ProgressWindow::show_line(std::size_t index) {
  if (form_) {
    auto& list = form_->control("LIST1");
    list.clear_rows();
    for (const auto& l : lines_) list.add_row(l);
    list.set_selection(static_cast<int>(index));
  }
  if (on_change) on_change(index, lines_[index]);
}

void ProgressWindow::add_line(std::string_view utf8) {
  lines_.emplace_back(utf8);
  show_line(lines_.size() - 1);
}

void ProgressWindow::set_count(std::int64_t count) {
  if (lines_.empty()) return;
  std::string bytes = common::utf8_to_cp932(lines_.back());
  common::set_mid(bytes, kCountColumn, common::pad_left(std::to_string(count), kCountWidth));
  lines_.back() = common::cp932_to_utf8(bytes);
  show_line(lines_.size() - 1);
}

void ProgressWindow::set_status(std::string_view reason_utf8) {
  if (lines_.empty()) return;
  std::string bytes = common::utf8_to_cp932(lines_.back());
  common::set_mid(bytes, kStatusColumn, " : STATUS=" + common::utf8_to_cp932(reason_utf8));
  lines_.back() = common::cp932_to_utf8(bytes);
  show_line(lines_.size() - 1);
}

// ---- the whole download

std::string with_sample_count(std::string header, std::int64_t count) {
  const auto n = static_cast<std::uint64_t>(std::max<std::int64_t>(0, count));
  if (!header.empty() && header[0] == '*') {
    common::set_mid(header, common::kOldHeader.count.pos, hex_field(n, common::kOldHeader.count.width));
    return header;
  }
  const bool long_count = n >= common::kCountInLongField;
  common::set_mid(header, common::kCurrentHeader.count.pos,
                  long_count ? "FFFF" : hex_field(n, common::kCurrentHeader.count.width));
  common::set_mid(header, common::kCurrentHeader.count_long.pos, hex_field(n, common::kCurrentHeader.count_long.width));
  return header;
}

std::string end_text(const DownloadResult& r) {
  switch (r.end) {
    case DownloadEnd::Complete: return "データーの取り込みを終了しました";
    case DownloadEnd::Declined: return "上書きしないので、データーの取り込みを中止しました (何も受信していません)";
    case DownloadEnd::Refused:
      return "ファイルが既に存在するので、データーの取り込みを中止しました (何も受信していません): " + r.failed_path;
    case DownloadEnd::Closed: return "受信表示が閉じられたので、データーの取り込みを中止しました";
    case DownloadEnd::BlockFailed:
      return "データーを受信できないので、取り込みを中止しました (" + reason_text(r.status) + "): " + r.failed_path;
    case DownloadEnd::PortLost:
      if (r.failed_path.empty())
        return "RS-232C をｵｰﾌﾟﾝできないので、データーの取り込みを中止しました (何も受信していません)";
      return "RS-232C の接続が切れたので、データーの取り込みを中止しました: " + r.failed_path;
    case DownloadEnd::FileError: {
      std::string text = "ファイルに書き込めないので、データーの取り込みを中止しました: " + r.failed_path;
      if (r.error == ENOSPC) text += " (ディスクの空き容量が足りません)";
      else if (r.error == EACCES || r.error == EROFS || r.error == EPERM) text += " (書き込みが許可されていません)";
      else if (r.error == EISDIR) text += " (同じ名前のフォルダーがあります)";
      return text;
    }
    case DownloadEnd::NoWindow: return "受信表示を開けません";
  }
  return {};
}

std::vector<std::string> file_report_lines(const DownloadResult& r) {
  std::vector<std::string> out;
  for (const auto& f : r.files) {
    if (f.whole) out.push_back("完了    : " + f.path);
    else
      out.push_back("途中まで: " + f.path + " (" + std::to_string(f.received) +
                    (f.expected > f.received ? " / " + std::to_string(f.expected) : std::string()) + ")");
  }
  for (const auto& p : r.not_downloaded) out.push_back("未受信  : " + p);
  return out;
}

DownloadResult REC_DATA(Link& link, ui::FormFactory* forms, ui::Dialogs* dialogs, std::string_view path,
                        const DownloadOptions& options) {
  const common::ConditionsRecord& rec = link.state.conditions;
  const std::vector<PlannedFile> plan = plan_download(rec, path);
  DownloadResult result;
  if (check_overwrite(plan, dialogs, options, result) == Next::Stop) return result;

  if (!link.port.is_open()) {
    int status = 0;
    RX_OPEN(link, status, "AC");
    if (status != kStatusOk && status != kStatusAlreadyOpen) {
      result.end = DownloadEnd::PortLost;
      result.status = status;
      result.not_downloaded = planned_paths(plan);
      return result;
    }
    set_speed(link, 9600);
  }

  std::string_view title = kTitlePlain;
  bool four_times = false;
  if (byte_frame_model(rec.model_code)) {
    if (rec.speed == "B") {
      title = kTitleFourTimes;
      four_times = true;
      if (!enter_four_times(link)) {
        result.end = DownloadEnd::PortLost;
        result.status = kStatusDeviceError;
        result.not_downloaded = planned_paths(plan);
        return result;
      }
    } else {
      title = kTitleFast;
      set_speed(link, 9600);
    }
  } else {
    set_speed(link, 9600);
  }

  ProgressWindow window(forms, link.pump, title);
  window.on_change = options.on_progress;
  if (!window.is_open()) {
    result.end = DownloadEnd::NoWindow;
    result.not_downloaded = planned_paths(plan);
  } else {
    WatchedPort watch(link.port, window);
    Link watched{watch, link.clock, link.pump, link.state};
    Run run{watched, watch, window, options, byte_frame_model(rec.model_code), {}};
    std::size_t next = 0;
    for (; next < plan.size(); ++next) {
      const auto& f = plan[next];
      if (!window.still_open()) {
        run.result.end = DownloadEnd::Closed;
        break;
      }
      window.add_line(f.progress_line);
      if (ACC_REQ(run, f) == Next::Stop) {
        ++next;
        break;
      }
    }
    // The files the download did not reach.
    for (const auto& p : planned_paths(std::vector<PlannedFile>(plan.begin() + static_cast<std::ptrdiff_t>(next), plan.end())))
      run.result.not_downloaded.push_back(p);
    result = std::move(run.result);
    if (window.is_open()) {
      window.add_line("");
      if (result.complete()) {
        window.add_line(std::string(kFinishedLine));
      } else {
        window.add_line("          " + end_text(result));
        for (const auto& line : file_report_lines(result)) window.add_line("          " + line);
      }
    }
  }
  if (four_times && options.restore_speed && result.end != DownloadEnd::PortLost) leave_four_times(link);
  result.window = window.release();
  return result;
}

void download_to_files(Link& link, ui::Platform& platform, const std::string& name) {
  link.state.progress_window.reset();
  DownloadOptions options;
  options.restore_speed = false;
  DownloadResult result = REC_DATA(link, &platform.forms, &platform.dialogs, strip_extension(name), options);
  link.state.progress_window = std::move(result.window);
  if (result.complete()) {
    link.state.status_line(end_text(result) + " (" + std::to_string(result.files.size()) + " ファイル)");
    return;
  }
  link.state.status_line(end_text(result));
  // A download that stopped early leaves partial files that look like any other: say which.
  if (result.end == DownloadEnd::Declined || result.end == DownloadEnd::Refused) return;
  std::string text = end_text(result);
  const auto lines = file_report_lines(result);
  if (!lines.empty()) text += "\n";
  for (const auto& line : lines) text += "\n" + line;
  if (!result.nothing_written())
    text += "\n\n途中までのファイルは、受信した分だけを保持しています (ヘッダーのデーター量も受信した分です)。";
  platform.dialogs.message_box("ﾃﾞｰﾀｰ受信⇒ﾌｧｲﾙ", text, ui::Buttons::Ok, ui::Icon::Exclamation);
}

}  // namespace ambcomm
