// Deterministic, seeded signals of a wearer's day (rest, walking and running bouts, heart
// rate following activity, beat-to-beat intervals, ECG) in the recorder's raw units. Kept
// apart from any file or line format so the simulated recorder and the file writer share it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ambsim {

struct SignalOptions {
  std::uint32_t seed = 1;
  double interval_s = 1.0;     // measuring interval; the waveform modes always run at 0.02 s
  std::int64_t samples = 3600; // samples per channel (acc_count)
  int ecg_blocks = 0;          // ECG blocks of 15000 samples (0-4)
  char mode = '@';
  std::string model = "CE";    // "Aa" selects the combined family's channels
  double start_hour = 9.0;     // time of day of the first sample, places the night's sleep
  std::array<double, 3> level_threshold_g{0.05, 0.2, 0.5};
};

// Which channels a recorder of a mode (and model) holds.
struct ChannelSet {
  bool acc = false;
  bool axes = false;         // X, Y, Z
  int levels = 0;            // 0, 1 or 3 level channels
  bool tilt = false;
  bool hr = false;
  bool rr = false;
  std::array<bool, 3> wave{}; // a, b, c
  bool ecg_wave = false;      // d
  bool angles = false;        // combined family t, u
  bool steps = false;         // combined family s
  bool combined = false;
};
ChannelSet channels_of(char mode, const std::string& model);
bool is_wave_mode(char mode);

// What a recorder holds, in the recorder's raw units, one vector per channel (empty when
// the mode has no such channel).
struct RecorderMemory {
  std::vector<std::uint16_t> acc;              // acceleration magnitude, raw units of 2 mG (12-bit)
  std::vector<std::uint16_t> axis[3];          // X, Y, Z raw units of 2 mG
  std::vector<std::uint16_t> level[3];         // counts above level thresholds 1-3 per interval
  std::vector<std::uint8_t> tilt;              // 0-15
  std::vector<std::uint16_t> hr;               // BPM per interval
  std::vector<std::uint16_t> rr;               // RR intervals in ms, 12-bit, 0 = beyond range
  std::vector<std::uint16_t> wave[3];          // acceleration waveforms a, b, c (12-bit, 2048 = 0 G)
  std::vector<std::uint16_t> ecg_wave;         // ECG waveform d, 5 samples per wave sample (2048 = 0 mV)
  std::vector<std::uint16_t> ecg_block[4];     // ECG blocks E-H, 15000 samples each
  std::vector<std::uint8_t> angle_t, angle_u;  // combined family tilt angles in degrees (0-180, step 6)
  std::vector<std::uint16_t> steps;            // combined family step counts per interval
};

constexpr int kEcgBlockSamples = 15000;
constexpr double kEcgSampleSeconds = 0.004;
constexpr double kWaveSampleSeconds = 0.02;
constexpr int kEcgPerWave = 5;

// The whole memory of one recording.
RecorderMemory generate_memory(const SignalOptions& options);

// Sample index (of the interval channels) at which ECG block k starts; it fits the 4 hex
// digits the header holds.
std::int64_t ecg_block_position(const SignalOptions& options, int k);
// One ECG block (15000 samples at 0.004 s), the same heart as the RR channel.
std::vector<std::uint16_t> ecg_block(const SignalOptions& options, int k);

// Chunked generation for long recordings: each call to next() yields the following `count`
// intervals of every interval channel, the 5 x count ECG wave samples, and the RR values of
// the beats that end inside those intervals. ECG blocks are not part of the chunks.
class SignalStream {
 public:
  explicit SignalStream(const SignalOptions& options);
  ~SignalStream();
  SignalStream(const SignalStream&) = delete;
  SignalStream& operator=(const SignalStream&) = delete;

  RecorderMemory next(std::int64_t count);
  std::int64_t position() const;  // intervals generated so far
  std::size_t buffered_beats() const;  // beats held between chunks (stays small)
  const SignalOptions& options() const;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

// Activity the wearer is in at time t seconds from the start (for tests and demos).
enum class Activity { Sleep, Sit, Stand, Walk, Run };
Activity activity_at(const SignalOptions& options, double t_s);

}  // namespace ambsim
