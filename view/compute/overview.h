// The overview of the processing-conditions dialog, worked out without a canvas: the band
// geometry, the window rules, the selection frame of the window and the points of each band.
// draw/overview puts them on the dialog (or on a picture).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "view/recording/loader.h"

namespace ambview {

// Overview geometry: a 300 x 300 area whose left edge is x = 25 in the dialog, a name line of
// 16 pixels above each band.
inline constexpr int kOverviewLeft = 25;
inline constexpr int kOverviewSize = 300;
inline constexpr int kOverviewNameLine = 16;
inline constexpr int kOverviewHrScale = 300;

// Band height b = 300 / c - 16 (rounded) for c channels.
int overview_band_height(int channel_count);
// Base line of channel k: (k + 1) x (b + 16).
int overview_base_line(int k, int band);
// Overview points per pixel column: sample count \ 300, at least 1.
std::int64_t overview_step(std::int64_t sample_count);
// The overview's acceleration full scale: GET_YSIZ of (the scale - 1) kept in 0..2.
int overview_acc_full_scale(int acc_scale);

// Brings the window back into a recording of L seconds: the start in 0..L in whole minutes,
// the span cut to the end, rounded up to whole minutes, at least 60.
void apply_window_rules(std::int32_t& start, std::int32_t& span, std::int32_t length);

// One outline of the selection frame.
struct FrameBox {
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bool operator==(const FrameBox&) const = default;
};
// The selection frame of window S, D over a recording of L seconds, one box per channel
// that has one (kinds "T" and "S" have none).
std::vector<FrameBox> selection_frame(const ChannelTable& table, int band, int acc_full_scale,
                                      int overview_acc_full_scale, int hr_full_scale,
                                      std::int32_t length, std::int32_t start, std::int32_t span);

// One overview band: channel k of the table.
struct OverviewInput {
  const ChannelTable* table = nullptr;
  int k = 0;                      // channel index
  int band = 0;                   // b
  std::int64_t sample_count = 0;  // of the recording (trend samples)
  std::int64_t q = 1;             // points per pixel column
  int acc_full_scale = 4000;      // overview acceleration full scale
  int hr_full_scale = kOverviewHrScale;
  double interval = 0;            // seconds

  char kind() const;
  char code() const;
  int base() const;  // base line; about the band's middle for waveforms
  // x of sample j.
  int x_of(std::int64_t j) const;
  // Height in pixels limited to the band.
  int limit(int y) const;
};

// One step of a band: to pixel x, height y above its base.
struct OverviewPoint {
  int x = 0;
  int y = 0;
};
// The points of a band from its file, every q-th sample within what the file holds (an RR
// band through its RR index, built when missing: rr_index.h). A read error ends the band.
std::vector<OverviewPoint> overview_points(const OverviewInput& band);
// The points of an RR band from its RR index.
std::vector<OverviewPoint> rr_overview_points(const OverviewInput& band);

// The acceleration scale as the dialog writes it ("SCALE= 0.06G", "SCALE=  4G").
std::string scale_text(int acc_scale);

}  // namespace ambview
