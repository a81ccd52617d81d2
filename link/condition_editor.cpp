// The condition editor. Edits go straight into the record, as typed and cut to the field; the
// record is checked and converted only when it is encoded for sending.
#include "link/condition_editor.h"

#include "common/cp932.h"
#include "link/condition_setting.h"

namespace ambcomm {

namespace {

using ui::ControlKind;

std::string u(const std::string& cp932) { return common::cp932_to_utf8(cp932); }

// The controls whose enabling ENABLE_STS switches together.
constexpr const char* kEnabledTogether[] = {"EDIT1",  "EDIT2",  "EDIT3",  "EDIT4",  "EDIT5",  "EDIT6",
                                            "EDIT7",  "EDIT8",  "EDIT9",  "EDIT10", "TEXT3",  "TEXT5",
                                            "TEXT6",  "TEXT7",  "TEXT20", "TEXT21", "TEXT22", "COMBO1",
                                            "COMBO2"};

// The editor's layout: labels left, edit boxes beside them, the amounts on the right.
constexpr int kLeft = 10, kEdit = 130, kAmountLabel = 290, kAmount = 420;

// A label with the edit box or amount value beside it, one row of the layout.
struct LabelledRow {
  const char* label;
  const char* text;
  const char* value;
  bool edit;  // an edit box beside the label; otherwise an amount at kAmount
  int y;
};
constexpr LabelledRow kRows[] = {
    {"TEXT45", "名前、コメント", "EDIT6", true, 46},       {"TEXT46", "測 定 間 隔", "EDIT7", true, 80},
    {"TEXT47", "レベルｰ1(G)", "EDIT8", true, 114},        {"TEXT48", "レベルｰ2(G)", "EDIT9", true, 148},
    {"TEXT49", "レベルｰ3(G)", "EDIT10", true, 182},       {"TEXT20", "加速度データー量", "TEXT5", false, 80},
    {"TEXT21", "RR間隔データー量", "TEXT6", false, 114}, {"TEXT22", "心電図データー量", "TEXT7", false, 148},
};

std::vector<ui::ControlDef> editor_controls() {
  std::vector<ui::ControlDef> c = {{"TEXT3", ControlKind::Label, "測定開始時刻", kLeft, 14, 112, 22}};
  for (const LabelledRow& r : kRows) {
    if (r.edit) {
      const int width = std::string_view(r.value) == "EDIT6" ? 200 : 64;
      c.push_back({r.label, ControlKind::Label, r.text, kLeft, r.y + 2, 112, 22});
      c.push_back({r.value, ControlKind::Edit, "", kEdit, r.y, width, 24, true});
    } else {
      c.push_back({r.label, ControlKind::Label, r.text, kAmountLabel, r.y + 2, 126, 22});
      c.push_back({r.value, ControlKind::Label, "", kAmount, r.y + 2, 96, 22, true});
    }
  }
  const std::vector<ui::ControlDef> rest = {
      {"TEXT52", ControlKind::Label, "秒", kEdit + 68, 82, 20, 22},
      {"TEXT50", ControlKind::Label, "測定モード", kLeft, 226, 112, 22},
      {"COMBO1", ControlKind::Combo, "", kEdit, 224, 280, 26},
      {"TEXT51", ControlKind::Label, "表    示", kLeft, 262, 112, 22},
      {"COMBO2", ControlKind::Combo, "", kEdit, 260, 180, 26},
      {"CHECK1", ControlKind::Check, "ｽｲｯﾁｽﾀｰﾄﾓｰﾄﾞ", kEdit, 296, 180, 24},
      {"BUTTON5", ControlKind::Button, "Movilogへ設定", kLeft, 336, 150, 32},
      {"BUTTON6", ControlKind::Button, "初期化", 190, 336, 120, 32},
      {"BUTTON9", ControlKind::Button, "ｶﾛﾘｰ設定", 340, 336, 120, 32},
  };
  c.insert(c.end(), rest.begin(), rest.end());
  // The start time: five two-digit boxes, each with its unit.
  static constexpr const char* kUnits[] = {"年", "月", "日", "時", "分"};
  for (int i = 0; i < 5; ++i) {
    const int x = kEdit + i * 54;
    c.push_back({"EDIT" + std::to_string(i + 1), ControlKind::Edit, "", x, 12, 32, 24, true});
    c.push_back({"TEXT" + std::to_string(40 + i), ControlKind::Label, kUnits[i], x + 34, 14, 18, 22});
  }
  return c;
}

// The amount labels: a click on the value asks for "0", a click on the label for a number.
struct AmountLabels {
  const char* zero;
  const char* typed;
  const char* caption;
  std::string common::ConditionsRecord::*slot;
  EventCode zero_code;
  EventCode typed_code;
};
const AmountLabels kAmounts[] = {
    {"TEXT5", "TEXT20", "加速度のデーター量", &common::ConditionsRecord::acc_count, EventCode::AccZero,
     EventCode::AccTyped},
    {"TEXT6", "TEXT21", "ＲＲ間隔のデーター量", &common::ConditionsRecord::rr_count, EventCode::RrZero,
     EventCode::RrTyped},
    {"TEXT7", "TEXT22", "心電図のデーター量", &common::ConditionsRecord::ecg_blocks, EventCode::EcgZero,
     EventCode::EcgTyped},
};

}  // namespace

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

EditorOutcome ConditionEditor::run(const std::function<bool()>& keep_going) {
  WND2_OPN();
  show_check1();
  SET_COMBO1();
  WND2_STS_DISP();
  ENABLE_STS(-1);
  const auto open = [&] { return form_->is_open() && keep_going(); };
  EditorOutcome outcome = EditorOutcome::Closed;
  while (open()) {
    state_.event_code = EventCode::None;
    platform_.pump.wait_until([&] { return state_.event_code != EventCode::None || !open(); });
    if (!open()) break;
    const EventCode code = state_.event_code;
    // Visibility only: the tick follows the flag, which CHECK1 itself keeps.
    form_->control("CHECK1").set_visible(is_waveform_mode(state_.conditions.mode));
    if (refreshes_editor(code)) WND2_STS_DISP();
    if (code == EventCode::Send) {
      form_->close();
      outcome = EditorOutcome::Send;
      break;
    }
    if (code == EventCode::Calorie && calorie_dialog_) calorie_dialog_();
    if (code == EventCode::Reset) reset();
  }
  state_.event_code = EventCode::None;
  WND2_DETACH();
  return outcome;
}

void ConditionEditor::on_event(const ui::UiEvent& e) {
  const std::string& c = e.control;
  using ui::same_name;
  if (e.kind == ui::EventKind::Change) return on_change(c);
  if (e.kind != ui::EventKind::Click) return;
  if (same_name(c, "BUTTON5")) state_.event_code = EventCode::Send;
  else if (same_name(c, "BUTTON6")) state_.event_code = EventCode::Reset;
  else if (same_name(c, "BUTTON9")) state_.event_code = EventCode::Calorie;
  else if (same_name(c, "CHECK1")) state_.switch_start = form_->control(c).checked() ? 1 : 0;
  else if (same_name(c, "TEXT3")) TEXT3_CLICK();
  for (const AmountLabels& a : kAmounts) {
    if (same_name(c, a.zero)) ask_zero(a.caption, state_.conditions.*a.slot, a.zero_code);
    else if (same_name(c, a.typed)) ask_amount(a.caption, state_.conditions.*a.slot, a.typed_code);
  }
}

void ConditionEditor::on_change(const std::string& c) {
  using ui::same_name;
  for (const auto& f : edit_fields()) {
    if (same_name(c, f.control)) {
      *state_.conditions.slot(f.slot) = cut_field(form_->control(c).text(), f.width);
      return;
    }
  }
  if (!same_name(c, "COMBO1") && !same_name(c, "COMBO2")) return;
  const int row = form_->control(c).selection();
  if (same_name(c, "COMBO1")) {
    state_.event_code = EventCode::Mode;
    if (row >= 0 && row < static_cast<int>(modes_.size())) state_.conditions.mode = modes_[static_cast<std::size_t>(row)].code;
  } else {
    state_.event_code = EventCode::Display;
    if (row >= 0 && row < kDisplayRowNone) state_.conditions.display = display_rows()[static_cast<std::size_t>(row)].code;
  }
}

void ConditionEditor::TEXT3_CLICK() {
  state_.event_code = EventCode::Time;
  if (platform_.dialogs.message_box("測定開始時刻", "パソコンの時刻を取り込みますか", ui::Buttons::YesNo,
                                    ui::Icon::Question) == ui::Answer::Yes)
    take_computer_time(state_.conditions, platform_.clock);
}

void ConditionEditor::ask_zero(std::string_view caption, std::string& slot, EventCode code) {
  state_.event_code = code;
  if (platform_.dialogs.message_box(caption, "データー量を ０ にしますか", ui::Buttons::YesNo, ui::Icon::Question) ==
      ui::Answer::Yes)
    slot = "0";
}

void ConditionEditor::ask_amount(std::string_view caption, std::string& slot, EventCode code) {
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
