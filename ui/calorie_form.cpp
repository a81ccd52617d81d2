// FORM7 over the ui/ interfaces (see calorie_form.h).
#include "ui/calorie_form.h"

#include <string>

#include "common/calorie_model.h"
#include "common/cp932.h"

namespace ui {

namespace {

constexpr int kWidth = 470;
constexpr int kHeight = 330;

std::vector<ControlDef> calorie_controls(const common::CalorieDialogNames& n) {
  std::vector<ControlDef> c = {
      {"LABEL1", ControlKind::Label, "RQ / 温当量", 12, 14, 110, 22},
      {std::string(n.combo), ControlKind::Combo, "", 130, 12, 160, 26},
      {std::string(n.button), ControlKind::Button, std::string(common::kConfirmCaption), 330, 10, 110, 32},
      {"LABEL2", ControlKind::Label, std::string(common::kAgeLabel), 12, 50, 110, 22},
      {std::string(n.age), ControlKind::Edit, "", 130, 48, 70, 24, true},
      {"LABEL3", ControlKind::Label, std::string(common::kWeightLabel), 12, 80, 110, 22},
      {std::string(n.weight), ControlKind::Edit, "", 130, 78, 70, 24, true},
      {"LABEL4", ControlKind::Label, std::string(common::kBlockLabel), 12, 110, 110, 22},
      {std::string(n.block), ControlKind::Edit, "", 130, 108, 70, 24, true},
      {std::string(n.formula_acc), ControlKind::Label, std::string(common::kFormulaAcc), 12, 146, 446, 22},
      {std::string(n.coefficient[0]), ControlKind::Label, "", 30, 172, 180, 22},
      {std::string(n.coefficient[1]), ControlKind::Label, "", 230, 172, 180, 22},
      {std::string(n.formula_hr), ControlKind::Label, "", 12, 206, 446, 22},
      {std::string(n.coefficient[2]), ControlKind::Label, "", 30, 232, 180, 22},
      {std::string(n.coefficient[3]), ControlKind::Label, "", 230, 232, 180, 22},
      {std::string(n.coefficient[4]), ControlKind::Label, "", 12, 272, 446, 22},
  };
  return c;
}

}  // namespace

Form& WND7_OPN(Platform& platform, std::unique_ptr<Form>& form, const common::CalorieDialogNames& names,
               common::CalorieWorking& working, const Form* parent, const EventCodeAccess& code) {
  form = platform.forms.make_form("FORM7", kWidth, kHeight);
  Form& f = *form;
  f.add_controls(calorie_controls(names));
  f.set_caption(names.caption);
  if (parent != nullptr) f.move_to(parent->left() + 40, parent->top() + 40);

  Control& combo = f.control(names.combo);
  combo.clear_rows();
  for (const common::RqRow& row : common::rq_table()) combo.add_row(row.text);
  combo.set_selection(common::initial_rq_selection(working[18]));
  f.control(names.age).set_text(common::cp932_to_utf8(working[19]));
  f.control(names.weight).set_text(common::cp932_to_utf8(working[20]));
  f.control(names.block).set_text(common::cp932_to_utf8(working[21]));
  f.control(names.formula_hr).set_text(common::kFormulaHr);
  for (int i = 0; i < 5; ++i) f.control(names.coefficient[static_cast<std::size_t>(i)]).set_text(common::coefficient_label(i, working));

  // BUTTON2_ON / BUTTON8_ON store 44; the coefficient labels ask for their value at once.
  f.set_handler([&platform, &f, &working, names, code](const UiEvent& e) {
    if (e.kind != EventKind::Click) return;
    if (same_name(e.control, names.button)) {
      code.set(common::kCalorieConfirmCode);
      return;
    }
    for (int i = 0; i < 5; ++i) {
      if (!same_name(e.control, names.coefficient[static_cast<std::size_t>(i)])) continue;
      const common::CoefficientEdit& edit = common::coefficient_edits()[static_cast<std::size_t>(i)];
      const std::string answer =
          platform.dialogs.input_box(edit.title, edit.prompt, common::cp932_to_utf8(working[edit.item]));
      common::apply_coefficient_answer(i, answer, working);
      f.control(e.control).set_text(common::coefficient_label(i, working));
    }
  });
  return f;
}

CalorieDialogResult run_calorie_dialog(Platform& platform, std::unique_ptr<Form>& form,
                                       const common::CalorieDialogNames& names, common::SettingsSlots& settings,
                                       const Form* parent, const EventCodeAccess& code,
                                       const std::function<void()>& save) {
  common::CalorieWorking working = common::working_from(settings);
  Form& f = WND7_OPN(platform, form, names, working, parent, code);
  f.show();
  code.set(0);
  // A parent window closed meanwhile ends the dialog as a close would: the program is ending.
  const auto gone = [&] { return !f.is_open() || (parent != nullptr && !parent->is_open()); };
  platform.pump.wait_until([&] { return code.get() == common::kCalorieConfirmCode || gone(); });
  // The handler holds the working table of this run only.
  const auto detach = [&f] { f.set_handler([](const UiEvent&) {}); };
  if (gone()) {
    if (f.is_open()) f.close();
    detach();
    return CalorieDialogResult::Closed;
  }
  common::CalorieConfirm confirm;
  confirm.selection = f.control(names.combo).selection();
  confirm.age = f.control(names.age).text();
  confirm.weight = f.control(names.weight).text();
  confirm.block = f.control(names.block).text();
  common::confirm_working(confirm, names.whole_weight, working);
  detach();
  f.close();
  common::store_working(working, settings);
  if (save) save();
  return CalorieDialogResult::Confirmed;
}

}  // namespace ui
