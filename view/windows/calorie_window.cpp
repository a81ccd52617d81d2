// CALC_CAL and WND6_OPN (see calorie_window.h).
#include "view/windows/calorie_window.h"

#include "ui/calorie_form.h"
#include "view/output/calorie_trend.h"
#include "view/settings/conditions_file.h"
#include "view/windows/viewer_shell.h"

namespace ambview {

ui::Form& WND6_OPN(ViewerState& state, ui::Platform& platform, int height, std::string_view caption) {
  ui::Form* parent = state.forms.main.get();
  const int width = parent ? parent->client_width() : kMainWidth;
  if (!state.forms.form6 || !state.forms.form6->is_open()) {
    if (!state.forms.form6) {
      state.forms.form6 = platform.forms.make_form("FORM6", width, height);
      state.forms.form6->set_handler([](const ui::UiEvent&) {});
    }
    if (parent) state.forms.form6->move_to(parent->left() + 65, parent->top() + parent->client_height() - height + 60);
  }
  ui::Form& form = *state.forms.form6;
  form.set_enabled(true);
  form.set_caption(caption);
  form.resize_client(width, height);
  form.show();
  form.raise();
  return form;
}

void CALC_CAL(ViewerState& state, ui::Platform& platform, int /*code*/) {
  if (!state.loaded) return;
  const ui::EventCodeAccess access{[&state] { return static_cast<int>(state.event_code); },
                                   [&state](int v) { state.event_code = static_cast<std::int16_t>(v); }};
  // The shared dialog works on the settings record's slots; what it confirms comes back typed.
  common::SettingsSlots slots = to_slots(state.conditions);
  const auto result = ui::run_calorie_dialog(platform, state.forms.form7, common::viewer_calorie_names(), slots,
                                             state.forms.main.get(), access, [&state, &slots] {
                                               state.conditions.calorie = from_slots(slots).calorie;
                                               PUT_COND(state);
                                             });
  if (result == ui::CalorieDialogResult::Closed) return;

  const int selected = NO_EXF(state.channels);
  const std::vector<CalorieEntry> list = calorie_channel_list(state.channels);
  if (list.empty()) {
    platform.dialogs.message_box(kCalorieErrorCaption, kCalorieNoFileText, ui::Buttons::Ok, ui::Icon::Warning);
    return;
  }

  int& per_line = state.conditions.per_line;
  const std::string answer =
      platform.dialogs.input_box(kCaloriePerLineTitle, kCaloriePerLinePrompt, std::to_string(per_line));
  if (answer == ui::kCancelAnswer) return;
  if (!answer.empty()) {
    per_line = per_line_answer(answer);
    PUT_COND(state);
  }
  if (per_line < 1) per_line = 1;

  const int main_height = state.forms.main ? state.forms.main->client_height() : kMainHeight;
  const int height = calorie_window_height(main_height, selected, static_cast<int>(list.size()));
  ui::Form& form = WND6_OPN(state, platform, height, kCalorieCaption);
  CAL_TREND(form.canvas(), state.conditions, state.info, state.channels, list, state.data_directory);
  platform.pump.process_pending();
}

}  // namespace ambview
