// FORM7, the calorie dialog, driven over the ui/ interfaces so that both programs run the
// same loop with their own control names (common/calorie_dialog): WND7_OPN, the labels'
// input boxes, the wait for "設定" or the window's close, and the store and save on confirm.
#pragma once

#include <functional>
#include <memory>

#include "common/calorie_dialog.h"
#include "common/settings_record.h"
#include "ui/platform.h"

namespace ui {

// The program-wide event code, read and written through the program's own variable.
struct EventCodeAccess {
  std::function<int()> get;
  std::function<void(int)> set;
};

// WND7_OPN: makes FORM7 afresh in `form` (replacing a kept one), binds its controls by the
// program's names and fills them from `working`, which the label clicks edit and which must
// outlive the dialog's run. `parent` places it (may be null).
Form& WND7_OPN(Platform& platform, std::unique_ptr<Form>& form, const common::CalorieDialogNames& names,
               common::CalorieWorking& working, const Form* parent, const EventCodeAccess& code);

enum class CalorieDialogResult { Closed, Confirmed };

// The whole dialog: open, wait until the event code is 44 or the window is gone; on confirm
// store the boxes, hide the form, copy items 18-26 back into `settings` and call `save`.
// A closed window changes nothing. The form stays in `form` (hidden) after a confirm.
CalorieDialogResult run_calorie_dialog(Platform& platform, std::unique_ptr<Form>& form,
                                       const common::CalorieDialogNames& names, common::SettingsSlots& settings,
                                       const Form* parent, const EventCodeAccess& code,
                                       const std::function<void()>& save);

}  // namespace ui
