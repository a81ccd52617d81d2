// PLOT_ECG (see ecg_view.h).
#include "view/ecg_view.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "common/cp932.h"
#include "common/file_lookup.h"
#include "common/numbers.h"
#include "common/recording_format.h"
#include "common/text.h"
#include "view/recording/calendar.h"
#include "view/recording/channel_reader.h"
#include "view/trend_compute.h"

namespace ambview {

namespace ecg {

using common::round_half_even;

Geometry geometry(int window_width, int window_height) {
  Geometry g;
  g.width = window_width - kLeft - kMargin;
  g.height = window_height - 2 * kMargin;
  g.row = static_cast<int>(round_half_even(g.height / static_cast<double>(kRows)));
  g.units_per_pixel = g.row > 0 ? 4096.0 / (2.0 * g.row) : 0.0;
  return g;
}

int row_zero(const Geometry& g, int row) {
  return static_cast<int>(round_half_even((row + 0.5) * g.row + kMargin));
}

ui::Colour tint(ui::Colour background, ui::Colour colour, double share) {
  const auto mix = [&](int b, int c) { return static_cast<int>(round_half_even(b + (c - b) * share)); };
  return ui::rgb(mix(ui::red_of(background), ui::red_of(colour)), mix(ui::green_of(background), ui::green_of(colour)),
                 mix(ui::blue_of(background), ui::blue_of(colour)));
}

char block_code(int event_code) {
  if (event_code < 401 || event_code > 404) return 0;
  return static_cast<char>('e' + (event_code - 401));
}

}  // namespace ecg

namespace {

using common::round_half_even;

}  // namespace

void PLOT_ECG(char code, ui::Canvas& window, const ProcessingConditions& conditions, std::string_view prefix,
              const std::function<bool()>& still_open) {
  const int width = window.width();
  const int height = window.height();
  window.clear(conditions.back_colour);
  const ecg::Geometry g = ecg::geometry(width, height);
  if (g.row <= 0 || g.width <= 0) return;
  const double u = g.units_per_pixel;

  // A faint paper grid under the strips: 0.2 s (50 samples) and 1 s (250 samples) columns
  // and 1 mV (512 units) lines, tinted from the scale colour so it follows the user's colours.
  const ui::Colour back = conditions.back_colour;
  const ui::Colour scale = conditions.scale1_colour;
  const int top = ecg::kMargin, bottom = ecg::kMargin + ecg::kRows * g.row;
  window.set_pen(ecg::tint(back, scale, 0.15));
  for (int row = 0; row < ecg::kRows; ++row) {
    const int zero = ecg::row_zero(g, row);
    for (const int k : {-1, 1}) {
      const int y = zero + k * static_cast<int>(round_half_even(ecg::kCalibrationUnits / u));
      window.line(ecg::kLeft, y, ecg::kLeft + g.width, y);
    }
  }
  for (int column = 0; column <= ecg::kSamplesPerRow; column += ecg::kGridSamples) {
    const int x = static_cast<int>(round_half_even(static_cast<double>(column) * g.width / ecg::kSamplesPerRow + ecg::kLeft));
    window.set_pen(ecg::tint(back, scale, column % ecg::kTimeBarSamples == 0 ? 0.35 : 0.15));
    window.line(x, top, x, bottom);
  }
  window.set_pen(ecg::tint(back, scale, 0.35));
  for (int row = 0; row < ecg::kRows; ++row) {
    const int zero = ecg::row_zero(g, row);
    window.line(ecg::kLeft, zero, ecg::kLeft + g.width, zero);
  }

  // Calibration pulse at the left of row 0 and the time bar of 250 samples at the bottom.
  window.set_pen(conditions.scale1_colour);
  const int y0 = static_cast<int>(round_half_even(g.row / 2.0 + ecg::kMargin));
  const int p = static_cast<int>(round_half_even(ecg::kCalibrationUnits / u));
  window.polyline({{4, y0}, {8, y0}, {8, y0 - p}, {18, y0 - p}, {18, y0}, {22, y0}});
  const int x250 = static_cast<int>(
      round_half_even(static_cast<double>(ecg::kTimeBarSamples) * g.width / ecg::kSamplesPerRow + ecg::kLeft));
  window.polyline({{ecg::kLeft, height - 8}, {ecg::kLeft, height - 3}, {x250, height - 3}, {x250, height - 8}});

  const std::string path = std::string(prefix) + code;
  ChannelReader reader;
  if (!reader.open(path, word_coding(code))) return;

  window.set_pen(conditions.trend_colour);
  int drawn = 0;
  int zero = ecg::row_zero(g, 0);
  int previous_x = ecg::kLeft;
  std::int64_t largest = 0, smallest = 0, last = 0;
  bool first_record = true;
  // The samples a record really holds: a cut file shows what it has and nothing made up.
  std::array<int, ecg::kSamplesPerRecord> record{};
  while (drawn < ecg::kSamples) {
    if (still_open && !still_open()) return;
    int present = 0;
    for (; present < ecg::kSamplesPerRecord; ++present) {
      const std::optional<std::uint16_t> w = reader.word(drawn + present);
      if (!w) break;
      record[static_cast<std::size_t>(present)] = *w;
    }
    if (present == 0) return;
    for (int j = 0; j < present && drawn + j < ecg::kSamples; ++j) {
      // The recorder's first two samples are not settled yet: they are drawn as the third.
      const int sample = record[static_cast<std::size_t>(first_record && j < 2 && present > 2 ? 2 : j)];
      const std::int64_t v = round_half_even((sample - ecg::kZero) / u);
      const int k = drawn + j;
      const int column = k % ecg::kSamplesPerRow;
      const int x = static_cast<int>(
          round_half_even(static_cast<double>(column) * g.width / ecg::kSamplesPerRow + ecg::kLeft));
      if (column == 0) {
        zero = ecg::row_zero(g, k / ecg::kSamplesPerRow);
        largest = smallest = last = v;
        previous_x = x;
      }
      if (x > previous_x) {
        // A new pixel column: join it to the last value and close the column before it
        // with its range, so no peak between two pixels is lost.
        window.line(x - 1, static_cast<int>(zero - last), x, static_cast<int>(zero - v));
        window.line(x - 1, static_cast<int>(zero - largest), x - 1, static_cast<int>(zero - smallest));
        largest = smallest = v;
      }
      largest = std::max(largest, v);
      smallest = std::min(smallest, v);
      last = v;
      previous_x = x;
    }
    drawn += present;
    first_record = false;
    if (present < ecg::kSamplesPerRecord) return;
  }
}

bool render_ecg(ui::Canvas& canvas, const ProcessingConditions& conditions, std::string_view prefix, char code,
                std::ostream& err) {
  const std::string path = std::string(prefix) + code;
  if (!common::find_path_ignoring_case(path)) {
    err << "ambview render: the recording has no ECG block " << (code - 'e' + 1) << " (no file " << path << ")\n";
    return false;
  }
  PLOT_ECG(code, canvas, conditions, prefix, {});
  return true;
}

namespace {

// "心電図  ECG-n  MM/DD hh:mm:ss": which block the window shows and when it was recorded,
// from the block's sample index in the header of the recording's chosen file.
std::string ecg_caption(const ViewerState& state, char block) {
  const int k = block - 'e';
  std::string caption = "心電図  ECG-" + std::to_string(k + 1);
  ChannelReader file;
  if (state.recording_path.empty() || !file.open(state.recording_path, {}, true) || file.record_count() < 1)
    return caption;
  const common::RecordingHeader header = common::read_header(file.header());
  if (header.old_layout || k >= header.ecg_blocks || k >= common::kMaxEcgBlocks) return caption;
  const double seconds = header.ecg_positions[static_cast<std::size_t>(k)] * static_cast<double>(state.interval);
  std::int32_t t = state.time.recording_start + static_cast<std::int32_t>(round_half_even(seconds));
  std::string year = common::mid(state.info.item[RecordingInfo::kStartTime], 1, 2);
  const std::string ymdhm = SEC_YMDHM(year, t);
  return caption + "  " + common::mid(ymdhm, 3, 2) + "/" + common::mid(ymdhm, 5, 2) + " " + common::mid(ymdhm, 7, 2) +
         ":" + common::mid(ymdhm, 9, 2) + ":" + common::dec_field(((t % 60) + 60) % 60, 2);
}

}  // namespace

void run_ecg(ViewerState& state, ui::Platform& platform, int code) {
  const char block = ecg::block_code(code);
  if (block == 0 || !state.forms.form4) return;
  ui::Form& form = *state.forms.form4;
  form.set_caption(ecg_caption(state, block));
  form.set_busy(true);
  PLOT_ECG(block, form.canvas(), state.conditions, state.channels.prefix, [&] {
    platform.pump.process_pending();
    return state.forms.form4 && state.forms.form4->is_open();
  });
  if (state.forms.form4) state.forms.form4->set_busy(false);
}

}  // namespace ambview
