// Writes simulated recordings to disk in both file families, as the link program would
// after a download: the recorder's conditions line with the file kind in every header, and
// the heart-rate and RR index files derived from the RR intervals. Data come from the signal
// generator in chunks, so week-long recordings never sit in memory whole.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/signal_generator.h"

namespace ambsim {

enum class Family { PerChannel, Combined };

struct RecordingOptions {
  std::string path;  // the chosen file: directory + name; the name is cut at its first "."
  Family family = Family::PerChannel;
  SignalOptions signal;                   // mode, model, samples, interval, ECG blocks, seed
  std::string start_time = "2612010900";  // YYMMDDhhmm
  std::string comment = "SIMULATED";      // CP932 bytes, at most 20
  std::string extension;                  // combined: ".ac0" to ".ac5"; empty = from the mode
  int start_offset_min = 0;  // combined: > 0 makes the first frame a start-offset marker
  int event_markers = 0;     // combined: marker frames spread through the recording (M = 1, 2, ...)
  std::int64_t chunk = 12000;  // intervals generated at a time
};

struct RecordingResult {
  std::string error;               // empty on success
  std::vector<std::string> files;  // in the order written
  std::int64_t rr_count = 0;       // RR values written
  std::int64_t hr_values = 0;      // heart-rate values derived from them (N)
  std::int64_t frames = 0;         // combined: frames written, markers included
};

// The conditions line the recorder would answer (without CR), for the model and mode of
// `signal`: current layout, or the old layout for model "Aa".
std::string recorder_conditions_line(const SignalOptions& signal, const std::string& start_time,
                                     const std::string& comment, std::int64_t rr_count);

// Interval code and whole seconds of the current layout for an interval; false when the
// interval has no code (neither a listed fraction nor whole seconds 1-300).
bool interval_code_of(double interval_s, char& code, std::uint32_t& seconds);

// The combined-file extension a mode of the old recorder writes (".ac0" ...); empty when none.
std::string combined_extension(char mode);

RecordingResult write_recording(const RecordingOptions& options);

// The heart-rate values and RR index entries the link program derives from RR words (one
// value per measuring interval); exposed for tests and for the simulated link.
struct RrDerived {
  std::vector<std::uint16_t> hr;
  std::vector<std::uint32_t> beat_index;
};
RrDerived derive_heart_rate(const std::vector<std::uint16_t>& rr, double interval_s);

}  // namespace ambsim
