// The menu operations that save a recording's range: the text export "テキスト形式に変換して保存"
// and the re-save "変更した開始時刻､時間で保存", each through the
// progress window FORM3.
#pragma once

#include "ui/platform.h"
#include "view/output/resave.h"
#include "view/output/text_export.h"
#include "view/windows/viewer_state.h"

namespace ambview {

// The text export: the question, the confirmation, the progress window and the files.
void TEXT_CONV(ViewerState& state, ui::Platform& platform, int code);

// The progress window of the viewer as a Progress.
Progress form3_progress(ViewerState& state, ui::Platform& platform);

// The re-save: the refusals, the save dialog, the confirmation, the progress window, the files.
void EDIT_SAVE(ViewerState& state, ui::Platform& platform, int code);

}  // namespace ambview
