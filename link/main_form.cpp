// The main form and main loop. Handlers only store the event code (the port and timer choices
// also store their value); the loop runs each operation to its end and closes the port before
// it waits again.
#include "link/main_form.h"

#include <filesystem>
#include <limits>

#include "common/numbers.h"
#include "link/condition_display.h"
#include "link/explanations.h"

namespace ambcomm {

namespace {

namespace fs = std::filesystem;
using ui::ControlKind;

constexpr const char* kTimerPrefix = "ﾀｲﾏｰ = ";

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

std::string port_name(int index) { return "com" + std::to_string(index); }

}  // namespace

MainForm::MainForm(ui::Platform& platform, LinkState& state, LinkPorts ports, LinkHooks hooks)
    : platform_(platform), state_(state), ports_(std::move(ports)), hooks_(std::move(hooks)) {}

MainForm::~MainForm() {
  state_.show_status = nullptr;
  state_.start_waveform_display = nullptr;
  close_port();
}

ui::SerialPort& MainForm::port() {
  if (ports_.fixed) return *ports_.fixed;
  if (!made_port_) select_port(state_.settings.port_index);
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

void MainForm::MAINFORM_START() {
  state_.threshold_scale = 500;
  state_.conditions.display = " ";
}

void MainForm::GET_COND() {
  std::error_code ec;
  fs::current_path(state_.start_directory, ec);
  if (auto read = read_link_settings(settings_path(state_))) {
    state_.settings = std::move(*read);
  } else {
    state_.settings = default_link_settings(state_.start_directory);
    PUT_COND();
  }
  state_.timer = timer_override_ ? clamp_timer(*timer_override_) : state_.settings.timer;
  state_.port_name = port_name(state_.settings.port_index);
}

bool MainForm::PUT_COND() {
  std::error_code ec;
  fs::current_path(state_.start_directory, ec);
  return save_link_settings(state_);
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
  combo.set_selection(state_.settings.port_index);
  state_.port_name = port_name(state_.settings.port_index);
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
  show_explanation(*explanation_, n);
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
  if (same_name(c, "BUTTON1") || same_name(c, "LIST1")) state_.event_code = EventCode::Show;
  else if (same_name(c, "BUTTON2")) state_.event_code = EventCode::Change;
  else if (same_name(c, "BUTTON3")) state_.event_code = EventCode::Download;
  else if (same_name(c, "BUTTON7")) state_.event_code = EventCode::Clear;
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
  state_.event_code = EventCode::Timer;
  const std::string answer =
      platform_.dialogs.input_box("ﾀｲﾏｰの設定(10～500)", "RS-232の遅延時間を設定します", std::to_string(state_.timer));
  if (!answer.empty() && answer != ui::kCancelAnswer) {
    // A 16-bit value: anything beyond its range is taken at the range's end, not wrapped.
    double v = common::val(answer);
    if (v > std::numeric_limits<std::int16_t>::max()) v = std::numeric_limits<std::int16_t>::max();
    if (v < std::numeric_limits<std::int16_t>::min()) v = std::numeric_limits<std::int16_t>::min();
    state_.timer = clamp_timer(static_cast<int>(common::round_half_even(v)));
    // The user's timer is the one saved, and it replaces a --timer of this run.
    state_.settings.timer = state_.timer;
    timer_override_.reset();
  }
  show_timer();
}

void MainForm::COMBO3_CHANGE() {
  state_.event_code = EventCode::Port;
  const int row = form_->control("COMBO3").selection();
  if (row < 0 || row >= kPorts) return;
  state_.settings.port_index = row;
  state_.port_name = port_name(row);
  close_port();
  if (!ports_.fixed) select_port(row);
}

void MainForm::wait_for_operation() {
  state_.event_code = EventCode::None;
  while (state_.event_code == EventCode::None || state_.event_code == EventCode::Show) {
    close_port();
    Link l = link();
    DELAY_T(l, state_.timer);
    state_.event_code = EventCode::None;
    platform_.pump.wait_until([&] { return state_.event_code != EventCode::None || !open(); });
    if (!open()) return;
    if (state_.event_code == EventCode::Show) receive_and_show();
  }
}

void MainForm::run() {
  while (open()) {
    wait_for_operation();
    if (!open()) return;
    if (state_.event_code == EventCode::Change) {
      const EditorOutcome outcome = change_conditions();
      if (!open()) return;
      if (outcome == EditorOutcome::Send) send_conditions();
    }
    if (state_.event_code == EventCode::Download) receive_to_file();
    if (state_.event_code == EventCode::Clear) clear_memory();
    if (state_.event_code == EventCode::Port || state_.event_code == EventCode::Timer) PUT_COND();
  }
}

int run_link_program(ui::Platform& platform, LinkPorts ports, LinkHooks hooks, std::optional<int> timer) {
  LinkState state;
  MainForm main_form(platform, state, std::move(ports), std::move(hooks));
  main_form.start(timer);
  main_form.run();
  return 0;
}

}  // namespace ambcomm
