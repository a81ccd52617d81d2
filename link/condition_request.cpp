// The condition request. A recorder that stays silent at 9600 baud gets one speed-recovery
// pass ("B2" at 19200) and a second request; there is no third attempt.
#include "link/condition_request.h"

#include <exception>

#include "common/conditions_record.h"
#include "common/cp932.h"
#include "common/text.h"

namespace ambcomm {

namespace {

constexpr int kMessageBytes = 39;
constexpr int kRecoveryBytes = 26;
constexpr int kRecoveryDelay = 100;

std::string padded(std::string_view utf8, int bytes) {
  return common::cp932_to_utf8(common::pad_right(common::utf8_to_cp932(utf8), bytes));
}

// Sends the request and collects the answer; false when the device failed. What waits in
// the queue is the rest of an answer that stalled: it is no answer to this request.
bool request_conditions(Link& link, std::string& flag, std::string& line) {
  link.state.status_line("測定条件の要求コマンドを送信");
  if (!drain(link) || !send_command(link, "CRa")) return false;
  return RX_STATUS(link, flag, line) == 0;
}

// A recorder left at four-times speed only listens at 19200: tell it to come back.
bool recover_speed(Link& link) {
  link.state.status_line(padded("ﾎﾞｰﾚｰﾄを変更", kRecoveryBytes));
  if (!set_speed(link, 19200)) return false;
  DELAY_T(link, link.state.timer);
  if (!send_command_crlf(link, "B2")) return false;
  DELAY_T(link, kRecoveryDelay);
  if (!set_speed(link, 9600)) return false;
  DELAY_T(link, link.state.timer);
  return true;
}

}  // namespace

int judge_answer(std::string_view answer) {
  int status = 0;
  // Only a whole answer is taken: its CR came (a stalled one times out without it) and it
  // is as long as its layout. A download, setting or clear planned from half a line would
  // miss data the user then clears away.
  const bool ended = !answer.empty() && answer.back() == '\r';
  const std::string heading = common::normalized_heading(answer);
  if (!ended || answer.size() - 1 < common::conditions_line_length(heading)) status = kStatusShort;
  static constexpr std::string_view kAccepted[] = {"CD", "CE", "ce", "CF", "La", "LA", "Aa"};
  bool known = false;
  for (auto h : kAccepted) known = known || heading == h;
  if (!known) status = kStatusHeading;
  if (answer.empty()) status = kStatusNothing;
  return status;
}

std::string status_line_text(int status, int location) {
  return padded(status_message(status, location), kMessageBytes);
}

void STS_REQ(Link& link, ui::Dialogs* dialogs, int& status, std::string_view request_flag) {
  (void)request_flag;  // every caller asks with "1"
  int location = 0;
  try {
    RX_OPEN(link, status, "AC");
    set_speed(link, 9600);
    if (status == 0 || status == kStatusAlreadyOpen) {
      status = 0;
      std::string flag, line;
      bool ok = request_conditions(link, flag, line);
      if (ok && flag == "O") ok = recover_speed(link) && request_conditions(link, flag, line);
      if (!ok) {
        // The serial layer failed under us: the device is gone or refused the step.
        status = link.port.device_error() || !link.port.is_open() ? kStatusDeviceError : kStatusNothing;
      } else {
        link.state.conditions_line = line;
        status = judge_answer(line);
        if (status != kStatusHeading) common::decode_conditions(line, link.state.conditions);
      }
    } else {
      location = kLocationConditionRequest;
    }
  } catch (const std::exception&) {
    status = link.port.device_error() ? kStatusDeviceError : kStatusNothing;
  }

  if (status == kStatusHeading && link.state.start_waveform_display) link.state.start_waveform_display();

  const std::string message = status_line_text(status, location);
  // A port that cannot be opened is named, with the reason and what to do about it.
  const std::string detail = open_failure_text(link.port, status);
  link.state.status_line(detail.empty() ? message : message + " " + detail);
  if (status > 0 && dialogs)
    dialogs->message_box("受信結果", detail.empty() ? message : message + "\n" + detail, ui::Buttons::Ok,
                         ui::Icon::None);
}

}  // namespace ambcomm
