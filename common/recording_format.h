// The recording files as both programs see them: header layouts, file families, record
// structure and the coding of every channel's samples. The link program writes these files,
// the analysis program reads them, and re-saving writes them again: one place for the layout.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace common {

// One fixed field of a record: 1-based byte position and width.
struct FieldPos {
  int pos = 0;
  int width = 0;  // 0: the layout has no such field
};

// Header record (record 1) field positions. Both layouts are written once here; the reader
// and the writer go through these tables only.
struct HeaderLayout {
  FieldPos kind;            // file kind code ("*0", "ce", "wD", "RR", "IX", "E1", ...)
  FieldPos start_time;      // old: YYMMDDhhmm; current: MMDDhhmm (year apart)
  FieldPos start_year;      // current only
  FieldPos count;           // sample count
  FieldPos count_long;      // current only: the count when `count` holds FFFF
  FieldPos interval_code;   // current only: "f", "F", "a", "b", "c" or "0"
  FieldPos interval;        // whole seconds (current: with code "0")
  FieldPos comment;
  std::array<FieldPos, 3> thresholds;  // level thresholds in 1/500 G
  FieldPos display;         // carried: recorder display code
  FieldPos mode;            // carried: measurement mode
  FieldPos rr_count;        // RR intervals (RR index file: number of entries)
  FieldPos ecg_blocks;      // one hex digit
  FieldPos ecg_groups;      // current only: first group; group k starts at pos + 12k
  FieldPos speed;           // current only: transfer speed "B"
};

inline constexpr HeaderLayout kCurrentHeader{
    .kind = {1, 2},
    .start_time = {3, 8},
    .start_year = {53, 2},
    .count = {11, 4},
    .count_long = {113, 8},
    .interval_code = {15, 1},
    .interval = {16, 3},
    .comment = {19, 20},
    .thresholds = {{{39, 4}, {43, 4}, {47, 4}}},
    .display = {51, 1},
    .mode = {52, 1},
    .rr_count = {55, 8},
    .ecg_blocks = {63, 1},
    .ecg_groups = {64, 12},
    .speed = {112, 1},
};

inline constexpr HeaderLayout kOldHeader{
    .kind = {1, 2},
    .start_time = {3, 10},
    .start_year = {0, 0},
    .count = {13, 4},
    .count_long = {0, 0},
    .interval_code = {0, 0},
    .interval = {17, 4},
    .comment = {21, 20},
    .thresholds = {{{43, 4}, {47, 4}, {51, 4}}},
    .display = {41, 1},
    .mode = {42, 1},
    .rr_count = {55, 8},
    .ecg_blocks = {65, 1},
    .ecg_groups = {0, 0},
    .speed = {0, 0},
};

// Inside an ECG group of the current layout: 8 characters (zeroed by re-saving), then the
// 4-digit sample index of the ECG block.
inline constexpr int kEcgGroupStride = 12;
inline constexpr FieldPos kEcgGroupHead{0, 8};       // offset within the group
inline constexpr FieldPos kEcgGroupPosition{8, 4};   // offset within the group
inline constexpr int kMaxEcgBlocks = 4;              // files "E" to "H"

// The count field value that sends the reader to `count_long`.
inline constexpr std::uint32_t kCountInLongField = 0xFFFF;

// The header fields of a recording file, decoded. Text fields are CP932 bytes as stored.
struct RecordingHeader {
  bool old_layout = false;       // first character "*"
  std::string kind;              // characters 1-2
  std::string start_time;        // YYMMDDhhmm
  std::uint32_t count = 0;       // sample count (after the FFFF switch)
  char interval_code = '0';      // current layout; the old layout has whole seconds only
  std::uint32_t interval_seconds = 0;  // the hex field (used with code "0" and in the old layout)
  std::string comment;           // 20 bytes as stored
  std::array<std::uint32_t, 3> thresholds{};  // 1/500 G units
  char display = ' ';
  char mode = ' ';
  std::uint32_t rr_count = 0;
  int ecg_blocks = 0;            // hex digit, 0-15 as stored
  std::array<std::uint32_t, kMaxEcgBlocks> ecg_positions{};  // current layout, blocks 0-3
  char speed = ' ';              // current layout
};

// Reads either layout, chosen by the first character. Short or garbled records give zeros
// and empty texts, never a failure.
RecordingHeader read_header(std::string_view record);
// Reads the record at the positions of the layout named, whatever its first character.
RecordingHeader read_header_as(std::string_view record, bool old_layout);

// The sample interval the header names, as the decimal text the programs show ("0.5",
// "0.04", "0.2", "0.02", "0.004" or whole seconds). Empty when the interval code is unknown.
std::string interval_text(const RecordingHeader& header);

// Level threshold in G: raw × 2 / 1000.
double threshold_g(std::uint32_t raw);

// Interval code <-> fixed interval text of the current layout ("f" 0.5 s, ...); empty for
// an unknown code, and for "0" (whole seconds in the next field).
std::string_view fixed_interval_text(char code);

// ---------------------------------------------------------------------------------------
// Records and samples

inline constexpr int kDataFirstRecord = 2;
inline constexpr int kTextFirstSample = 3;  // position after the 2-character record prefix
inline constexpr int kWordsPerBlock = 60;
inline constexpr int kWordsPerRecord = 120;  // two blocks

// Channel kinds of the per-channel set (and "T", "S" of combined files).
inline constexpr char kKindAcceleration = 'A';
inline constexpr char kKindLevel = 'L';
inline constexpr char kKindTilt = '4';
inline constexpr char kKindHeartRate = '5';
inline constexpr char kKindRR = '6';
inline constexpr char kKindWave = 'w';
inline constexpr char kKindCombinedTilt = 'T';
inline constexpr char kKindSteps = 'S';

// The channel codes of a per-channel set, in table order.
inline constexpr std::string_view kChannelCodes = "0123456abcd";
inline constexpr char kRRIndexCode = 'i';
// ECG block files: written "E".."H", opened as "e".."h" (names match without case).
inline constexpr std::string_view kEcgFileCodes = "efgh";

// Samples per data record of a per-channel file, by kind; 0 for an unknown kind.
int samples_per_record(char kind);

// Sample n of a channel lies in record 2 + n / per_record at index n % per_record.
std::int64_t record_of_sample(std::int64_t n, int per_record);

// Combined files: one layout per extension (compared case-sensitively).
struct CombinedChannel {
  char code;
  char kind;
};
struct CombinedLayout {
  std::string_view extension;
  int frame_width;       // hex characters
  int frames_per_record;
  int channel_count;
  std::array<CombinedChannel, 7> channels;
};

inline constexpr std::array<CombinedLayout, 5> kCombinedLayouts{{
    {".ac0", 14, 8, 6, {{{'0', 'A'}, {'1', 'A'}, {'2', 'A'}, {'3', 'A'}, {'t', 'T'}, {'u', 'T'}}}},
    {".ac1", 6, 20, 3, {{{'0', 'A'}, {'t', 'T'}, {'u', 'T'}}}},
    {".ac2", 8, 15, 4, {{{'0', 'A'}, {'1', 'L'}, {'t', 'T'}, {'u', 'T'}}}},
    {".ac4", 14, 8, 6, {{{'0', 'A'}, {'1', 'L'}, {'2', 'L'}, {'3', 'L'}, {'t', 'T'}, {'u', 'T'}}}},
    {".ac5", 18, 6, 7,
     {{{'0', 'A'}, {'1', 'A'}, {'2', 'A'}, {'3', 'A'}, {'t', 'T'}, {'u', 'T'}, {'s', 'S'}}}},
}};

// True when characters 2-3 of the extension are "ac" (the file is a combined file).
bool is_combined_extension(std::string_view extension);
// The layout of a listed extension; nullptr for any other.
const CombinedLayout* combined_layout(std::string_view extension);

// Frame character offsets (from 0 at the frame's first character), written once.
namespace frame {
inline constexpr FieldPos kB0{0, 2};        // frame type / tilt t
inline constexpr FieldPos kTiltU{1, 2};     // tilt u
inline constexpr FieldPos kMarker{2, 4};    // marker value M
inline constexpr FieldPos kAcc0{3, 3};      // channel 0 (11 bits used)
inline constexpr FieldPos kAcc1High{3, 1};  // channel 1: bit 8 in the 8-bit of this digit
inline constexpr FieldPos kAcc1Low{6, 2};
inline constexpr FieldPos kAcc3High{8, 1};
inline constexpr FieldPos kAcc2{9, 3};
inline constexpr FieldPos kAcc3Low{12, 2};
inline constexpr FieldPos kSteps{14, 4};
}  // namespace frame

// Frame values below this first byte mark a marker frame; reading it gives 100000 + M.
inline constexpr int kMarkerFrameLimit = 8;
inline constexpr std::int32_t kMarkerBase = 100000;
inline bool is_marker_value(std::int32_t v) { return v >= kMarkerBase; }

// Text of frame j (width characters from 3 + j × width).
std::string combined_frame(std::string_view record, const CombinedLayout& layout, int j);
// Decodes channel `code` of frame j (the code alone decides). Marker frames give 100000 + M.
std::int32_t decode_combined_sample(std::string_view record, const CombinedLayout& layout,
                                    char code, int j);
// Start offset in minutes: M of the first frame of record 2 when it is a marker frame, else 0.
std::int32_t combined_start_offset(std::string_view record2, const CombinedLayout& layout);

// The 2-byte word j of a binary record (bytes 1 + 2j low, 2 + 2j high), sign-extended.
// Outside the record: 0.
std::int32_t binary_word(std::string_view record, int j);

// Decodes sample j of a per-channel file: kinds A, L, 4, 5, 6 by kind, then codes a-d by
// code; any other channel yields 0.
std::int32_t decode_channel_sample(std::string_view record, char code, char kind, int j);

// The value an RR word delivers to views: 60000 / w rounded; 0 stands for 8192 ms.
std::int32_t rr_heart_rate(std::int32_t word);

// RR index files: 60 entries of 4 bytes, most significant byte first, at bytes 1 + 4j.
inline constexpr int kRRIndexEntriesPerRecord = 60;
inline constexpr int kRRIndexEntryBytes = 4;
std::uint32_t rr_index_entry(std::string_view record, int j);

}  // namespace common
