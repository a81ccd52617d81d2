// The download loop against the in-process simulated recorder: records block by block, the
// data of every model family read back through the shared reader, the overwrite question, the
// retry bound, cancelling while a block is awaited, a vanished port, four-times speed, the
// progress window's columns, its bar with the time left, and the terminal's progress line.
#include "link/download.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "common/cp932.h"
#include "common/recording_format.h"
#include "common/text.h"
#include "download_expect.h"
#include "link/command_line_download.h"
#include "link/condition_request.h"
#include "link/download_plan.h"
#include "sim/inprocess_port.h"
#include "ui/testing/test_platform.h"

namespace fs = std::filesystem;

namespace {

using ambcomm::DownloadEnd;
using ambcomm::DownloadOptions;
using ambcomm::DownloadResult;
using ambcomm::Overwrite;

using dltest::config;

class Download : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "download_XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Requests the conditions from `c`'s recorder and downloads through `port` (the same
  // recorder unless a test wants another one for the blocks).
  DownloadResult run(ambsim::InProcessPort& port, const DownloadOptions& options = {}, ui::Dialogs* dialogs = nullptr) {
    ambcomm::Link link{port, tp_.clock, tp_.pump, state_};
    int status = -1;
    ambcomm::STS_REQ(link, nullptr, status, "1");
    EXPECT_EQ(status, 0);
    return ambcomm::REC_DATA(link, &tp_.forms, dialogs ? dialogs : &tp_.dialogs, dir_ + "/REC", options);
  }
  std::string base() const { return dir_ + "/REC____"; }

  ui::testing::TestPlatform tp_;
  ambcomm::LinkState state_;
  std::string dir_;
};

TEST_F(Download, RecordsPerBlockAndTheShortLastBlock) {
  ambsim::InProcessPort p100(config("LA", '1', 100));
  auto r = run(p100);
  ASSERT_TRUE(r.complete()) << ambcomm::end_text(r);
  auto recs = dltest::records(base() + "0");
  ASSERT_EQ(recs.size(), 3u);  // header + 2 blocks of 50
  EXPECT_EQ(recs[0].substr(0, 2), "ce");
  EXPECT_EQ(recs[0].substr(2), common::pad_right(state_.conditions_line, 255, '\0').substr(2));
  EXPECT_EQ(recs[2].substr(0, 2), "A0");
  EXPECT_EQ(recs[2].find('\0'), 2u + 4u * 50u);

  ambsim::InProcessPort p101(config("CE", '1', 101));
  DownloadOptions yes;
  yes.overwrite = Overwrite::Yes;
  r = run(p101, yes);
  ASSERT_TRUE(r.complete());
  recs = dltest::records(base() + "0");
  ASSERT_EQ(recs.size(), 4u);  // the old longer file does not leave records behind
  EXPECT_EQ(recs[3].substr(0, 7), "#0" + recs[3].substr(2, 4) + "\r");
  EXPECT_EQ(r.files.at(0).received, 101);
  EXPECT_TRUE(dltest::check_download(base(), config("CE", '1', 101)).empty());
}

TEST_F(Download, EveryFamilyReadsBackAsTheRecorderHoldsIt) {
  const ambsim::RecorderConfig cases[] = {
      config("LA", '0', 130),    // byte frames, "A" headings unpacked, axes
      config("La", '2', 75),     // "A1" blocks become "#1" records
      config("CE", '@', 120, 1), // text frames: axes, tilt, heart rate, an ECG block
      config("ce", 'T', 90, 1),  // byte frames: levels, tilt, RR with heart rate and index
      config("CE", 'Q', 70),     // text-frame RR
      config("LA", '9', 61),     // waveforms and the ECG waveform
      config("Aa", '5', 40),     // the old recorder's combined file
      config("CF", 'P', 50),     // the RR recorder
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.model + " mode " + c.mode);
    fs::remove_all(dir_);
    fs::create_directory(dir_);
    ambsim::InProcessPort port(c);
    auto r = run(port);
    ASSERT_TRUE(r.complete()) << ambcomm::end_text(r);
    for (const auto& bad : dltest::check_download(c.model == "Aa" ? dir_ + "/REC" : base(), c)) ADD_FAILURE() << bad;
  }
}

TEST_F(Download, LevelBlocksOfTheFullModelBecomeLevelRecords) {
  ambsim::InProcessPort port(config("La", '2', 60));
  ASSERT_TRUE(run(port).complete());
  auto recs = dltest::records(base() + "1");
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(recs[1].substr(0, 2), "#1");
  EXPECT_EQ(recs[2].substr(0, 2), "#1");
  EXPECT_NE(port.recorder().commands().end(),
            std::find(port.recorder().commands().begin(), port.recorder().commands().end(), "q10000,003C"));
}

TEST_F(Download, OneYesOverwritesEveryLaterFile) {
  {
    ambsim::InProcessPort port(config("LA", '0', 60));
    ASSERT_TRUE(run(port).complete());
  }
  std::ofstream(base() + "3", std::ios::binary | std::ios::app) << std::string(5000, 'x');
  tp_.dialogs.answer(ui::Answer::Yes);
  ambsim::InProcessPort port(config("LA", '0', 60));
  auto r = run(port);
  ASSERT_TRUE(r.complete());
  ASSERT_EQ(tp_.dialogs.shown().size(), 1u);
  EXPECT_EQ(tp_.dialogs.last().caption, "ファイルのチェック");
  EXPECT_EQ(tp_.dialogs.last().text, "同じファイル名が存在します、すべて上書きしますか");
  EXPECT_EQ(tp_.dialogs.last().buttons, ui::Buttons::YesNo);
  EXPECT_EQ(fs::file_size(base() + "3"), 3u * 256u);
  EXPECT_TRUE(dltest::check_download(base(), config("LA", '0', 60)).empty());
}

TEST_F(Download, NoIsAskedBeforeAnythingIsFetchedAndDownloadsNothing) {
  fs::create_directories(dir_);
  std::ofstream(base() + "1", std::ios::binary) << "keep me";
  tp_.dialogs.answer(ui::Answer::No);
  ambsim::InProcessPort port(config("LA", '0', 60));
  auto r = run(port);
  EXPECT_EQ(r.end, DownloadEnd::Declined);
  EXPECT_TRUE(r.nothing_written());
  EXPECT_NE(ambcomm::end_text(r).find("何も受信していません"), std::string::npos);
  EXPECT_EQ(dltest::slurp(base() + "1"), "keep me");
  EXPECT_FALSE(fs::exists(base() + "0"));
  EXPECT_FALSE(tp_.forms.has_form("FORM3"));
  EXPECT_EQ(std::count(port.recorder().commands().begin(), port.recorder().commands().end(), "CRa"),
            static_cast<std::ptrdiff_t>(port.recorder().commands().size()));  // no block asked for

  // Without anyone to ask, an existing file is refused before anything is fetched.
  ambsim::InProcessPort again(config("LA", '0', 60));
  DownloadOptions refuse;
  refuse.overwrite = Overwrite::Refuse;
  ambcomm::Link link{again, tp_.clock, tp_.pump, state_};
  r = ambcomm::REC_DATA(link, nullptr, nullptr, dir_ + "/REC", refuse);
  EXPECT_EQ(r.end, DownloadEnd::Refused);
  EXPECT_EQ(r.failed_path, base() + "1");
  EXPECT_FALSE(fs::exists(base() + "0"));
}

TEST_F(Download, AFailingBlockIsAskedForTwentyMoreTimesThenTheDownloadStops) {
  ambsim::FaultRates bad;
  bad.checksum = 1.0;
  ambsim::InProcessPort port(config("LA", '1', 100), ambsim::FaultInjector(bad, 1));
  auto r = run(port);
  EXPECT_EQ(r.end, DownloadEnd::BlockFailed);
  EXPECT_EQ(r.status, ambcomm::kStatusChecksum);
  const auto& cmds = port.recorder().commands();
  EXPECT_EQ(std::count(cmds.begin(), cmds.end(), "q00000,0064"), 1);
  EXPECT_EQ(std::count(cmds.begin(), cmds.end(), "q00000"), 20);
  // Nothing came: no file is left (a header alone would claim 100 samples); the window says
  // why the file's line stopped, that the download did, and that the file is missing.
  EXPECT_FALSE(fs::exists(base() + "0"));
  EXPECT_EQ(r.not_downloaded, (std::vector<std::string>{base() + "0"}));
  const auto& rows = tp_.forms.form("FORM3").test_control("LIST1").rows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(common::mid(common::utf8_to_cp932(rows[0]), 45, 255), common::utf8_to_cp932(" : STATUS=ｻﾑﾁｪｯｸｴﾗｰ"));
  EXPECT_NE(rows[2].find("中止"), std::string::npos);
  EXPECT_EQ(rows[3], "          未受信  : " + base() + "0");
}

TEST_F(Download, ClosingTheWindowWhileABlockIsAwaitedEndsAtOnce) {
  // The conditions come from a recorder that answers; the blocks from one that stays silent,
  // and the clock stands still: only the closed window can end the wait.
  ambsim::InProcessPort answering(config("LA", '0', 100));
  ambcomm::Link ask{answering, tp_.clock, tp_.pump, state_};
  int status = -1;
  ambcomm::STS_REQ(ask, nullptr, status, "1");
  ASSERT_EQ(status, 0);
  ambsim::FaultRates silent;
  silent.silent = true;
  ambsim::InProcessPort quiet(config("LA", '0', 100), ambsim::FaultInjector(silent, 1));
  quiet.open(2);
  tp_.pump.play_on_pending(true);
  tp_.pump.set_pending_limit(200);
  tp_.pump.then([] {}, "between files").then([this] { tp_.forms.form("FORM3").user_close(); }, "user closes FORM3");
  ambcomm::Link link{quiet, tp_.clock, tp_.pump, state_};
  auto r = ambcomm::REC_DATA(link, &tp_.forms, &tp_.dialogs, dir_ + "/REC");
  EXPECT_EQ(r.end, DownloadEnd::Closed);
  EXPECT_NE(quiet.written().find("q00000,0064"), std::string::npos);
  EXPECT_FALSE(fs::exists(base() + "0"));
  EXPECT_FALSE(fs::exists(base() + "1"));
  EXPECT_TRUE(r.nothing_written());
}

TEST_F(Download, AVanishedPortEndsTheDownloadAndKeepsWhatCame) {
  ambsim::FaultRates gone;
  gone.disconnect = 4;  // the conditions answer and two blocks, then the recorder is gone
  ambsim::InProcessPort port(config("LA", '0', 200), ambsim::FaultInjector(gone, 1));
  auto r = run(port);
  EXPECT_EQ(r.end, DownloadEnd::PortLost);
  EXPECT_EQ(r.status, ambcomm::kStatusDeviceError);
  EXPECT_EQ(r.failed_path, base() + "0");
  auto recs = dltest::records(base() + "0");
  ASSERT_EQ(recs.size(), 3u);
  const auto mem = dltest::expected_memory(config("LA", '0', 200));
  for (int j = 0; j < 50; ++j) EXPECT_EQ(common::decode_channel_sample(recs[2], '0', 'A', j), 2 * (mem.acc[50 + j] & 0xFFF));
}

TEST_F(Download, FourTimesSpeedThereAndBack) {
  auto c = config("LA", '0', 100);
  c.speed = 'B';
  ambsim::InProcessPort port(c);
  auto r = run(port);
  ASSERT_TRUE(r.complete());
  EXPECT_EQ(tp_.forms.form("FORM3").caption(), "ﾃﾞｰﾀｰ受信⇒ﾌｧｲﾙ (×４高速)");
  EXPECT_NE(port.written().find("\rB3\r\n"), std::string::npos);  // after the request's CR, no SOH
  EXPECT_NE(port.written().find("\x01" "B2\r\n"), std::string::npos);
  EXPECT_EQ(port.recorder().line_baud(), 9600);
  EXPECT_EQ(port.baud(), 9600);
  EXPECT_TRUE(dltest::check_download(base(), c).empty());

  // Without four-times speed the byte-frame models say "(高速)"; text-frame models nothing.
  ambsim::InProcessPort plain(config("CE", '1', 10));
  DownloadOptions yes;
  yes.overwrite = Overwrite::Yes;
  auto again = run(plain, yes);
  EXPECT_EQ(again.window->caption(), "ﾃﾞｰﾀｰ受信⇒ﾌｧｲﾙ");
  EXPECT_EQ(plain.written().find("B3"), std::string::npos);
}

TEST_F(Download, ProgressLinesCountInPlace) {
  ambsim::InProcessPort port(config("LA", '1', 120));
  std::vector<std::string> changes;
  DownloadOptions options;
  options.on_progress = [&](std::size_t index, const std::string& s) {
    if (index == 0) changes.push_back(s);
  };
  auto r = run(port, options);
  ASSERT_TRUE(r.complete());
  const auto rows = r.window->control("LIST1").rows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], "加速度 : ﾌｧｲﾙ名は REC____0     120  / 120");
  EXPECT_EQ(rows[1], "");
  EXPECT_EQ(rows[2], "          データーの取り込みを終了しました");
  EXPECT_TRUE(r.window->is_open());
  EXPECT_FALSE(r.window->has_control("LIST2"));  // no RR file, no list of derived files
  // Running counts: 50, 100, then 150 for the last block's (b + 1) x items, then the final count.
  std::vector<std::string> counts;
  for (const auto& s : changes) counts.push_back(common::trim_left(common::mid(common::utf8_to_cp932(s), 27, 8)));
  EXPECT_EQ(counts, (std::vector<std::string>{"", "50", "100", "150", "120"}));
}

}  // namespace

namespace {

TEST_F(Download, TheMainFormStepKeepsItsWindowAndLeavesTheSpeedToTheMainLoop) {
  auto c = config("ce", '1', 60);
  c.speed = 'B';
  ambsim::InProcessPort port(c);
  ambcomm::Link link{port, tp_.clock, tp_.pump, state_};
  int status = -1;
  ambcomm::STS_REQ(link, nullptr, status, "1");
  ASSERT_EQ(status, 0);
  ambcomm::download_to_files(link, tp_.platform, dir_ + "/REC.DAT");
  ASSERT_NE(state_.progress_window, nullptr);
  EXPECT_TRUE(state_.progress_window->is_open());
  EXPECT_EQ(state_.progress_window->caption(), "ﾃﾞｰﾀｰ受信⇒ﾌｧｲﾙ (×４高速)");
  EXPECT_EQ(port.recorder().line_baud(), 19200);  // the main loop sends "B2" itself
  EXPECT_EQ(port.written().find("B2"), std::string::npos);
  EXPECT_TRUE(dltest::check_download(base(), c).empty());
}

}  // namespace

namespace {

TEST_F(Download, LongRecordingsAskAndRetryWithEightDigitAddresses) {
  auto c = config("LA", '1', 70000);
  ambsim::FaultRates some;
  some.checksum = 0.01;
  ambsim::InProcessPort port(c, ambsim::FaultInjector(some, 5));
  auto r = run(port);
  ASSERT_TRUE(r.complete()) << ambcomm::end_text(r);
  const auto& cmds = port.recorder().commands();
  EXPECT_EQ(cmds.at(1), "q000000000,00011170");
  int retries = 0;
  for (const auto& cmd : cmds) {
    if (cmd.size() > 2 && cmd.rfind("q0", 0) == 0 && cmd.find(',') == std::string::npos) {
      ++retries;
      EXPECT_EQ(cmd.size(), 10u) << cmd;
    }
  }
  EXPECT_GT(retries, 0);
  EXPECT_TRUE(dltest::check_download(base(), c).empty());
}

}  // namespace

namespace {

TEST_F(Download, AFileThatCannotBeWrittenStopsTheDownloadPlainly) {
  fs::create_directories(base() + "1");  // a folder where channel 1's file would go
  ambsim::InProcessPort port(config("LA", '0', 60));
  DownloadOptions yes;
  yes.overwrite = Overwrite::Yes;
  auto r = run(port, yes);
  EXPECT_EQ(r.end, DownloadEnd::FileError);
  EXPECT_EQ(r.failed_path, base() + "1");
  EXPECT_NE(ambcomm::end_text(r).find(base() + "1"), std::string::npos);
  EXPECT_EQ(dltest::records(base() + "0").size(), 3u);  // channel 0 complete
  EXPECT_FALSE(fs::exists(base() + "2"));
}

}  // namespace

namespace {

// A download that stops keeps what came under the recording's names: whole records only,
// a half-filled word record included, each header counting what its file holds.
TEST_F(Download, AStoppedDownloadKeepsWhatCameWithHeadersThatCountIt) {
  struct Case {
    ambsim::RecorderConfig c;
    int disconnect;     // answers before the recorder vanishes
    std::string file;   // the file it stops in
    int per_record;     // its samples per record
    std::int64_t held;  // samples it keeps
  };
  const Case cases[] = {
      {config("LA", '0', 200), 4, "REC____0", 50, 100},  // text records
      {config("LA", '9', 61), 3, "REC____a", 120, 60},   // one block: a half word record
      {config("Aa", '0', 50), 5, "REC.ac0", 8, 24},      // old layout: count at 13-16
      {config("ce", 'T', 200), 21, "REC____6", 120, 120}, // RR: two blocks of beats
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.c.model + " mode " + k.c.mode);
    fs::remove_all(dir_);
    fs::create_directory(dir_);
    ambsim::FaultRates gone;
    gone.disconnect = k.disconnect;
    ambsim::InProcessPort port(k.c, ambsim::FaultInjector(gone, 1));
    const auto r = run(port);
    EXPECT_EQ(r.end, DownloadEnd::PortLost);
    const std::string path = dir_ + "/" + k.file;
    ASSERT_FALSE(r.files.empty());
    const ambcomm::DownloadedFile& last = r.files.back().path == path ? r.files.back() : r.files.at(r.files.size() - 3);
    EXPECT_EQ(last.path, path);
    EXPECT_FALSE(last.whole);
    EXPECT_EQ(last.received, k.held);
    const auto recs = dltest::records(path);
    ASSERT_EQ(recs.size(), static_cast<std::size_t>(1 + (k.held + k.per_record - 1) / k.per_record));
    const auto header = common::read_header(recs[0]);
    if (k.file.back() == '6') {
      // The RR file counts the trend samples its beats cover, as its heart-rate file does.
      const auto hr = common::read_header(dltest::records(dir_ + "/REC____5").at(0));
      EXPECT_GT(hr.count, 0u);
      EXPECT_EQ(header.count, hr.count);
      EXPECT_EQ(dltest::records(dir_ + "/REC____5").size(), 1 + (hr.count + 59) / 60);
      EXPECT_TRUE(fs::exists(dir_ + "/REC____i"));
    } else {
      EXPECT_EQ(header.count, static_cast<std::uint32_t>(k.held));
    }
    for (const auto& e : fs::directory_iterator(dir_))
      EXPECT_EQ(e.path().filename().string().find(".part"), std::string::npos) << e.path();
  }
}

// A file that cannot grow (a full disk) stops the download; the records written before stay,
// cut to whole ones, under the recording's name, and the message says where and why.
TEST_F(Download, AFullDiskKeepsTheWholeRecordsWrittenBeforeIt) {
  ambsim::InProcessPort port(config("LA", '0', 400));
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 5 * 256 + 100;  // room for the header, four records and part of a fifth
  ::setrlimit(RLIMIT_FSIZE, &small);
  const auto r = run(port);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(r.end, DownloadEnd::FileError);
  EXPECT_EQ(r.failed_path, base() + "0");
  ASSERT_EQ(r.files.size(), 1u);
  EXPECT_FALSE(r.files[0].whole);
  EXPECT_EQ(r.files[0].received, 200);
  EXPECT_EQ(fs::file_size(base() + "0"), 5u * 256u);
  EXPECT_EQ(common::read_header(dltest::records(base() + "0")[0]).count, 200u);
  EXPECT_EQ(r.not_downloaded.front(), base() + "1");
}

}  // namespace

namespace {

// The main form's step tells how a download ended: on the status line always, and in a
// message box naming complete, partial and missing files when it stopped early.
TEST_F(Download, TheMainFormStepSaysHowADownloadEnded) {
  std::vector<std::string> status;
  state_.show_status = [&](const std::string& s) { status.push_back(s); };
  const auto download = [&](ambsim::InProcessPort& port) {
    ambcomm::Link link{port, tp_.clock, tp_.pump, state_};
    int st = -1;
    ambcomm::STS_REQ(link, nullptr, st, "1");
    ASSERT_EQ(st, 0);
    ambcomm::download_to_files(link, tp_.platform, dir_ + "/REC");
  };
  ambsim::FaultRates gone;
  gone.disconnect = 3;
  ambsim::InProcessPort cut(config("LA", '0', 100), ambsim::FaultInjector(gone, 1));
  tp_.dialogs.answer(ui::Answer::Ok);
  download(cut);
  EXPECT_NE(status.back().find("接続が切れた"), std::string::npos) << status.back();
  ASSERT_EQ(tp_.dialogs.shown().size(), 1u);
  EXPECT_EQ(tp_.dialogs.last().caption, "ﾃﾞｰﾀｰ受信⇒ﾌｧｲﾙ");
  EXPECT_NE(tp_.dialogs.last().text.find("途中まで: " + base() + "0 (50 / 100)"), std::string::npos)
      << tp_.dialogs.last().text;
  EXPECT_NE(tp_.dialogs.last().text.find("未受信  : " + base() + "1"), std::string::npos);

  // No to the overwrite question: the status line says nothing was downloaded.
  tp_.dialogs.answer(ui::Answer::No);
  ambsim::InProcessPort again(config("LA", '0', 100));
  download(again);
  EXPECT_NE(status.back().find("何も受信していません"), std::string::npos) << status.back();
  EXPECT_EQ(tp_.dialogs.shown().size(), 2u);  // the question, and no box after it

  ambsim::InProcessPort whole(config("LA", '0', 100));
  tp_.dialogs.answer(ui::Answer::Yes);
  download(whole);
  EXPECT_EQ(status.back(), "データーの取り込みを終了しました (4 ファイル)");
}

}  // namespace

namespace {

// The bar covers the whole plan: it starts at 0 of the planned amount and ends full. The time
// left shows once two seconds have been measured (each block here takes one) and goes at the
// end. The heart-rate and index files derived from the RR file are listed under the bar when
// written; the file lines above stay as they were.
TEST_F(Download, OneBarForTheWholePlanWithTheTimeLeftAndTheDerivedFilesListed) {
  const auto c = config("CE", 'P', 300);
  ambsim::InProcessPort port(c);
  std::vector<std::string> left;  // LABEL1 at each change of the whole
  DownloadOptions options;
  options.on_total = [&](const ambcomm::WholeProgress& w) {
    auto& form = tp_.forms.form("FORM3");
    if (left.empty()) {
      EXPECT_EQ(w.received, 0);
      EXPECT_EQ(w.planned, ambcomm::planned_amount(ambcomm::plan_download(state_.conditions, dir_ + "/REC")));
      EXPECT_EQ(form.test_control("PROGRESS1").range_max(), w.planned);
    }
    EXPECT_EQ(form.test_control("PROGRESS1").value(), w.received);
    left.push_back(form.control("LABEL1").text());
    tp_.clock.advance(1);
  };
  auto r = run(port, options);
  ASSERT_TRUE(r.complete()) << ambcomm::end_text(r);
  auto& form = tp_.forms.form("FORM3");
  EXPECT_EQ(form.test_control("PROGRESS1").value(), form.test_control("PROGRESS1").range_max());
  ASSERT_GT(left.size(), 5u);
  EXPECT_EQ(left[0] + left[1], "");  // planned, the first block 1 s later: no rate yet
  EXPECT_EQ(left[2].rfind("残り 約 ", 0), 0u) << left[2];  // the second block, 2 s in
  EXPECT_EQ(left.back(), "");

  const auto rows = form.control("LIST1").rows();
  EXPECT_EQ(rows.size(), 6u + 2u);  // files 0-4 and 6, the empty line and the end
  const auto derived = form.control("LIST2").rows();
  const std::int64_t values = r.files.at(6).received;  // "5", placed after "6"
  ASSERT_EQ(derived.size(), 2u);
  EXPECT_EQ(derived[0], "心拍数 : ﾌｧｲﾙ名は REC____5" + common::pad_left(std::to_string(values), 8) + "  (RR間隔から)");
  EXPECT_EQ(derived[1], "RR索引 : ﾌｧｲﾙ名は REC____i" + common::pad_left(std::to_string(values), 8) + "  (RR間隔から)");
}

TEST(TimeLeft, FromTheRateSoFarOnceThereIsOne) {
  const struct {
    std::int64_t received, planned;
    int elapsed;
    const char* text;
  } cases[] = {
      {0, 1000, 10, ""},                    // nothing received
      {100, 1000, 1, ""},                   // one whole second is no rate
      {1000, 1000, 9, ""},                  // done
      {500, 1000, 2, "残り 約 2秒"},
      {100, 1000, 10, "残り 約 1分30秒"},
      {1, 1000, 10, "残り 約 2時間46分"},  // 9990 s
  };
  for (const auto& c : cases)
    EXPECT_EQ(ambcomm::time_left_text(c.received, c.planned, c.elapsed), c.text) << c.received << " in " << c.elapsed;
}

// On a terminal the command line rewrites one line in place, the whole download's share after
// it; anything else (a script reading standard error) gets only the summary.
TEST_F(Download, TheCommandLineShowsProgressOnlyOnATerminal) {
  const auto download = [&](std::FILE* err) {
    ambsim::InProcessPort port(config("LA", '1', 150));
    ambcomm::Link link{port, tp_.clock, tp_.pump, state_};
    ambcomm::CommandOptions options;
    std::FILE* out = std::tmpfile();
    ambcomm::CommandContext ctx{link, options, out, err};
    EXPECT_EQ(ambcomm::run_download(ctx, {dir_ + "/REC", "--yes"}), 0);
    std::fclose(out);
  };
  std::FILE* file = std::tmpfile();
  download(file);
  std::string text(4096, '\0');
  std::rewind(file);
  text.resize(std::fread(text.data(), 1, text.size(), file));
  std::fclose(file);
  EXPECT_EQ(text.find('\r'), std::string::npos) << text;
  EXPECT_EQ(text.find("全体"), std::string::npos) << text;

  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  std::FILE* tty = std::fopen(::ptsname(master), "w");
  ASSERT_NE(tty, nullptr);
  download(tty);
  std::fclose(tty);
  std::string shown;
  ::fcntl(master, F_SETFL, O_NONBLOCK);
  char buf[4096];
  for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;) shown.append(buf, static_cast<std::size_t>(n));
  ::close(master);
  // Blocks of 50 of 150: a third, then two thirds, each on the rewritten line.
  EXPECT_NE(shown.find("\r加速度 : ﾌｧｲﾙ名は REC____0      50  / 150   全体 33%\033[K"), std::string::npos) << shown;
  EXPECT_NE(shown.find("     100  / 150   全体 66%\033[K"), std::string::npos) << shown;
  EXPECT_NE(shown.find("ambcomm: download complete, 1 files"), std::string::npos) << shown;
}

}  // namespace
