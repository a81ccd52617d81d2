// The calorie model: VO2 of both kinds with the floor, block means, rates, totals, the RQ
// table, the failures that end an entry, and the calorie fields of the settings record.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/calorie_model.h"
#include "common/settings_record.h"
#include "common/text.h"

namespace {

using common::CalorieError;
using common::CalorieKind;
using common::CalorieSample;

// The analysis program's default calorie settings.
common::CalorieSettings defaults() {
  common::CalorieSettings s;
  s.rq_row = "2";
  s.age = " ";
  s.weight = "60";
  s.block = "1";
  s.a = "0.021";
  s.b = "0.078";
  s.c = "3.083";
  s.d = "68.074";
  s.floor = "0";
  return s;
}

common::CalorieSource values(std::vector<std::int32_t> v) {
  return [v](std::int64_t j) { return CalorieSample{CalorieSample::State::Value, v[static_cast<std::size_t>(j)]}; };
}

TEST(CalorieModel, DefaultsGiveTheKnownRestingValues) {
  const common::CalorieModel m = common::calorie_model(defaults());
  float vo2 = -1;
  ASSERT_TRUE(common::sample_vo2(m, CalorieKind::Acceleration, 0, vo2));
  EXPECT_NEAR(vo2, 0.078 / 0.021, 1e-5);
  EXPECT_NEAR(vo2, 3.714, 1e-3);
  // (3.714 / 1000) x 4.825 x 60 kg x 60 min.
  EXPECT_NEAR(common::energy_rate(m, vo2), 64.5, 0.05);

  // 68.074 BPM is 136.148 half beats: VO2 0, and below it the floor of 0 holds.
  for (float h : {136.148f, 100.0f, 0.0f}) {
    ASSERT_TRUE(common::sample_vo2(m, CalorieKind::HeartRate, h, vo2));
    EXPECT_EQ(vo2, 0.0f) << h;
    EXPECT_EQ(common::energy_rate(m, vo2), 0.0f);
  }
  // 100 BPM: (100 - 68.074) / 3.083.
  ASSERT_TRUE(common::sample_vo2(m, CalorieKind::HeartRate, 200, vo2));
  EXPECT_NEAR(vo2, (100 - 68.074) / 3.083, 1e-4);
}

TEST(CalorieModel, FloorRaisesButNeverLimits) {
  common::CalorieSettings s = defaults();
  s.floor = "5";
  const common::CalorieModel m = common::calorie_model(s);
  float vo2 = 0;
  ASSERT_TRUE(common::sample_vo2(m, CalorieKind::Acceleration, 0, vo2));
  EXPECT_EQ(vo2, 5.0f);
  ASSERT_TRUE(common::sample_vo2(m, CalorieKind::Acceleration, 4000, vo2));
  EXPECT_NEAR(vo2, (4.0 + 0.078) / 0.021, 1e-3);
}

TEST(CalorieModel, RqTableAndRowsOutsideIt) {
  const auto& t = common::rq_table();
  EXPECT_EQ(t[0].text, "0.80 / 4.801");
  EXPECT_EQ(t[5].text, "0.85 / 4.862");
  EXPECT_EQ(common::energy_equivalent(2), 4.825f);
  EXPECT_EQ(common::energy_equivalent(-1), 0.0f);
  EXPECT_EQ(common::energy_equivalent(6), 0.0f);
  common::CalorieSettings s = defaults();
  s.rq_row = " 9";
  EXPECT_EQ(common::calorie_model(s).equivalent, 0.0f);
}

TEST(CalorieModel, BlocksOfNWithAShortLastBlock) {
  common::CalorieSettings s = defaults();
  s.block = "4";
  const common::CalorieModel m = common::calorie_model(s);
  // mG values; the last block holds samples 8 and 9 only.
  const std::vector<std::int32_t> v{0, 100, 200, 300, 400, 500, 600, 700, 1000, 3000};
  const common::CalorieSpan span = common::walk_calorie(m, CalorieKind::Acceleration, 10, 1.0f, values(v));
  ASSERT_EQ(span.error, CalorieError::None);
  ASSERT_EQ(span.blocks.size(), 3u);
  EXPECT_EQ(common::block_count(10, 4), 3);
  EXPECT_EQ(span.blocks[2].first, 8);
  EXPECT_EQ(span.blocks[2].count, 2);
  const auto vo2 = [](float y) { return (y / 1000.0f + 0.078f) / 0.021f; };
  const float last_mean = (vo2(1000) + vo2(3000)) / 2.0f;
  EXPECT_FLOAT_EQ(span.blocks[2].rate, ((last_mean / 1000.0f) * 4.825f) * 60.0f * 60.0f);
  EXPECT_EQ(span.blocks[2].value, static_cast<std::int16_t>(std::nearbyint(span.blocks[2].rate)));
  EXPECT_EQ(span.samples, 10);
}

TEST(CalorieModel, TotalOverTheSpanByHand) {
  // Three samples of 0 mG at 60 s: M = 3 x 3.714 / 4, R = M / 1000 x 4.825 x 60 x 60 = 48.39,
  // T = 4 x 60 / 3600 h; R x T = 3.226, stored as 3.
  const common::CalorieModel m = common::calorie_model(defaults());
  const common::CalorieSpan span = common::walk_calorie(m, CalorieKind::Acceleration, 3, 60.0f, values({0, 0, 0}));
  ASSERT_EQ(span.error, CalorieError::None);
  const float v = 0.078f / 0.021f;
  const float mean = (v + v + v) / 4.0f;
  const float rate = ((mean / 1000.0f) * 4.825f) * 60.0f * 60.0f;
  const float hours = 4.0f * 60.0f / 3600.0f;
  EXPECT_EQ(span.total, static_cast<std::int32_t>(std::nearbyint(rate * hours)));
  EXPECT_EQ(span.total, 3);

  // An hour at 1 s of a steady 3.714 x 4.825 x 3.6 = 64.517 kcal/h: 65 kcal (the (n + 1) cancels).
  const common::CalorieSpan hour =
      common::walk_calorie(m, CalorieKind::Acceleration, 3600, 1.0f, [](std::int64_t) { return CalorieSample{}; });
  EXPECT_EQ(hour.total, 65);
}

TEST(CalorieModel, FailuresEndTheEntryWithoutATrap) {
  common::CalorieSettings s = defaults();
  s.a = "0";
  auto span = common::walk_calorie(common::calorie_model(s), CalorieKind::Acceleration, 5, 1.0f,
                                   values({1, 2, 3, 4, 5}));
  EXPECT_EQ(span.error, CalorieError::ZeroCoefficient);
  EXPECT_TRUE(span.blocks.empty());

  s = defaults();
  s.c = "junk";  // reads as 0
  span = common::walk_calorie(common::calorie_model(s), CalorieKind::HeartRate, 2, 1.0f, values({150, 150}));
  EXPECT_EQ(span.error, CalorieError::ZeroCoefficient);
  // The acceleration entry does not use c.
  span = common::walk_calorie(common::calorie_model(s), CalorieKind::Acceleration, 2, 1.0f, values({150, 150}));
  EXPECT_EQ(span.error, CalorieError::None);

  s = defaults();
  s.block = "0";
  span = common::walk_calorie(common::calorie_model(s), CalorieKind::Acceleration, 2, 1.0f, values({0, 0}));
  EXPECT_EQ(span.error, CalorieError::ZeroBlock);
  EXPECT_EQ(common::block_count(10, 0), 0);

  // 3 blocks of 1: the second is beyond 32767 kcal/h; the first stays.
  s = defaults();
  s.weight = "999";
  s.a = "0.0001";
  s.b = "0";
  span = common::walk_calorie(common::calorie_model(s), CalorieKind::Acceleration, 3, 1.0f, values({0, 4000, 0}));
  EXPECT_EQ(span.error, CalorieError::RateTooLarge);
  EXPECT_EQ(span.blocks.size(), 1u);

  // A read failure ends the walk where it happens.
  span = common::walk_calorie(common::calorie_model(defaults()), CalorieKind::Acceleration, 4, 1.0f,
                              [](std::int64_t j) {
                                return CalorieSample{j == 2 ? CalorieSample::State::Fail : CalorieSample::State::Value, 0};
                              });
  EXPECT_EQ(span.error, CalorieError::ReadError);
  EXPECT_EQ(span.blocks.size(), 2u);
}

TEST(CalorieModel, SkippedSamplesAreNotCounted) {
  common::CalorieSettings s = defaults();
  s.block = "2";
  const common::CalorieModel m = common::calorie_model(s);
  // Blocks: {1000, marker}, {marker, marker}, {0, 0}.
  const auto source = [](std::int64_t j) {
    if (j == 1 || j == 2 || j == 3) return CalorieSample{CalorieSample::State::Skip, 100005};
    return CalorieSample{CalorieSample::State::Value, j == 0 ? 1000 : 0};
  };
  const common::CalorieSpan span = common::walk_calorie(m, CalorieKind::Acceleration, 6, 1.0f, source);
  ASSERT_EQ(span.error, CalorieError::None);
  ASSERT_EQ(span.blocks.size(), 3u);
  const float vo2_1000 = (1.0f + 0.078f) / 0.021f;
  EXPECT_FLOAT_EQ(span.blocks[0].rate, common::energy_rate(m, vo2_1000));  // mean of the one sample
  EXPECT_EQ(span.blocks[1].value, span.blocks[0].value);                    // held
  EXPECT_EQ(span.samples, 3);
}

// The calorie fields of the settings record (slots 18-26).
TEST(CalorieSettings, FieldsOfBothFilesFollowTheirRules) {
  common::SettingsSlots s{};
  s[1] = "/data/";
  s[18] = "2";
  s[19] = " ";        // blank age
  s[20] = "65.5";     // cut to 3 characters
  s[21] = "1";
  s[22] = "0.02155";  // cut to 6 characters
  s[23] = "0.078";
  s[24] = "3.083";
  s[25] = "68.074";
  s[26] = "0";
  const std::string rec = common::pack_settings(s, common::SettingsFlavour::Viewer);
  EXPECT_EQ(common::mid(rec, 196, 3), "  2");
  EXPECT_EQ(common::mid(rec, 199, 3), "  0");
  EXPECT_EQ(common::mid(rec, 202, 3), "65.");
  EXPECT_EQ(common::mid(rec, 205, 6), "     1");
  EXPECT_EQ(common::mid(rec, 211, 6), "0.0215");
  EXPECT_EQ(common::mid(rec, 217, 6), " 0.078");
  EXPECT_EQ(common::mid(rec, 229, 6), "68.074");
  EXPECT_EQ(common::mid(rec, 235, 6), "     0");

  const common::SettingsSlots viewer = common::unpack_settings(rec, common::SettingsFlavour::Viewer);
  EXPECT_EQ(viewer[18], " 2");
  EXPECT_EQ(viewer[19], " 0");
  EXPECT_EQ(viewer[20], " 65");
  EXPECT_EQ(viewer[22], "0.0215");
  EXPECT_EQ(viewer[23], " 0.078");  // B: the whole field
  const common::SettingsSlots link = common::unpack_settings(rec, common::SettingsFlavour::Link);
  EXPECT_EQ(link[20], "65");
  EXPECT_EQ(link[21], " 1");

  // No row selected (-1) keeps its sign through the file.
  s[18] = "-1";
  const common::SettingsSlots back =
      common::unpack_settings(common::pack_settings(s, common::SettingsFlavour::Viewer), common::SettingsFlavour::Viewer);
  EXPECT_EQ(back[18], "-1");
}

}  // namespace
