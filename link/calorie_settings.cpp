// The link program's calorie dialog and its save into "ACC.PRM" (see calorie_settings.h).
#include "link/calorie_settings.h"

#include <memory>

#include "common/calorie_dialog.h"
#include "link/link_settings.h"

namespace ambcomm {

ui::CalorieDialogResult CALC_CAL(ui::Platform& platform, LinkState& state) {
  // The form lives for this run only: the link program has no other use for it.
  std::unique_ptr<ui::Form> form;
  int code = 0;
  const ui::EventCodeAccess access{[&code] { return code; }, [&code](int v) { code = v; }};
  // The shared dialog edits the settings as the record's slots.
  common::SettingsSlots slots = format_link_settings(state.settings);
  return ui::run_calorie_dialog(platform, form, common::link_calorie_names(), slots, nullptr, access, [&] {
    state.settings.calorie = parse_link_settings(slots).calorie;
    save_link_settings(state);
  });
}

}  // namespace ambcomm
