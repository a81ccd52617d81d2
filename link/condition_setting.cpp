// The condition setting: the line, the step around it, and the start time and amounts.
#include "link/condition_setting.h"

#include "common/numbers.h"
#include "common/text.h"
#include "link/condition_request.h"

namespace ambcomm {

common::CalorieSetting calorie_setting_from(const LinkSettings& s) {
  common::CalorieSetting c;
  c.rq_row = static_cast<int>(common::round_half_even(common::val(s.calorie.rq_row)));
  c.weight = common::trim_left(s.calorie.weight);
  c.coefficient_a = common::val(s.calorie.a);
  c.coefficient_b = common::val(s.calorie.b);
  return c;
}

void STS_SET(Link& link, int& /*status*/) {
  const std::string line = common::encode_setting_line(link.state.conditions, link.state.conditions_line,
                                                       calorie_setting_from(link.state.settings));
  link.state.status_line("測定条件の設定コマンドを送信");
  std::string out(1, kSoh);
  out += line;
  send(link, out);
  // The old-layout recorder needs its pause before the next command.
  if (common::is_old_layout(link.state.conditions_line)) DELAY_T(link, link.state.timer);
}

bool is_waveform_mode(const std::string& mode) { return mode >= "7" && mode <= "9"; }

int setting_step(Link& link, ui::Dialogs* dialogs, const std::function<void(int)>& display) {
  int status = 0;
  STS_SET(link, status);
  DELAY_T(link, link.state.timer);
  STS_REQ(link, dialogs, status, "1");
  link.state.status = status;
  if (display) display(status);
  if (is_waveform_mode(link.state.conditions.mode)) {
    if (link.state.switch_start == 1) {
      link.state.status_line("ｽｲｯﾁｽﾀｰﾄﾓｰﾄﾞを設定");
      send_command(link, "SM1");
    } else {
      link.state.status_line("ｽｲｯﾁｽﾀｰﾄﾓｰﾄﾞを解除");
      send_command(link, "SM0");
    }
  }
  return status;
}

void take_computer_time(common::ConditionsRecord& rec, ui::Clock& clock) {
  const ui::LocalDateTime t = clock.now();
  rec.start_year = common::dec_field(t.year % 100, 2);
  rec.start_month = common::dec_field(t.month, 2);
  rec.start_day = common::dec_field(t.day, 2);
  rec.start_hour = common::dec_field(t.hour, 2);
  rec.start_minute = common::dec_field(t.minute, 2);
}

void initialise_start_and_amounts(common::ConditionsRecord& rec, ui::Clock& clock) {
  take_computer_time(rec, clock);
  rec.ecg_blocks = "0";
  rec.rr_count = "0";
  rec.acc_count = "0";
}

}  // namespace ambcomm
