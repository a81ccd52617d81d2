// Keys, wheel and drags on the main window's trend turned into moves of the time window.
#include "view/windows/trend_navigation.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "common/numbers.h"
#include "view/windows/conditions_dialog.h"
#include "view/compute/trend_layout.h"
#include "view/windows/viewer_shell.h"

namespace ambview {

namespace {

constexpr std::int64_t kMinute = 60;
// A press must travel this far before it selects a range rather than clicks.
constexpr int kDragPixels = 5;

std::int64_t floor_minute(std::int64_t s) { return (s >= 0 ? s : s - (kMinute - 1)) / kMinute * kMinute; }
std::int64_t ceil_minute(std::int64_t s) { return floor_minute(s + kMinute - 1); }
std::int64_t nearest_minute(std::int64_t s) { return floor_minute(s + kMinute / 2); }

// The start held so that the window stays over the recording, in whole minutes.
std::int64_t held_start(std::int64_t start, std::int64_t span, std::int64_t length) {
  const std::int64_t last = std::max<std::int64_t>(0, ceil_minute(length - span));
  return std::clamp<std::int64_t>(start, 0, last);
}

bool over_plot(const ViewerState& state, int x) {
  const trend::BandFrame layout = trend::band_frame(state.trend_width, state.trend_height, 1);
  return x >= layout.left && x <= layout.left + layout.width;
}

void store_move(ViewerState& state, TrendMove move, int count) {
  state.extras.move = static_cast<int>(move);
  state.extras.move_count = std::max(count, 1);
  state.event_code = static_cast<std::int16_t>(nav_code::kMove);
}

void run_move(ViewerState& state, ui::Platform& platform, int) {
  const auto move = static_cast<TrendMove>(state.extras.move);
  state.extras.move = 0;
  if (!state.loaded || move == TrendMove::None) return;
  const auto length = static_cast<std::int32_t>(state.conditions.duration);
  const TimeWindow before = displayed_window(state);
  TimeWindow w = before;
  for (int i = 0; i < state.extras.move_count; ++i)
    w = move_window(w, length, move, state.extras.range_from, state.extras.range_to);
  if (w == before) return;  // already at the end it was moving to
  state.conditions.display_start = w.start;
  state.conditions.display_span = w.span;
  state.time.display_start = w.start;
  state.time.display_span = w.span;
  PUT_COND(state);
  auto it = state.operations.find(code::kTrend);
  if (it != state.operations.end() && it->second) it->second(state, platform, code::kTrend);
}

}  // namespace

TrendMove move_for_key(int key) {
  switch (key) {
    case ui::key::kLeft: return TrendMove::Back;
    case ui::key::kRight: return TrendMove::Forward;
    case ui::key::kPageUp: return TrendMove::PageBack;
    case ui::key::kPageDown: return TrendMove::PageForward;
    case ui::key::kHome: return TrendMove::First;
    case ui::key::kEnd: return TrendMove::Last;
    case ui::key::kPlus: return TrendMove::ZoomIn;
    case ui::key::kMinus: return TrendMove::ZoomOut;
    default: return TrendMove::None;
  }
}

TrendMove move_for_wheel(int notches, bool ctrl) {
  if (notches == 0) return TrendMove::None;
  if (ctrl) return notches > 0 ? TrendMove::ZoomIn : TrendMove::ZoomOut;
  return notches > 0 ? TrendMove::PageBack : TrendMove::PageForward;
}

TimeWindow move_window(TimeWindow window, std::int32_t length, TrendMove move, std::int32_t from, std::int32_t to) {
  const std::int64_t len = std::max<std::int32_t>(length, 0);
  const std::int64_t whole = std::max<std::int64_t>(kMinute, ceil_minute(len));
  std::int64_t start = window.start;
  std::int64_t span = std::clamp<std::int64_t>(window.span, kMinute, whole);
  const std::int64_t step = std::max<std::int64_t>(kMinute, nearest_minute(span / 10));
  switch (move) {
    case TrendMove::None: break;
    case TrendMove::Back: start = floor_minute(start - step); break;
    case TrendMove::Forward: start = ceil_minute(start + step); break;
    case TrendMove::PageBack: start = floor_minute(start - span); break;
    case TrendMove::PageForward: start = ceil_minute(start + span); break;
    case TrendMove::First: start = 0; break;
    case TrendMove::Last: start = ceil_minute(len - span); break;
    case TrendMove::ZoomIn:
    case TrendMove::ZoomOut: {
      const std::int64_t centre = start + span / 2;
      span = std::clamp<std::int64_t>(ceil_minute(move == TrendMove::ZoomIn ? span / 2 : span * 2), kMinute, whole);
      start = nearest_minute(centre - span / 2);
      break;
    }
    case TrendMove::Range: {
      const std::int64_t a = std::min(from, to);
      const std::int64_t b = std::max(from, to);
      start = floor_minute(a);
      span = std::clamp<std::int64_t>(ceil_minute(b) - start, kMinute, whole);
      break;
    }
  }
  start = held_start(start, span, len);
  TimeWindow out{static_cast<std::int32_t>(start), static_cast<std::int32_t>(span)};
  apply_window_rules(out.start, out.span, length);
  return out;
}

std::int32_t seconds_at_x(int x, int width, const TimeWindow& window) {
  const trend::BandFrame layout = trend::band_frame(width, 0, 1);
  if (layout.width <= 0) return window.start;
  const double f = std::clamp(static_cast<double>(x - layout.left) / layout.width, 0.0, 1.0);
  return window.start + static_cast<std::int32_t>(common::round_half_even(f * window.span));
}

TimeWindow displayed_window(const ViewerState& state) {
  return {static_cast<std::int32_t>(state.conditions.display_start),
          static_cast<std::int32_t>(state.conditions.display_span)};
}

bool take_navigation_event(ViewerState& state, const ui::UiEvent& e) {
  ViewerExtras& x = state.extras;
  if (!state.loaded || state.trend_width <= 0 || !e.control.empty()) return false;
  ui::Form* form = state.forms.main.get();
  switch (e.kind) {
    case ui::EventKind::Key: {
      const TrendMove m = move_for_key(e.key);
      if (m == TrendMove::None) return false;
      store_move(state, m, 1);
      return true;
    }
    case ui::EventKind::Wheel: {
      const TrendMove m = move_for_wheel(e.delta, e.ctrl);
      if (m == TrendMove::None) return false;
      store_move(state, m, std::abs(e.delta));
      return true;
    }
    case ui::EventKind::MouseDown:
      x.drag_made = false;
      x.drag_from_x = e.button == 1 && over_plot(state, e.x) ? e.x : -1;
      return false;
    case ui::EventKind::MouseMove:
      if (x.drag_from_x < 0 || std::abs(e.x - x.drag_from_x) < kDragPixels) return false;
      if (form) form->set_overlay({e.x, x.drag_from_x, e.x});
      return true;
    case ui::EventKind::MouseUp: {
      const int from_x = x.drag_from_x;
      x.drag_from_x = -1;
      if (from_x < 0 || std::abs(e.x - from_x) < kDragPixels) return false;
      if (form) form->set_overlay({e.x, -1, -1});
      const TimeWindow w = displayed_window(state);
      x.range_from = seconds_at_x(from_x, state.trend_width, w);
      x.range_to = seconds_at_x(e.x, state.trend_width, w);
      x.drag_made = true;
      store_move(state, TrendMove::Range, 1);
      return true;
    }
    case ui::EventKind::Click:
      if (!x.drag_made) return false;
      x.drag_made = false;
      return true;
    default:
      return false;
  }
}

void install_navigation_operations(ViewerState& state) { state.operations.try_emplace(nav_code::kMove, run_move); }

}  // namespace ambview
