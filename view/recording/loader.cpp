// Loading a recording: path parts, channel table, RecordingInfo, time base, sample reader.
#include "view/recording/loader.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "common/cp932.h"
#include "common/file_lookup.h"
#include "common/numbers.h"
#include "common/path_names.h"
#include "common/text.h"
#include "view/recording/calendar.h"
#include "view/recording/channel_reader.h"

namespace ambview {

namespace {

// Longest duration the 32-bit time base can carry together with a start within the year and
// a start offset of up to 65535 minutes; anything longer is a header no recorder wrote.
constexpr std::int64_t kMaxDuration = std::numeric_limits<std::int32_t>::max() - 100'000'000;

RecordingInfo fill_info(const common::RecordingHeader& h) {
  RecordingInfo info;
  info.item[RecordingInfo::kStartTime] = h.start_time;
  info.item[RecordingInfo::kComment] = h.comment;
  info.item[RecordingInfo::kCount] = std::to_string(h.count);
  info.item[RecordingInfo::kInterval] = common::interval_text(h);
  for (int i = 0; i < 3; ++i)
    info.item[static_cast<std::size_t>(RecordingInfo::kThreshold1 + i)] =
        common::num_plain(common::threshold_g(h.thresholds[static_cast<std::size_t>(i)]));
  info.item[RecordingInfo::kEcgBlocks] = std::to_string(h.ecg_blocks);
  info.item[RecordingInfo::kStartOffset] = "0";
  return info;
}

char initial_kind(char code) {
  if (code == '0') return common::kKindAcceleration;
  if (code >= 'a' && code <= 'd') return common::kKindWave;
  return code;
}

std::int32_t clamp32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

const ChannelRow* row_at(const ChannelTable& table, int row) {
  if (row < 0 || row >= kMaxChannelRows) return nullptr;
  return &table.rows[static_cast<std::size_t>(row)];
}

}  // namespace

std::string GET_PASS(std::string_view path) { return common::directory_part(path); }
std::string GET_FN(std::string_view path) { return common::recording_base_name(path); }
std::string GET_EXP(std::string_view path) { return common::extension_part(path); }

bool is_ecg_wave_path(std::string_view path) {
  if (!path.empty() && path.back() == 'd') return true;
  const auto comma = path.find(',');
  if (comma != std::string_view::npos && comma > 0 && path[comma - 1] == 'd') return true;
  // A per-channel set that carries an extension: the chosen name is base (7) + "d" + extension.
  const std::size_t dot = common::extension_start(path);
  const std::size_t start = common::name_start(path);
  return dot != std::string_view::npos && !common::is_combined_extension(path.substr(dot)) && dot > start &&
         path[dot - 1] == 'd' &&
         static_cast<int>(common::utf8_to_cp932(path.substr(start, dot - start)).size()) == common::kBaseNameBytes + 1;
}

RecordingInfo ACC_STATUS(std::string_view chosen_path, std::string_view header_record) {
  const common::RecordingHeader h = common::read_header_as(header_record, false);
  RecordingInfo info = fill_info(h);
  if (is_ecg_wave_path(chosen_path)) {
    info.item[RecordingInfo::kCount] = std::to_string(common::round_half_even(static_cast<double>(h.count) / 5.0));
  }
  return info;
}

RecordingInfo CAL_STATUS(std::string_view, std::string_view header_record) {
  return fill_info(common::read_header_as(header_record, true));
}

void GET_F(std::string_view prefix, std::string_view extension, ChannelTable& table) {
  table = ChannelTable{};
  table.prefix = std::string(prefix);
  table.extension = std::string(extension);
  for (std::size_t i = 0; i < table.rows.size(); ++i) table.rows[i].code = common::kChannelCodes[i];

  for (char code : common::kChannelCodes) {
    const std::string wanted = std::string(prefix) + code + std::string(extension);
    const auto found = common::find_path_ignoring_case(wanted);
    if (!found) continue;
    ChannelReader file;
    if (!file.open(*found, {})) continue;
    ChannelRow& row = table.rows[static_cast<std::size_t>(table.count)];
    row.present = true;
    row.code = code;
    row.kind = initial_kind(code);
    row.path = *found;
    if (code >= '1' && code <= '3') {
      row.kind = file.record_prefix().starts_with('#') ? common::kKindLevel : common::kKindAcceleration;
    }
    ++table.count;
  }

  if (!common::is_combined_extension(extension)) return;
  for (auto& row : table.rows) row.present = false;
  table.combined = common::combined_layout(extension);
  if (table.combined == nullptr) return;  // an unlisted ".acN": nothing to read
  const std::string path = common::find_path_ignoring_case(std::string(prefix) + std::string(extension))
                               .value_or(std::string(prefix) + std::string(extension));
  table.count = table.combined->channel_count;
  for (int i = 0; i < table.count; ++i) {
    const auto& ch = table.combined->channels[static_cast<std::size_t>(i)];
    table.rows[static_cast<std::size_t>(i)] = {true, ch.code, ch.kind, path};
  }
}

int NO_EXF(const ChannelTable& table) {
  return static_cast<int>(std::count_if(table.rows.begin(), table.rows.end(),
                                        [](const ChannelRow& r) { return r.present; }));
}

int GET_BLKSIZ(const ChannelTable& table, int row) {
  const ChannelRow* r = row_at(table, row);
  if (r == nullptr) return 0;
  int n = common::samples_per_record(r->kind);
  if (const auto* layout = common::combined_layout(table.extension)) n = layout->frames_per_record;
  return n;
}

std::int32_t GET_D(std::string_view record, const ChannelTable& table, int row, int j) {
  const ChannelRow* r = row_at(table, row);
  if (r == nullptr) return 0;
  if (common::is_combined_extension(table.extension)) {
    const auto* layout = common::combined_layout(table.extension);
    return layout == nullptr ? 0 : common::decode_combined_sample(record, *layout, r->code, j);
  }
  return common::decode_channel_sample(record, r->code, r->kind, j);
}

std::int32_t GET_Y(std::string_view record, const ChannelTable& table, int row, int j, int height,
                   double acc_full_scale, double hr_full_scale, double interval) {
  const ChannelRow* r = row_at(table, row);
  if (r == nullptr) return 0;
  return GET_Y(GET_D(record, table, row, j), *r, height, acc_full_scale, hr_full_scale, interval);
}

std::int32_t GET_Y(std::int32_t value, const ChannelRow& row, int height, double acc_full_scale, double hr_full_scale,
                   double interval) {
  const ChannelRow* r = &row;
  const double v = value;
  const double h = height;
  auto scaled = [](double num, double den) -> std::int32_t {
    if (den == 0) return 0;
    return clamp32(common::round_half_even(num / den));
  };
  switch (r->kind) {
    case common::kKindSteps: {
      if (interval == 0) return 0;
      const double per_minute = static_cast<double>(common::round_half_even(v * 60 / interval));
      return scaled(per_minute * h, 180);
    }
    case common::kKindCombinedTilt: return scaled(v * h, 180);
    case common::kKindLevel: return scaled(h * v, 10 * interval);
    case common::kKindTilt: return scaled(h * v, 10);
    case common::kKindHeartRate:
    case common::kKindRR: return scaled(h * v, hr_full_scale);
    default: break;
  }
  if (r->kind == common::kKindAcceleration || (r->code >= 'a' && r->code <= 'c')) return scaled(h * v, acc_full_scale);
  if (r->code == 'd') return scaled(h * v, 2048);
  return 0;
}

int GET_YSIZ(int index) {
  static constexpr int kScales[] = {4000, 1500, 600, 300, 150, 60};
  return index >= 0 && index < 6 ? kScales[index] : 0;
}

int GET_HRYSIZ(int code) {
  if (code == 0) return 300;
  if (code == 1) return 180;
  return 0;
}

DataErrorMessage message_for(LoadError error) {
  switch (error) {
    case LoadError::NotProcessable: return kNotProcessableMessage;
    case LoadError::NoChannels: return kNoChannelsMessage;
    case LoadError::TooShort: return kTooShortMessage;
    case LoadError::None: break;
  }
  return {"", ""};
}

std::int32_t fresh_display_span(std::int32_t duration) {
  return clamp32(std::max<std::int64_t>(60, DIV_KIRIAGE(duration, 60)));
}

LoadResult load_recording(const std::string& chosen_path) {
  LoadResult result;
  LoadedRecording& r = result.recording;
  r.path = chosen_path;
  r.directory = GET_PASS(chosen_path);
  r.base_name = GET_FN(chosen_path);
  r.extension = GET_EXP(chosen_path);

  std::string header_text;
  std::optional<std::string> record2;
  {
    // The analysis program never changes a recording: read-only, closed at once.
    ChannelReader file;
    const auto rec1 = file.open(chosen_path, {}, true) ? file.record(1) : std::nullopt;
    if (!rec1) {
      result.error = LoadError::NotProcessable;
      return result;
    }
    header_text = std::string(*rec1);
    if (common::is_combined_extension(r.extension))
      if (const auto rec2 = file.record(common::kDataFirstRecord)) record2 = std::string(*rec2);
  }

  r.header = common::read_header(header_text);
  r.info = r.header.old_layout ? CAL_STATUS(chosen_path, header_text) : ACC_STATUS(chosen_path, header_text);
  r.sample_count = common::round_half_even(common::val(r.info.item[RecordingInfo::kCount]));
  r.interval = static_cast<float>(common::val(r.info.item[RecordingInfo::kInterval]));

  if (const auto* layout = common::combined_layout(r.extension); layout != nullptr && record2) {
    r.start_offset = common::combined_start_offset(*record2, *layout);
  }
  r.info.item[RecordingInfo::kStartOffset] = std::to_string(r.start_offset);

  GET_F(r.directory + r.base_name, r.extension, r.table);
  if (NO_EXF(r.table) == 0) {
    result.error = LoadError::NoChannels;
    return result;
  }

  const std::int64_t duration = duration_seconds(r.sample_count, r.interval);
  if (duration < 1) {
    result.error = LoadError::TooShort;
    return result;
  }
  if (duration > kMaxDuration) {
    result.error = LoadError::NotProcessable;
    return result;
  }
  r.time.duration = static_cast<std::int32_t>(duration);
  r.time.recording_start = YMDHM_SEC(r.info.item[RecordingInfo::kStartTime]) + 60 * r.start_offset;
  r.time.display_start = 0;
  r.time.display_span = fresh_display_span(r.time.duration);
  return result;
}

}  // namespace ambview
