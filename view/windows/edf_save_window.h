// The file menu's "EDF+形式で保存": the trend window's range of the open recording saved as
// one EDF+ file through the save dialog.
#pragma once

#include "ui/platform.h"
#include "view/windows/viewer_state.h"

namespace ambview {

inline constexpr const char* kEdfSaveCaption = "EDF+形式で保存";
inline constexpr const char* kEdfSaveFilter = "EDF+ (*.edf)";

// The name the save dialog proposes: the recording's base name + ".edf".
std::string edf_proposed_name(const ViewerState& state);

// The menu operation: dialog, the overwrite guard, the export, a message when it failed or
// when something of the range could not go in.
void run_edf_save(ViewerState& state, ui::Platform& platform, int code);

}  // namespace ambview
