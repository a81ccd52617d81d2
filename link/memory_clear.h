// The memory clear: the question, the command by model, and the bounded wait for the
// recorder's answer with a small window whose button stops it. Apart from the setting
// because it is the one exchange with a long wait.
#pragma once

#include <string>

#include "common/conditions_record.h"
#include "link/serial_link.h"
#include "ui/dialogs.h"
#include "ui/form.h"

namespace ambcomm {

// The memory-clear command and the time the recorder announces for it.
struct MemoryClearPlan {
  std::string command;  // "fill0000" or "MC" + NUL
  int seconds = 0;      // 8, 20 or 40
};
MemoryClearPlan memory_clear_plan(const common::ConditionsRecord& rec);

enum class ClearResult {
  Done,        // the recorder answered
  Declined,    // the user said no
  NoAnswer,    // no answer within three times the announced time
  Cancelled,   // the user stopped waiting
  PortFailed,  // the port could not be opened
};

// The memory clear: the question (skipped when `dialogs` is null, as for "clear --yes"),
// the command, and the wait for the answer line. The wait is bounded to three times the
// announced time and, when `forms` is given, shows a small window whose button stops it.
ClearResult memory_clear(Link& link, ui::Dialogs* dialogs, ui::FormFactory* forms);

// Location number shown after "エラーコード＝" when the memory clear cannot open the port.
constexpr int kLocationMemoryClear = 8;

// Texts of the memory clear, shared with the command line.
std::string memory_clear_waiting_text(int seconds);
inline constexpr const char* kClearDoneText = "ﾒﾓﾘｰｸﾘｱｰを終了";
inline constexpr const char* kClearQuestion =
    "Movilogのﾃﾞｰﾀｰｴﾘｱを0に初期化します\rﾌｧｲﾙに受信していないﾃﾞｰﾀｰは失われます。よろしいですか";
inline constexpr const char* kClearNoAnswerText = "ﾒﾓﾘｰｸﾘｱｰの応答がありません";
inline constexpr const char* kClearCancelledText = "ﾒﾓﾘｰｸﾘｱｰの待ちを中止しました";

}  // namespace ambcomm
