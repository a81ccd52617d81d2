// The condition request: ask the recorder for its conditions, recover a recorder left at
// four-times speed, judge and decode the answer, and report the outcome.
#pragma once

#include <string>
#include <string_view>

#include "link/serial_link.h"
#include "ui/dialogs.h"

namespace ambcomm {

// Judges an answer (with its CR): 0; 2 when its CR is missing (it timed out) or it is
// shorter than its layout (common::conditions_line_length); 3 for a heading outside "CD",
// "CE", "ce", "CF", "La", "LA" ("lA" included), "Aa" (over 2); 1 when empty (over both).
int judge_answer(std::string_view answer);

// The message shown for a status: padded with blanks to 39 CP932 bytes (UTF-8).
std::string status_line_text(int status, int location);

// Location numbers shown after "エラーコード＝" for the steps that can fail.
constexpr int kLocationConditionRequest = 1;

// STS_REQ: the callers pass request flag "1". On return `status` holds the link status
// (1052 is taken as success and becomes 0), the record is filled for 0, 1 and 2, and
// state.conditions_line holds the raw answer. `dialogs` may be null (no message box).
void STS_REQ(Link& link, ui::Dialogs* dialogs, int& status, std::string_view request_flag = "1");

}  // namespace ambcomm
