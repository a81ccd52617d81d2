// libFuzzer target for the recording reader: arbitrary bytes become a recording file set
// on disk, go through the loader, and every row of every data record through GET_D/GET_Y.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/recording_format.h"
#include "common/record_file.h"
#include "tests/fuzz/recording_input.h"
#include "view/recording/calendar.h"
#include "view/recording/channel_reader.h"
#include "view/recording/loader.h"

namespace fs = std::filesystem;

namespace {

const std::string& work_dir() {
  // Never destroyed, so that the exit handler can still remove the directory.
  static const std::string* dir = [] {
    // Every input writes files: a memory file system keeps the runs fast where there is one.
    std::error_code ec;
    const fs::path base = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string tmpl = (base / "fuzz_recording_XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
    std::atexit([] {
      std::error_code ec2;
      fs::remove_all(fs::path(work_dir()), ec2);
    });
    return new std::string(tmpl + "/");
  }();
  return *dir;
}

void clear_dir(const std::string& dir) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) fs::remove_all(e.path(), ec);
}

void read_every_row(const ambview::LoadedRecording& rec) {
  const auto& t = rec.table;
  for (int row = 0; row < ambview::kMaxChannelRows; ++row) {
    const auto& r = t.rows[static_cast<std::size_t>(row)];
    if (!r.present) continue;
    ambview::ChannelReader f;
    if (!f.open(t, row)) continue;
    const int per = ambview::GET_BLKSIZ(t, row);
    volatile std::int64_t sink = f.held();
    // Views read up to the header's count but stop at the end of the file.
    const std::int64_t last = std::min<std::int64_t>(f.record_count(), 2 + rec.sample_count / (per > 0 ? per : 1));
    for (std::int64_t n = 2; n <= last; ++n) {
      const auto view = f.record(n);
      if (!view) break;
      const std::string data(*view);
      for (int j = -1; j <= per + 1; ++j) {
        sink = sink + ambview::GET_D(data, t, row, j);
        sink = sink + ambview::GET_Y(data, t, row, j, 480, ambview::GET_YSIZ(0), ambview::GET_HRYSIZ(1),
                                     rec.interval);
        sink = sink + common::rr_index_entry(data, j);
      }
      for (std::int64_t j = (n - 2) * per - 1; j <= (n - 1) * per; ++j) {
        if (const auto s = f.at(j)) sink = sink + s->coded();
        if (const auto w = f.word(j)) sink = sink + *w;
        if (const auto x = f.field(j)) sink = sink + static_cast<std::int64_t>(x->size());
      }
    }
    (void)sink;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& dir = work_dir();
  clear_dir(dir);
  std::string chosen;
  if (fuzzing::write_file_set(data, size, dir, chosen).empty()) return 0;

  // The header decoders on the chosen file's first record, whatever the loader decides.
  {
    common::RecordFile f;
    if (f.open(chosen, common::RecordFile::Mode::ReadOnly)) {
      if (const auto rec1 = f.read(1)) {
        (void)ambview::ACC_STATUS(chosen, *rec1);
        (void)ambview::CAL_STATUS(chosen, *rec1);
        const auto h = common::read_header(*rec1);
        (void)common::interval_text(h);
        std::string year = h.start_time.substr(0, 2);
        std::int32_t s = ambview::YMDHM_SEC(h.start_time);
        (void)ambview::SEC_YMDHM(year, s);
      }
      if (const auto rec2 = f.read(2)) {
        for (const auto& layout : common::kCombinedLayouts) (void)common::combined_start_offset(*rec2, layout);
      }
    }
  }

  const ambview::LoadResult result = ambview::load_recording(chosen);
  // FUZZ_RECORDING_VERBOSE=1 shows what each input loads as (to check a corpus).
  static const bool verbose = std::getenv("FUZZ_RECORDING_VERBOSE") != nullptr;
  if (verbose) {
    std::fprintf(stderr, "%s: error %d, rows %d, samples %lld\n", chosen.c_str(), static_cast<int>(result.error),
                 ambview::NO_EXF(result.recording.table), static_cast<long long>(result.recording.sample_count));
  }
  if (result.ok()) {
    const auto& r = result.recording;
    std::string year = r.info.item[ambview::RecordingInfo::kStartTime].substr(0, 2);
    std::int32_t end = r.time.recording_start + r.time.display_span;
    (void)ambview::SEC_YMDHM(year, end);
    read_every_row(r);
  }
  return 0;
}
