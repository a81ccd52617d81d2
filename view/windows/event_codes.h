// Every event code of the analysis program's loops: the main loop's (menu entries and the
// shell's own), the waveform window's and the processing-conditions dialog's. No other file
// writes a code's number.
#pragma once

#include <array>

namespace ambview {

// Event codes of the main loop.
namespace code {
inline constexpr int kNone = 0;  // no event waiting
inline constexpr int kOpen = 101;
inline constexpr int kResave = 102;
inline constexpr int kTextExport = 103;
inline constexpr int kEdfExport = 104;
inline constexpr int kConditionsWithTrend = 201;
inline constexpr int kConditionsNoTrend = 202;
inline constexpr int kTrend = 203;
inline constexpr int kTrendBitmap = 204;
inline constexpr int kTrendHardCopy = 301;
inline constexpr int kEcg1 = 401;  // ECG blocks "e".."h"
inline constexpr int kEcg2 = 402;
inline constexpr int kEcg3 = 403;
inline constexpr int kEcg4 = 404;
inline constexpr int kEcgBitmap = 405;
inline constexpr int kEcgHardCopy = 406;
inline constexpr int kHrv = 407;  // 407-410: the HRV window
inline constexpr int kCalorie = 501;
inline constexpr int kCalorieBitmap = 502;
inline constexpr int kCalorieHardCopy = 503;
inline constexpr int kWaveBitmap = 504;
inline constexpr int kWaveHardCopy = 505;
inline constexpr int kWaveMonitor = 601;  // 601 and the waveform window's codes up to 699
inline constexpr int kWaveLast = 699;
inline constexpr int kDelay = 10;
inline constexpr int kTimer = 1000;
}  // namespace code

namespace wave {

// Event codes of the waveform window.
inline constexpr int kOpen = code::kWaveMonitor;  // menu "波形表示"
inline constexpr int kClose = 602;         // BUTTON5 "終了" or the window closed
inline constexpr int kPrevious = 609;      // BUTTON3 "←前頁"
inline constexpr int kNext = 610;          // BUTTON4 "次頁→"
inline constexpr int kPicture22 = 611;     // no action
inline constexpr int kContinue = 612;      // mouse held on PICTURE23
inline constexpr int kTrendClick = 613;    // click in the trend view (MAINFORM_CLICK)
inline constexpr int kResize = 614;        // FORM5_RESIZE
inline constexpr int kMeasure = 617;       // FORM5_MOUSEDOWN
inline constexpr int kSpeed = 615;         // BUTTON6 "早い" / BUTTON7 "遅い": the scale text follows
inline constexpr std::array<int, 9> kCodes{kOpen,       kClose,  kPrevious, kNext,  kContinue,
                                           kTrendClick, kResize, kMeasure,  kSpeed};

}  // namespace wave

namespace hrv {

// Event codes of the HRV window.
inline constexpr int kOpen = code::kHrv;  // menu "HRV"
inline constexpr int kSaveCsv = 408;
inline constexpr int kSavePicture = 409;
inline constexpr int kClose = 410;
inline constexpr std::array<int, 4> kCodes{kOpen, kSaveCsv, kSavePicture, kClose};

}  // namespace hrv

// Event codes of the window habits (recent files, exit, help) and the trend's navigation.
namespace habit_code {
inline constexpr int kRecentFirst = 701;  // 701-708: the recent files, newest first
inline constexpr int kRecentLast = 708;
inline constexpr int kExit = 709;
inline constexpr int kGuide = 710;
inline constexpr int kAbout = 711;
inline constexpr int kReadable = 712;  // "見やすい表示" on or off
}  // namespace habit_code

namespace nav_code {
inline constexpr int kMove = 720;  // run the move the main window stored in ViewerExtras
}  // namespace nav_code

// Event codes of the processing-conditions dialog's own loop.
namespace dialog_code {
inline constexpr int kAccScale = 15;    // VSCROLL1_CHANGE
inline constexpr int kHrScale = 16;     // VSCROLL2_CHANGE
inline constexpr int kStepFirst = 36;   // BMPBUTTON1_ON .. BMPBUTTON6_ON: 36 .. 41
inline constexpr int kStepLast = 41;
inline constexpr int kAccept = 42;      // BUTTON1_ON "設定"
inline constexpr int kCancel = 43;      // BUTTON2 "キャンセル" or Esc: closes, nothing changes
inline constexpr int kMouseDown = 50;   // FORM2_MOUSEDOWN
inline constexpr int kMouseUp = 51;     // FORM2_MOUSEUP
}  // namespace dialog_code

}  // namespace ambview
