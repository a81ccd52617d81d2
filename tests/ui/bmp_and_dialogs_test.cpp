// Bitmap files (byte layout, read back by Qt and by our reader, damaged files refused), PNG
// files in both layouts read back by Qt, image saving by extension, the dialog helpers (filter conversion, the 64-character input box,
// answers of the real dialogs) and printing to a PDF file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ui/bmp_file.h"
#include "ui/png_file.h"
#include "ui/qt/qt_app.h"
#include "ui/qt/qt_canvas.h"
#include "ui/qt/qt_dialogs.h"
#include "ui/qt/qt_image_io.h"

namespace ui {
namespace {

namespace fs = std::filesystem;

Image pattern(int w, int h) {
  Image img{w, h, {}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      img.pixels.push_back(static_cast<std::uint32_t>((x * 37) & 0xFF) << 16 | static_cast<std::uint32_t>((y * 91) & 0xFF) << 8 |
                           static_cast<std::uint32_t>((x ^ y) & 0xFF));
  return img;
}

fs::path temp_file(const std::string& name) {
  const fs::path dir = fs::temp_directory_path() / ("movilog_ui_test_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  return dir / name;
}

TEST(BmpFile, LayoutIsStandardAndRowsArePadded) {
  const auto bytes = encode_bmp(pattern(3, 2));  // 9 bytes a row, padded to 12
  ASSERT_EQ(bytes.size(), 54u + 24u);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(bytes[2], 78);   // file size
  EXPECT_EQ(bytes[10], 54);  // pixel offset
  EXPECT_EQ(bytes[14], 40);  // BITMAPINFOHEADER
  EXPECT_EQ(bytes[28], 24);  // bits per pixel
  // bottom-up: the first stored row is the image's last row; pixels stored B, G, R
  const Image img = pattern(3, 2);
  EXPECT_EQ(bytes[54], img.at(0, 1) & 0xFF);
  EXPECT_EQ(bytes[56], (img.at(0, 1) >> 16) & 0xFF);
  EXPECT_EQ(bytes[54 + 9], 0);  // padding
  EXPECT_EQ(bytes[54 + 12], img.at(0, 0) & 0xFF);
}

TEST(BmpFile, WrittenFileOpensInQtWithTheSamePixelsAndReadsBack) {
  qt::ensure_application();
  for (auto [w, h] : std::vector<std::pair<int, int>>{{1, 1}, {5, 3}, {64, 17}}) {
    const Image img = pattern(w, h);
    const fs::path path = temp_file("p.bmp");
    ASSERT_TRUE(write_bmp(path.string(), img));
    const QImage q(QString::fromStdString(path.string()));
    ASSERT_FALSE(q.isNull());
    EXPECT_EQ(qt::from_qimage(q).pixels, img.pixels) << w << "x" << h;
    const auto back = read_bmp(path.string());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->width, w);
    EXPECT_EQ(back->pixels, img.pixels);
  }
}

TEST(BmpFile, PalettedAndTopDownBitmapsRead) {
  // Built by hand: 2x2, 1 bit per pixel, top-down (height -2), a palette of 2 colours
  // (8 bytes at 54), then two rows of 4 bytes each at 62.
  std::vector<std::uint8_t> b(70, 0);
  b[0] = 'B', b[1] = 'M', b[10] = 62;
  b[14] = 40, b[18] = 2;
  b[22] = 0xFE, b[23] = 0xFF, b[24] = 0xFF, b[25] = 0xFF;  // -2
  b[26] = 1, b[28] = 1, b[46] = 2;
  b[58] = 0xFF, b[59] = 0x80, b[60] = 0x10;  // colour 1: B FF, G 80, R 10
  b[62] = 0x40;  // row 0: pixels 0, 1
  b[66] = 0x80;  // row 1: pixels 1, 0
  const auto img = decode_bmp(b);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->at(0, 0), 0u);
  EXPECT_EQ(img->at(1, 0), 0x1080FFu);
  EXPECT_EQ(img->at(0, 1), 0x1080FFu);
}

TEST(BmpFile, DamagedFilesAreRefused) {
  auto good = encode_bmp(pattern(4, 4));
  std::string why;
  auto cut = good;
  cut.resize(good.size() - 1);
  EXPECT_FALSE(decode_bmp(cut, &why));
  EXPECT_FALSE(why.empty());
  auto huge = good;
  huge[18] = 0xFF, huge[19] = 0xFF, huge[20] = 0xFF, huge[21] = 0x7F;
  EXPECT_FALSE(decode_bmp(huge));
  auto rle = good;
  rle[30] = 1;
  EXPECT_FALSE(decode_bmp(rle));
  auto offset = good;
  offset[10] = 0xFF, offset[13] = 0x7F;
  EXPECT_FALSE(decode_bmp(offset));
  EXPECT_FALSE(decode_bmp({'B', 'M'}));
  EXPECT_FALSE(read_bmp("/nonexistent/x.bmp"));
  EXPECT_FALSE(write_bmp("/nonexistent/x.bmp", pattern(2, 2), &why));
}

TEST(ImageIo, SavesBmpAndPngByExtension) {
  qt::ensure_application();
  const Image img = pattern(20, 10);
  const fs::path bmp = temp_file("v.BMP");
  const fs::path png = temp_file("v.png");
  ASSERT_TRUE(qt::save_image(bmp.string(), img));
  ASSERT_TRUE(qt::save_image(png.string(), img));
  EXPECT_EQ(fs::file_size(bmp), encode_bmp(img).size());
  EXPECT_EQ(qt::from_qimage(QImage(QString::fromStdString(png.string()))).pixels, img.pixels);
}

// `n` colours over two rows, the second in reverse order.
Image distinct_colours(int n) {
  Image img{n, 2, {}};
  for (int i = 0; i < 2 * n; ++i) img.pixels.push_back(static_cast<std::uint32_t>((i < n ? i : 2 * n - 1 - i) * 65));
  return img;
}

// Qt decodes the very pixels from both layouts: a palette while the colours fit in one, RGB
// beyond (colour type, byte 25: 3 palette, 2 RGB).
TEST(ImageIo, PngKeepsEveryPixel) {
  qt::ensure_application();
  const struct {
    const char* name;
    Image image;
    std::uint8_t colour_type;
  } cases[] = {{"256 colours", distinct_colours(256), 3},
               {"257 colours", distinct_colours(257), 2},
               {"few colours, many rows", pattern(20, 10), 3},
               {"many colours", pattern(40, 20), 2}};
  for (const auto& c : cases) {
    const std::vector<std::uint8_t> png = encode_png(c.image);
    ASSERT_GT(png.size(), 25u) << c.name;
    EXPECT_EQ(png[25], c.colour_type) << c.name;
    QImage decoded;
    ASSERT_TRUE(decoded.loadFromData(png.data(), static_cast<int>(png.size()), "PNG")) << c.name;
    EXPECT_EQ(qt::from_qimage(decoded).pixels, c.image.pixels) << c.name;
  }
  std::string why;
  EXPECT_FALSE(write_png(temp_file("empty.png").string(), Image{}, &why));
  EXPECT_EQ(why, "cannot encode the image");
  EXPECT_FALSE(write_png("/nonexistent/x.png", pattern(2, 2), &why));
  EXPECT_FALSE(fs::exists(temp_file("empty.png")));
}

TEST(QtDialogs, FilterConversion) {
  EXPECT_EQ(qt::qt_file_filter("ﾃﾞｰﾀｰ(*);すべてのファイル(*.*)"), "ﾃﾞｰﾀｰ (*);;すべてのファイル (*.*)");
  EXPECT_EQ(qt::qt_file_filter("ﾃﾞｰﾀｰ();すべてのファイル(*.*)"), "ﾃﾞｰﾀｰ (*);;すべてのファイル (*.*)");
  EXPECT_EQ(qt::qt_file_filter("記録(*.ac0;*.ac1)"), "記録 (*.ac0 *.ac1)");
  EXPECT_EQ(qt::qt_file_filter("ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp) ;"), "ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)");
  EXPECT_EQ(qt::qt_file_filter(""), "");
  EXPECT_EQ(qt::qt_file_filter("すべて"), "すべて (*)");
}

// Runs `act` on the dialog once it is up (modal dialogs block the test's thread).
template <typename Dialog, typename Act>
void when_shown(Act act) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    if (auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      act(d);
    }
  });
  timer->start(5);
}

TEST(QtDialogs, InputBoxHoldsAtMost64CharactersAndCancelAnswers27) {
  qt::ensure_application();
  auto made = qt::make_input_dialog("ﾀｲﾏｰの設定(10～500)", "RS-232の遅延時間を設定します", std::string(100, '9'));
  EXPECT_EQ(made->textValue().size(), 64);
  ASSERT_NE(made->findChild<QLineEdit*>(), nullptr);
  EXPECT_EQ(made->findChild<QLineEdit*>()->maxLength(), 64);

  qt::QtDialogs dialogs;
  when_shown<QInputDialog>([](QInputDialog* d) {
    auto* edit = d->findChild<QLineEdit*>();
    edit->clear();
    edit->insert(QString(70, QChar(0x3042)));  // typed: 70 × あ
    d->accept();
  });
  std::string typed;
  for (int i = 0; i < 64; ++i) typed += "あ";
  EXPECT_EQ(dialogs.input_box("t", "p", "100"), typed);
  when_shown<QInputDialog>([](QInputDialog* d) { d->reject(); });
  EXPECT_EQ(dialogs.input_box("t", "p", "100"), kCancelAnswer);
}

TEST(QtDialogs, MessageBoxAnswersTheButtonPressedOrEscape) {
  qt::ensure_application();
  qt::QtDialogs dialogs;
  when_shown<QMessageBox>([](QMessageBox* box) {
    EXPECT_EQ(box->windowTitle(), QString::fromUtf8("初期化"));
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    for (auto* b : box->buttons())
      if (b->text() == QString::fromUtf8("はい(&Y)")) b->click();
  });
  EXPECT_EQ(dialogs.message_box("初期化", "測定開始時刻 ﾃﾞｰﾀｰ量を初期化します", Buttons::YesNo, Icon::Question),
            Answer::Yes);
  when_shown<QMessageBox>([](QMessageBox* box) {
    EXPECT_EQ(box->text(), QString::fromUtf8("ファイル名 a.bmp で保存します。\n同じファイル名がある場合は上書きします。"));
    box->reject();  // Escape
  });
  EXPECT_EQ(dialogs.message_box("ﾄﾚﾝﾄﾞｸﾞﾗﾌのﾋﾞｯﾄﾏｯﾌﾟ形式保存",
                                "ファイル名 a.bmp で保存します。\r同じファイル名がある場合は上書きします。",
                                Buttons::OkCancel, Icon::Exclamation),
            Answer::Cancel);
}

TEST(QtDialogs, PrintGoesToThePdfFileNamedInTheEnvironment) {
  qt::ensure_application();
  const fs::path pdf = temp_file("hardcopy.pdf");
  fs::remove(pdf);
  ::setenv("MOVILOG_PRINT_TO_PDF", pdf.c_str(), 1);
  qt::QtDialogs dialogs;
  const PrintResult printed = dialogs.print_image(pattern(300, 200), "ハードコピー", "");
  ::setenv("MOVILOG_PRINT_TO_PDF", (temp_file("no_such_folder") / "x.pdf").c_str(), 1);
  const PrintResult failed = dialogs.print_image(pattern(300, 200), "ハードコピー", "");
  ::unsetenv("MOVILOG_PRINT_TO_PDF");
  ASSERT_TRUE(printed.printed) << printed.error;
  // A page that cannot be written says where and why.
  EXPECT_FALSE(failed.printed);
  EXPECT_NE(failed.error.find("no_such_folder/x.pdf: "), std::string::npos) << failed.error;
  std::ifstream in(pdf, std::ios::binary);
  std::string head(5, '\0');
  in.read(head.data(), 5);
  EXPECT_EQ(head, "%PDF-");
  EXPECT_GT(fs::file_size(pdf), 1000u);
}

}  // namespace
}  // namespace ui
