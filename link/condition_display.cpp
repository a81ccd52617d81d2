// Condition list lines. Record slots are CP932 (they come from the line); the list is UTF-8.
#include "link/condition_display.h"

#include "common/cp932.h"
#include "common/text.h"

namespace ambcomm {

namespace {
std::string u(const std::string& cp932) { return common::cp932_to_utf8(cp932); }
}  // namespace

std::vector<std::string> condition_list_lines(const common::ConditionsRecord& r) {
  return {
      "           測定条件",
      "測定開始時刻  " + u(r.start_year) + "年" + u(r.start_month) + "月" + u(r.start_day) + "日" +
          u(r.start_hour) + "時" + u(r.start_minute) + "分",
      "名前､ｺﾒﾝﾄ       " + u(common::pad_right(r.comment, 20)),
      "加速度ﾃﾞｰﾀｰ量    " + u(r.acc_count) + "     ",
      " R R ﾃﾞｰﾀｰ 量       " + u(r.rr_count) + "       ",
      " ECG ﾃﾞｰﾀｰ 量      " + u(r.ecg_blocks) + "   ",
      "測定間隔(秒)      " + u(r.interval) + "   ",
      "基準加速度１(G)  " + u(r.level_threshold_1) + "     ",
      "基準加速度２(G)  " + u(r.level_threshold_2) + "     ",
      "基準加速度３(G)  " + u(r.level_threshold_3) + "     ",
      "  測定モード      " + common::mode_text(r.mode, r.model_code),
      "   表    示         " + common::display_text(r.display),
  };
}

}  // namespace ambcomm
