// The RR index as both programs write and read it: the walk that places beats on sample
// boundaries (the link program's heart-rate derivation and the analysis program's index
// build take the same steps), the index header, and the two ways an index counts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace common {

// An RR word of 0 marks an interval beyond the 12-bit range: it stands for 4096 ms.
inline constexpr std::int64_t kZeroRrMs = 4096;

// Milliseconds of one measuring interval, rounded; at least 1, so that a walk always moves on.
std::int64_t interval_ms(double interval_seconds);

// Walks the RR words of a recording in order. Entry k of an RR index is the number of beats
// begun at or before the end of sample k, that is the running number of the beat whose
// interval passes that end.
class RrBoundaryWalk {
 public:
  explicit RrBoundaryWalk(std::int64_t interval_ms) : interval_ms_(interval_ms < 1 ? 1 : interval_ms), next_end_(interval_ms_) {}

  // One more beat of `word` ms; `pass(beats)` is called once for every sample end that its
  // interval passes, with the beats counted so far (this one included).
  template <class Pass>
  void beat(std::uint16_t word, Pass&& pass) {
    ++beats_;
    elapsed_ += word == 0 ? kZeroRrMs : word;
    while (next_end_ < elapsed_) {
      next_end_ += interval_ms_;
      pass(beats_);
    }
  }
  std::int64_t beats() const { return beats_; }

 private:
  std::int64_t interval_ms_;
  std::int64_t next_end_;
  std::int64_t elapsed_ = 0;
  std::int64_t beats_ = 0;
};

// How the entries of an index count. Sample ends: written by the link program (and built so
// by this analysis program); its header holds "FFFF" at 11-14. Sample starts: built by
// earlier analysis programs (entry j = beats read when the start of sample j is passed);
// their header holds the entry count at 11-14.
enum class RrIndexStyle { SampleEnds, SampleStarts };
RrIndexStyle rr_index_style(std::string_view header);

// Entries the header states: positions 55-62 hold the number of the last entry (entries - 1),
// as both programs write them.
std::int64_t rr_index_entries_stated(std::string_view header);

// The position of the entry that gives the beats begun at or before the start of sample j
// (j >= 1); -1 when the index has no such entry (j = 0 of a sample-ends index).
std::int64_t rr_boundary_entry(RrIndexStyle style, std::int64_t j);

// Finishes an index header: kind "IX", "FFFF" at 11-14, entries - 1 at 55-62 (0 for none) and
// the recording's sample count at 113-120, as every file of the set states it.
void mark_rr_index_header(std::string& header, std::int64_t entries, std::int64_t recording_count);

}  // namespace common
