// The memory clear. Its wait is bounded and can be stopped, so a recorder that never answers
// is reported as a failure instead of leaving the program waiting for ever.
#include "link/memory_clear.h"

#include <chrono>
#include <memory>
#include <thread>

#include "link/condition_request.h"

namespace ambcomm {

namespace {

constexpr int kSecondsPerDay = 86400;
// How long one look at the port blocks while the memory clear runs.
constexpr int kClearSliceMs = 20;
// The wait of the memory clear ends after this many times the announced duration.
constexpr int kClearBoundFactor = 3;

// Window of the memory-clear wait and its controls.
constexpr const char* kClearForm = "FORM8";
constexpr const char* kClearText = "TEXT31";
constexpr const char* kClearStop = "BUTTON10";

}  // namespace

MemoryClearPlan memory_clear_plan(const common::ConditionsRecord& rec) {
  if (rec.model_code == "Aa") return {"fill0000", 8};
  return {std::string("MC\0", 3), rec.speed == "A" ? 40 : 20};
}

std::string memory_clear_waiting_text(int seconds) {
  return "ﾒﾓﾘｰｸﾘｱｰを実行中(約" + std::to_string(seconds) + "秒お待ち下さい)";
}

namespace {

// The small window shown while the recorder clears its memory; its button stops the wait.
class ClearProgress {
 public:
  ClearProgress(ui::FormFactory* forms, const std::string& text) {
    if (!forms) return;
    form_ = forms->make_form(kClearForm, 360, 90);
    form_->add_controls({
        {kClearText, ui::ControlKind::Label, text, 12, 12, 336, 24},
        {kClearStop, ui::ControlKind::Button, "中止", 130, 48, 100, 28},
    });
    form_->set_caption("ﾒﾓﾘｰのｸﾘｱｰ");
    form_->set_handler([this](const ui::UiEvent& e) {
      if (e.kind == ui::EventKind::Close || (e.kind == ui::EventKind::Click && ui::same_name(e.control, kClearStop)))
        stopped_ = true;
    });
    form_->show();
  }
  ~ClearProgress() {
    if (form_ && form_->is_open()) form_->close();
  }
  ClearProgress(const ClearProgress&) = delete;
  ClearProgress& operator=(const ClearProgress&) = delete;
  bool stopped() const { return stopped_; }

 private:
  std::unique_ptr<ui::Form> form_;
  bool stopped_ = false;
};

ClearResult report(Link& link, ui::Dialogs* dialogs, ClearResult result, const std::string& text) {
  link.state.status_line(text);
  if (dialogs && result != ClearResult::Done)
    dialogs->message_box("ﾒﾓﾘｰの初期化", text, ui::Buttons::Ok, ui::Icon::Stop);
  return result;
}

}  // namespace

ClearResult memory_clear(Link& link, ui::Dialogs* dialogs, ui::FormFactory* forms) {
  // Nothing can bring the data back: the question says so, and Enter answers No.
  if (dialogs && dialogs->message_box("ﾒﾓﾘｰの初期化", kClearQuestion, ui::Buttons::YesNoDefaultNo, ui::Icon::Warning) !=
                     ui::Answer::Yes)
    return ClearResult::Declined;
  link.state.status_line("ﾒﾓﾘｰｸﾘｱｰｺﾏﾝﾄﾞを送信");
  const MemoryClearPlan plan = memory_clear_plan(link.state.conditions);

  int status = 0;
  RX_OPEN(link, status, "AC");
  if (status != kStatusOk && status != kStatusAlreadyOpen)
    return report(link, dialogs, ClearResult::PortFailed, status_line_text(status, kLocationMemoryClear));
  set_speed(link, 9600);
  if (!send_command_crlf(link, plan.command))
    return report(link, dialogs, ClearResult::PortFailed, status_line_text(kStatusDeviceError, kLocationMemoryClear));

  const std::string waiting = memory_clear_waiting_text(plan.seconds);
  link.state.status_line(waiting);
  ClearProgress progress(forms, waiting);

  // Elapsed time in whole clock seconds, carried across midnight.
  const int limit = kClearBoundFactor * plan.seconds;
  int elapsed = 0;
  int last = link.clock.seconds_of_day();
  std::string answer;
  for (;;) {
    const int waiting_bytes = link.port.is_open() ? link.port.bytes_waiting() : -1;
    if (waiting_bytes < 0 || link.port.device_error()) {
      // The line failed under us: open it again and keep waiting for the answer.
      link.port.close();
      RX_OPEN(link, status, "AC");
      if (status == kStatusOk) set_speed(link, 9600);
    } else if (waiting_bytes > 0) {
      answer += link.port.read(waiting_bytes);
      if (answer.find(kCr) != std::string::npos) break;
    }
    if (progress.stopped()) return report(link, dialogs, ClearResult::Cancelled, kClearCancelledText);
    const int now = link.clock.seconds_of_day();
    elapsed += (now - last + kSecondsPerDay) % kSecondsPerDay;
    last = now;
    if (elapsed >= limit) return report(link, dialogs, ClearResult::NoAnswer, kClearNoAnswerText);
    if (link.port.is_open()) link.port.wait_readable(kClearSliceMs);
    else std::this_thread::sleep_for(std::chrono::milliseconds(kClearSliceMs));
    link.pump.process_pending();
  }
  return report(link, dialogs, ClearResult::Done, kClearDoneText);
}

}  // namespace ambcomm
