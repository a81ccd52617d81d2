// ACC_REQ in named steps: open the staged files, fetch each block with its retries, write it,
// and place the file whole or, when the download stops in it, with what came.
#include "link/download_file.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <system_error>

#include "common/numbers.h"
#include "common/record_file.h"
#include "common/recording_format.h"
#include "common/staged_file.h"
#include "common/text.h"
#include "link/rr_download.h"

namespace ambcomm {

namespace {

using common::hex_field;

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

// The download of one planned file. The file (and an RR file's companions) is written under a
// temporary name beside its final one and renamed into place when whole. A download that
// stops in it keeps what came: the records written so far, a half-filled word record
// included, under the recording's name, with a header that counts only them.
class FileDownload {
 public:
  FileDownload(Run& run, const PlannedFile& f)
      : run_(run), f_(f), state_(run.link.state), rr_(f.kind == "RR"), staged_(f.path), done_{f.path, f.count, 0, true} {}

  Next run() {
    if (open_files() == Next::Stop) return Next::Stop;
    const BlockSizes sizes = GET_END_SIZ(f_.count, f_.items, f_.item_size);
    std::string request = f_.first_request;
    for (std::int64_t b = 0; b < sizes.blocks; ++b) {
      const bool last = b == sizes.blocks - 1;
      const int items = last ? sizes.last_items : f_.items;
      const int length = last ? sizes.last_length : f_.item_size * f_.items + 3;
      std::string block;
      if (fetch_block(b, items, length, request, block) == Next::Stop) return Next::Stop;
      if (!write_block(b, items, last, block)) {
        half_pending_ = false;  // the failed record's items are not in the file
        return stop(DownloadEnd::FileError);
      }
      run_.window.add_received(length);
      request = f_.row == "A" ? f_.code + hex_field(static_cast<std::uint64_t>((b + 1) * f_.items), address_digits())
                              : f_.code;
      if (!run_.window.still_open()) return stop(DownloadEnd::Closed);
      run_.window.set_count((b + 1) * f_.items);
    }
    return finish();
  }

 private:
  int address_digits() const { return f_.wide_address ? 8 : 4; }
  std::string base() const { return f_.path.substr(0, f_.path.size() - 1); }

  // The staged file with its header, and for an RR file its two companions.
  Next open_files() {
    staged_.prepare();
    if (rr_) {
      staged_hr_ = std::make_unique<common::StagedFile>(base() + "5");
      staged_index_ = std::make_unique<common::StagedFile>(base() + "i");
      staged_hr_->prepare();
      staged_index_->prepare();
    }
    if (!file_.open(staged_.temp_path(), common::RecordFile::Mode::ReadWriteCreate)) return stop(DownloadEnd::FileError);
    if (!file_.write(1, header_record(state_.conditions_line, f_, slot_count(state_.conditions.acc_count))) ||
        !file_.flush())
      return stop(DownloadEnd::FileError);
    records_ = 1;
    if (rr_ && !open_rr_companions(derivation_, staged_hr_->temp_path(), staged_index_->temp_path(),
                                   state_.conditions_line)) {
      const std::string failed = derivation_.heart_rate_file.is_open() ? staged_index_->path() : staged_hr_->path();
      stop(DownloadEnd::FileError);
      run_.result.failed_path = failed;
      return Next::Stop;
    }
    return Next::Go;
  }

  // Block b requested, and requested again from its address while it fails, up to the bound.
  Next fetch_block(std::int64_t b, int items, int length, std::string& request, std::string& block) {
    int status = 0;
    for (int attempt = 0;; ++attempt) {
      if (run_.byte_frame) B_DATA_REQ(run_.link, f_.heading, request, length, block, status);
      else A_DATA_REQ(run_.link, f_.heading, request, length, block, status);
      // A frame read from the middle of an older answer can pass its checks by chance; one
      // that holds fewer values than asked for is taken as short.
      if (status == kStatusOk && !holds_items(f_, block, items)) status = kStatusShort;
      if (status == kStatusOk) return Next::Go;
      if (run_.watch.abandoned() || !run_.window.still_open()) return stop(DownloadEnd::Closed);
      if (status == kStatusDeviceError) {
        run_.window.set_status("RS-232C 切断");
        return stop(DownloadEnd::PortLost, status);
      }
      run_.window.set_status(reason_text(status));
      if (attempt >= run_.options.max_retries) return stop(DownloadEnd::BlockFailed, status);
      settle_line(run_.link);
      request = f_.code + hex_field(static_cast<std::uint64_t>(b * f_.items), address_digits());
    }
  }

  // Block b into the file: a word record takes two blocks, a text record one. False on a
  // write error.
  bool write_block(std::int64_t b, int items, bool last, std::string& block) {
    if (!f_.words) {
      if (f_.row == "10") block = rewrite_heart_rate_block(block, items);
      common::set_mid(block, 1, f_.prefix);
      if (!file_.write(2 + b, block) || !file_.flush()) return false;
      ++records_;
      done_.received += items;
      return true;
    }
    CHG_RR(f_.kind, derivation_, std::string_view(block).substr(std::min<std::size_t>(2, block.size())), items,
           static_cast<int>(b % 2), record_text_, b == 0, last, state_.conditions.interval);
    in_record_ = (b % 2 == 0 ? 0 : in_record_) + items;
    half_pending_ = b % 2 == 0 && !last;
    if (!half_pending_) {
      if (!file_.write(2 + b / 2, record_text_) || !file_.flush()) return false;
      ++records_;
      done_.received += in_record_;
    }
    return !derivation_.write_failed;
  }

  // The whole file placed, then its companions; what follows a file that could not be placed
  // stays out.
  Next finish() {
    END_RR_REQ(f_.kind, derivation_, file_, state_.conditions.mode, done_.received);
    const bool flushed = file_.flush();
    file_.close();
    run_.window.set_count(done_.received);
    if (!flushed) {
      run_.result.end = DownloadEnd::FileError;
      run_.result.failed_path = f_.path;
      run_.result.error = errno;
    }
    bool ok = flushed && place(staged_, done_);
    if (!ok && !flushed) run_.result.not_downloaded.push_back(f_.path);
    if (rr_) {
      for (auto* s : {staged_hr_.get(), staged_index_.get()}) {
        if (ok) ok = place(*s, {s->path(), derivation_.total, derivation_.total, true});
        else run_.result.not_downloaded.push_back(s->path());
        if (ok) list_derived(*s);
      }
    }
    return ok ? Next::Go : Next::Stop;
  }

  // The download ends in this file: what came is kept, its header counting it.
  Next stop(DownloadEnd end, int status = 0) {
    run_.result.end = end;
    run_.result.status = status;
    run_.result.failed_path = f_.path;
    if (end == DownloadEnd::FileError && run_.result.error == 0) run_.result.error = errno;
    if (half_pending_ && file_.write(records_ + 1, record_text_) && file_.flush()) {
      ++records_;
      done_.received += in_record_;
    }
    if (rr_) flush_rr_derivation(derivation_);
    if (file_.is_open()) END_RR_REQ(f_.kind, derivation_, file_, state_.conditions.mode, done_.received);
    file_.close();
    const bool placed = place_partial();
    if (rr_) place_partial_companions(placed);
    return Next::Stop;
  }

  // The header counts what the file holds: an RR file the trend samples its beats cover (an
  // RR recorder's was finished by END_RR_REQ); an ECG block is read up to its end anyway.
  bool place_partial() {
    bool counted = true;
    if (rr_) counted = rr_recorder() || set_header_count(staged_.temp_path(), derivation_.total);
    else if (f_.kind[0] != 'E') counted = set_header_count(staged_.temp_path(), done_.received);
    if (done_.received > 0 && counted && cut_to_records(staged_.temp_path(), records_)) {
      done_.whole = false;
      return place(staged_, done_);
    }
    run_.result.not_downloaded.push_back(f_.path);
    return false;
  }

  // The companions only beside the RR file they were derived from.
  void place_partial_companions(bool rr_placed) {
    const bool keep = rr_placed && derivation_.total > 0 && !derivation_.write_failed;
    for (auto* s : {staged_hr_.get(), staged_index_.get()}) {
      const bool counted =
          keep && (s == staged_index_.get() || rr_recorder() || set_header_count(s->temp_path(), derivation_.total));
      if (counted && place(*s, {s->path(), derivation_.total, derivation_.total, false})) list_derived(*s);
      else if (!counted) run_.result.not_downloaded.push_back(s->path());
    }
  }

  // Places a file under its final name; a failure to do so is the download's file error.
  bool place(common::StagedFile& s, DownloadedFile entry) {
    if (!s.commit()) {
      if (run_.result.end == DownloadEnd::Complete) {
        run_.result.end = DownloadEnd::FileError;
        run_.result.failed_path = s.path();
        run_.result.error = s.error();
      }
      run_.result.not_downloaded.push_back(s.path());
      return false;
    }
    run_.result.files.push_back(std::move(entry));
    return true;
  }

  // A companion written, named under the progress bar (the RR file's name, "5" or "i" last).
  void list_derived(const common::StagedFile& s) {
    const bool heart_rate = &s == staged_hr_.get();
    std::string name = f_.display;
    if (!name.empty()) name.back() = heart_rate ? '5' : 'i';
    run_.window.add_derived(heart_rate ? "心拍数 : " : "RR索引 : ", name, derivation_.total);
  }

  bool rr_recorder() const { return state_.conditions.mode == "L"; }

  Run& run_;
  const PlannedFile& f_;
  LinkState& state_;
  const bool rr_;
  common::StagedFile staged_;
  std::unique_ptr<common::StagedFile> staged_hr_, staged_index_;
  DownloadedFile done_;
  std::int64_t records_ = 0;  // whole records in the file
  common::RecordFile file_;
  RrDerivation derivation_;
  std::string record_text_;
  bool half_pending_ = false;  // a word record holding one block, not yet written
  std::int64_t in_record_ = 0;  // items of the word record being filled
};

}  // namespace

Next ACC_REQ(Run& run, const PlannedFile& f) {
  if (f.count <= 0) return Next::Go;
  return FileDownload(run, f).run();
}

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

std::string reason_text(int status) {
  switch (status) {
    case kStatusHeading: return "ﾍﾃﾞｨﾝｸﾞｴﾗｰ";
    case kStatusTimeout: return "ﾀｲﾑｱｳﾄｴﾗｰ";
    case kStatusChecksum: return "ｻﾑﾁｪｯｸｴﾗｰ";
    default: return std::to_string(status);
  }
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

}  // namespace ambcomm
