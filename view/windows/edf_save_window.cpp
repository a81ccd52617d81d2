// "EDF+形式で保存" (see edf_save_window.h).
#include "view/windows/edf_save_window.h"

#include <filesystem>
#include <system_error>

#include "view/output/edf_export.h"
#include "view/recording/output_guard.h"
#include "view/windows/viewer_shell.h"

namespace ambview {

namespace fs = std::filesystem;

std::string edf_proposed_name(const ViewerState& state) {
  std::string base = data_base_name(state);
  while (!base.empty() && base.back() == '_') base.pop_back();  // the per-channel name's filling
  return (base.empty() ? data_base_name(state) : base) + ".edf";
}

void run_edf_save(ViewerState& state, ui::Platform& platform, int /*code*/) {
  if (!state.loaded) return;
  // The dialog opens in the recording's folder; a bare name is taken there.
  std::error_code ec;
  if (!state.data_directory.empty()) fs::current_path(state.data_directory, ec);
  std::string chosen = platform.dialogs.save_file(kEdfSaveCaption, edf_proposed_name(state), kEdfSaveFilter);
  if (chosen == ui::kCancelAnswer || chosen.empty()) return;
  fs::path path = fs::absolute(fs::path(chosen), ec).lexically_normal();
  if (ec) path = chosen;
  if (!path.has_extension()) path += ".edf";
  const auto say = [&](const std::string& text, ui::Icon icon) {
    platform.dialogs.message_box(kEdfSaveCaption, text, ui::Buttons::Ok, icon);
  };
  if (const auto o = overwrite_of({path.string()}, state.channels)) {
    say(overwrite_text(*o), ui::Icon::Exclamation);
    return;
  }

  const EdfExportJob job =
      make_edf_export_job(state.conditions, state.channels, state.info, state.sample_count, path.string());
  const EdfExportResult r = export_edf(job);
  std::string notes;
  for (const std::string& n : r.notes) notes += "\r" + n;
  const std::string name = path.filename().string();
  if (!r.written) {
    say("ファイル " + name + " を保存できませんでした。\r" + r.message + notes, ui::Icon::Exclamation);
  } else if (!notes.empty()) {
    say("ファイル " + name + " を保存しました。" + notes, r.complete ? ui::Icon::Information : ui::Icon::Exclamation);
  }
}

}  // namespace ambview
