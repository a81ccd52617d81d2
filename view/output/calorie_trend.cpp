// CAL_TREND and CAL_PLOT (see calorie_trend.h): the series computed, drawn, then written.
#include "view/output/calorie_trend.h"

#include <fstream>
#include <optional>

#include "common/staged_file.h"
#include "view/compute/trend_series.h"
#include "view/draw/calorie_plot.h"
#include "view/recording/output_guard.h"

namespace ambview {

namespace {

// Writes the calorie text file under a temporary name, put in place only when the entry
// ends well: a failed entry or a full disk leaves no cut-short "Calorie.ac".
class TextFile {
 public:
  bool open(const std::string& path) {
    staged_.emplace(path);
    staged_->prepare();
    out_.open(staged_->temp_path(), std::ios::binary | std::ios::trunc);
    return static_cast<bool>(out_);
  }
  // Writes the lines, closes the file and renames it into place; false when a write, the
  // close or the rename failed (a full disk, a removed folder). Without a commit the
  // temporary file goes.
  bool commit(const std::vector<std::string>& lines) {
    if (!staged_) return true;
    for (const std::string& line : lines) out_ << line << "\r\n";
    out_.close();
    if (!out_) return false;
    return staged_->commit();
  }

 private:
  std::optional<common::StagedFile> staged_;
  std::ofstream out_;  // closed before the staged file removes its temporary name
};

struct Plot {
  ui::Canvas* window;
  const ProcessingConditions* conditions;
  const RecordingInfo* info;
  const ChannelTable* channels;
  const CalorieFrame* frame;
  std::string text_directory;
};

CalorieOutcome CAL_PLOT(const Plot& p, const CalorieEntry& entry, int index) {
  CalorieOutcome out;
  out.entry = entry;
  out.recording_file = trend::band_file_name(p.channels->prefix, p.channels->extension, entry.code);
  TextFile file;
  const std::string text_path =
      p.text_directory.empty() ? "" : p.text_directory + calorie_file_name(entry.kind);
  if (!text_path.empty() && (overwrite_of({text_path}, *p.channels) || !file.open(text_path))) {
    out.error = common::CalorieError::WriteError;
    out.span_samples = p.frame->n;
    out.counted = p.frame->n;
    return out;
  }
  const CalorieRates rates = calorie_rates(*p.frame, *p.conditions, *p.channels, entry);
  out.span_samples = rates.span_samples;
  out.counted = rates.counted;
  out.error = rates.error;
  draw_calorie_bars(*p.window, *p.conditions, *p.frame, index, rates);
  if (rates.error != common::CalorieError::None) return out;
  if (!file.commit(calorie_text_lines(*p.frame, *p.conditions, *p.info, *p.channels, entry, rates))) {
    out.error = common::CalorieError::WriteError;
    return out;
  }
  out.text_file = text_path;
  out.total = rates.span.total;
  draw_calorie_caption(*p.window, *p.frame, *p.channels, entry, index, rates);
  return out;
}

}  // namespace

std::vector<CalorieOutcome> CAL_TREND(ui::Canvas& window, const ProcessingConditions& c, const RecordingInfo& info,
                                      const ChannelTable& channels, const std::vector<CalorieEntry>& list,
                                      const std::string& text_directory) {
  window.clear(c.back_colour);
  std::vector<CalorieOutcome> outcomes;
  const int length = static_cast<int>(list.size());
  if (length == 0) return outcomes;
  const CalorieFrame frame = calorie_frame(window.width(), window.height(), c, info, length);
  draw_calorie_frame(window, c, frame);
  // Files are opened by their names on disk, never by names rebuilt from the CP932 slots.
  const Plot plot{&window, &c, &info, &channels, &frame, text_directory};
  for (int i = 0; i < length; ++i) outcomes.push_back(CAL_PLOT(plot, list[static_cast<std::size_t>(i)], i));
  draw_calorie_summary(window, c, info, frame);
  return outcomes;
}

}  // namespace ambview
