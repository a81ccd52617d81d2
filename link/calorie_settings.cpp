// The link program's calorie dialog and its save into "ACC.PRM" (see calorie_settings.h).
#include "link/calorie_settings.h"

#include <filesystem>
#include <memory>

#include "common/calorie_dialog.h"
#include "common/numbers.h"
#include "common/settings_record.h"
#include "common/text.h"
#include "link/main_form.h"
#include "ui/calorie_form.h"

namespace ambcomm {

bool save_link_settings(LinkState& state) {
  common::SettingsSlots& s = state.settings;
  s[0] = std::string(1, static_cast<char>(s[1].size() > 255 ? 255 : s[1].size()));
  s[28] = common::right(common::num_text(state.timer), 4);
  const std::string path = (std::filesystem::path(state.start_directory) / kSettingsFileName).string();
  const bool ok = common::write_settings_file(path, s, common::SettingsFlavour::Link);
  if (!ok) state.status_line(std::string(kSettingsFileName) + "を書き込めません");
  return ok;
}

bool CALC_CAL(ui::Platform& platform, LinkState& state) {
  // The form lives for this run only: the link program has no other use for it.
  std::unique_ptr<ui::Form> form;
  const ui::EventCodeAccess code{[&state] { return static_cast<int>(state.event_code); },
                                 [&state](int v) { state.event_code = v; }};
  const auto result = ui::run_calorie_dialog(platform, form, common::link_calorie_names(), state.settings, nullptr,
                                             code, [&state] { save_link_settings(state); });
  return result == ui::CalorieDialogResult::Confirmed;
}

}  // namespace ambcomm
