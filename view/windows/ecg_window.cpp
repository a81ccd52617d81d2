// The ECG window FORM4: the block drawn into it with a caption saying when it was recorded.
#include "view/windows/ecg_window.h"

#include <string>

#include "common/numbers.h"
#include "common/recording_format.h"
#include "common/text.h"
#include "view/draw/ecg_strip.h"
#include "view/recording/calendar.h"
#include "view/recording/channel_reader.h"

namespace ambview {

namespace {

using common::round_half_even;

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

char ecg_block_of(int code) {
  if (code < code::kEcg1 || code > code::kEcg4) return 0;
  return static_cast<char>('e' + (code - code::kEcg1));
}

void run_ecg(ViewerState& state, ui::Platform& platform, int code) {
  const char block = ecg_block_of(code);
  if (block == 0 || !state.forms.form4) return;
  ui::Form& form = *state.forms.form4;
  form.set_caption(ecg_caption(state, block));
  form.set_busy(true);
  PLOT_ECG(block, form.canvas(), state.conditions, state.channels.prefix, [&] {
    platform.pump.process_pending();
    return state.forms.form4 && state.forms.form4->is_open();
  }, state.extras.view);
  if (state.forms.form4) state.forms.form4->set_busy(false);
}

}  // namespace ambview
