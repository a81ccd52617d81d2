// The serial link to the recorder: opening with retries, speeds, the pacing delay, sending,
// the text answer and the two block frames with their checks, and the link status codes.
// Every exchange of the link program is built from these; they know nothing of windows.
#pragma once

#include <string>
#include <string_view>

#include "link/link_state.h"
#include "ui/clock.h"
#include "ui/event_pump.h"
#include "ui/serial_port.h"

namespace ambcomm {

// Link status codes; 0 is success.
enum LinkStatus : int {
  kStatusOk = 0,
  kStatusNothing = 1,      // nothing received, or an unexpected error
  kStatusShort = 2,        // answer too short
  kStatusHeading = 3,      // wrong heading
  kStatusNoCts = 4,        // no CTS within 1000 ms at open
  kStatusTimeout = 5,      // time-out while receiving a block
  kStatusOpenFailed = 7,   // port cannot be opened (open)
  kStatusChecksum = 7,     // checksum error (block reception)
  kStatusDeviceError = 27, // the serial device failed (vanished) during the exchange
  kStatusOtherBase = 1000, // 1000 + e: other failure e while opening
  kStatusAlreadyOpen = 1052,
};

constexpr char kSoh = '\x01';
constexpr char kCr = '\r';
constexpr char kLf = '\n';

// What one exchange works with: the port, the clock of the time-outs, the event pump of the
// pacing delay and the program state (timer value, status line, pending event code).
struct Link {
  ui::SerialPort& port;
  ui::Clock& clock;
  ui::EventPump& pump;
  LinkState& state;
};

// Opens the port for `purpose` ("WAV": 1 stop bit; anything else: 2), retrying a device that
// cannot be opened for about three seconds. status: 0, 4, 7, 1052 or 1000 + e.
void RX_OPEN(Link& link, int& status, std::string_view purpose);

// Sets the kept port to 9600 or 19200 baud; false when the port refuses.
bool set_speed(Link& link, int baud);

// The pacing delay: one tick of TIMER1 at t / 10 ms (t below 10 counts as 10) while events
// are processed; the main loop's pending event code is kept aside meanwhile.
void DELAY_T(Link& link, int t);
// The timer interval DELAY_T uses for t, in ms.
int delay_interval_ms(int t);

// Writes bytes unchanged; false on a device error.
bool send(Link& link, std::string_view bytes);
// SOH + command + CR.
bool send_command(Link& link, std::string_view command);
// SOH + command with the line end CR LF (the speed recovery "B2").
bool send_command_crlf(Link& link, std::string_view command);

// The four-times transfer (19200 bit/s): the recorder is told with "B3" first, then the port
// follows; false when a step failed.
bool enter_four_times(Link& link);
// Back to normal: "B2" at 19200, then the port at 9600 (tried even when "B2" failed); false
// when a step failed.
bool leave_four_times(Link& link);

// Reads and drops whatever the input queue holds; false on a device error.
bool drain(Link& link);

// Collects one CR-terminated answer (the CR included). timeout_flag becomes "O" when no CR came
// within one to two whole clock seconds; line keeps what came. Returns 0, or 27 when the
// device failed.
int RX_STATUS(Link& link, std::string& timeout_flag, std::string& line);

// One block in the byte frame: request SOH + request + CR, then length byte L, two heading
// bytes, L - 2 data bytes and a checksum. `block` = heading + the converted data.
// status: 0, 3 (heading), 5 (time-out), 7 (checksum) or 27 (device failed: do not retry).
void B_DATA_REQ(Link& link, std::string_view heading, std::string_view request, int expected_length,
                std::string& block, int& status);

// One block in the text frame: heading and characters up to CR or LF (kept in the block,
// except for the unpacked word headings). status: 0, 1 (empty), 2 (short), 3, 5 or 27.
void A_DATA_REQ(Link& link, std::string_view heading, std::string_view request, int expected_length,
                std::string& block, int& status);

// The conversions of received data (after the heading), by the expected heading.
// Byte frame: "A*" headings: three bytes give two "0xxx" values; "#6", "E*", "w*": three bytes
// give the byte words b0, b1 AND 15, b2, b1 div 16; other headings: two hex digits a byte.
std::string convert_byte_frame(std::string_view heading, std::string_view data);
// True for headings whose blocks are unpacked into byte words.
bool is_word_heading(std::string_view heading);
// Text frame, word headings: six hex characters give b0, value of h3, b2, value of h2.
std::string convert_text_words(std::string_view text);

// The condition request's message for a status (UTF-8, unpadded); `location` is the step
// number shown for codes above 1000.
std::string status_message(int status, int location);

// For a status from opening the port (4, 7, 1000 + e): "cannot open NAME: reason - what to
// do", naming the device; empty for any other status or when the port gives no reason.
std::string open_failure_text(const ui::SerialPort& port, int status);

}  // namespace ambcomm
