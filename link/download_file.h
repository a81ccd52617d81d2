// One file of the download (ACC_REQ): its blocks requested, checked, retried a bounded number
// of times and written at once, the file staged beside its final name and placed when whole,
// or kept with what came when the download stops in it. REC_DATA (download.cpp) runs the
// plan file by file through here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "link/download.h"
#include "link/download_plan.h"
#include "link/progress_window.h"
#include "link/serial_link.h"
#include "link/watched_port.h"

namespace ambcomm {

// What every file of one download works with, and the result it adds to.
struct Run {
  Link& link;  // the watched link: waits look at the window
  WatchedPort& watch;
  ProgressWindow& window;
  const DownloadOptions& options;
  bool byte_frame = false;
  DownloadResult result;
};

enum class Next { Go, Stop };

// ACC_REQ: one file of the plan (nothing for a count of 0). Stop: the download ends here,
// with run.result saying why.
Next ACC_REQ(Run& run, const PlannedFile& f);

// The reason a block failed, as the progress line shows it after "STATUS=".
std::string reason_text(int status);

// The record 1 of a file the download stopped in, counting what the file holds: the sample
// count (old layout 13-16; current layout 11-14, "FFFF" and 113-120 from 65535 on, 113-120
// always) set to `count`.
std::string with_sample_count(std::string header, std::int64_t count);

// The heart-rate block rewrite (heading "#5"): packed pairs into two 4-digit values each.
std::string rewrite_heart_rate_block(std::string_view block, int items);

}  // namespace ambcomm
