// The EDF+ export of a recording's range, for the command line and the window alike: every
// channel but RR as a signal, read through the shared sample reader as the text export reads
// it; the combined file's markers, the header's event marks and the RR beats as annotations.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/settings_record.h"
#include "view/recording/loader.h"
#include "view/output/text_export.h"

namespace ambview {

// Everything one EDF+ export needs, taken from the open recording and its processing conditions.
struct EdfExportJob {
  std::string out_path;  // the .edf written (UTF-8)
  ChannelTable channels;
  RecordingInfo info;
  SampleRange range;     // trend samples of the window
};

// The job of the window's range (the processing conditions' start and duration) of a recording.
EdfExportJob make_edf_export_job(const ProcessingConditions& conditions, const ChannelTable& channels,
                                 const RecordingInfo& info, std::int64_t sample_count, std::string out_path);

struct EdfExportResult {
  bool written = false;
  bool complete = true;  // false when something of the range could not go in (said in `notes`)
  std::string message;   // why nothing was written (English, one line)
  std::vector<std::string> notes;  // what the user is told besides (English, one line each)
  std::int64_t signals = 0;
  std::int64_t annotations = 0;  // markers, event marks and beats written
};

// Writes the file: under a temporary name renamed into place when whole, never over a file
// of the recording. A channel whose file ends before the range does cuts the range there.
EdfExportResult export_edf(const EdfExportJob& job);

// Annotation texts.
inline constexpr const char* kEdfBeatText = "RR";
// The marker of a combined file, as the text export writes it: "ｵﾌｾｯﾄ分= 15".
std::string edf_marker_text(std::int32_t minutes);
// Event mark k (1-based, the start of ECG block k): "Event ECG-1".
std::string edf_event_text(int k);

}  // namespace ambview
