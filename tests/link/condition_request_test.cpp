// The condition request against the in-process simulated recorder: every model, speed
// recovery, silence, short and foreign answers, and the messages the user sees.
#include "link/condition_request.h"

#include <gtest/gtest.h>

#include "common/cp932.h"
#include "link/condition_display.h"
#include "sim/inprocess_port.h"
#include "step_port.h"
#include "ui/testing/scripted_dialogs.h"
#include "ui/testing/scripted_pump.h"

namespace {

struct Request {
  explicit Request(ambsim::RecorderConfig config, ambsim::FaultRates faults = {})
      : port(config, ambsim::FaultInjector(faults, 1)) {
    state.show_status = [this](const std::string& s) { lines.push_back(s); };
    clock.set_auto_advance(1);  // time-outs pass after a few readings
  }
  int run() {
    int status = -1;
    ambcomm::STS_REQ(link, &dialogs, status, "1");
    return status;
  }
  int count(const std::string& text) const {
    int n = 0;
    for (const auto& l : lines) n += l == text;
    return n;
  }

  ambsim::InProcessPort port;
  ui::testing::FakeClock clock;
  ui::testing::ScriptedPump pump;
  ui::testing::ScriptedDialogs dialogs;
  ambcomm::LinkState state;
  ambcomm::Link link{port, clock, pump, state};
  std::vector<std::string> lines;
};

ambsim::RecorderConfig recorder(std::string model, char mode = '0') {
  ambsim::RecorderConfig c;
  c.model = std::move(model);
  c.mode = mode;
  c.samples = 1234;
  return c;
}

TEST(ConditionRequest, EveryAcceptedModelAnswers) {
  for (const char* model : {"CE", "ce", "CF", "La", "LA", "lA", "Aa", "CD"}) {
    Request r(recorder(model, model == std::string("Aa") ? '1' : '@'));
    EXPECT_EQ(r.run(), 0) << model;
    std::string expected = model == std::string("lA") ? "LA" : model;
    EXPECT_EQ(r.state.conditions.model_code, expected) << model;
    EXPECT_EQ(r.state.conditions_line, r.port.recorder().conditions_line()) << model;
    if (expected != "CF" && expected != "CD") {
      EXPECT_EQ(r.state.conditions.acc_count, "1234") << model;
    }
    EXPECT_EQ(r.lines.back(), ambcomm::status_line_text(0, 1));
    EXPECT_TRUE(r.dialogs.shown().empty());
    EXPECT_EQ(r.port.stop_bits(), 2);
  }
}

TEST(ConditionRequest, RecorderLeftAtFourTimesSpeedIsRecovered) {
  auto config = recorder("LA");
  config.line_baud = 19200;
  Request r(config);
  EXPECT_EQ(r.run(), 0);
  EXPECT_EQ(r.port.recorder().line_baud(), 9600);
  // One recovery pass: "B2" ends in CR LF, the requests in CR alone.
  const std::string& w = r.port.written();
  EXPECT_EQ(w, "\x01" "CRa\r" "\x01" "B2\r\n" "\x01" "CRa\r");
  EXPECT_EQ(r.count("ﾎﾞｰﾚｰﾄを変更" + std::string(14, ' ')), 1);
  EXPECT_EQ(r.count("測定条件の要求コマンドを送信"), 2);
  EXPECT_EQ(r.port.baud(), 9600);
}

TEST(ConditionRequest, SilentRecorderGivesNothingReceivedAfterOneRecovery) {
  ambsim::FaultRates silent;
  silent.silent = true;
  Request r(recorder("CE"), silent);
  r.state.conditions.comment = "KEPT";
  r.dialogs.answer(ui::Answer::Ok);
  EXPECT_EQ(r.run(), 1);
  // One recovery pass and no third request.
  EXPECT_EQ(r.port.written(), "\x01" "CRa\r" "\x01" "B2\r\n" "\x01" "CRa\r");
  ASSERT_EQ(r.dialogs.shown().size(), 1u);
  EXPECT_EQ(r.dialogs.last().caption, "受信結果");
  EXPECT_EQ(r.dialogs.last().text, ambcomm::status_line_text(1, 1));
  EXPECT_EQ(common::utf8_to_cp932(r.dialogs.last().text).size(), 39u);
  EXPECT_EQ(r.state.conditions.comment, "");  // status 1 decodes the empty answer
}

TEST(ConditionRequest, ShortAndForeignAnswers) {
  ambsim::FaultRates cut;
  cut.short_answer = true;
  Request s(recorder("CE"), cut);
  s.dialogs.answer(ui::Answer::Ok);
  EXPECT_EQ(s.run(), 2);
  EXPECT_EQ(s.state.conditions.model_code, "CE");  // decoded as far as it goes

  Request f(recorder("PW"));
  f.state.conditions.model_code = "LA";
  bool waveform = false;
  f.state.start_waveform_display = [&] { waveform = true; };
  f.dialogs.answer(ui::Answer::Ok);
  EXPECT_EQ(f.run(), 3);
  EXPECT_TRUE(waveform);
  EXPECT_EQ(f.state.conditions.model_code, "LA");  // not decoded
  EXPECT_EQ(f.dialogs.last().text, ambcomm::status_line_text(3, 1));
}

TEST(ConditionRequest, NoCtsAndDeviceErrors) {
  Request r(recorder("CE"));
  r.port.set_cts(false);
  r.dialogs.answer(ui::Answer::Ok);
  EXPECT_EQ(r.run(), 4);
  EXPECT_EQ(r.lines.back(), "ｲﾝﾀｰﾌｪｰｽｹｰﾌﾞﾙ がつながっていません" + std::string(5, ' '));

  Request v(recorder("CE"));
  v.port.vanish();
  v.dialogs.answer(ui::Answer::Ok);
  EXPECT_EQ(v.run(), 7);  // a device that is gone cannot be opened

  // A disconnect during the exchange.
  ambsim::FaultRates gone;
  gone.disconnect = 1;
  Request d(recorder("CE"), gone);
  d.dialogs.answer(ui::Answer::Ok);
  EXPECT_EQ(d.run(), 27);
}

TEST(ConditionRequest, OpenFailureShowsLocationAndCode) {
  ui::testing::FakeClock clock;
  linktest::StepPort port(clock);
  port.open_result = {ui::OpenOutcome::OtherError, 13};
  ui::testing::ScriptedPump pump;
  ui::testing::ScriptedDialogs dialogs;
  ambcomm::LinkState state;
  ambcomm::Link link{port, clock, pump, state};
  dialogs.answer(ui::Answer::Ok);
  int status = 0;
  ambcomm::STS_REQ(link, &dialogs, status);
  EXPECT_EQ(status, 1013);
  EXPECT_EQ(dialogs.last().text.rfind("エラーコード＝1/13", 0), 0u);
}

TEST(ConditionRequest, Judging) {
  // Whole means its CR came and it is as long as its heading's layout.
  const auto line = [](std::string heading, std::size_t length, bool cr = true) {
    return heading + std::string(length - heading.size(), '0') + (cr ? "\r" : "");
  };
  const struct {
    std::string answer;
    int status;
  } cases[] = {
      {line("CE", 112), 0},        {line("CE", 120), 0},        {line("CE", 111), 2},
      {line("CE", 120, false), 2}, {line("CD", 112), 0},        {line("LA", 120), 0},
      {line("lA", 120), 0},        {line("La", 112), 2},        {line("Aa", 58), 0},
      {line("Aa", 57), 2},         {line("CE", 14), 2},         {line("cE", 120), 3},
      {line("CG", 120), 3},        {line("\xC3\x01", 120), 3}, {"XY1\r", 3},
      {"", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(ambcomm::judge_answer(c.answer), c.status) << c.answer;
}

TEST(ConditionRequest, AnswerThatStallsMidwayIsNoAnswer) {
  ambsim::FaultRates stall;
  stall.stall = 1;
  Request r(recorder("LA", '@'), stall);
  r.dialogs.answer(ui::Answer::Ok);
  const int status = r.run();
  EXPECT_TRUE(status == 1 || status == 2) << status;
  EXPECT_EQ(r.dialogs.last().caption, "受信結果");
}

TEST(ConditionDisplay, ListLines) {
  Request r(recorder("LA", '9'));
  ASSERT_EQ(r.run(), 0);
  auto lines = ambcomm::condition_list_lines(r.state.conditions);
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], "           測定条件");
  EXPECT_EQ(lines[1], "測定開始時刻  26年12月01日09時30分");
  EXPECT_EQ(lines[2], "名前､ｺﾒﾝﾄ       SIMULATED           ");
  EXPECT_EQ(lines[3], "加速度ﾃﾞｰﾀｰ量    1234     ");
  EXPECT_EQ(lines[10].rfind("  測定モード      9 = 加速度波形+心電図波形", 0), 0u);
  EXPECT_EQ(lines[11], "   表    示         加速度最大値");
}

}  // namespace
