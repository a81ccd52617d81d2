// The defaults of the processing conditions and the values-per-line answer.
#include "view/settings/processing_conditions.h"

#include "common/cp932.h"
#include "common/numbers.h"
#include "common/text.h"

namespace ambview {

IntervalText IntervalText::of(std::string text) {
  IntervalText t;
  t.seconds = common::val(text);
  t.text = std::move(text);
  return t;
}

ProcessingConditions default_conditions(std::string_view start_directory) {
  ProcessingConditions c;
  c.directory = common::utf8_to_cp932(start_directory);
  c.base_name = common::utf8_to_cp932("無題");
  c.averaging = Averaging::Block;
  c.acc_scale = 0;
  c.hr_scale = 0;
  c.average_n = 1;
  c.scale1_colour = ui::palette(1);
  c.scale2_colour = ui::palette(14);
  c.trend_colour = ui::palette(5);
  c.back_colour = ui::palette(15);
  c.text_colour = ui::palette(0);
  c.interval = IntervalText::of("0");
  c.per_line = 8;
  c.calorie = {"2", " ", "60", "1", "0.021", "0.078", "3.083", "68.074", "0"};
  return c;
}

int per_line_answer(std::string_view answer_utf8) {
  return static_cast<int>(common::round_half_even(common::val(common::right(common::utf8_to_cp932(answer_utf8), 4))));
}

}  // namespace ambview
