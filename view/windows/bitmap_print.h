// SAVE_TRD_WAVE and HARD_C: any view window saved as a bitmap file or printed on one page,
// as it was drawn. Apart from the views because one pair of procedures serves them all.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "ui/form.h"
#include "ui/platform.h"
#include "view/windows/event_codes.h"
#include "view/windows/viewer_state.h"

namespace ambview {

inline constexpr const char* kBitmapSaveTitle = "ﾋﾞｯﾄﾏｯﾌﾟの保存";
inline constexpr const char* kBitmapSaveFilter = "ﾃﾞｰﾀｰ(*);すべてのファイル(*.*)";
inline constexpr const char* kBitmapConfirmCaption = "ﾄﾚﾝﾄﾞｸﾞﾗﾌのﾋﾞｯﾄﾏｯﾌﾟ形式保存";
inline constexpr const char* kHardCopyCaption = "ハードコピー";

// The confirmation's caption names the view being saved (trend, ECG, calorie,
// waveform): a user who saves the ECG window is not told it is the trend graph.
std::string bitmap_confirm_caption(int code);

// A text made into a valid file name: "/", "\", ":" and control characters become "-",
// blanks at either end go (a window caption with a date and time names the print job).
std::string file_name_of(std::string_view text);

// The commands that save or print a window.
inline constexpr std::array<int, 8> kBitmapPrintCodes{code::kTrendBitmap, code::kTrendHardCopy,   code::kEcgBitmap,
                                                       code::kEcgHardCopy,  code::kCalorieBitmap, code::kCalorieHardCopy,
                                                       code::kWaveBitmap,   code::kWaveHardCopy};

// The window a save or print command copies: the main window (where the trend is drawn),
// FORM4, FORM6 or FORM5; nullptr when that window is not open (nothing to copy) or the code
// is none of these.
ui::Form* bitmap_window(ViewerState& state, int code);

// Where a chosen name is written: the folder chosen in the dialog (the data directory for a
// bare name), the name up to its first "." and ".bmp".
std::string bitmap_path(std::string_view chosen, std::string_view data_directory);

// The save dialog, the confirmation (captioned `confirm_caption`), then a 24-bit BMP of the
// window's visible client area. Nothing is written on any cancel; a failed write is reported
// in a message box with the path and the reason.
void SAVE_TRD_WAVE(ViewerState& state, ui::Platform& platform, ui::Form& window,
                   std::string_view confirm_caption = kBitmapConfirmCaption);
// The print dialog, then the window's image on one page. The job (and a PDF file, proposed in
// the recording's folder) is named "Movilog " + the window's caption as a valid file name; a
// failed print is reported with the printer or file and the reason.
void HARD_C(ViewerState& state, ui::Platform& platform, ui::Form& window);

// The main loop's operation for the codes above.
void run_bitmap_print(ViewerState& state, ui::Platform& platform, int code);

}  // namespace ambview
