// The HRV window (see hrv_window.h).
#include "view/windows/hrv_window.h"

#include <charconv>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/numbers.h"
#include "common/path_names.h"
#include "common/staged_file.h"
#include "ui/bmp_file.h"
#include "ui/png_file.h"
#include "view/draw/hrv_plot.h"
#include "view/recording/output_guard.h"

namespace ambview {

namespace {

namespace fs = std::filesystem;

constexpr int kButtonY = kHrvHeight - 34;

// Columns of the fixed-width font a UTF-8 text takes: two for a full-width character, one
// for ASCII and half-width katakana.
int columns_of(std::string_view s) {
  int n = 0;
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const int len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    char32_t cp = len == 1 ? c : c & (0xFF >> (len + 1));
    for (int k = 1; k < len && i + static_cast<std::size_t>(k) < s.size(); ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) & 0x3F);
    n += cp < 0x1100 || (cp >= 0xFF61 && cp <= 0xFF9F) ? 1 : 2;
    i += static_cast<std::size_t>(len);
  }
  return n;
}

std::string right(std::string_view s, int width) {
  return std::string(static_cast<std::size_t>(std::max(0, width - columns_of(s))), ' ') + std::string(s);
}
std::string left(std::string_view s, int width) {
  return std::string(s) + std::string(static_cast<std::size_t>(std::max(0, width - columns_of(s))), ' ');
}

std::string value_text(const std::optional<double>& v) {
  if (!v) return {};
  char buf[48];
  const auto r = std::to_chars(buf, buf + sizeof buf, *v, std::chars_format::fixed, 2);
  return std::string(buf, r.ptr);
}

constexpr int kStartColumns = 20;
constexpr int kValueColumns = 11;

std::string table_row(std::string_view start, const HrvStats& s) {
  return left(start, kStartColumns) + right(std::to_string(s.beats), 7) + right(std::to_string(s.excluded), 6) +
         right(value_text(s.mean_rr_ms), kValueColumns) + right(value_text(s.sdnn_ms), kValueColumns) +
         right(value_text(s.rmssd_ms), kValueColumns) + right(value_text(s.pnn50_pct), kValueColumns) +
         right(value_text(s.mean_hr_bpm), kValueColumns);
}

bool hrv_open(const ViewerState& state) { return state.forms.hrv && state.forms.hrv->is_open(); }

ui::Form& make_window(ViewerState& state, ui::Platform& platform) {
  if (!state.forms.hrv) {
    state.forms.hrv = platform.forms.make_form("FORM8", kHrvWidth, kHrvHeight);
    ui::Form& form = *state.forms.hrv;
    const int list_y = kHrvPictureHeight + 4;
    form.add_controls({
        {"PICTURE1", ui::ControlKind::Picture, "", 0, 0, kHrvWidth, kHrvPictureHeight},
        {"LIST1", ui::ControlKind::List, "", 0, list_y, kHrvWidth, kButtonY - 6 - list_y, true, 0},
        {"BUTTON1", ui::ControlKind::Button, "CSV保存", 8, kButtonY, 120, 28},
        {"BUTTON2", ui::ControlKind::Button, "画像保存", 136, kButtonY, 120, 28},
        {"BUTTON3", ui::ControlKind::Button, "閉じる", kHrvWidth - 128, kButtonY, 120, 28},
    });
    form.set_handler([&state](const ui::UiEvent& e) {
      if (e.kind != ui::EventKind::Click) return;
      const auto set_code = [&](int c) { state.event_code = static_cast<std::int16_t>(c); };
      if (ui::same_name(e.control, "BUTTON1")) set_code(hrv::kSaveCsv);
      else if (ui::same_name(e.control, "BUTTON2")) set_code(hrv::kSavePicture);
      else if (ui::same_name(e.control, "BUTTON3")) set_code(hrv::kClose);
    });
  }
  return *state.forms.hrv;
}

void open_window(ViewerState& state, ui::Platform& platform) {
  if (!state.loaded) return;
  HrvRange range;
  range.start_s = state.conditions.display_start;
  range.span_s = state.conditions.display_span;
  auto report = std::make_shared<HrvReport>(hrv_report(state.channels, state.info, range));
  if (!report->ok()) {
    platform.dialogs.message_box(kHrvCaption, hrv_error_text(*report), ui::Buttons::Ok, ui::Icon::Exclamation);
    return;
  }
  ui::Form& form = make_window(state, platform);
  form.set_caption(std::string(kHrvCaption) + "  " + fs::path(state.recording_path).filename().string() + "  (" +
                   std::to_string(range.window_s) + " s)");
  if (ui::Canvas* canvas = form.control("PICTURE1").canvas()) HRV_PLOT(*canvas, *report);
  ui::Control& list = form.control("LIST1");
  list.clear_rows();
  for (const std::string& row : hrv_table_rows(*report)) list.add_row(row);
  state.hrv_report = std::move(report);
  if (form.is_open()) {
    form.raise();
  } else {
    form.show();
  }
}

// A chosen name made absolute in the data directory, with `extension` when it has none.
std::string chosen_path(const ViewerState& state, const std::string& chosen, std::string_view extension) {
  fs::path p(chosen);
  if (p.is_relative()) p = fs::path(state.data_directory) / p;
  if (common::extension_part(p.filename().string()).empty()) p += std::string(extension);
  return p.string();
}

void report_write_failure(ui::Platform& platform, std::string_view title, const std::string& path, const std::string& why) {
  platform.dialogs.message_box(title, "ファイル " + path + " を保存できませんでした。\r" + why, ui::Buttons::Ok,
                               ui::Icon::Exclamation);
}

// The save dialog and the checks every save goes through; the path, or empty when nothing
// is to be written.
std::string ask_path(ViewerState& state, ui::Platform& platform, std::string_view title, std::string_view proposed,
                     std::string_view filter, std::string_view extension) {
  const std::string chosen = platform.dialogs.save_file(title, proposed, filter);
  if (chosen == ui::kCancelAnswer || chosen.empty()) return {};
  const std::string path = chosen_path(state, chosen, extension);
  if (const auto o = overwrite_of({path}, state.channels)) {
    platform.dialogs.message_box(title, overwrite_text(*o), ui::Buttons::Ok, ui::Icon::Exclamation);
    return {};
  }
  return path;
}

void save_csv(ViewerState& state, ui::Platform& platform) {
  if (!hrv_open(state) || !state.hrv_report) return;
  constexpr const char* kTitle = "HRVの保存";
  const std::string path =
      ask_path(state, platform, kTitle, data_base_name(state) + "_HRV.csv", "CSV(*.csv);すべてのファイル(*.*)", ".csv");
  if (path.empty()) return;
  const std::string csv = hrv_csv(*state.hrv_report);
  if (const int e = common::write_whole_file(path, csv.data(), csv.size()); e != 0)
    report_write_failure(platform, kTitle, path, std::strerror(e));
}

void save_picture(ViewerState& state, ui::Platform& platform) {
  if (!hrv_open(state)) return;
  constexpr const char* kTitle = "HRV画像の保存";
  const std::string path = ask_path(state, platform, kTitle, data_base_name(state) + "_HRV.png",
                                    "PNG(*.png);ﾋﾞｯﾄﾏｯﾌﾟ(*.bmp)", ".png");
  if (path.empty()) return;
  const ui::Canvas* canvas = state.forms.hrv->control("PICTURE1").canvas();
  if (canvas == nullptr) return;
  const ui::Image image = canvas->snapshot();
  std::string error;
  const std::string ext = common::extension_part(fs::path(path).filename().string());
  const bool bmp = ext.size() == 4 && (ext == ".bmp" || ext == ".BMP");
  if (!(bmp ? ui::write_bmp(path, image, &error) : ui::write_png(path, image, &error)))
    report_write_failure(platform, kTitle, path, error);
}

}  // namespace

std::vector<std::string> hrv_table_rows(const HrvReport& report) {
  std::vector<std::string> rows;
  rows.reserve(report.windows.size() + 2);
  rows.push_back(left("開始時刻", kStartColumns) + right("拍数", 7) + right("除外", 6) +
                 right("平均RR ms", kValueColumns) + right("SDNN ms", kValueColumns) +
                 right("RMSSD ms", kValueColumns) + right("pNN50 %", kValueColumns) +
                 right("平均HR bpm", kValueColumns));
  for (const HrvStats& s : report.windows)
    rows.push_back(table_row(civil_time_text(report.start_text, report.offset_ms + s.offset_ms), s));
  rows.push_back(table_row("全体", report.all));
  return rows;
}

std::string hrv_error_text(const HrvReport& report) {
  switch (report.error) {
    case HrvError::None: return {};
    case HrvError::NoRrChannel: return "このデーターにはRR間隔がありません。";
    case HrvError::Unreadable: return "RR間隔のファイルを読めません。\r" + report.rr_path;
    case HrvError::Damaged: return "RR間隔のファイルが壊れています。\r" + report.detail;
    case HrvError::EmptyRange: return "表示範囲にRR間隔がありません。";
  }
  return {};
}

void run_hrv_window(ViewerState& state, ui::Platform& platform, int code) {
  switch (code) {
    case hrv::kOpen: open_window(state, platform); break;
    case hrv::kSaveCsv: save_csv(state, platform); break;
    case hrv::kSavePicture: save_picture(state, platform); break;
    case hrv::kClose:
      if (hrv_open(state)) state.forms.hrv->close();
      break;
    default: break;
  }
}

}  // namespace ambview
