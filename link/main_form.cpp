// The main form and main loop. Handlers only store the event code (the port and timer choices
// also store their value); the loop runs each operation to its end and closes the port before
// it waits again.
#include "link/main_form.h"

#include <filesystem>
#include <limits>

#include "common/cp932.h"
#include "common/path_names.h"
#include "common/numbers.h"
#include "common/text.h"
#include "link/command_line.h"
#include "link/condition_display.h"
#include "link/condition_editor.h"
#include "link/condition_request.h"
#include "link/condition_setting.h"
#include "link/explanations.h"
#include "ui/colour.h"

namespace ambcomm {

namespace {

namespace fs = std::filesystem;
using ui::ControlKind;

enum Event : int {
  kEventShow = 2,
  kEventChange = 3,
  kEventDownload = 4,
  kEventSend = 6,
  kEventClear = 8,
  kEventCalorie = 9,
  kEventTimer = 17,
  kEventPort = 50,
};

constexpr int kPorts = 5;
constexpr int kDefaultTimer = 100;
constexpr const char* kTimerPrefix = "ﾀｲﾏｰ = ";
constexpr int kExplanationLine = 18;
constexpr int kExplanationMargin = 10;

std::string u(const std::string& cp932) { return common::cp932_to_utf8(cp932); }
std::string cp(std::string_view utf8) { return common::utf8_to_cp932(utf8); }

// The first "." of the name part, or npos.
std::size_t first_dot(std::string_view path) { return path.find('.', common::name_start(path)); }

constexpr int kComboX = 402, kComboY = 210, kComboHeight = 26, kComboFixedWidth = 188;
constexpr int kTimerWidth = 100, kTimerHeight = 22;

std::vector<ui::ControlDef> main_controls() {
  const int B = kComboX, W = 188;
  return {
      {"LIST1", ControlKind::List, "", 10, 10, 382, 238, true},
      {"BUTTON1", ControlKind::Button, "測定条件受信-表示", B, 10, W, 32},
      {"BUTTON2", ControlKind::Button, "測定条件の変更", B, 48, W, 32},
      {"BUTTON3", ControlKind::Button, "ﾃﾞｰﾀｰ受信⇒ﾌｧｲﾙ", B, 86, W, 32},
      {"BUTTON7", ControlKind::Button, "ﾒﾓﾘｰのｸﾘｱｰ", B, 124, W, 32},
      {"BUTTON4", ControlKind::Button, "説明", B, 162, W, 32},
      {"COMBO3", ControlKind::Combo, "", B, kComboY, 80, kComboHeight},
      {"TEXT23", ControlKind::Label, "ﾀｲﾏｰ = 100", B + 88, kComboY + 2, kTimerWidth, kTimerHeight},
      {"TEXT14", ControlKind::Label, "", 10, 258, 580, 22, true},
  };
}

}  // namespace

std::string GET_PASS(std::string_view path) { return common::directory_part(path); }
std::string GET_FN(std::string_view path) { return common::fit_base_name(common::stem_part(path)); }
std::string GET_EXP(std::string_view path) { return common::extension_part(path); }

std::string cut_download_name(std::string_view path) {
  const std::size_t dot = first_dot(path);
  // Position 3 or later, counted from 1.
  if (dot != std::string_view::npos && dot >= 2) return std::string(path.substr(0, dot));
  return std::string(path);
}

common::SettingsSlots default_link_settings(const std::string& start_directory_utf8) {
  common::SettingsSlots s{};
  s[1] = cp(start_directory_utf8);
  s[0] = std::string(1, static_cast<char>(s[1].size() > 255 ? 255 : s[1].size()));
  s[2] = cp("無題");
  s[3] = s[4] = s[5] = "0";
  s[6] = "1";
  s[7] = ui::colour_text(ui::palette(1));
  s[8] = ui::colour_text(ui::palette(14));
  s[9] = ui::colour_text(ui::palette(5));
  s[10] = s[11] = s[12] = s[13] = "0";
  s[14] = ui::colour_text(ui::palette(15));
  s[15] = ui::colour_text(ui::palette(0));
  s[17] = "8";
  s[27] = "0";
  s[28] = common::right(common::num_text(kDefaultTimer), 4);
  return s;
}

MainForm::MainForm(ui::Platform& platform, LinkState& state, LinkPorts ports, LinkHooks hooks)
    : platform_(platform), state_(state), ports_(std::move(ports)), hooks_(std::move(hooks)) {}

MainForm::~MainForm() {
  state_.show_status = nullptr;
  state_.start_waveform_display = nullptr;
  close_port();
}

ui::SerialPort& MainForm::port() {
  if (ports_.fixed) return *ports_.fixed;
  if (!made_port_) select_port(state_.port_index);
  return *made_port_;
}

Link MainForm::link() { return Link{port(), platform_.clock, platform_.pump, state_}; }

void MainForm::close_port() {
  if (ports_.fixed && ports_.fixed->is_open()) ports_.fixed->close();
  if (made_port_ && made_port_->is_open()) made_port_->close();
}

void MainForm::select_port(int index) {
  if (ports_.fixed) return;  // the command line named the port: COMBO3 only changes the setting
  if (made_port_) made_port_->close();
  made_port_ = ports_.make_port ? ports_.make_port(index) : nullptr;
  if (!made_port_) throw std::logic_error("no serial port for the link program");
}

std::string MainForm::settings_path() const {
  return (fs::path(state_.start_directory) / kSettingsFileName).string();
}

void MainForm::MAINFORM_START() {
  state_.threshold_scale = 500;
  state_.conditions.display = " ";
}

void MainForm::GET_COND() {
  std::error_code ec;
  fs::current_path(state_.start_directory, ec);
  if (!common::read_settings_file(settings_path(), common::SettingsFlavour::Link, state_.settings)) {
    state_.settings = default_link_settings(state_.start_directory);
    state_.timer = kDefaultTimer;
    PUT_COND();
  }
  // A damaged file must not give a port outside the list or an unusable pacing value.
  state_.timer = clamp_timer(static_cast<int>(common::round_half_even(common::val(state_.settings[28]))));
  const auto index = common::round_half_even(common::val(state_.settings[27]));
  state_.port_index = static_cast<int>(index < 0 ? 0 : index >= kPorts ? kPorts - 1 : index);
  state_.port_name = "com" + std::to_string(state_.port_index);
  if (timer_override_) state_.timer = clamp_timer(*timer_override_);
}

bool MainForm::PUT_COND() {
  std::error_code ec;
  fs::current_path(state_.start_directory, ec);
  common::SettingsSlots& s = state_.settings;
  s[0] = std::string(1, static_cast<char>(s[1].size() > 255 ? 255 : s[1].size()));
  // A --timer of this run is not saved; a timer the user sets is.
  if (!timer_override_) s[28] = common::right(common::num_text(state_.timer), 4);
  const bool ok = common::write_settings_file(settings_path(), s, common::SettingsFlavour::Link);
  if (!ok) state_.status_line(std::string(kSettingsFileName) + "を書き込めません");
  return ok;
}

void MainForm::SET_COMBO3() {
  ui::Control& combo = form_->control("COMBO3");
  combo.clear_rows();
  if (ports_.fixed) {
    // The command line named the port: the list shows that device, not a "com" it does not use.
    combo.move(kComboX, kComboY, kComboFixedWidth, kComboHeight);
    form_->control("TEXT23").move(kComboX, kComboY + kComboHeight + 2, kTimerWidth, kTimerHeight);
    combo.add_row(ports_.fixed->name());
    combo.set_selection(0);
    combo.set_enabled(false);
    return;
  }
  for (int i = 1; i <= kPorts; ++i) combo.add_row("com" + std::to_string(i));
  combo.set_selection(state_.port_index);
  state_.port_name = "com" + std::to_string(state_.port_index);
}

void MainForm::STS_DISP(int status) {
  ui::Control& list = form_->control("LIST1");
  list.clear_rows();
  // After a failed request the list holds no conditions: what it showed before belongs to an
  // earlier answer, and half an answer is no record.
  const common::ConditionsRecord none;
  for (const auto& line : condition_list_lines(status == 0 ? state_.conditions : none)) list.add_row(line);
}

void MainForm::WND4_OPN() {
  if (!explanation_) explanation_ = platform_.forms.make_form(kExplanationForm, 600, 420);
  if (!explanation_->is_open()) explanation_->show();
}

void MainForm::MESS(int n) {
  WND4_OPN();
  const Explanation& text = explanation(n);
  explanation_->set_caption(text.caption);
  explanation_->resize_client(explanation_->client_width(),
                              static_cast<int>(text.lines.size()) * kExplanationLine + 2 * kExplanationMargin);
  ui::Canvas& c = explanation_->canvas();
  c.clear(ui::palette(15));
  c.set_pen(ui::palette(0));
  int y = kExplanationMargin;
  for (const auto& line : text.lines) {
    if (!line.empty()) c.text(kExplanationMargin, y, line, 13);
    y += kExplanationLine;
  }
}

void MainForm::show_timer() { form_->control("TEXT23").set_text(kTimerPrefix + std::to_string(state_.timer)); }

void MainForm::enable_clear(bool with_old_layout) {
  const std::string& m = state_.conditions.model_code;
  // A clear is offered only after a whole answer: half a line may name the wrong recorder.
  const bool known = state_.status == 0;
  form_->control("BUTTON7").set_enabled(known && (m == "La" || m == "LA" || (with_old_layout && m == "Aa")));
}

void MainForm::start(std::optional<int> timer) {
  MAINFORM_START();
  form_ = platform_.forms.make_form(kMainForm, 600, 290);
  form_->add_controls(main_controls());
  form_->set_caption(kMainCaption);
  form_->set_handler([this](const ui::UiEvent& e) { on_event(e); });
  state_.show_status = [this](const std::string& s) {
    if (form_) form_->control("TEXT14").set_text(s);
  };
  if (hooks_.waveform_display)
    state_.start_waveform_display = [this] {
      Link l = link();
      hooks_.waveform_display(l, platform_);
    };
  state_.help_flag = 0;
  if (state_.start_directory.empty()) state_.start_directory = fs::current_path().string();
  timer_override_ = timer;
  GET_COND();
  SET_COMBO3();
  form_->control("TEXT23").set_enabled(true);
  form_->control("BUTTON7").set_enabled(false);
  show_timer();
  state_.switch_start = 0;
  close_port();
  form_->show();
  STS_DISP(state_.status);
}

void MainForm::on_event(const ui::UiEvent& e) {
  using ui::same_name;
  const std::string& c = e.control;
  if (e.kind == ui::EventKind::Change && same_name(c, "COMBO3")) return COMBO3_CHANGE();
  if (e.kind != ui::EventKind::Click) return;
  if (same_name(c, "BUTTON1") || same_name(c, "LIST1")) state_.event_code = kEventShow;
  else if (same_name(c, "BUTTON2")) state_.event_code = kEventChange;
  else if (same_name(c, "BUTTON3")) state_.event_code = kEventDownload;
  else if (same_name(c, "BUTTON7")) state_.event_code = kEventClear;
  else if (same_name(c, "BUTTON4")) BUTTON4_ON();
  else if (same_name(c, "TEXT23")) TEXT23_CLICK();
}

void MainForm::BUTTON4_ON() {
  state_.help_flag = 0;
  if (platform_.dialogs.message_box("動作説明", "実行の前に説明文を表示しますか", ui::Buttons::YesNo,
                                    ui::Icon::Question) == ui::Answer::Yes)
    state_.help_flag = 1;
}

void MainForm::TEXT23_CLICK() {
  state_.event_code = kEventTimer;
  const std::string answer =
      platform_.dialogs.input_box("ﾀｲﾏｰの設定(10～500)", "RS-232の遅延時間を設定します", std::to_string(state_.timer));
  if (!answer.empty() && answer != ui::kCancelAnswer) {
    // A 16-bit value: anything beyond its range is taken at the range's end, not wrapped.
    double v = common::val(answer);
    if (v > std::numeric_limits<std::int16_t>::max()) v = std::numeric_limits<std::int16_t>::max();
    if (v < std::numeric_limits<std::int16_t>::min()) v = std::numeric_limits<std::int16_t>::min();
    state_.timer = clamp_timer(static_cast<int>(common::round_half_even(v)));
    timer_override_.reset();
  }
  show_timer();
}

void MainForm::COMBO3_CHANGE() {
  state_.event_code = kEventPort;
  const int row = form_->control("COMBO3").selection();
  if (row < 0 || row >= kPorts) return;
  state_.settings[27] = std::to_string(row);
  state_.port_name = "com" + std::to_string(row);
  state_.port_index = row;
  close_port();
  if (!ports_.fixed) select_port(row);
}

void MainForm::run() {
  while (open()) {
    state_.event_code = 0;
    while (state_.event_code == 0 || state_.event_code == kEventShow) {
      close_port();
      Link l = link();
      DELAY_T(l, state_.timer);
      state_.event_code = 0;
      platform_.pump.wait_until([&] { return state_.event_code != 0 || !open(); });
      if (!open()) return;
      if (state_.event_code == kEventShow) receive_and_show();
    }
    if (state_.event_code == kEventChange) change_conditions();
    if (!open()) return;
    if (state_.event_code == kEventSend) send_conditions();
    if (state_.event_code == kEventDownload) receive_to_file();
    if (state_.event_code == kEventClear) clear_memory();
    if (state_.event_code == kEventCalorie && hooks_.calorie_dialog) hooks_.calorie_dialog(platform_, state_);
    if (state_.event_code == kEventPort || state_.event_code == kEventTimer) PUT_COND();
  }
}

void MainForm::receive_and_show() {
  if (state_.help_flag == 1) MESS(1);
  Link l = link();
  STS_REQ(l, &platform_.dialogs, state_.status, "1");
  STS_DISP(state_.status);
  enable_clear(true);
}

void MainForm::change_conditions() {
  if (state_.help_flag == 1) MESS(2);
  Link l = link();
  STS_REQ(l, &platform_.dialogs, state_.status, "1");
  STS_DISP(state_.status);
  if (state_.status != 0) return;
  ConditionEditor editor(platform_, state_, [this] {
    if (hooks_.calorie_dialog) hooks_.calorie_dialog(platform_, state_);
  });
  editor.run([this] { return open(); });
  enable_clear(false);
}

void MainForm::send_conditions() {
  form_->set_busy(true);
  Link l = link();
  setting_step(l, &platform_.dialogs, [this](int status) { STS_DISP(status); });
  form_->set_busy(false);
  enable_clear(true);
}

void MainForm::receive_to_file() {
  GET_COND();
  Link l = link();
  STS_REQ(l, &platform_.dialogs, state_.status, "1");
  STS_DISP(state_.status);
  if (state_.status != 0) enable_clear(true);  // not offered on the strength of an older answer
  if (state_.help_flag == 1) MESS(3);
  if (state_.status == 0) choose_name_and_download(l);
  // Whatever the status: a recorder left at four-times speed is sent back to normal.
  if (state_.conditions.speed == "B") restore_speed();
}

void MainForm::choose_name_and_download(Link& l) {
  std::error_code ec;
  fs::current_path(u(state_.settings[1]), ec);
  if (ec) {
    // An unusable data directory falls back to the start directory, silently.
    state_.settings[1] = cp(state_.start_directory);
    PUT_COND();
    fs::current_path(state_.start_directory, ec);
  }
  const std::string answer =
      platform_.dialogs.save_file("名前を付けて保存", "無題___0", "ﾃﾞｰﾀｰ(*);すべてのファイル(*.*)");
  if (answer != ui::kCancelAnswer && !answer.empty()) {
    const std::string name = cut_download_name(answer);
    // The slots are CP932: a name CP932 cannot hold leaves its slot as it was, while the
    // download itself goes to the chosen path as it is.
    state_.settings[1] = common::slot_value(GET_PASS(name), state_.settings[1]);
    state_.settings[2] = common::slot_value(GET_FN(name), state_.settings[2]);
    state_.settings[16] = common::slot_value(GET_EXP(name), state_.settings[16]);
    PUT_COND();
    if (hooks_.download) hooks_.download(l, platform_, name);
  }
}

// A four-times transfer leaves the recorder at 19200 bit/s: send it back to normal speed.
void MainForm::restore_speed() {
  Link l = link();
  int status = 0;
  if (!l.port.is_open()) RX_OPEN(l, status, "AC");
  bool ok = (status == 0 || status == kStatusAlreadyOpen) && set_speed(l, 19200);
  if (ok) {
    DELAY_T(l, state_.timer);
    ok = send_command_crlf(l, "B2");
    DELAY_T(l, state_.timer);
    ok = set_speed(l, 9600) && ok;
  }
  if (!ok) state_.status_line("N_COM=" + std::to_string(state_.port_index));
}

void MainForm::clear_memory() {
  if (state_.help_flag == 1) MESS(4);
  Link l = link();
  if (memory_clear(l, &platform_.dialogs, &platform_.forms) != ClearResult::Done) return;
  // The list showed the amounts from before the clear: ask again, so that it shows what is left.
  const std::string done = kClearDoneText;
  STS_REQ(l, nullptr, state_.status, "1");
  STS_DISP(state_.status);
  enable_clear(true);
  if (state_.status == 0) state_.status_line(done);
}

int run_link_program(ui::Platform& platform, LinkPorts ports, LinkHooks hooks, std::optional<int> timer) {
  LinkState state;
  MainForm main_form(platform, state, std::move(ports), std::move(hooks));
  main_form.start(timer);
  main_form.run();
  return 0;
}

}  // namespace ambcomm
