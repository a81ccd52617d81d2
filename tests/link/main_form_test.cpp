// The main form and main loop: start-up and "ACC.PRM", receive and show, the timer and port
// choices, the explanations, the download's name dialog, and the path-splitting rules.
#include <gtest/gtest.h>

#include "common/cp932.h"
#include "common/settings_record.h"
#include "common/text.h"
#include "link/condition_display.h"
#include "link/download_name.h"
#include "link/explanations.h"
#include "main_form_fixture.h"

namespace {

using linktest::LinkProgram;
using linktest::recorder;
using ui::testing::PrimitiveKind;

TEST(MainFormStart, MissingSettingsFileIsCreatedWithDefaults) {
  LinkProgram p;
  p.start();
  const std::string file = p.settings_file();
  ASSERT_EQ(file.size(), 256u);
  // Slot 0 is the length of slot 1, the start directory.
  EXPECT_EQ(static_cast<unsigned char>(file[0]), p.dir.size());
  EXPECT_EQ(p.settings_bytes(2, static_cast<int>(p.dir.size())), p.dir);
  EXPECT_EQ(p.settings_bytes(81, 4), common::utf8_to_cp932("無題"));
  EXPECT_EQ(p.settings_bytes(111, 4), "0001");
  EXPECT_EQ(p.settings_bytes(192, 4), "8   ");
  // The calorie settings stay empty until the calorie dialog is confirmed.
  EXPECT_TRUE(p.state.settings.calorie == ambcomm::CalorieTexts{});
  // Items 18-21 are written as numbers, the coefficients as they stand.
  EXPECT_EQ(p.settings_bytes(196, 45), "  0  0  0     0" + std::string(30, ' '));
  EXPECT_EQ(p.settings_bytes(241, 5), "0 100");

  auto& f = p.mainform();
  EXPECT_TRUE(f.is_open());
  EXPECT_EQ(f.caption(), "Movilog    インターフェース");
  EXPECT_EQ(f.test_control("TEXT23").text(), "ﾀｲﾏｰ = 100");
  EXPECT_FALSE(f.test_control("BUTTON7").enabled());
  // The port is fixed (--port, --simulate): the list shows that device and offers no other.
  EXPECT_EQ(f.test_control("COMBO3").rows(), (std::vector<std::string>{p.port->name()}));
  EXPECT_EQ(f.test_control("COMBO3").selection(), 0);
  EXPECT_FALSE(f.test_control("COMBO3").enabled());
  EXPECT_TRUE(f.test_control("LIST1").def().fixed_font);
  EXPECT_EQ(p.list().size(), 12u);
}

TEST(MainFormStart, SavedTimerAndPortAreTakenAndDamagedOnesBounded) {
  // The port at 241, the timer at 242-245, as a file of another run may hold them.
  const auto with = [](const std::string& dir, const std::string& port, const std::string& timer) {
    std::string rec = common::pack_settings(ambcomm::format_link_settings(ambcomm::default_link_settings(dir)),
                                            common::SettingsFlavour::Link);
    common::set_mid(rec, 241, port + timer);
    std::ofstream(dir + "/ACC.PRM", std::ios::binary) << rec;
  };
  LinkProgram p;
  with(p.dir, "3", " 250");
  p.start();
  EXPECT_EQ(p.mainform().test_control("TEXT23").text(), "ﾀｲﾏｰ = 250");
  EXPECT_EQ(p.state.settings.port_index, 3);
  EXPECT_EQ(p.state.port_name, "com3");

  LinkProgram q;
  with(q.dir, "9", "9999");
  q.start();
  EXPECT_EQ(q.state.settings.port_index, 4);
  EXPECT_EQ(q.state.timer, 2000);
}

TEST(MainFormLoop, ReceiveAndShowListsTheRecordAndEnablesTheClearByModel) {
  for (const char* model : {"LA", "La", "Aa", "CE", "CF"}) {
    LinkProgram p(recorder(model, model == std::string("Aa") ? '1' : '@'));
    p.click("MAINFORM", "BUTTON1");
    p.run();
    EXPECT_EQ(p.state.status, 0) << model;
    EXPECT_EQ(p.list(), ambcomm::condition_list_lines(p.state.conditions)) << model;
    // The RR recorder has no acceleration data.
    EXPECT_EQ(p.list()[3], model == std::string("CF") ? "加速度ﾃﾞｰﾀｰ量    0     " : "加速度ﾃﾞｰﾀｰ量    1234     ") << model;
    const bool clears = model != std::string("CE") && model != std::string("CF");
    EXPECT_EQ(p.mainform().test_control("BUTTON7").enabled(), clears) << model;
    EXPECT_EQ(p.status_line().rfind("測定条件を受信", 0), 0u) << model;
    // The port is closed again while the program waits.
    EXPECT_FALSE(p.port->is_open());
  }
}

TEST(MainFormLoop, ListClickAlsoReceivesAndAFailureShowsTheMessageBox) {
  LinkProgram p(recorder("LA"));
  p.click("MAINFORM", "LIST1");
  p.run();
  EXPECT_EQ(p.state.status, 0);
  EXPECT_EQ(p.list()[1], "測定開始時刻  26年12月01日09時30分");

  ambsim::FaultRates silent;
  silent.silent = true;
  LinkProgram q(recorder("LA"), silent);
  q.t.clock.set_auto_advance(1);  // the time-outs pass after a few readings
  q.then([&] { q.t.dialogs.answer(ui::Answer::Ok); q.mainform().click("BUTTON1"); }, "receive");
  q.run();
  EXPECT_EQ(q.state.status, 1);
  EXPECT_EQ(q.t.dialogs.last().caption, "受信結果");
  EXPECT_EQ(q.status_line().rfind("受信できません (受信キャラクター無し)", 0), 0u);
  EXPECT_FALSE(q.mainform().test_control("BUTTON7").enabled());

  // Half an answer names the model but is no ground for a clear.
  ambsim::FaultRates cut;
  cut.short_answer = true;
  LinkProgram h(recorder("LA"), cut);
  h.then([&] { h.t.dialogs.answer(ui::Answer::Ok); h.mainform().click("BUTTON1"); }, "receive");
  h.run();
  EXPECT_EQ(h.state.status, 2);
  EXPECT_EQ(h.state.conditions.model_code, "LA");
  EXPECT_FALSE(h.mainform().test_control("BUTTON7").enabled());
}

TEST(MainFormLoop, TimerInputIsBoundedAndSaved) {
  LinkProgram p;
  p.then([&] { p.t.dialogs.answer_input("5"); p.mainform().click("TEXT23"); }, "timer 5");
  p.then([&] { p.t.dialogs.answer_input("3000"); p.mainform().click("TEXT23"); }, "timer 3000");
  p.run();
  EXPECT_EQ(p.state.timer, 2000);
  EXPECT_EQ(p.mainform().test_control("TEXT23").text(), "ﾀｲﾏｰ = 2000");
  EXPECT_EQ(p.settings_bytes(242, 4), "2000");
  const auto& box = p.t.dialogs.shown().front();
  EXPECT_EQ(box.caption, "ﾀｲﾏｰの設定(10～500)");
  EXPECT_EQ(box.text, "RS-232の遅延時間を設定します");
  EXPECT_EQ(box.proposed, "100");
  EXPECT_EQ(p.t.dialogs.shown()[1].proposed, "10");

  LinkProgram q;
  q.then([&] { q.t.dialogs.answer_input("5"); q.mainform().click("TEXT23"); }, "timer 5");
  q.then([&] { q.t.dialogs.cancel_input(); q.mainform().click("TEXT23"); }, "cancelled");
  q.run();
  EXPECT_EQ(q.state.timer, 10);
  EXPECT_EQ(q.settings_bytes(242, 4), "  10");
}

TEST(MainFormLoop, PortChoiceMakesTheNamedPortAndIsSaved) {
  // Without a port fixed on the command line, COMBO3 chooses which port the link uses.
  ui::testing::TestPlatform t;
  ambcomm::LinkState state;
  std::string dir = (std::filesystem::temp_directory_path() / "link_ports_XXXXXX").string();
  ASSERT_NE(::mkdtemp(dir.data()), nullptr);
  const auto cwd = LinkProgram::working_directory();
  state.start_directory = dir;
  std::vector<int> made;
  ambcomm::LinkPorts ports;
  ports.make_port = [&](int index) {
    made.push_back(index);
    return std::make_unique<ambsim::InProcessPort>(ambsim::RecorderConfig{}, ambsim::FaultInjector{},
                                                   "com" + std::to_string(index + 1));
  };
  {
    ambcomm::MainForm main(t.platform, state, std::move(ports), {});
    main.start();
    EXPECT_EQ(t.forms.form("MAINFORM").test_control("COMBO3").rows(),
              (std::vector<std::string>{"com1", "com2", "com3", "com4", "com5"}));
    t.pump.then([&] { t.forms.form("MAINFORM").select("COMBO3", 4); });
    t.pump.then([&] { t.forms.form("MAINFORM").click("BUTTON1"); });
    t.pump.then([&] { t.forms.form("MAINFORM").user_close(); });
    main.run();
    EXPECT_EQ(main.port().name(), "com5");
    EXPECT_EQ(state.status, 0);
    EXPECT_EQ(state.port_name, "com4");
    EXPECT_EQ(state.settings.port_index, 4);
  }
  EXPECT_EQ(made.back(), 4);
  std::filesystem::current_path(cwd);
  std::filesystem::remove_all(dir);
}

TEST(MainFormLoop, ExplanationsAreShownWhenAskedFor) {
  LinkProgram p(recorder("LA"));
  p.then([&] { p.t.dialogs.answer(ui::Answer::Yes); p.mainform().click("BUTTON4"); }, "explanations on");
  p.click("MAINFORM", "BUTTON1");
  p.run();
  const auto& ask = p.t.dialogs.shown().front();
  EXPECT_EQ(ask.caption, "動作説明");
  EXPECT_EQ(ask.text, "実行の前に説明文を表示しますか");
  EXPECT_EQ(ask.buttons, ui::Buttons::YesNo);
  EXPECT_EQ(ask.icon, ui::Icon::Question);
  auto& form4 = p.t.forms.form("FORM4");
  EXPECT_EQ(form4.caption(), "測定条件受信-表示");
  std::vector<std::string> expected;
  for (const auto& l : ambcomm::explanation(1).lines)
    if (!l.empty()) expected.push_back(l);
  EXPECT_EQ(form4.recording().texts(), expected);
  EXPECT_EQ(expected.front(), "□　次の順で動作します。");
  // Line 3 stands one empty line below line 1.
  auto texts = form4.recording().of_kind(PrimitiveKind::Text);
  EXPECT_EQ(texts[1].points[0].y - texts[0].points[0].y, 2 * (texts[2].points[0].y - texts[1].points[0].y));

  LinkProgram off(recorder("LA"));
  off.then([&] { off.t.dialogs.answer(ui::Answer::No); off.mainform().click("BUTTON4"); }, "explanations off");
  off.click("MAINFORM", "BUTTON1");
  off.run();
  EXPECT_FALSE(off.t.forms.has_form("FORM4"));
}

TEST(MainFormDownload, SaveDialogNamesTheFilesAndSavesThem) {
  LinkProgram p(recorder("LA"));
  const std::string chosen = p.dir + "/run.v2/abc.def";
  std::filesystem::create_directory(p.dir + "/run.v2");
  p.then([&] { p.t.dialogs.answer_save(chosen); p.mainform().click("BUTTON3"); }, "download");
  p.run();
  const auto& d = p.t.dialogs.last();
  EXPECT_EQ(d.kind, ui::testing::DialogKind::Save);
  EXPECT_EQ(d.caption, "名前を付けて保存");
  EXPECT_EQ(d.proposed, "無題___0");
  EXPECT_EQ(d.filter, "ﾃﾞｰﾀｰ(*);すべてのファイル(*.*)");
  ASSERT_EQ(p.downloads.size(), 1u);
  EXPECT_EQ(p.downloads[0], p.dir + "/run.v2/abc");
  EXPECT_EQ(p.state.settings.data_directory, p.dir + "/run.v2/");
  EXPECT_EQ(p.state.settings.file_name, "abc____");
  EXPECT_EQ(p.state.settings.extension, "");
  // Saved: the data directory and the base name are in the file.
  EXPECT_EQ(p.settings_bytes(2, static_cast<int>(p.dir.size()) + 8), p.dir + "/run.v2/");
  EXPECT_EQ(p.settings_bytes(81, 8), "abc____ ");
  // The save dialog opened in the data directory (which was the start directory).
  EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(p.dir));
}

TEST(MainFormDownload, AFolderOutsideCp932IsDownloadedIntoAndItsSlotKeepsTheLastValue) {
  LinkProgram p(recorder("LA"));
  std::filesystem::create_directory(p.dir + "/Müller café");
  p.then([&] { p.t.dialogs.answer_save(p.dir + "/Müller café/abc"); p.mainform().click("BUTTON3"); }, "download");
  p.run();
  ASSERT_EQ(p.downloads.size(), 1u);
  EXPECT_EQ(p.downloads[0], p.dir + "/Müller café/abc");
  EXPECT_EQ(p.state.settings.data_directory, p.dir);  // "ACC.PRM" is CP932: the setting is left as it was
  EXPECT_EQ(p.state.settings.file_name, "abc____");
}

TEST(MainFormDownload, CancelWritesNothingAndABadDataDirectoryFallsBack) {
  LinkProgram p(recorder("LA"));
  ASSERT_TRUE(ambcomm::write_link_settings(p.dir + "/ACC.PRM", ambcomm::default_link_settings(p.dir + "/gone")));
  p.then([&] { p.t.dialogs.cancel_file(); p.mainform().click("BUTTON3"); }, "download cancelled");
  p.run();
  EXPECT_TRUE(p.downloads.empty());
  EXPECT_EQ(p.state.settings.data_directory, p.dir);
  EXPECT_EQ(p.settings_bytes(2, static_cast<int>(p.dir.size()) + 1), p.dir + " ");
}

TEST(MainFormDownload, FailedRequestAsksForNoName) {
  ambsim::RecorderConfig c = recorder("XX");  // a foreign heading: status 3
  LinkProgram p(c);
  p.then([&] { p.t.dialogs.answer(ui::Answer::Ok); p.mainform().click("BUTTON3"); }, "download");
  p.run();
  EXPECT_EQ(p.state.status, 3);
  EXPECT_EQ(p.t.dialogs.shown().size(), 1u);
  EXPECT_EQ(p.t.dialogs.last().caption, "受信結果");
  EXPECT_TRUE(p.downloads.empty());
  // A foreign heading is taken for a recorder streaming its waveform.
  EXPECT_EQ(p.waveform_displays, 1);
}

TEST(MainFormDownload, FourTimesSpeedRecorderIsSentBackToNormalSpeed) {
  ambsim::RecorderConfig c = recorder("LA");
  c.speed = 'B';
  LinkProgram p(c);
  p.then([&] { p.t.dialogs.answer_save(p.dir + "/x"); p.mainform().click("BUTTON3"); }, "download");
  p.run();
  const std::string& w = p.port->written();
  EXPECT_EQ(w.substr(w.size() - 5), "\x01" "B2\r\n");
  EXPECT_EQ(p.port->baud(), 9600);
}

TEST(MainFormDownload, AFailedRequestClearsTheListAndStillSendsTheRecorderBackToNormalSpeed) {
  ambsim::RecorderConfig c = recorder("LA");
  c.speed = 'B';
  ambsim::FaultRates gone;
  gone.disconnect = 2;  // one answer, then the recorder is gone
  LinkProgram p(c, gone);
  p.t.clock.set_auto_advance(1);
  p.click("MAINFORM", "BUTTON1");
  p.then([&] {
    EXPECT_EQ(p.list()[3], "加速度ﾃﾞｰﾀｰ量    1234     ");
    EXPECT_TRUE(p.mainform().test_control("BUTTON7").enabled());
    p.t.dialogs.answer(ui::Answer::Ok);
    p.mainform().click("BUTTON3");
  }, "download");
  p.run();
  EXPECT_EQ(p.state.status, ambcomm::kStatusDeviceError);
  // The list holds no conditions now, and the clear is not offered on the strength of old ones.
  EXPECT_EQ(p.list()[3], "加速度ﾃﾞｰﾀｰ量         ");
  EXPECT_FALSE(p.mainform().test_control("BUTTON7").enabled());
  EXPECT_TRUE(p.downloads.empty());
  // "B2" was tried all the same; the port being gone, the status line says so.
  EXPECT_EQ(p.status_line(), "N_COM=0");
}

TEST(FileNames, TheSharedPathRuleWithBaseNamesAlwaysFitted) {
  EXPECT_EQ(ambcomm::GET_FN("C:\\data\\ab.ac0"), "ab_____");  // the link fits every base name
  EXPECT_EQ(ambcomm::GET_FN("C:\\data\\abcdefghij"), "abcdefg");
  EXPECT_EQ(ambcomm::GET_PASS("C:\\data\\ab.ac0"), "C:\\data\\");
  EXPECT_EQ(ambcomm::GET_EXP("run.ac0"), ".ac0");
  // The save answer is cut before the first "." of its name part at position 3 or later.
  EXPECT_EQ(ambcomm::cut_download_name("D:\\meas\\sub.x\\run"), "D:\\meas\\sub.x\\run");
  EXPECT_EQ(ambcomm::cut_download_name("/m/sub.x/run.ac0.bak"), "/m/sub.x/run");
  EXPECT_EQ(ambcomm::cut_download_name("a.b"), "a.b");
  EXPECT_EQ(ambcomm::cut_download_name("ab.c"), "ab");
}

}  // namespace
