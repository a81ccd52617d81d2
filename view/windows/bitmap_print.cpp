// SAVE_TRD_WAVE and HARD_C (see bitmap_print.h).
#include "view/windows/bitmap_print.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "common/cp932.h"
#include "common/staged_file.h"
#include "ui/bmp_file.h"
#include "view/recording/loader.h"
#include "view/recording/output_guard.h"

namespace ambview {

namespace fs = std::filesystem;

namespace {

// The reason of a failed write in the user's words.
std::string write_failure_reason(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return "ディスクの空き容量が足りません。";
    case EACCES:
    case EPERM:
    case EROFS:
      return "このフォルダーには書き込めません。";
    case EISDIR:
      return "同じ名前のフォルダーがあります。";
    case ENOENT:
    case ENOTDIR:
      return "フォルダーが見つかりません。";
    default:
      return "書き込みに失敗しました。";
  }
}

// Written beside its final name first and renamed into place, so that a full disk leaves an
// existing file of that name as it was. 0 on success, else the errno.
int write_bitmap_file(const std::string& path, const ui::Image& image) {
  const std::vector<std::uint8_t> bytes = ui::encode_bmp(image);
  return common::write_whole_file(path, bytes.data(), bytes.size());
}

}  // namespace

ui::Form* bitmap_window(ViewerState& state, int code) {
  ui::Form* form = nullptr;
  switch (code) {
    case code::kTrendBitmap:
    case code::kTrendHardCopy:
      form = state.forms.main.get();
      break;
    case code::kEcgBitmap:
    case code::kEcgHardCopy:
      form = state.forms.form4.get();
      break;
    case code::kCalorieBitmap:
    case code::kCalorieHardCopy:
      form = state.forms.form6.get();
      break;
    case code::kWaveBitmap:
    case code::kWaveHardCopy:
      form = state.forms.form5.get();
      break;
    default:
      break;
  }
  return form && form->is_open() ? form : nullptr;
}

std::string bitmap_confirm_caption(int code) {
  switch (code) {
    case code::kEcgBitmap: return "心電図のﾋﾞｯﾄﾏｯﾌﾟ形式保存";
    case code::kCalorieBitmap: return "ｶﾛﾘｰのﾋﾞｯﾄﾏｯﾌﾟ形式保存";
    case code::kWaveBitmap: return "波形表示のﾋﾞｯﾄﾏｯﾌﾟ形式保存";
    default: return kBitmapConfirmCaption;
  }
}

std::string file_name_of(std::string_view text) {
  std::string out;
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    out += (c == '/' || c == '\\' || c == ':' || u < 0x20 || u == 0x7F) ? '-' : c;
  }
  const auto first = out.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

std::string bitmap_path(std::string_view chosen, std::string_view data_directory) {
  std::string folder = GET_PASS(chosen);
  const std::string name(chosen.substr(folder.size()));
  const std::string base = name.substr(0, name.find('.'));
  if (base.empty()) return {};
  if (folder.empty()) folder = data_directory;
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
  return folder + base + ".bmp";
}

void SAVE_TRD_WAVE(ViewerState& state, ui::Platform& platform, ui::Form& window, std::string_view confirm_caption) {
  // The dialog opens in the recording's folder.
  const std::string data_directory = state.data_directory;
  std::error_code ec;
  if (!data_directory.empty()) fs::current_path(data_directory, ec);

  const std::string proposed = data_base_name(state) + "n.bmp";
  const std::string chosen = platform.dialogs.save_file(kBitmapSaveTitle, proposed, kBitmapSaveFilter);
  if (chosen == ui::kCancelAnswer || chosen.empty()) return;

  const std::string path = bitmap_path(chosen, data_directory);
  if (path.empty()) {
    platform.dialogs.message_box(kBitmapSaveTitle, "ファイル名を指定してください。", ui::Buttons::Ok, ui::Icon::Exclamation);
    return;
  }
  if (const auto o = overwrite_of({path}, state.channels)) {
    platform.dialogs.message_box(kBitmapSaveTitle, overwrite_text(*o), ui::Buttons::Ok, ui::Icon::Exclamation);
    return;
  }
  const std::string file_name = fs::path(path).filename().string();
  const std::string text = "ファイル名 " + file_name.substr(0, file_name.size() - 4) + ".bmp で保存します。" + "\r" +
                           "同じファイル名がある場合は上書きします。";
  if (platform.dialogs.message_box(confirm_caption, text, ui::Buttons::OkCancel, ui::Icon::Exclamation) !=
      ui::Answer::Ok)
    return;

  // The window's visible client area, as it was drawn.
  const ui::Image image = window.canvas().snapshot();
  if (const int error = write_bitmap_file(path, image); error != 0) {
    platform.dialogs.message_box(kBitmapSaveTitle,
                                 "ファイル " + path + " を保存できませんでした。" + "\r" + write_failure_reason(error),
                                 ui::Buttons::Ok, ui::Icon::Exclamation);
  }
}

void HARD_C(ViewerState& state, ui::Platform& platform, ui::Form& window) {
  const std::string name = file_name_of("Movilog " + window.caption());
  const ui::PrintResult result =
      platform.dialogs.print_image(window.canvas().snapshot(), name, common::cp932_to_utf8(state.conditions.directory));
  if (!result.printed && !result.error.empty())
    platform.dialogs.message_box(kHardCopyCaption, "印刷できませんでした。\r" + result.error, ui::Buttons::Ok,
                                 ui::Icon::Exclamation);
}

void run_bitmap_print(ViewerState& state, ui::Platform& platform, int code) {
  ui::Form* window = bitmap_window(state, code);
  if (!window) return;
  switch (code) {
    case code::kTrendBitmap:
    case code::kEcgBitmap:
    case code::kCalorieBitmap:
    case code::kWaveBitmap:
      SAVE_TRD_WAVE(state, platform, *window, bitmap_confirm_caption(code));
      break;
    default:
      HARD_C(state, platform, *window);
      break;
  }
}

}  // namespace ambview
