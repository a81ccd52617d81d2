// Recording file layouts: header fields of both layouts, sample coding of every channel,
// combined frames with markers, RR index entries; and the writer producing what the reader reads.
#include <random>

#include <gtest/gtest.h>

#include "common/recording_format.h"
#include "common/recording_writer.h"
#include "common/text.h"

using namespace common;

namespace {

std::string current_header_text() {
  std::string h(120, ' ');
  set_mid(h, 1, "ce12081030FFFF0000");  // kind, MMDDhhmm, count, interval code + seconds
  set_mid(h, 19, "SUBJECT A");
  set_mid(h, 39, "003200640096");  // thresholds
  set_mid(h, 51, "01240000012C2");  // display, mode, year, RR count, ECG blocks
  set_mid(h, 64, "000000000100");
  set_mid(h, 76, "0000000002A0");
  set_mid(h, 112, "B0001E240");
  return h;
}

const CombinedLayout& layout(std::string_view ext) { return *combined_layout(ext); }

}  // namespace

TEST(RecordingHeader, CurrentLayoutFields) {
  RecordingHeader h = read_header(current_header_text());
  EXPECT_FALSE(h.old_layout);
  EXPECT_EQ(h.kind, "ce");
  EXPECT_EQ(h.start_time, "2412081030");
  EXPECT_EQ(h.count, 123456u);  // FFFF switches to positions 113-120
  EXPECT_EQ(h.interval_code, '0');
  EXPECT_EQ(h.comment, "SUBJECT A           ");
  EXPECT_EQ(h.thresholds[0], 0x32u);
  EXPECT_EQ(h.thresholds[2], 0x96u);
  EXPECT_DOUBLE_EQ(threshold_g(h.thresholds[1]), 0.2);
  EXPECT_EQ(h.rr_count, 0x12Cu);
  EXPECT_EQ(h.ecg_blocks, 2);
  EXPECT_EQ(h.ecg_positions[0], 0x100u);
  EXPECT_EQ(h.ecg_positions[1], 0x2A0u);
  EXPECT_EQ(h.speed, 'B');
  EXPECT_EQ(interval_text(h), "0");

  std::string short_count = current_header_text();
  set_mid(short_count, 11, "1C21f");
  RecordingHeader s = read_header(short_count);
  EXPECT_EQ(s.count, 7201u);  // 113-120 ignored unless 11-14 is FFFF
  EXPECT_EQ(interval_text(s), "0.5");
  set_mid(short_count, 15, "x");
  EXPECT_EQ(interval_text(read_header(short_count)), "");
}

TEST(RecordingHeader, OldLayoutFields) {
  std::string h(120, ' ');
  set_mid(h, 1, "*124120810301C200004SUBJECT B");
  set_mid(h, 43, "001900320064000000C8");
  set_mid(h, 65, "3");
  RecordingHeader r = read_header(h);
  EXPECT_TRUE(r.old_layout);
  EXPECT_EQ(r.start_time, "2412081030");
  EXPECT_EQ(r.count, 0x1C20u);
  EXPECT_EQ(interval_text(r), "4");
  EXPECT_EQ(r.comment, "SUBJECT B           ");
  EXPECT_EQ(r.thresholds[0], 0x19u);
  EXPECT_EQ(r.thresholds[2], 0x64u);
  EXPECT_EQ(r.rr_count, 0xC8u);
  EXPECT_EQ(r.ecg_blocks, 3);
}

TEST(RecordingHeader, WriterRoundTripsBothLayouts) {
  RecordingHeader h = make_channel_header("ce", "2402291155", 70000, 'F', 0, "ﾃｽﾄ");
  h.thresholds = {10, 20, 30};
  h.rr_count = 4321;
  h.ecg_blocks = 3;
  h.ecg_positions = {1, 0x200, 0xFFFF, 0};
  std::string rec = make_header_record(h);
  EXPECT_EQ(rec.size(), 255u);
  EXPECT_EQ(mid(rec, 11, 4), "FFFF");
  EXPECT_EQ(mid(rec, 113, 8), "00011170");
  EXPECT_EQ(mid(rec, 64, 12), "000000000001");
  RecordingHeader back = read_header(rec);
  EXPECT_EQ(back.start_time, h.start_time);
  EXPECT_EQ(back.count, 70000u);
  EXPECT_EQ(back.interval_code, 'F');
  EXPECT_EQ(back.comment, h.comment);
  EXPECT_EQ(back.thresholds, h.thresholds);
  EXPECT_EQ(back.rr_count, 4321u);
  EXPECT_EQ(back.ecg_positions, h.ecg_positions);

  h.count = 100;
  rec = make_header_record(h);
  EXPECT_EQ(mid(rec, 11, 4), "0064");
  EXPECT_EQ(mid(rec, 113, 8), "00000064");

  RecordingHeader old;
  old.old_layout = true;
  old.kind = "*2";
  old.start_time = "9603010000";
  old.count = 0xABCD;
  old.interval_seconds = 2;
  old.thresholds = {1, 2, 3};
  old.ecg_blocks = 1;
  RecordingHeader old_back = read_header(make_header_record(old));
  EXPECT_TRUE(old_back.old_layout);
  EXPECT_EQ(old_back.start_time, "9603010000");
  EXPECT_EQ(old_back.count, 0xABCDu);
  EXPECT_EQ(interval_text(old_back), "2");
  EXPECT_EQ(old_back.thresholds, old.thresholds);
  EXPECT_EQ(old_back.ecg_blocks, 1);
}

TEST(ChannelSamples, TextKindsAndBinaryWords) {
  std::string text = "#0" "0FA0" "0001" "FFFF";
  EXPECT_EQ(decode_channel_sample(text, '0', 'A', 0), 8000);  // raw × 2 = mG
  EXPECT_EQ(decode_channel_sample(text, '1', 'L', 2), 65535);
  EXPECT_EQ(decode_channel_sample(text, '5', '5', 1), 1);
  EXPECT_EQ(decode_channel_sample("#4" "0F3", '4', '4', 1), 15);
  EXPECT_EQ(decode_channel_sample(text, '0', 'A', 49), 0);  // past the text: no read past the record

  const std::uint16_t words[] = {800, 0, 0xFFFF, 2048, 0, 4095};
  std::string rec = make_word_record(words);
  EXPECT_EQ(decode_channel_sample(rec, '6', '6', 0), 75);   // 60000 / 800
  EXPECT_EQ(decode_channel_sample(rec, '6', '6', 1), 7);    // 0 stands for 8192 ms
  EXPECT_EQ(decode_channel_sample(rec, '6', '6', 2), -60000);  // signed 16-bit word -1
  EXPECT_EQ(decode_channel_sample(rec, 'a', 'w', 3), 0);
  EXPECT_EQ(decode_channel_sample(rec, 'd', 'w', 4), -2048);
  EXPECT_EQ(decode_channel_sample(rec, 'c', 'w', 5), 2047);
  EXPECT_EQ(decode_channel_sample(rec, 'x', 'x', 0), 0);     // no matching row
  EXPECT_EQ(decode_channel_sample("", 'a', 'w', 119), -2048);  // short record: word 0
  EXPECT_EQ(binary_word(rec, 200), 0);
}

TEST(CombinedFrames, DecodingRules) {
  // .ac0 frame: B0 F8 (t 180); channel 1 digit 8 at character 3 and FF at 6-7.
  std::string rec = "*0" "F8" "0800FF00000000";
  EXPECT_EQ(decode_combined_sample(rec, layout(".ac0"), 't', 0), 180);
  EXPECT_EQ(decode_combined_sample(rec, layout(".ac0"), '1', 0), 1022);
  EXPECT_EQ(decode_combined_sample(rec, layout(".ac0"), '0', 0), 0);  // bit 11 of 0 is masked off
  EXPECT_EQ(decode_combined_sample("*0" "08" "00000000000000", layout(".ac0"), 't', 0), 0);
  // u: X = characters 1-2; ((X AND 7C) - 4) × 180 / 120.
  EXPECT_EQ(decode_combined_sample("*0" "0FC" "00000000000", layout(".ac0"), 'u', 0), 180);
  // channel 3: digit at 8 × 256 + byte 12-13; channel 2: characters 9-11; steps 14-17.
  std::string f5 = "08" "0" "000" "00" "F" "123" "A5" "BEEF";
  EXPECT_EQ(decode_combined_sample("*5" + f5, layout(".ac5"), '3', 0), (0xF * 256 + 0xA5) * 2);
  EXPECT_EQ(decode_combined_sample("*5" + f5, layout(".ac5"), '2', 0), 0x123 * 2);
  EXPECT_EQ(decode_combined_sample("*5" + f5, layout(".ac5"), 's', 0), 0xBEEF);
}

TEST(CombinedFrames, MarkerFramesAndStartOffset) {
  const CombinedLayout& ac0 = layout(".ac0");
  std::string marker = make_marker_frame(ac0, 0x1234);
  EXPECT_EQ(marker.substr(0, 6), "071234");
  std::string frames[] = {marker, make_combined_frame(ac0, {.tilt_t = 90, .acc = {100, 0, 0, 0}})};
  std::string rec = make_combined_record("*0", frames);
  for (char code : {'0', '1', '2', '3', 't', 'u', 's'})
    EXPECT_EQ(decode_combined_sample(rec, ac0, code, 0), 100000 + 0x1234) << code;
  EXPECT_TRUE(is_marker_value(decode_combined_sample(rec, ac0, 't', 0)));
  EXPECT_EQ(decode_combined_sample(rec, ac0, 't', 1), 90);
  EXPECT_EQ(combined_start_offset(rec, ac0), 0x1234);
  std::string plain_frames[] = {frames[1]};
  EXPECT_EQ(combined_start_offset(make_combined_record("*0", plain_frames), ac0), 0);
}

TEST(CombinedFrames, Ac1RecordHoldsTwentyFramesOfSix) {
  const CombinedLayout& ac1 = layout(".ac1");
  std::vector<std::string> frames;
  for (int j = 0; j < 20; ++j) frames.push_back(make_combined_frame(ac1, {.acc = {2 * j, 0, 0, 0}}));
  std::string rec = make_combined_record("*1", frames);
  EXPECT_EQ(mid(rec, 117, 6), frames[19]);
  set_mid(rec, 123, "FFFFFFFFFFFF");  // positions 123-255 are not read
  for (int j = 0; j < 20; ++j) EXPECT_EQ(decode_combined_sample(rec, ac1, '0', j), 2 * j);
  EXPECT_EQ(decode_combined_sample(rec, ac1, '0', 20), 0);
  EXPECT_EQ(combined_frame(rec, ac1, 20), "");
}

TEST(CombinedFrames, WriterRoundTripsEveryLayout) {
  std::mt19937 rng(7);
  for (const auto& lay : kCombinedLayouts) {
    for (int trial = 0; trial < 200; ++trial) {
      CombinedValues v;
      v.tilt_t = 6 * static_cast<int>(rng() % 31);
      v.tilt_u = 6 * static_cast<int>(rng() % 31);
      v.acc = {2 * static_cast<int>(rng() % 0x800), 2 * static_cast<int>(rng() % 0x200),
               2 * static_cast<int>(rng() % 0x1000), 2 * static_cast<int>(rng() % 0x1000)};
      v.steps = static_cast<int>(rng() % 0x10000);
      std::string f = make_combined_frame(lay, v);
      ASSERT_EQ(static_cast<int>(f.size()), lay.frame_width);
      std::string frames[] = {f};
      std::string rec = make_combined_record("*x", frames);
      for (int c = 0; c < lay.channel_count; ++c) {
        char code = lay.channels[static_cast<std::size_t>(c)].code;
        int want = code == 't' ? v.tilt_t : code == 'u' ? v.tilt_u : code == 's' ? v.steps : v.acc[static_cast<std::size_t>(code - '0')];
        ASSERT_EQ(decode_combined_sample(rec, lay, code, 0), want) << lay.extension << " " << code;
      }
    }
  }
}

TEST(RecordingLayout, SamplesPerRecordAndCombinedExtensions) {
  EXPECT_EQ(samples_per_record('A'), 50);
  EXPECT_EQ(samples_per_record('L'), 50);
  EXPECT_EQ(samples_per_record('4'), 240);
  EXPECT_EQ(samples_per_record('5'), 60);
  EXPECT_EQ(samples_per_record('6'), 120);
  EXPECT_EQ(samples_per_record('w'), 120);
  EXPECT_EQ(samples_per_record('?'), 0);
  EXPECT_EQ(record_of_sample(49, 50), 2);
  EXPECT_EQ(record_of_sample(50, 50), 3);
  EXPECT_TRUE(is_combined_extension(".ac3"));
  EXPECT_FALSE(is_combined_extension(".AC0"));
  EXPECT_EQ(combined_layout(".ac3"), nullptr);
  EXPECT_EQ(combined_layout(".AC0"), nullptr);  // compared case-sensitively
  EXPECT_EQ(combined_layout(".ac2")->frames_per_record, 15);
}

TEST(RRIndex, EntriesMostSignificantByteFirst) {
  std::vector<std::uint32_t> entries(60);
  for (std::size_t i = 0; i < entries.size(); ++i) entries[i] = 0x01020304u * static_cast<std::uint32_t>(i);
  std::string full = make_rr_index_record(entries);
  EXPECT_EQ(full.size(), 255u);
  EXPECT_EQ(full[244], ' ');  // a full record is blank-filled
  EXPECT_EQ(static_cast<unsigned char>(full[4]), 0x01);
  for (int j = 0; j < 60; ++j) EXPECT_EQ(rr_index_entry(full, j), entries[static_cast<std::size_t>(j)]);
  EXPECT_EQ(rr_index_entry(full, 60), 0u);

  std::string partial = make_rr_index_record(std::span(entries).first(3));
  EXPECT_EQ(partial[12], '\0');  // a partial one NUL-filled
  EXPECT_EQ(rr_index_entry(partial, 2), entries[2]);
  EXPECT_EQ(rr_index_entry(partial, 3), 0u);
}
