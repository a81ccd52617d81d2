// REC_DATA in named steps: the overwrite check, the port and its speed, the plan run file by
// file in the progress window, and the window's closing lines.
#include "link/download.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "link/download_file.h"
#include "link/download_name.h"
#include "link/download_plan.h"
#include "link/progress_window.h"
#include "link/watched_port.h"

namespace ambcomm {

namespace {

// A file the download may replace: it exists and holds at least one byte.
bool holds_records(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) > 0 && !ec;
}

// The overwrite question, once for the whole plan before anything is fetched, so that a No
// (or a refusal) leaves every file as it was and nothing half downloaded. Go: write them.
Next check_overwrite(const std::vector<PlannedFile>& plan, ui::Dialogs* dialogs, const DownloadOptions& options,
                     DownloadResult& result) {
  std::string first;
  for (const auto& p : planned_paths(plan))
    if (first.empty() && holds_records(p)) first = p;
  if (first.empty() || options.overwrite == Overwrite::Yes) return Next::Go;
  if (options.overwrite == Overwrite::Ask && dialogs) {
    if (dialogs->message_box("ファイルのチェック", "同じファイル名が存在します、すべて上書きしますか", ui::Buttons::YesNo,
                             ui::Icon::Question) == ui::Answer::Yes)
      return Next::Go;
    result.end = DownloadEnd::Declined;
  } else {
    result.end = DownloadEnd::Refused;
  }
  result.failed_path = first;
  return Next::Stop;
}

// The port open at 9600, or switched to four-times speed when the recorder offers it. False
// (with the result saying so) when the port cannot be used; `title` names the speed.
bool prepare_link(Link& link, const common::ConditionsRecord& rec, std::string_view& title, bool& four_times,
                  DownloadResult& result) {
  if (!link.port.is_open()) {
    int status = 0;
    RX_OPEN(link, status, "AC");
    if (status != kStatusOk && status != kStatusAlreadyOpen) {
      result.end = DownloadEnd::PortLost;
      result.status = status;
      return false;
    }
    set_speed(link, 9600);
  }
  title = kTitlePlain;
  four_times = byte_frame_model(rec.model_code) && rec.speed == "B";
  if (four_times) {
    title = kTitleFourTimes;
    if (enter_four_times(link)) return true;
    result.end = DownloadEnd::PortLost;
    result.status = kStatusDeviceError;
    return false;
  }
  if (byte_frame_model(rec.model_code)) title = kTitleFast;
  set_speed(link, 9600);
  return true;
}

// The plan file by file while the window stays open; the files it did not reach are listed.
DownloadResult run_plan(Link& link, ProgressWindow& window, const std::vector<PlannedFile>& plan,
                        const DownloadOptions& options) {
  WatchedPort watch(link.port, window);
  Link watched{watch, link.clock, link.pump, link.state};
  Run run{watched, watch, window, options, byte_frame_model(link.state.conditions.model_code), {}};
  window.set_planned(planned_amount(plan));
  std::size_t next = 0;
  for (; next < plan.size(); ++next) {
    if (!window.still_open()) {
      run.result.end = DownloadEnd::Closed;
      break;
    }
    window.add_line(plan[next].progress_line);
    if (ACC_REQ(run, plan[next]) == Next::Stop) {
      ++next;
      break;
    }
  }
  const std::vector<PlannedFile> rest(plan.begin() + static_cast<std::ptrdiff_t>(next), plan.end());
  for (const auto& p : planned_paths(rest)) run.result.not_downloaded.push_back(p);
  return std::move(run.result);
}

// The window's closing lines: the end, or how it ended and what became of each file.
void show_end(ProgressWindow& window, const DownloadResult& result) {
  window.end_estimate();
  if (!window.is_open()) return;
  window.add_line("");
  if (result.complete()) {
    window.add_line(std::string(kFinishedLine));
    return;
  }
  window.add_line("          " + end_text(result));
  for (const auto& line : file_report_lines(result)) window.add_line("          " + line);
}

}  // namespace

std::string end_text(const DownloadResult& r) {
  switch (r.end) {
    case DownloadEnd::Complete: return "データーの取り込みを終了しました";
    case DownloadEnd::Declined: return "上書きしないので、データーの取り込みを中止しました (何も受信していません)";
    case DownloadEnd::Refused:
      return "ファイルが既に存在するので、データーの取り込みを中止しました (何も受信していません): " + r.failed_path;
    case DownloadEnd::Closed: return "受信表示が閉じられたので、データーの取り込みを中止しました";
    case DownloadEnd::BlockFailed:
      return "データーを受信できないので、取り込みを中止しました (" + reason_text(r.status) + "): " + r.failed_path;
    case DownloadEnd::PortLost:
      if (r.failed_path.empty())
        return "RS-232C をｵｰﾌﾟﾝできないので、データーの取り込みを中止しました (何も受信していません)";
      return "RS-232C の接続が切れたので、データーの取り込みを中止しました: " + r.failed_path;
    case DownloadEnd::FileError: {
      std::string text = "ファイルに書き込めないので、データーの取り込みを中止しました: " + r.failed_path;
      if (r.error == ENOSPC) text += " (ディスクの空き容量が足りません)";
      else if (r.error == EACCES || r.error == EROFS || r.error == EPERM) text += " (書き込みが許可されていません)";
      else if (r.error == EISDIR) text += " (同じ名前のフォルダーがあります)";
      return text;
    }
    case DownloadEnd::NoWindow: return "受信表示を開けません";
  }
  return {};
}

std::vector<std::string> file_report_lines(const DownloadResult& r) {
  std::vector<std::string> out;
  for (const auto& f : r.files) {
    if (f.whole) out.push_back("完了    : " + f.path);
    else
      out.push_back("途中まで: " + f.path + " (" + std::to_string(f.received) +
                    (f.expected > f.received ? " / " + std::to_string(f.expected) : std::string()) + ")");
  }
  for (const auto& p : r.not_downloaded) out.push_back("未受信  : " + p);
  return out;
}

DownloadResult REC_DATA(Link& link, ui::FormFactory* forms, ui::Dialogs* dialogs, std::string_view path,
                        const DownloadOptions& options) {
  const std::vector<PlannedFile> plan = plan_download(link.state.conditions, path);
  DownloadResult result;
  if (check_overwrite(plan, dialogs, options, result) == Next::Stop) return result;
  std::string_view title;
  bool four_times = false;
  if (!prepare_link(link, link.state.conditions, title, four_times, result)) {
    result.not_downloaded = planned_paths(plan);
    return result;
  }
  const bool derived =
      std::any_of(plan.begin(), plan.end(), [](const PlannedFile& f) { return f.kind == "RR" && f.count > 0; });
  ProgressWindow window(forms, link.pump, link.clock, title, derived);
  window.on_change = options.on_progress;
  window.on_total = options.on_total;
  if (window.is_open()) {
    result = run_plan(link, window, plan, options);
    show_end(window, result);
  } else {
    result.end = DownloadEnd::NoWindow;
    result.not_downloaded = planned_paths(plan);
  }
  if (four_times && options.restore_speed && result.end != DownloadEnd::PortLost && link.port.is_open())
    leave_four_times(link);  // errors of these steps are of no consequence
  result.window = window.release();
  return result;
}

void download_to_files(Link& link, ui::Platform& platform, const std::string& name) {
  link.state.progress_window.reset();
  DownloadOptions options;
  options.restore_speed = false;
  DownloadResult result = REC_DATA(link, &platform.forms, &platform.dialogs, strip_extension(name), options);
  link.state.progress_window = std::move(result.window);
  if (result.complete()) {
    link.state.status_line(end_text(result) + " (" + std::to_string(result.files.size()) + " ファイル)");
    return;
  }
  link.state.status_line(end_text(result));
  // A download that stopped early leaves partial files that look like any other: say which.
  if (result.end == DownloadEnd::Declined || result.end == DownloadEnd::Refused) return;
  std::string text = end_text(result);
  const auto lines = file_report_lines(result);
  if (!lines.empty()) text += "\n";
  for (const auto& line : lines) text += "\n" + line;
  if (!result.nothing_written())
    text += "\n\n途中までのファイルは、受信した分だけを保持しています (ヘッダーのデーター量も受信した分です)。";
  platform.dialogs.message_box("ﾃﾞｰﾀｰ受信⇒ﾌｧｲﾙ", text, ui::Buttons::Ok, ui::Icon::Exclamation);
}

}  // namespace ambcomm
