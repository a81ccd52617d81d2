// The text export and re-save under test doubles: small recordings written value by value,
// a recording put into the viewer's state as an accepted processing-conditions dialog leaves
// it, the conditions of a chosen range, and the lines of a ".prn" file.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/cp932.h"
#include "common/record_file.h"
#include "common/text.h"
#include "common/recording_writer.h"
#include "shell_fixture.h"
#include "view/output/resave.h"
#include "view/output/text_export.h"
#include "view/windows/save_operations.h"

namespace ambview::testing {

class ExportTest : public ViewerTest {
 protected:
  void SetUp() override {
    ViewerTest::SetUp();
    data_ = root_ / "data";
    fs::create_directories(data_);
    state.start_directory = start_.string() + "/";
    state.conditions = default_conditions(state.start_directory);
  }

  std::string data(const std::string& name) const { return (data_ / name).string(); }

  // A current-layout header of a per-channel file, 1 s interval.
  static common::RecordingHeader header(std::uint32_t count, std::string_view kind = "ce",
                                        std::string_view comment = "TEST") {
    auto h = common::make_channel_header(kind, "2612010900", count, '0', 1, comment);
    h.thresholds = {50, 100, 150};
    return h;
  }

  // The processing conditions a fresh open leaves, with the window start/span in seconds
  // (span < 0: the whole recording).
  ProcessingConditions conditions_for(const LoadedRecording& r, std::int64_t start, std::int64_t span) const {
    ProcessingConditions c = default_conditions(state.start_directory);
    c.directory = common::utf8_to_cp932(r.directory);
    c.base_name = common::utf8_to_cp932(r.base_name);
    c.extension = common::utf8_to_cp932(r.extension);
    c.interval = IntervalText::of(r.info.item[RecordingInfo::kInterval]);
    c.duration = r.time.duration;
    c.display_start = start;
    c.display_span = span < 0 ? r.time.duration : span;
    return c;
  }

  LoadedRecording load(const std::string& path) {
    const LoadResult r = load_recording(path);
    EXPECT_TRUE(r.ok()) << path;
    return r.recording;
  }

  // The recording as an accepted processing-conditions dialog leaves it in the state.
  LoadedRecording open_in_state(const std::string& path, std::int64_t start = 0, std::int64_t span = -1) {
    LoadedRecording r = load(path);
    const int per_line = state.conditions.per_line;
    state.conditions = conditions_for(r, start, span);
    state.conditions.per_line = per_line;
    set_data_directory(state, r.directory);
    state.recording_path = r.path;
    state.channels = r.table;
    state.info = r.info;
    state.time = r.time;
    state.sample_count = r.sample_count;
    state.interval = r.interval;
    state.loaded = true;
    return r;
  }

  // The lines of a file split at CR LF; a lone LF fails the test.
  static std::vector<std::string> lines_of(const fs::path& p) {
    const std::string bytes = read_bytes(p);
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < bytes.size()) {
      const auto end = bytes.find("\r\n", at);
      if (end == std::string::npos) {
        ADD_FAILURE() << p << ": last line without CR LF";
        out.push_back(bytes.substr(at));
        break;
      }
      out.push_back(bytes.substr(at, end - at));
      at = end + 2;
    }
    for (const auto& line : out)
      EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << p << ": a line end other than CR LF";
    return out;
  }

  // Every value of a data line.
  static std::vector<std::string> fields_of(const std::string& line) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (true) {
      const auto comma = line.find(',', at);
      out.push_back(line.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
      if (comma == std::string::npos) break;
      at = comma + 1;
    }
    return out;
  }

  static std::string cp(std::string_view utf8) { return common::utf8_to_cp932(utf8); }

  static std::string record(const std::string& path, int n) {
    common::RecordFile f;
    EXPECT_TRUE(f.open(path, common::RecordFile::Mode::ReadOnly)) << path;
    return f.read(n).value_or(std::string());
  }
  static std::int64_t records(const std::string& path) {
    common::RecordFile f;
    return f.open(path, common::RecordFile::Mode::ReadOnly) ? f.record_count() : -1;
  }

  // Files of a directory whose names end in `suffix`.
  static std::vector<std::string> files_ending(const fs::path& dir, const std::string& suffix) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir)) {
      const std::string name = e.path().filename().string();
      if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
        out.push_back(name);
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  fs::path data_;
};

}  // namespace ambview::testing
