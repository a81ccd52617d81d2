// The RR index header and the rule that tells its two counting styles apart.
#include "common/rr_index_format.h"

#include <algorithm>
#include <cmath>

#include "common/numbers.h"
#include "common/recording_format.h"
#include "common/text.h"

namespace common {

namespace {
constexpr FieldPos kIndexKind{1, 2};
}  // namespace

std::int64_t interval_ms(double interval_seconds) {
  if (!std::isfinite(interval_seconds)) return 1;
  return std::max<std::int64_t>(1, round_half_even(std::min(interval_seconds, 1e12) * 1000.0));
}

RrIndexStyle rr_index_style(std::string_view header) {
  const FieldPos f = kCurrentHeader.count;
  return mid(header, f.pos, f.width) == "FFFF" ? RrIndexStyle::SampleEnds : RrIndexStyle::SampleStarts;
}

std::int64_t rr_index_entries_stated(std::string_view header) {
  const FieldPos f = kCurrentHeader.rr_count;
  return static_cast<std::int64_t>(hex_value(mid(header, f.pos, f.width)) & 0xFFFFFFFFu) + 1;
}

std::int64_t rr_boundary_entry(RrIndexStyle style, std::int64_t j) {
  return style == RrIndexStyle::SampleEnds ? j - 1 : j;
}

void mark_rr_index_header(std::string& header, std::int64_t entries, std::int64_t recording_count) {
  const HeaderLayout& L = kCurrentHeader;
  set_mid(header, kIndexKind.pos, "IX");
  set_mid(header, L.count.pos, "FFFF");
  set_mid(header, L.rr_count.pos, hex_field(static_cast<std::uint64_t>(std::max<std::int64_t>(entries - 1, 0)), L.rr_count.width));
  set_mid(header, L.count_long.pos,
          hex_field(static_cast<std::uint64_t>(std::max<std::int64_t>(recording_count, 0)), L.count_long.width));
}

}  // namespace common
