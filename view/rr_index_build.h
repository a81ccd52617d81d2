// Building the RR index file the first time an RR channel is shown: one walk over the beats
// writes the index beside the recording and draws the overview band from it, so that later
// openings read the same band through the index.
#pragma once

#include <string>

#include "view/conditions_dialog.h"

namespace ambview {

// MK_PLOT: walks the beats of the RR file `rr_path`, writes the index file `index_path`
// (header "IX" + the RR header, 60 entries a record: entry j = beats read when trend sample
// j starts), and draws the band's overview points as F_PLOT will draw them from that index.
// The index appears whole or not at all (written under a temporary name, then renamed).
// True when the index was written; a directory that cannot be written still gets the band.
bool MK_PLOT(OverviewBand& band, const std::string& rr_path, const std::string& index_path);

}  // namespace ambview
