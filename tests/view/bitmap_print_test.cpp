// SAVE_TRD_WAVE and HARD_C: the dialogs and their texts, the file written (a standard BMP
// of the window's visible size, in the chosen folder, base name + ".bmp", replaced without a
// second question), nothing written on any cancel, clear messages when the write fails, and
// one printed page through the real print path into a PDF file.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "ui/qt/qt_app.h"
#include "ui/qt/qt_dialogs.h"
#include "ui/qt/qt_form.h"
#include "common/recording_writer.h"
#include "ui/bmp_file.h"
#include "ui/testing/test_platform.h"
#include "view/windows/bitmap_print.h"
#include "view/windows/viewer_shell.h"

namespace ambview {
namespace {

namespace fs = std::filesystem;
using ui::testing::DialogKind;

class BitmapPrintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("bitmap_print_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "data");
    old_cwd_ = fs::current_path();
    state.start_directory = dir_.string() + "/";
    state.conditions = default_conditions(state.start_directory);
    set_data_directory(state, (dir_ / "data").string() + "/");
    state.conditions.base_name = "SUBJ___";
    state.channels.prefix = (dir_ / "data").string() + "/SUBJ___";
    install_operations(state);
    state.forms.main = t.forms.make_form("MAINFORM", 900, 600);
    state.forms.main->show();
    state.forms.form4 = t.forms.make_form("FORM4", 640, 480);
    state.forms.form4->show();
  }
  void TearDown() override {
    fs::current_path(old_cwd_);
    fs::remove_all(dir_);
  }
  std::string data(const std::string& name) const { return (dir_ / "data" / name).string(); }
  static std::string bytes_of(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  fs::path dir_, old_cwd_;
  ui::testing::TestPlatform t;
  ViewerState state;
};

TEST(BitmapPath, FolderBaseNameAndExtension) {
  EXPECT_EQ(bitmap_path("/a/b/trend.png", "/d/"), "/a/b/trend.bmp");
  EXPECT_EQ(bitmap_path("/a/b/trend", "/d/"), "/a/b/trend.bmp");
  EXPECT_EQ(bitmap_path("/a/run.v2/ecg.1.bmp", "/d/"), "/a/run.v2/ecg.bmp");
  EXPECT_EQ(bitmap_path("walk_ecg_morning.bmp", "/d/"), "/d/walk_ecg_morning.bmp");  // the whole name kept
  EXPECT_EQ(bitmap_path("/a/b/.bmp", "/d/"), "");
  EXPECT_EQ(bitmap_path("/a/b/", "/d/"), "");
}

TEST_F(BitmapPrintTest, SaveAsksThenWritesTheWindowsVisibleSize) {
  // The ECG window made smaller after drawing: only what is visible is saved.
  t.forms.form("FORM4").user_resize(500, 300);
  t.dialogs.answer_save(data("strip.png"));
  t.dialogs.answer(ui::Answer::Ok);
  run_event(state, t.platform, code::kEcgBitmap);

  ASSERT_EQ(t.dialogs.shown().size(), 2u);
  const auto& save = t.dialogs.shown()[0];
  EXPECT_EQ(save.kind, DialogKind::Save);
  EXPECT_EQ(save.caption, "ﾋﾞｯﾄﾏｯﾌﾟの保存");
  EXPECT_EQ(save.proposed, "SUBJ___n.bmp");
  EXPECT_EQ(save.filter, "ﾃﾞｰﾀｰ(*);すべてのファイル(*.*)");
  EXPECT_EQ(fs::current_path(), dir_ / "data");  // the dialog opens in the recording's folder
  const auto& confirm = t.dialogs.shown()[1];
  EXPECT_EQ(confirm.caption, "心電図のﾋﾞｯﾄﾏｯﾌﾟ形式保存");  // the ECG window's own caption
  EXPECT_EQ(confirm.text, "ファイル名 strip.bmp で保存します。\r同じファイル名がある場合は上書きします。");
  EXPECT_EQ(confirm.buttons, ui::Buttons::OkCancel);
  EXPECT_EQ(confirm.icon, ui::Icon::Exclamation);

  EXPECT_FALSE(fs::exists(data("strip.png")));
  ui::qt::ensure_application();
  const QImage image(QString::fromStdString(data("strip.bmp")));
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.width(), 500);
  EXPECT_EQ(image.height(), 300);
  // Nothing but the bitmap is left in the folder.
  int files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_ / "data")) ++files;
  EXPECT_EQ(files, 1);
}

TEST_F(BitmapPrintTest, ExistingFileIsReplacedWithoutASecondQuestion) {
  {
    std::ofstream old(data("trend.bmp"), std::ios::binary);
    old << "an older picture";
  }
  t.dialogs.answer_save(data("trend.bmp"));
  t.dialogs.answer(ui::Answer::Ok);
  run_event(state, t.platform, code::kTrendBitmap);
  ASSERT_EQ(t.dialogs.shown().size(), 2u);
  EXPECT_EQ(t.dialogs.last().caption, "ﾄﾚﾝﾄﾞｸﾞﾗﾌのﾋﾞｯﾄﾏｯﾌﾟ形式保存");
  const std::string bytes = bytes_of(data("trend.bmp"));
  ASSERT_GE(bytes.size(), 54u);
  EXPECT_EQ(bytes.substr(0, 2), "BM");
  EXPECT_EQ(bytes.size(), 54u + 900u * 600u * 3u);  // the main window, 24 bits, rows of 2700 bytes
}

TEST_F(BitmapPrintTest, NothingIsWrittenOnAnyCancel) {
  t.dialogs.cancel_file();
  run_event(state, t.platform, code::kEcgBitmap);
  EXPECT_EQ(t.dialogs.shown().size(), 1u);

  t.dialogs.answer_save(data("strip.bmp"));
  t.dialogs.answer(ui::Answer::Cancel);
  run_event(state, t.platform, code::kEcgBitmap);
  EXPECT_EQ(t.dialogs.shown().size(), 3u);

  t.dialogs.answer_print(false);
  run_event(state, t.platform, code::kEcgHardCopy);
  EXPECT_EQ(t.dialogs.last().kind, DialogKind::Print);
  EXPECT_TRUE(fs::is_empty(dir_ / "data"));
}

TEST_F(BitmapPrintTest, FailedWritesAreReportedAndLeaveTheOldFile) {
  // A folder in the way of the file's name, and a folder that does not exist.
  fs::create_directories(data("busy.bmp"));
  t.dialogs.answer_save(data("busy.png"));
  t.dialogs.answer(ui::Answer::Ok);
  t.dialogs.answer(ui::Answer::Ok);
  run_event(state, t.platform, code::kEcgBitmap);
  ASSERT_EQ(t.dialogs.shown().size(), 3u);
  EXPECT_EQ(t.dialogs.last().caption, "ﾋﾞｯﾄﾏｯﾌﾟの保存");
  EXPECT_NE(t.dialogs.last().text.find("保存できませんでした"), std::string::npos);
  EXPECT_NE(t.dialogs.last().text.find("同じ名前のフォルダーがあります"), std::string::npos);
  EXPECT_TRUE(fs::is_directory(data("busy.bmp")));

  t.dialogs.answer_save((dir_ / "gone" / "x.bmp").string());
  t.dialogs.answer(ui::Answer::Ok);
  t.dialogs.answer(ui::Answer::Ok);
  run_event(state, t.platform, code::kEcgBitmap);
  EXPECT_NE(t.dialogs.last().text.find("フォルダーが見つかりません"), std::string::npos);
  // No half-written file is left anywhere.
  for (const auto& e : fs::recursive_directory_iterator(dir_))
    EXPECT_EQ(e.path().filename().string().find(".part"), std::string::npos) << e.path();
}

TEST_F(BitmapPrintTest, ReadOnlyFolderIsReported) {
  fs::create_directories(dir_ / "ro");
  fs::permissions(dir_ / "ro", fs::perms::owner_read | fs::perms::owner_exec);
  if (std::ofstream probe(dir_ / "ro" / "probe"); probe) {
    fs::permissions(dir_ / "ro", fs::perms::owner_all);
    GTEST_SKIP() << "this user writes into read-only folders (root)";
  }
  t.dialogs.answer_save((dir_ / "ro" / "x.bmp").string());
  t.dialogs.answer(ui::Answer::Ok);
  t.dialogs.answer(ui::Answer::Ok);
  run_event(state, t.platform, code::kEcgBitmap);
  EXPECT_NE(t.dialogs.last().text.find("このフォルダーには書き込めません"), std::string::npos);
  fs::permissions(dir_ / "ro", fs::perms::owner_all);
}

TEST_F(BitmapPrintTest, ClosedOrMissingWindowsAreNotCopied) {
  t.forms.form("FORM4").user_close();
  run_event(state, t.platform, code::kEcgBitmap);
  run_event(state, t.platform, code::kWaveHardCopy);    // FORM5 never opened
  run_event(state, t.platform, code::kCalorieBitmap);   // nor FORM6
  EXPECT_TRUE(t.dialogs.shown().empty());
}

TEST_F(BitmapPrintTest, SavedBitmapIsTheDrawnWindowPixelForPixel) {
  // An ECG strip drawn into a real Qt window, then saved through the menu command.
  const auto header = common::make_channel_header("E1", "2612010900", 15000, 'c');
  std::vector<std::uint16_t> samples(15000);
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::uint16_t>(i % 250 < 10 ? 2800 : 2048);
  ASSERT_EQ(common::write_word_file(common::channel_file_name((dir_ / "data").string() + "/", "SUBJ", 'E'), header, samples),
            "");
  ui::qt::ensure_application();
  ui::qt::QtFormFactory qt_forms;
  ui::Platform platform{qt_forms, t.dialogs, t.pump, t.clock};
  state.forms.form4 = qt_forms.make_form("FORM4", 640, 480);
  run_event(state, platform, 401);
  t.dialogs.answer_save(data("ecg1.bmp"));
  t.dialogs.answer(ui::Answer::Ok);
  run_event(state, platform, code::kEcgBitmap);

  std::string error;
  const auto saved = ui::read_bmp(data("ecg1.bmp"), &error);
  ASSERT_TRUE(saved) << error;
  const ui::Image shown = state.forms.form4->canvas().snapshot();
  EXPECT_EQ(saved->width, 640);
  EXPECT_EQ(saved->height, 480);
  EXPECT_EQ(saved->pixels, shown.pixels);
  const auto trace = std::count(saved->pixels.begin(), saved->pixels.end(), 0x800080u);  // palette 5, the trace
  EXPECT_GT(trace, 1000);
  state.forms.form4.reset();
}

TEST_F(BitmapPrintTest, HardCopyPrintsTheImageOnOnePageUnderAValidNameOrSaysWhyNot) {
  t.dialogs.answer_print(true);
  run_event(state, t.platform, code::kTrendHardCopy);
  ASSERT_EQ(t.dialogs.shown().size(), 1u);
  EXPECT_EQ(t.dialogs.last().kind, DialogKind::Print);
  EXPECT_EQ(t.dialogs.last().image.width, 900);
  EXPECT_EQ(t.dialogs.last().image.height, 600);

  // The ECG window's caption holds a date and a time: the job's name (and the PDF file it
  // proposes) must still be one file in the recording's folder.
  t.forms.form("FORM4").set_caption("心電図  ECG-1  12/01 10:30:00");
  t.dialogs.fail_print("/data/x.pdf: Permission denied");
  t.dialogs.answer(ui::Answer::Ok);
  run_event(state, t.platform, code::kEcgHardCopy);
  ASSERT_EQ(t.dialogs.shown().size(), 3u);
  const auto& print = t.dialogs.shown()[1];
  EXPECT_EQ(print.caption, "Movilog 心電図  ECG-1  12-01 10-30-00");
  EXPECT_EQ(print.proposed, data(""));
  EXPECT_EQ(t.dialogs.last().caption, "ハードコピー");
  EXPECT_EQ(t.dialogs.last().text, "印刷できませんでした。\r/data/x.pdf: Permission denied");
}

TEST_F(BitmapPrintTest, HardCopyThroughTheRealPrinterIntoAPdf) {
  ui::qt::ensure_application();
  const fs::path pdf = dir_ / "page.pdf";
  ::setenv("MOVILOG_PRINT_TO_PDF", pdf.c_str(), 1);
  ui::qt::QtDialogs dialogs;
  ui::Platform platform{t.forms, dialogs, t.pump, t.clock};
  t.forms.form("FORM4").canvas().clear(ui::palette(4));
  run_event(state, platform, code::kEcgHardCopy);
  ::unsetenv("MOVILOG_PRINT_TO_PDF");

  ASSERT_TRUE(fs::exists(pdf));
  const std::string text = bytes_of(pdf);
  EXPECT_EQ(text.substr(0, 5), "%PDF-");
  int pages = 0;
  for (std::size_t at = text.find("/Type /Page"); at != std::string::npos; at = text.find("/Type /Page", at + 1))
    if (text.compare(at, 12, "/Type /Pages") != 0) ++pages;
  EXPECT_EQ(pages, 1);
  EXPECT_NE(text.find("/Image"), std::string::npos);  // the window's picture is on it
}

}  // namespace
}  // namespace ambview
