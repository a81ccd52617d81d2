// The condition setting and the memory clear: the setting line checked byte by byte, the
// switch-start command, the re-read, the memory clear answered, unanswered and cancelled,
// and the command-line forms `set` and `clear`.
#include <gtest/gtest.h>

#include "common/text.h"
#include "link/command_line_setting.h"
#include "link/condition_request.h"
#include "link/condition_setting.h"
#include "link/memory_clear.h"
#include "main_form_fixture.h"
#include "ui/testing/test_platform.h"

namespace {

using linktest::LinkProgram;
using linktest::recorder;

// A link to the in-process recorder without windows.
struct Direct {
  explicit Direct(ambsim::RecorderConfig c) : port(std::move(c)) {
    state.show_status = [this](const std::string& s) { lines.push_back(s); };
  }
  int request() {
    int status = -1;
    ambcomm::STS_REQ(link, nullptr, status, "1");
    return status;
  }
  // The setting line STS_SET sends, without SOH and CR.
  std::string setting_line() {
    const std::size_t mark = port.written().size();
    int status = 0;
    ambcomm::STS_SET(link, status);
    std::string sent = port.written().substr(mark);
    EXPECT_EQ(sent.front(), '\x01');
    EXPECT_EQ(sent.back(), '\r');
    return sent.substr(1, sent.size() - 2);
  }

  ambsim::InProcessPort port;
  ui::testing::TestPlatform t;
  ambcomm::LinkState state;
  ambcomm::Link link{port, t.clock, t.pump, state};
  std::vector<std::string> lines;
};

std::string setting_of(const std::vector<std::string>& commands) {
  for (const auto& c : commands)
    if (c.rfind("Cc", 0) == 0 || c.rfind("CC", 0) == 0 || c.rfind("CA", 0) == 0) return c;
  return {};
}

TEST(Setting, ChangedConditionsAreSentByteForByteAndReRead) {
  LinkProgram p(recorder("LA", '@'));
  p.click("MAINFORM", "BUTTON2");
  p.then([&] {
    auto& f = p.editor();
    f.type("EDIT6", "ABC");
    f.type("EDIT7", "0.004");  // kept as "0.00", below 0.02
    f.type("EDIT8", ".042");
    f.type("EDIT9", "4");
    f.type("EDIT10", "9");
    p.t.dialogs.answer_input("70000");
    f.click("TEXT20");
  }, "edit");
  p.then([&] { p.editor().select("COMBO1", 1); }, "mode 1");
  p.then([&] { p.editor().select("COMBO2", 1); }, "display 7 (heart rate)");
  p.then([&] { p.editor().click("BUTTON5"); }, "send");
  p.run();

  const std::string line = setting_of(p.commands());
  ASSERT_EQ(line.size(), 120u) << line;
  EXPECT_EQ(common::mid(line, 1, 2), "Cc");
  EXPECT_EQ(common::mid(line, 3, 8), "12010930");
  EXPECT_EQ(common::mid(line, 11, 4), "FFFF");
  EXPECT_EQ(common::mid(line, 15, 4), "c001");
  EXPECT_EQ(common::mid(line, 19, 20), "ABC" + std::string(17, ' '));
  EXPECT_EQ(common::mid(line, 39, 12), "001507D01194");
  // Heart rate cannot be shown in an acceleration-only mode.
  EXPECT_EQ(common::mid(line, 51, 2), "01");
  EXPECT_EQ(common::mid(line, 53, 2), "26");
  EXPECT_EQ(common::mid(line, 113, 8), "00011170");
  // The re-read shows what the recorder now holds; thresholds above 4 G come back as 4.
  EXPECT_EQ(p.state.status, 0);
  EXPECT_EQ(p.list()[2], "名前､ｺﾒﾝﾄ       ABC                 ");
  EXPECT_EQ(p.list()[3], "加速度ﾃﾞｰﾀｰ量    70000     ");
  EXPECT_EQ(p.list()[7], "基準加速度１(G)  0.042     ");
  EXPECT_EQ(p.list()[9], "基準加速度３(G)  4     ");
  EXPECT_EQ(p.status_line().rfind("測定条件を受信", 0), 0u);
  EXPECT_FALSE(p.mainform().busy());
  // No switch-start command outside the waveform modes.
  for (const auto& c : p.commands()) EXPECT_NE(c.rfind("SM", 0), 0u) << c;
}

TEST(Setting, IntervalCodesByModel) {
  struct Case {
    const char* model;
    const char* interval;
    const char* sent;
  };
  const Case cases[] = {{"LA", "0.004", "c001"}, {"LA", "0.04", "F001"}, {"LA", "0.3", "a001"}, {"LA", "5", "0005"},
                        {"La", "0.5", "f001"},   {"LA", "0.02", "b001"}, {"CE", "0.5", "0001"}, {"CE", "300", "012C"}};
  for (const auto& c : cases) {
    Direct d(recorder(c.model));
    ASSERT_EQ(d.request(), 0);
    d.state.conditions.interval = c.interval;
    const std::string line = d.setting_line();
    EXPECT_EQ(common::mid(line, 15, 4), c.sent) << c.model << " " << c.interval;
    EXPECT_EQ(common::mid(line, 1, 2), c.model == std::string("CE") ? "CC" : "Cc");
  }
}

TEST(Setting, DisplaySevenKeptForHeartRateModes) {
  Direct d(recorder("CE", 'A'));
  ASSERT_EQ(d.request(), 0);
  d.state.conditions.display = "7";
  EXPECT_EQ(common::mid(d.setting_line(), 51, 2), "7A");
  d.state.conditions.mode = "8";
  EXPECT_EQ(common::mid(d.setting_line(), 51, 2), "08");
  d.state.conditions.display = "";
  d.state.conditions.mode = "@";
  EXPECT_EQ(common::mid(d.setting_line(), 51, 2), "0@");
  EXPECT_EQ(d.lines.back(), "測定条件の設定コマンドを送信");
}

TEST(Setting, OldLayoutCalorieModeSendsTheCalorieSettings) {
  Direct d(recorder("Aa", '5'));
  ASSERT_EQ(d.request(), 0);
  d.state.settings.calorie.rq_row = " 2";
  d.state.settings.calorie.weight = "60";
  d.state.settings.calorie.a = " 0.021";
  d.state.settings.calorie.b = " 0.078";
  const std::string line = d.setting_line();
  ASSERT_EQ(line.size(), 58u);
  EXPECT_EQ(common::mid(line, 1, 2), "CA");
  EXPECT_EQ(common::mid(line, 42, 1), "5");
  EXPECT_EQ(common::mid(line, 43, 16), "0021007848250060");
  // The old-layout recorder gets its pause after the line.
  EXPECT_GT(d.t.pump.ticks(), 0);

  d.state.conditions.mode = "1";
  d.state.conditions.level_threshold_1 = "0.042";
  EXPECT_EQ(common::mid(d.setting_line(), 43, 4), "0015");
}

TEST(Setting, SwitchStartFollowsTheBoxInWaveformModes) {
  for (bool tick : {true, false}) {
    LinkProgram p(recorder("LA", '9'));
    // The box starts from the flag, which a previous editor run may have set.
    p.then([&] { p.state.switch_start = tick ? 0 : 1; p.mainform().click("BUTTON2"); }, "change");
    p.then([&] { p.editor().click("CHECK1"); }, "toggle");
    p.then([&] { p.editor().click("BUTTON5"); }, "send");
    p.run();
    const auto cmds = p.commands();
    ASSERT_FALSE(cmds.empty());
    EXPECT_EQ(cmds.back(), tick ? "SM1" : "SM0");
    EXPECT_EQ(cmds[cmds.size() - 2], "CRa");  // after the re-read
    EXPECT_EQ(p.port->recorder().switch_start(), tick);
    EXPECT_EQ(p.status_line(), tick ? "ｽｲｯﾁｽﾀｰﾄﾓｰﾄﾞを設定" : "ｽｲｯﾁｽﾀｰﾄﾓｰﾄﾞを解除");
  }
}

// --- Memory clear

TEST(MemoryClear, AnsweredClearIsReportedDone) {
  auto c = recorder("LA");
  c.clear_seconds = 0;
  Direct d(c);
  ASSERT_EQ(d.request(), 0);
  d.t.dialogs.answer(ui::Answer::Yes);
  EXPECT_EQ(ambcomm::memory_clear(d.link, &d.t.dialogs, &d.t.forms), ambcomm::ClearResult::Done);
  const auto& ask = d.t.dialogs.shown().front();
  EXPECT_EQ(ask.caption, "ﾒﾓﾘｰの初期化");
  EXPECT_EQ(ask.text, "Movilogのﾃﾞｰﾀｰｴﾘｱを0に初期化します\rﾌｧｲﾙに受信していないﾃﾞｰﾀｰは失われます。よろしいですか");
  EXPECT_EQ(ask.buttons, ui::Buttons::YesNoDefaultNo);  // a destructive step: Enter answers No
  EXPECT_EQ(ask.icon, ui::Icon::Warning);
  EXPECT_EQ(d.t.dialogs.shown().size(), 1u);
  const std::string& w = d.port.written();
  EXPECT_EQ(w.substr(w.size() - 6), std::string("\x01MC\0\r\n", 6));
  EXPECT_EQ(d.port.recorder().memory_clears(), 1);
  ASSERT_GE(d.lines.size(), 3u);
  EXPECT_EQ(d.lines[d.lines.size() - 3], "ﾒﾓﾘｰｸﾘｱｰｺﾏﾝﾄﾞを送信");
  EXPECT_EQ(d.lines[d.lines.size() - 2], "ﾒﾓﾘｰｸﾘｱｰを実行中(約40秒お待ち下さい)");
  EXPECT_EQ(d.lines.back(), "ﾒﾓﾘｰｸﾘｱｰを終了");
  // The waiting window was shown and is gone again.
  EXPECT_EQ(d.t.forms.made("FORM8"), 1);
  EXPECT_FALSE(d.t.forms.has_form("FORM8"));
  // The data amounts are gone.
  ASSERT_EQ(d.request(), 0);
  EXPECT_EQ(d.state.conditions.acc_count, "0");
}

TEST(MemoryClear, CommandAndAnnouncedTimeByModelAndSpeed) {
  common::ConditionsRecord r;
  r.model_code = "Aa";
  EXPECT_EQ(ambcomm::memory_clear_plan(r).command, "fill0000");
  EXPECT_EQ(ambcomm::memory_clear_plan(r).seconds, 8);
  r.model_code = "LA";
  r.speed = "A";
  EXPECT_EQ(ambcomm::memory_clear_plan(r).command, std::string("MC\0", 3));
  EXPECT_EQ(ambcomm::memory_clear_plan(r).seconds, 40);
  r.speed = "B";
  EXPECT_EQ(ambcomm::memory_clear_plan(r).seconds, 20);

  auto c = recorder("Aa", '1');
  c.clear_seconds = 0;
  Direct d(c);
  ASSERT_EQ(d.request(), 0);
  EXPECT_EQ(ambcomm::memory_clear(d.link, nullptr, nullptr), ambcomm::ClearResult::Done);
  EXPECT_EQ(d.port.recorder().commands().back(), "fill0000");
  EXPECT_EQ(d.lines[d.lines.size() - 2], "ﾒﾓﾘｰｸﾘｱｰを実行中(約8秒お待ち下さい)");
}

TEST(MemoryClear, RecorderThatNeverAnswersIsAFailureAfterThreeTimesTheWait) {
  auto c = recorder("LA");
  c.clear_seconds = 1e6;
  Direct d(c);
  ASSERT_EQ(d.request(), 0);
  d.t.clock.set_auto_advance(7);
  const int start = d.t.clock.seconds_of_day();
  d.t.dialogs.answer(ui::Answer::Yes);
  d.t.dialogs.answer(ui::Answer::Ok);
  EXPECT_EQ(ambcomm::memory_clear(d.link, &d.t.dialogs, &d.t.forms), ambcomm::ClearResult::NoAnswer);
  const int waited = d.t.clock.seconds_of_day() - start;
  EXPECT_GE(waited, 120);
  EXPECT_LT(waited, 120 + 60);
  EXPECT_EQ(d.lines.back(), "ﾒﾓﾘｰｸﾘｱｰの応答がありません");
  EXPECT_NE(d.lines.back(), "ﾒﾓﾘｰｸﾘｱｰを終了");
  EXPECT_EQ(d.t.dialogs.last().icon, ui::Icon::Stop);
  EXPECT_EQ(d.t.dialogs.last().text, "ﾒﾓﾘｰｸﾘｱｰの応答がありません");
}

TEST(MemoryClear, UserCanStopTheWaitAndNoMeansNothingIsSent) {
  auto c = recorder("LA");
  c.clear_seconds = 1e6;
  Direct d(c);
  ASSERT_EQ(d.request(), 0);
  d.t.pump.play_on_pending(true);
  d.t.pump.then([&] {
    auto& f = d.t.forms.form("FORM8");
    EXPECT_EQ(f.test_control("TEXT31").text(), "ﾒﾓﾘｰｸﾘｱｰを実行中(約40秒お待ち下さい)");
    f.click("BUTTON10");
  });
  d.t.dialogs.answer(ui::Answer::Yes);
  d.t.dialogs.answer(ui::Answer::Ok);
  EXPECT_EQ(ambcomm::memory_clear(d.link, &d.t.dialogs, &d.t.forms), ambcomm::ClearResult::Cancelled);
  EXPECT_EQ(d.lines.back(), ambcomm::kClearCancelledText);
  EXPECT_FALSE(d.t.forms.has_form("FORM8"));

  const std::size_t sent = d.port.written().size();
  d.t.dialogs.answer(ui::Answer::No);
  EXPECT_EQ(ambcomm::memory_clear(d.link, &d.t.dialogs, &d.t.forms), ambcomm::ClearResult::Declined);
  EXPECT_EQ(d.port.written().size(), sent);
}

TEST(MemoryClear, MainFormButtonRunsItAfterAReceive) {
  LinkProgram p(recorder("LA"));
  p.click("MAINFORM", "BUTTON1");
  p.then([&] { p.t.dialogs.answer(ui::Answer::Yes); p.mainform().click("BUTTON7"); }, "clear");
  p.run();
  EXPECT_EQ(p.port->recorder().memory_clears(), 1);
  EXPECT_EQ(p.status_line(), "ﾒﾓﾘｰｸﾘｱｰを終了");
  // The list is asked again: it shows the amounts after the clear, not the 1234 before it.
  const auto list = p.list();
  ASSERT_GE(list.size(), 4u);
  EXPECT_EQ(list[3], "加速度ﾃﾞｰﾀｰ量    0     ");
}

// --- The command line

struct Cli {
  explicit Cli(ambsim::RecorderConfig c) : d(std::move(c)) {}
  int run(const std::vector<std::string>& args, bool clear = false) {
    out = std::tmpfile();
    err = std::tmpfile();
    ambcomm::CommandContext ctx{d.link, options, out, err};
    int rc = clear ? ambcomm::run_clear(ctx, args) : ambcomm::run_set(ctx, args);
    out_text = read(out);
    err_text = read(err);
    return rc;
  }
  static std::string read(std::FILE* f) {
    std::string s;
    std::rewind(f);
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    std::fclose(f);
    return s;
  }
  Direct d;
  ambcomm::CommandOptions options;
  std::FILE* out = nullptr;
  std::FILE* err = nullptr;
  std::string out_text, err_text;
};

TEST(SetCommand, FieldsAreSentAndTheReReadListPrinted) {
  Cli cli(recorder("LA", '8'));
  cli.d.t.clock.set({2027, 3, 9, 14, 45, 0});
  int rc = cli.run({"comment=CLI TEST", "interval=5", "level_threshold_2=0.5", "mode=9", "display=7", "switch_start=1",
                    "now=1"});
  EXPECT_EQ(rc, 0) << cli.err_text;
  EXPECT_NE(cli.out_text.find("測定開始時刻  27年03月09日14時45分"), std::string::npos) << cli.out_text;
  EXPECT_NE(cli.out_text.find("名前､ｺﾒﾝﾄ       CLI TEST"), std::string::npos);
  EXPECT_NE(cli.out_text.find("加速度ﾃﾞｰﾀｰ量    0     "), std::string::npos);
  EXPECT_NE(cli.out_text.find("測定間隔(秒)      5   "), std::string::npos);
  EXPECT_NE(cli.out_text.find("9 = 加速度波形+心電図波形"), std::string::npos);
  EXPECT_NE(cli.out_text.find("測定条件を受信"), std::string::npos);
  EXPECT_TRUE(cli.d.port.recorder().switch_start());
}

TEST(SetCommand, BadValuesAreRefusedBeforeAnythingIsSent) {
  const std::vector<std::vector<std::string>> bad = {
      {"comment=ABCDEFGHIJKLMNOPQRSTU"}, {"start_year=2024"}, {"interval=0.004"}, {"level_threshold_1=abc"},
      {"colour=3"},                       {"switch_start=2"},  {"display=9"},      {"acc_count=-5"},
      {"comment"},                        {}};
  for (const auto& args : bad) {
    Cli cli(recorder("LA"));
    EXPECT_EQ(cli.run(args), 2) << (args.empty() ? "" : args[0]);
    EXPECT_FALSE(cli.err_text.empty());
    EXPECT_TRUE(cli.d.port.written().empty()) << (args.empty() ? "" : args[0]);
  }
  // A mode the model does not offer is found after the request, before the setting.
  Cli cli(recorder("LA"));
  EXPECT_EQ(cli.run({"mode=Z"}), 2);
  EXPECT_EQ(setting_of(cli.d.port.recorder().commands()), "");
  EXPECT_NE(cli.err_text.find("not offered"), std::string::npos);
}

TEST(ClearCommand, NeedsYesAndAClearableModel) {
  Cli refused(recorder("LA"));
  EXPECT_EQ(refused.run({}, true), 2);
  EXPECT_TRUE(refused.d.port.written().empty());

  Cli ce(recorder("CE"));
  EXPECT_EQ(ce.run({"--yes"}, true), 2);
  EXPECT_EQ(ce.d.port.recorder().memory_clears(), 0);

  auto c = recorder("LA");
  c.clear_seconds = 0;
  Cli ok(c);
  EXPECT_EQ(ok.run({"--yes"}, true), 0) << ok.err_text;
  EXPECT_EQ(ok.out_text, "ﾒﾓﾘｰｸﾘｱｰを終了\n");
  EXPECT_EQ(ok.d.port.recorder().memory_clears(), 1);
}

}  // namespace
