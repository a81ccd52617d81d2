// The condition editor. Edits go straight into the record, as typed and cut to the field; the
// record is checked and converted only when it is encoded for sending.
#include "link/condition_editor.h"

#include "common/cp932.h"
#include "link/condition_setting.h"

namespace ambcomm {

namespace {

using ui::ControlKind;

std::string u(const std::string& cp932) { return common::cp932_to_utf8(cp932); }

bool is_lead_byte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The controls whose enabling ENABLE_STS switches together.
constexpr const char* kEnabledTogether[] = {"EDIT1",  "EDIT2",  "EDIT3",  "EDIT4",  "EDIT5",  "EDIT6",
                                            "EDIT7",  "EDIT8",  "EDIT9",  "EDIT10", "TEXT3",  "TEXT5",
                                            "TEXT6",  "TEXT7",  "TEXT20", "TEXT21", "TEXT22", "COMBO1",
                                            "COMBO2"};

constexpr int kEventSend = 6;
constexpr int kEventReset = 7;
constexpr int kEventCalorie = 9;
constexpr int kEventTime = 10;
constexpr int kEventAccZero = 11;
constexpr int kEventAccTyped = 12;
constexpr int kEventRrZero = 13;
constexpr int kEventRrTyped = 14;
constexpr int kEventEcgZero = 15;
constexpr int kEventEcgTyped = 16;
constexpr int kEventMode = 20;
constexpr int kEventDisplay = 21;
// From this code on, the editor shows the record again after the event.
constexpr int kFirstRefreshCode = 10;

constexpr int kModeRowNone = 15;
constexpr int kDisplayRowNone = 5;

// The editor's layout: labels left, edit boxes beside them, the amounts on the right.
std::vector<ui::ControlDef> editor_controls() {
  const int L = 10, E = 130, R = 290, V = 420;
  std::vector<ui::ControlDef> c = {
      {"TEXT3", ControlKind::Label, "測定開始時刻", L, 14, 112, 22},
      {"TEXT45", ControlKind::Label, "名前、コメント", L, 48, 112, 22},
      {"EDIT6", ControlKind::Edit, "", E, 46, 200, 24, true},
      {"TEXT46", ControlKind::Label, "測 定 間 隔", L, 82, 112, 22},
      {"EDIT7", ControlKind::Edit, "", E, 80, 64, 24, true},
      {"TEXT52", ControlKind::Label, "秒", E + 68, 82, 20, 22},
      {"TEXT47", ControlKind::Label, "レベルｰ1(G)", L, 116, 112, 22},
      {"EDIT8", ControlKind::Edit, "", E, 114, 64, 24, true},
      {"TEXT48", ControlKind::Label, "レベルｰ2(G)", L, 150, 112, 22},
      {"EDIT9", ControlKind::Edit, "", E, 148, 64, 24, true},
      {"TEXT49", ControlKind::Label, "レベルｰ3(G)", L, 184, 112, 22},
      {"EDIT10", ControlKind::Edit, "", E, 182, 64, 24, true},
      {"TEXT20", ControlKind::Label, "加速度データー量", R, 82, 126, 22},
      {"TEXT5", ControlKind::Label, "", V, 82, 96, 22, true},
      {"TEXT21", ControlKind::Label, "RR間隔データー量", R, 116, 126, 22},
      {"TEXT6", ControlKind::Label, "", V, 116, 96, 22, true},
      {"TEXT22", ControlKind::Label, "心電図データー量", R, 150, 126, 22},
      {"TEXT7", ControlKind::Label, "", V, 150, 96, 22, true},
      {"TEXT50", ControlKind::Label, "測定モード", L, 226, 112, 22},
      {"COMBO1", ControlKind::Combo, "", E, 224, 280, 26},
      {"TEXT51", ControlKind::Label, "表    示", L, 262, 112, 22},
      {"COMBO2", ControlKind::Combo, "", E, 260, 180, 26},
      {"CHECK1", ControlKind::Check, "ｽｲｯﾁｽﾀｰﾄﾓｰﾄﾞ", E, 296, 180, 24},
      {"BUTTON5", ControlKind::Button, "Movilogへ設定", L, 336, 150, 32},
      {"BUTTON6", ControlKind::Button, "初期化", 190, 336, 120, 32},
      {"BUTTON9", ControlKind::Button, "ｶﾛﾘｰ設定", 340, 336, 120, 32},
  };
  // The start time: five two-digit boxes, each with its unit.
  static constexpr const char* kUnits[] = {"年", "月", "日", "時", "分"};
  for (int i = 0; i < 5; ++i) {
    const int x = E + i * 54;
    c.push_back({"EDIT" + std::to_string(i + 1), ControlKind::Edit, "", x, 12, 32, 24, true});
    c.push_back({"TEXT" + std::to_string(40 + i), ControlKind::Label, kUnits[i], x + 34, 14, 18, 22});
  }
  return c;
}

}  // namespace

std::vector<ListRow> mode_rows(std::string_view model) {
  std::vector<ListRow> rows = {
      {"0 = 加速度+X,Y,Z", "0"}, {"1 = 加速度 ", "1"}, {"2 = 加速度+ﾚﾍﾞﾙ1CH", "2"}, {"4 = 加速度+ﾚﾍﾞﾙ3CH", "4"}};
  const bool old = model == "Aa";
  struct Tilt {
    const char* code;
    const char* text;
  };
  static constexpr Tilt kTilt[] = {{"@", "ﾓｰﾄﾞ0+傾斜+HR"}, {"A", "ﾓｰﾄﾞ1+傾斜+HR"}, {"B", "ﾓｰﾄﾞ2+傾斜+HR"},
                                   {"D", "ﾓｰﾄﾞ4+傾斜+HR"}, {"P", "ﾓｰﾄﾞ0+傾斜+RR"}, {"Q", "ﾓｰﾄﾞ1+傾斜+RR"},
                                   {"R", "ﾓｰﾄﾞ2+傾斜+RR"}, {"T", "ﾓｰﾄﾞ4+傾斜+RR"}};
  for (const auto& t : kTilt) rows.push_back({std::string(t.code) + " = " + (old ? "-----" : t.text), t.code});
  if (old) {
    rows.push_back({"7 = -----", "7"});
    rows.push_back({"8 = -----", "8"});
    rows.push_back({"9 = -----", "9"});
    rows.push_back({"  = -----", "L"});
    rows.push_back({"5 = ｶﾛﾘｰﾓｰﾄﾞ   ", "5"});
  } else if (model == "La" || model == "LA") {
    rows.push_back({model == "LA" ? "7 = 加速度波形1CH" : "-----", "7"});
    rows.push_back({"8 = 加速度波形3CH", "8"});
    rows.push_back({"9 = 加速度波形+心電図波形", "9"});
    rows.push_back({"", "L"});
    rows.push_back({"", "5"});
  } else {
    rows.push_back({"-----", "7"});
    rows.push_back({"-----", "8"});
    rows.push_back({"-----", "9"});
    rows.push_back({"PW-4", "L"});
    rows.push_back({"", "5"});
  }
  return rows;
}

const std::vector<ListRow>& display_rows() {
  static const std::vector<ListRow> rows = {{"加速度最大値", "0"}, {"心拍数(BPM)", "7"},  {"加速度平均値", "1"},
                                            {"ｶﾛﾘｰ / 歩数 ", "2"}, {"ｶﾛﾘｰ / 歩数 ", "3"}, {"", ""}};
  return rows;
}

int mode_row(const std::vector<ListRow>& rows, std::string_view mode) {
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (rows[i].code == mode) return static_cast<int>(i);
  return kModeRowNone;
}

int display_row(std::string_view display) {
  const auto& rows = display_rows();
  // The last row (no code) only stands for "none of these".
  for (std::size_t i = 0; i + 1 < rows.size(); ++i)
    if (rows[i].code == display) return static_cast<int>(i);
  return kDisplayRowNone;
}

const std::array<EditField, 10>& edit_fields() {
  static constexpr std::array<EditField, 10> kFields = {{
      {"EDIT1", 0, 2, "start_year"},
      {"EDIT2", 1, 2, "start_month"},
      {"EDIT3", 2, 2, "start_day"},
      {"EDIT4", 3, 2, "start_hour"},
      {"EDIT5", 4, 2, "start_minute"},
      {"EDIT6", 5, 20, "comment"},
      {"EDIT7", 7, 4, "interval"},
      {"EDIT8", 8, 4, "level_threshold_1"},
      {"EDIT9", 9, 4, "level_threshold_2"},
      {"EDIT10", 10, 4, "level_threshold_3"},
  }};
  return kFields;
}

std::string cut_field(std::string_view utf8, int width) {
  const std::string bytes = common::utf8_to_cp932(utf8);
  std::size_t n = 0;
  while (n < bytes.size()) {
    const std::size_t step = is_lead_byte(static_cast<unsigned char>(bytes[n])) ? 2 : 1;
    if (n + step > static_cast<std::size_t>(width)) break;
    n += step;
  }
  return bytes.substr(0, n < bytes.size() ? n : bytes.size());
}

ConditionEditor::ConditionEditor(ui::Platform& platform, LinkState& state, std::function<void()> calorie_dialog)
    : platform_(platform), state_(state), calorie_dialog_(std::move(calorie_dialog)) {}

ConditionEditor::~ConditionEditor() { WND2_DETACH(); }

void ConditionEditor::WND2_OPN() {
  if (form_ && form_->is_open()) {
    form_->raise();
    return;
  }
  if (!form_) {
    form_ = platform_.forms.make_form(kEditorForm, 480, 380);
    form_->add_controls(editor_controls());
    form_->set_caption(kEditorCaption);
  }
  form_->set_enabled(true);
  form_->set_handler([this](const ui::UiEvent& e) { on_event(e); });
  bound_ = true;
  form_->show();
}

void ConditionEditor::WND2_DETACH() {
  if (form_ && bound_) form_->set_handler({});
  bound_ = false;
}

void ConditionEditor::SET_COMBO1() {
  ui::Control& modes = form_->control("COMBO1");
  ui::Control& displays = form_->control("COMBO2");
  displays.clear_rows();
  for (const auto& r : display_rows()) displays.add_row(r.text);
  modes_ = mode_rows(state_.conditions.model_code);
  modes.clear_rows();
  for (const auto& r : modes_) modes.add_row(r.text);
  modes.set_selection(1);
  displays.set_selection(1);
}

void ConditionEditor::WND2_STS_DISP() {
  const common::ConditionsRecord& r = state_.conditions;
  for (const auto& f : edit_fields()) form_->control(f.control).set_text(u(*r.slot(f.slot)));
  form_->control("TEXT5").set_text(u(r.acc_count));
  form_->control("TEXT6").set_text(u(r.rr_count));
  form_->control("TEXT7").set_text(u(r.ecg_blocks));
  form_->control("COMBO1").set_selection(mode_row(modes_, r.mode));
  form_->control("COMBO2").set_selection(display_row(r.display));
}

void ConditionEditor::ENABLE_STS(int flag) {
  for (const char* name : kEnabledTogether) form_->control(name).set_enabled(flag != 0);
}

void ConditionEditor::show_check1() {
  ui::Control& check = form_->control("CHECK1");
  const bool shown = is_waveform_mode(state_.conditions.mode);
  check.set_visible(shown);
  if (shown) check.set_checked(state_.switch_start == 1);
}

void ConditionEditor::run(const std::function<bool()>& keep_going) {
  WND2_OPN();
  show_check1();
  SET_COMBO1();
  WND2_STS_DISP();
  ENABLE_STS(-1);
  auto open = [&] { return form_->is_open() && keep_going(); };
  while (open()) {
    state_.event_code = 0;
    platform_.pump.wait_until([&] { return state_.event_code > 0 || !open(); });
    if (!open()) break;
    const int code = state_.event_code;
    // Visibility only: the tick follows the flag, which CHECK1 itself keeps.
    form_->control("CHECK1").set_visible(is_waveform_mode(state_.conditions.mode));
    if (code >= kFirstRefreshCode) WND2_STS_DISP();
    if (code == kEventSend) {
      form_->close();
      break;
    }
    if (code == kEventCalorie && calorie_dialog_) calorie_dialog_();
    if (code == kEventReset) reset();
  }
  WND2_DETACH();
}

void ConditionEditor::on_event(const ui::UiEvent& e) {
  const std::string& c = e.control;
  using ui::same_name;
  if (e.kind == ui::EventKind::Change) {
    for (const auto& f : edit_fields()) {
      if (same_name(c, f.control)) {
        *state_.conditions.slot(f.slot) = cut_field(form_->control(c).text(), f.width);
        return;
      }
    }
    if (same_name(c, "COMBO1")) {
      state_.event_code = kEventMode;
      const int row = form_->control(c).selection();
      if (row >= 0 && row < static_cast<int>(modes_.size())) state_.conditions.mode = modes_[static_cast<std::size_t>(row)].code;
    } else if (same_name(c, "COMBO2")) {
      state_.event_code = kEventDisplay;
      const int row = form_->control(c).selection();
      if (row >= 0 && row < kDisplayRowNone) state_.conditions.display = display_rows()[static_cast<std::size_t>(row)].code;
    }
    return;
  }
  if (e.kind != ui::EventKind::Click) return;
  common::ConditionsRecord& r = state_.conditions;
  if (same_name(c, "BUTTON5")) state_.event_code = kEventSend;
  else if (same_name(c, "BUTTON6")) state_.event_code = kEventReset;
  else if (same_name(c, "BUTTON9")) state_.event_code = kEventCalorie;
  else if (same_name(c, "CHECK1")) state_.switch_start = form_->control(c).checked() ? 1 : 0;
  else if (same_name(c, "TEXT3")) TEXT3_CLICK();
  else if (same_name(c, "TEXT5")) ask_zero("加速度のデーター量", r.acc_count, kEventAccZero);
  else if (same_name(c, "TEXT20")) ask_amount("加速度のデーター量", r.acc_count, kEventAccTyped);
  else if (same_name(c, "TEXT6")) ask_zero("ＲＲ間隔のデーター量", r.rr_count, kEventRrZero);
  else if (same_name(c, "TEXT21")) ask_amount("ＲＲ間隔のデーター量", r.rr_count, kEventRrTyped);
  else if (same_name(c, "TEXT7")) ask_zero("心電図のデーター量", r.ecg_blocks, kEventEcgZero);
  else if (same_name(c, "TEXT22")) ask_amount("心電図のデーター量", r.ecg_blocks, kEventEcgTyped);
}

void ConditionEditor::TEXT3_CLICK() {
  state_.event_code = kEventTime;
  if (platform_.dialogs.message_box("測定開始時刻", "パソコンの時刻を取り込みますか", ui::Buttons::YesNo,
                                    ui::Icon::Question) == ui::Answer::Yes)
    take_computer_time(state_.conditions, platform_.clock);
}

void ConditionEditor::ask_zero(std::string_view caption, std::string& slot, int code) {
  state_.event_code = code;
  if (platform_.dialogs.message_box(caption, "データー量を ０ にしますか", ui::Buttons::YesNo, ui::Icon::Question) ==
      ui::Answer::Yes)
    slot = "0";
}

void ConditionEditor::ask_amount(std::string_view caption, std::string& slot, int code) {
  state_.event_code = code;
  const std::string answer = platform_.dialogs.input_box(caption, "データー量を入力してください", u(slot));
  if (!answer.empty() && answer != ui::kCancelAnswer) slot = common::utf8_to_cp932(answer);
}

void ConditionEditor::reset() {
  if (platform_.dialogs.message_box("初期化", "測定開始時刻 ﾃﾞｰﾀｰ量を初期化します", ui::Buttons::YesNo,
                                    ui::Icon::Question) != ui::Answer::Yes)
    return;
  initialise_start_and_amounts(state_.conditions, platform_.clock);
  WND2_STS_DISP();
}

}  // namespace ambcomm
