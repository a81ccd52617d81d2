// The menu operations that save: TEXT_CONV and EDIT_SAVE, with their
// questions, the progress window FORM3 and the files (see save_operations.h).
#include "view/windows/save_operations.h"

#include <filesystem>
#include <system_error>

#include "common/path_names.h"
#include "view/recording/output_guard.h"
#include "view/windows/viewer_shell.h"

namespace ambview {

namespace fs = std::filesystem;

Progress form3_progress(ViewerState& state, ui::Platform& platform) {
  Progress p;
  p.print = [&state, &platform](std::string_view line) { FORM3_PRINT(state, platform, line); };
  p.stopped = [&state] { return !FORM3_IS_OPEN(state); };
  p.idle = [&platform] { platform.pump.process_pending(); };
  return p;
}

void TEXT_CONV(ViewerState& state, ui::Platform& platform, int /*code*/) {
  if (!state.loaded) return;
  std::error_code ec;
  const std::string directory = state.data_directory;
  if (!directory.empty()) fs::current_path(directory, ec);

  const std::string answer =
      platform.dialogs.input_box(kTextExportCaption, kPerLinePrompt, std::to_string(state.conditions.per_line));
  if (answer == ui::kCancelAnswer) return;
  int& per_line = state.conditions.per_line;
  if (!answer.empty()) per_line = per_line_answer(answer);
  if (per_line < 1) per_line = 1;
  if (!answer.empty()) PUT_COND(state);

  const std::string text = "ファイル名 " + data_base_name(state) + "n.PRN で保存します\r" +
                           "同じファイル名がある場合は上書きします";
  if (platform.dialogs.message_box(kTextExportCaption, text, ui::Buttons::OkCancel, ui::Icon::Exclamation) !=
      ui::Answer::Ok)
    return;

  const TextExportJob job =
      make_text_export_job(state.conditions, state.channels, state.info, state.sample_count, directory);
  if (const auto o = overwrite_of(text_export_outputs(job), job.channels)) {
    platform.dialogs.message_box(kTextExportCaption, overwrite_text(*o), ui::Buttons::Ok, ui::Icon::Exclamation);
    return;
  }
  WND3_OPN(state, platform, 1);
  const Progress progress = form3_progress(state, platform);
  std::vector<std::string> written, failed;
  for (int row = 0; row < job.channels.count; ++row) {
    if (!job.channels.rows[static_cast<std::size_t>(row)].present) continue;
    const ChannelResult r = TEXT_SAVE(job, row, progress);
    if (!r.note.empty()) FORM3_PRINT(state, platform, common::name_part(r.path) + ": " + r.note);
    if (r.written) written.push_back(r.path);
    if (r.error) {
      failed.push_back(r.path);
      // The error numbers, and in words what failed and where.
      platform.dialogs.message_box(kRunErrorCaption, run_error_text(*r.error) + "\r" + r.error->detail,
                                   ui::Buttons::Ok, ui::Icon::Exclamation);
      if (FORM3_IS_OPEN(state)) FORM3_PRINT(state, platform, "    → " + common::name_part(r.path) + " は書き込んでいません");
    }
    if (r.stopped || !FORM3_IS_OPEN(state)) break;
  }
  const std::string ext = data_extension(state);
  if (ext == ".c" || ext == ".C") state.conditions.display_start = 0;
  if (!FORM3_IS_OPEN(state)) return;
  if (failed.empty()) {
    FORM3_PRINT(state, platform, std::string("\r\n") + kTextExportDone);
    return;
  }
  // A part-way failure is not "done": the window tells which files there are and which not.
  std::string summary = "\r\n" + std::string(kTextExportIncomplete) + "\r\n書き込んだファイル:";
  for (const auto& p : written) summary += "\r\n    " + p;
  if (written.empty()) summary += " なし";
  summary += "\r\n書き込めなかったファイル:";
  for (const auto& p : failed) summary += "\r\n    " + p;
  FORM3_PRINT(state, platform, summary);
}

void EDIT_SAVE(ViewerState& state, ui::Platform& platform, int /*code*/) {
  if (!state.loaded || state.channels.count == 0) return;
  std::error_code ec;
  const std::string directory = state.data_directory;
  if (!directory.empty()) fs::current_path(directory, ec);
  const std::string base = data_base_name(state);
  const std::string ext = data_extension(state);
  const bool combined = state.channels.combined != nullptr;
  const std::string source_name = combined ? base + ext : base + state.channels.rows[0].code + ext;

  const auto finish = [&] {
    if (FORM3_IS_OPEN(state)) FORM3_PRINT(state, platform, std::string("\r\n") + kResaveDone);
  };
  const auto close_progress = [&] {
    if (FORM3_IS_OPEN(state)) state.forms.form3->close();
  };

  if (resave_refusal(ext) == ResaveRefusal::Mode5) {
    platform.dialogs.message_box(kMode5Caption, kMode5Text, ui::Buttons::Ok, ui::Icon::Exclamation);
    return;
  }
  std::string chosen = platform.dialogs.save_file(kResaveCaption, source_name, kResaveFilter);
  if (chosen == ui::kCancelAnswer || chosen.empty()) {
    finish();
    return;
  }
  if (resave_refusal(ext) == ResaveRefusal::DotC) {
    platform.dialogs.message_box(kResaveCaption, kDotCText, ui::Buttons::Ok, ui::Icon::Stop);
    close_progress();
    return;
  }
  if (platform.dialogs.message_box(kResaveCaption, kResaveConfirm, ui::Buttons::OkCancel, ui::Icon::Exclamation) !=
      ui::Answer::Ok) {
    close_progress();
    return;
  }
  // A bare name is taken in the data directory, which is current.
  const fs::path absolute = fs::absolute(fs::path(chosen), ec);
  if (!ec) chosen = absolute.lexically_normal().string();
  if (resave_base_name(chosen, combined).empty()) {
    finish();
    return;
  }

  const ResaveJob job = make_resave_job(state.conditions, state.channels, state.info, state.sample_count, chosen);
  if (const auto o = overwrite_of(resave_outputs(job), job.channels)) {
    platform.dialogs.message_box(kResaveCaption, overwrite_text(*o), ui::Buttons::Ok, ui::Icon::Exclamation);
    finish();
    return;
  }
  WND3_OPN(state, platform, 0);
  for (const ResaveResult& r : resave_all(job, form3_progress(state, platform)))
    if (!r.note.empty()) FORM3_PRINT(state, platform, common::name_part(r.path) + ": " + r.note);
  finish();
}

}  // namespace ambview
