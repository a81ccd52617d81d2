// Header decoding and sample decoding of the recording files.
#include "common/recording_format.h"

#include "common/numbers.h"
#include "common/text.h"

namespace common {

namespace {

// Bytes pos..pos+len-1 (1-based) of a record, as mid() cuts them, without a copy: samples are
// decoded without an allocation.
std::string_view mid_view(std::string_view s, int pos, int len) {
  if (pos < 1) {
    len += pos - 1;
    pos = 1;
  }
  if (len <= 0) return {};
  const auto start = static_cast<std::size_t>(pos - 1);
  if (start >= s.size()) return {};
  return s.substr(start, static_cast<std::size_t>(len));
}

std::string field(std::string_view record, FieldPos f) {
  if (f.width <= 0) return {};
  return mid(record, f.pos, f.width);
}

// Only the first 255 bytes of a record carry anything the programs read.
std::string_view field_part(std::string_view record) { return record.substr(0, 255); }

std::uint32_t hex_field_value(std::string_view record, FieldPos f) {
  return static_cast<std::uint32_t>(hex_value(field(record, f)) & 0xFFFFFFFFu);
}

char char_at(std::string_view record, FieldPos f) {
  std::string s = field(record, f);
  return s.empty() ? ' ' : s[0];
}

// Hex value of `width` characters at 0-based `offset` of a frame.
std::uint32_t frame_hex(std::string_view frame_text, FieldPos f) {
  return static_cast<std::uint32_t>(hex_value(mid_view(frame_text, f.pos + 1, f.width)) & 0xFFFFFFFFu);
}

// One step of the combined-frame arithmetic: fractions are rounded (ties to even) before
// the next step, as the recorder's own software did.
std::int32_t ratio(std::int64_t num, std::int64_t den) {
  return static_cast<std::int32_t>(round_half_even(static_cast<double>(num) / static_cast<double>(den)));
}

}  // namespace

RecordingHeader read_header(std::string_view record) {
  return read_header_as(record, !record.empty() && record[0] == '*');
}

RecordingHeader read_header_as(std::string_view record, bool old_layout) {
  record = field_part(record);
  RecordingHeader h;
  h.old_layout = old_layout;
  const HeaderLayout& L = h.old_layout ? kOldHeader : kCurrentHeader;
  h.kind = field(record, L.kind);
  if (h.old_layout) {
    h.start_time = field(record, L.start_time);
    h.count = hex_field_value(record, L.count);
    h.interval_code = '0';
  } else {
    h.start_time = field(record, L.start_year) + field(record, L.start_time);
    h.count = hex_field_value(record, L.count);
    if (h.count == kCountInLongField) h.count = hex_field_value(record, L.count_long);
    h.interval_code = char_at(record, L.interval_code);
    h.speed = char_at(record, L.speed);
  }
  h.interval_seconds = hex_field_value(record, L.interval);
  h.comment = field(record, L.comment);
  for (std::size_t i = 0; i < 3; ++i) h.thresholds[i] = hex_field_value(record, L.thresholds[i]);
  h.display = char_at(record, L.display);
  h.mode = char_at(record, L.mode);
  h.rr_count = hex_field_value(record, L.rr_count);
  h.ecg_blocks = static_cast<int>(hex_field_value(record, L.ecg_blocks));
  if (!h.old_layout) {
    for (int k = 0; k < kMaxEcgBlocks && k < h.ecg_blocks; ++k) {
      int group = L.ecg_groups.pos + kEcgGroupStride * k;
      h.ecg_positions[static_cast<std::size_t>(k)] =
          hex_field_value(record, {group + kEcgGroupPosition.pos, kEcgGroupPosition.width});
    }
  }
  return h;
}

std::string_view fixed_interval_text(char code) {
  switch (code) {
    case 'f': return "0.5";
    case 'F': return "0.04";
    case 'a': return "0.2";
    case 'b': return "0.02";
    case 'c': return "0.004";
    default: return {};
  }
}

std::string interval_text(const RecordingHeader& header) {
  if (header.old_layout || header.interval_code == '0') return std::to_string(header.interval_seconds);
  return std::string(fixed_interval_text(header.interval_code));
}

double threshold_g(std::uint32_t raw) { return static_cast<double>(raw) * 2.0 / 1000.0; }

int samples_per_record(char kind) {
  switch (kind) {
    case kKindAcceleration:
    case kKindLevel: return 50;
    case kKindTilt: return 240;
    case kKindHeartRate: return 60;
    case kKindRR: return 120;
    case kKindWave: return 120;
    default: return 0;
  }
}

std::int64_t record_of_sample(std::int64_t n, int per_record) {
  return kDataFirstRecord + trunc_div(n, per_record);
}

bool is_combined_extension(std::string_view extension) {
  return extension.size() >= 3 && extension.substr(1, 2) == "ac";
}

const CombinedLayout* combined_layout(std::string_view extension) {
  for (const auto& layout : kCombinedLayouts)
    if (layout.extension == extension) return &layout;
  return nullptr;
}

std::string combined_frame(std::string_view record, const CombinedLayout& layout, int j) {
  if (j < 0 || j >= layout.frames_per_record) return {};
  return mid(record, kTextFirstSample + j * layout.frame_width, layout.frame_width);
}

std::int32_t decode_combined_sample(std::string_view record, const CombinedLayout& layout,
                                    char code, int j) {
  record = field_part(record);
  if (j < 0 || j >= layout.frames_per_record) return 0;
  // Channels may reach a few characters past a narrow frame, as the fixed offsets did;
  // the record bounds still hold.
  const std::string_view f = mid_view(record, kTextFirstSample + j * layout.frame_width, 18);
  const std::int64_t b0 = frame_hex(f, frame::kB0);
  if (b0 < kMarkerFrameLimit) return kMarkerBase + static_cast<std::int32_t>(frame_hex(f, frame::kMarker));
  switch (code) {
    case 't': return ratio(((b0 & 0xF8) - 8) * 180, 240);
    case 'u': {
      const std::int64_t x = frame_hex(f, frame::kTiltU);
      return ratio(((x & 0x7C) - 4) * 180, 120);
    }
    case '0': return static_cast<std::int32_t>((frame_hex(f, frame::kAcc0) & 0x7FF) * 2);
    case '1':
      return static_cast<std::int32_t>(((frame_hex(f, frame::kAcc1High) & 8) * 32 + frame_hex(f, frame::kAcc1Low)) * 2);
    case '2': return static_cast<std::int32_t>(frame_hex(f, frame::kAcc2) * 2);
    case '3':
      return static_cast<std::int32_t>((frame_hex(f, frame::kAcc3High) * 256 + frame_hex(f, frame::kAcc3Low)) * 2);
    case 's': return static_cast<std::int32_t>(frame_hex(f, frame::kSteps));
    default: return 0;
  }
}

std::int32_t combined_start_offset(std::string_view record2, const CombinedLayout& layout) {
  std::string f = combined_frame(record2, layout, 0);
  if (f.size() < 2 || hex_value(mid(f, frame::kB0.pos + 1, frame::kB0.width)) >= kMarkerFrameLimit) return 0;
  return static_cast<std::int32_t>(frame_hex(f, frame::kMarker));
}

std::int32_t binary_word(std::string_view record, int j) {
  record = field_part(record);
  if (j < 0) return 0;
  const auto lo = static_cast<std::size_t>(2 * j);
  if (lo + 1 >= record.size()) return 0;
  const auto b_lo = static_cast<unsigned char>(record[lo]);
  const auto b_hi = static_cast<unsigned char>(record[lo + 1]);
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(b_lo | (b_hi << 8)));
}

std::int32_t rr_heart_rate(std::int32_t word) {
  const double w = word == 0 ? 8192.0 : static_cast<double>(word);
  return static_cast<std::int32_t>(round_half_even(60000.0 / w));
}

std::int32_t decode_channel_sample(std::string_view record, char code, char kind, int j) {
  record = field_part(record);
  if (j < 0) return 0;
  auto hex4 = [&] {
    return static_cast<std::int32_t>(hex_value(mid_view(record, kTextFirstSample + 4 * j, 4)));
  };
  switch (kind) {
    case kKindAcceleration: return hex4() * 2;
    case kKindLevel: return hex4();
    case kKindTilt: return static_cast<std::int32_t>(hex_value(mid_view(record, kTextFirstSample + j, 1)));
    case kKindHeartRate: return hex4();
    case kKindRR: return rr_heart_rate(binary_word(record, j));
    default: break;
  }
  switch (code) {
    case 'a':
    case 'b':
    case 'c':
    case 'd': return binary_word(record, j) - 2048;
    default: return 0;
  }
}

std::uint32_t rr_index_entry(std::string_view record, int j) {
  record = field_part(record);
  if (j < 0 || j >= kRRIndexEntriesPerRecord) return 0;
  const auto at = static_cast<std::size_t>(kRRIndexEntryBytes * j);
  if (at + 3 >= record.size()) return 0;
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(record[at + i]);
  return v;
}

}  // namespace common
