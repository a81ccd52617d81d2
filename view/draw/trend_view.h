// TREND: the trend view of the open recording, one band per displayed channel with its
// frame, scale labels, caption, event marks and time grid, then the band procedures. The
// GUI ("表示" of the trend menu) and the command line's render both draw through this one function.
#pragma once

#include "ui/canvas.h"
#include "view/recording/loader.h"
#include "view/recording/series_cache.h"
#include "view/settings/processing_conditions.h"
#include "view/settings/view_options.h"

namespace ambview {

// Draws the whole view into `window` (its width and height set the layout) from the
// processing conditions, the channel table and the recording information of the open
// recording. Shows no message: unreadable headers leave out the level caption or the event
// marks, and each band stops silently on its own read error. Readable `options` put the
// units beside the scales, the scale and time labels where they have room, never one over
// another. With a cache (the viewer's), the bands take the samples of files read before from
// it, and the picture is the same.
void TREND(ui::Canvas& window, const ProcessingConditions& conditions, const ChannelTable& channels,
           const RecordingInfo& info, const ViewOptions& options = {}, SeriesCache* cache = nullptr);

}  // namespace ambview
