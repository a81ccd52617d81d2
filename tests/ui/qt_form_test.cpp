// Qt forms driven as a user would (widget events sent to the controls): events only for user
// actions, control state round trips, mouse held on a picture, close by the user, and the
// canvas shown in the window.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPushButton>

#include "ui/qt/qt_app.h"
#include "ui/qt/qt_event_pump.h"
#include "ui/qt/qt_form.h"

namespace ui::qt {
namespace {

class QtFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ensure_application();
    form = std::make_unique<QtForm>("FORM5", 320, 200);
    form->add_controls({{"BUTTON3", ControlKind::Button, "←前頁", 10, 160, 60, 24},
                        {"EDIT1", ControlKind::Edit, "", 80, 160, 60, 24},
                        {"COMBO1", ControlKind::Combo, "", 150, 160, 80, 24},
                        {"LIST1", ControlKind::List, "", 10, 10, 120, 100, true},
                        {"CHECK1", ControlKind::Check, "ｽｲｯﾁｽﾀｰﾄﾓｰﾄﾞ", 140, 10, 120, 24},
                        {"VSCROLL1", ControlKind::VScroll, "", 290, 10, 16, 100},
                        {"PROGRESS1", ControlKind::Progress, "", 10, 120, 120, 20},
                        {"TEXT19", ControlKind::Label, " ", 140, 40, 100, 20},
                        {"PICTURE23", ControlKind::Picture, "", 240, 160, 40, 30}});
    form->set_menu({{"波形表示", {{"wav_mon", "波形表示"}, {"w_Svbmp", "ﾋﾞｯﾄﾏｯﾌﾟ保存"}}}});
    form->set_handler([this](const UiEvent& e) { events.push_back(e); });
    form->show();
  }
  void mouse(QWidget* w, QEvent::Type type, QPoint at) {
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
  }
  void key(QWidget* w, int k, const QString& text = {}) {
    QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &e);
  }
  std::unique_ptr<QtForm> form;
  std::vector<UiEvent> events;
};

TEST_F(QtFormTest, ProgrammaticChangesRaiseNoEventsAndReadBack) {
  Control& list = form->control("list1");
  list.add_row("測定開始時刻  24年01月02日03時04分");
  list.add_row("名前､ｺﾒﾝﾄ       ");
  list.set_selection(1);
  Control& combo = form->control("COMBO1");
  combo.add_row("平均");
  combo.add_row("移動平均");
  EXPECT_EQ(combo.selection(), -1);
  combo.set_selection(1);
  form->control("EDIT1").set_text("2024");
  form->control("CHECK1").set_checked(true);
  form->control("VSCROLL1").set_range(0, 5);
  form->control("VSCROLL1").set_value(9);
  form->control("PROGRESS1").set_range(0, 1690);
  form->control("PROGRESS1").set_value(845);
  form->control("TEXT19").set_text("0.02S , 0.1G /");
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(list.rows().size(), 2u);
  EXPECT_EQ(list.text(), "名前､ｺﾒﾝﾄ       ");
  EXPECT_EQ(combo.text(), "移動平均");
  EXPECT_EQ(form->control("EDIT1").text(), "2024");
  EXPECT_TRUE(form->control("CHECK1").checked());
  EXPECT_EQ(form->control("VSCROLL1").value(), 5);
  EXPECT_EQ(form->control("PROGRESS1").value(), 845);
  form->control("PROGRESS1").set_value(5000);  // held at the end, as a scroll bar holds it
  EXPECT_EQ(form->control("PROGRESS1").value(), 1690);
  EXPECT_EQ(form->control("TEXT19").text(), "0.02S , 0.1G /");
  form->set_enabled(false);
  EXPECT_TRUE(form->control("BUTTON3").enabled());  // its own setting
  form->set_enabled(true);
  form->control("BUTTON3").set_enabled(false);
  EXPECT_FALSE(form->control("BUTTON3").enabled());
  form->control("CHECK1").set_visible(false);
  EXPECT_FALSE(form->control("CHECK1").visible());
  form->control("BUTTON3").move(10, 170, 60, 24);
  EXPECT_EQ(form->control("BUTTON3").y(), 170);
  EXPECT_EQ(form->control("PICTURE23").canvas()->width(), 40);
  form->set_menu_enabled("W_SVBMP", false);
  EXPECT_FALSE(form->menu_enabled("w_svbmp"));
  EXPECT_TRUE(form->menu_enabled("WAV_MON"));
  EXPECT_THROW(form->control("NOPE"), std::logic_error);
  form->set_caption("波形モニター");
  EXPECT_EQ(form->caption(), "波形モニター");
  EXPECT_EQ(form->client_width(), 320);
  EXPECT_EQ(form->client_height(), 200);
}

TEST_F(QtFormTest, UserActionsBecomeEvents) {
  form->control("COMBO1").add_row("平均");
  form->control("COMBO1").add_row("移動平均");
  form->control("LIST1").add_row("a");
  form->control("LIST1").add_row("b");
  static_cast<QPushButton*>(form->widget("BUTTON3"))->click();
  auto* edit = static_cast<QLineEdit*>(form->widget("EDIT1"));
  key(edit, Qt::Key_2, "2");
  key(form->widget("COMBO1"), Qt::Key_Down);
  static_cast<QListWidget*>(form->widget("LIST1"))->setCurrentRow(1);  // as a click would
  form->menu_action("wav_mon")->trigger();
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(events[0].control, "BUTTON3");
  EXPECT_EQ(events[0].kind, EventKind::Click);
  EXPECT_EQ(events[1].kind, EventKind::Change);
  EXPECT_EQ(form->control("EDIT1").text(), "2");
  EXPECT_EQ(events[2].control, "COMBO1");
  EXPECT_EQ(events[2].kind, EventKind::Change);
  EXPECT_EQ(form->control("COMBO1").selection(), 0);
  EXPECT_EQ(events[3].control, "LIST1");
  EXPECT_EQ(events[3].kind, EventKind::Click);
  EXPECT_EQ(events[4].kind, EventKind::Menu);
  EXPECT_EQ(events[4].control, "wav_mon");
  EXPECT_EQ(events[4].form, "FORM5");
  // A check entry keeps the mark the program set; choosing it only raises Menu.
  form->set_menu_checked("w_Svbmp", true);
  form->menu_action("w_Svbmp")->trigger();
  EXPECT_TRUE(form->menu_checked("w_Svbmp"));
  EXPECT_EQ(events.back().control, "w_Svbmp");
}

TEST_F(QtFormTest, EveryClickOnAListRowIsAClickTheChosenRowToo) {
  form->control("LIST1").add_row("a");
  form->control("LIST1").add_row("b");
  form->control("LIST1").set_selection(1);
  auto* list = static_cast<QListWidget*>(form->widget("LIST1"));
  const QPoint at = list->visualItemRect(list->item(1)).center();
  for (int i = 0; i < 2; ++i) {
    mouse(list->viewport(), QEvent::MouseButtonPress, at);
    mouse(list->viewport(), QEvent::MouseButtonRelease, at);
  }
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1].control, "LIST1");
  EXPECT_EQ(events[1].kind, EventKind::Click);
}

TEST_F(QtFormTest, MouseHeldOnAPictureAndOnTheSurface) {
  QWidget* picture = form->widget("PICTURE23");
  mouse(picture, QEvent::MouseButtonPress, {5, 6});
  EXPECT_TRUE(form->mouse_down());
  EXPECT_TRUE(form->mouse_down_on("PICTURE23"));
  EXPECT_FALSE(form->mouse_down_on("BUTTON3"));
  EXPECT_EQ(form->mouse_position(), (Point{245, 166}));
  mouse(picture, QEvent::MouseButtonRelease, {5, 6});
  EXPECT_FALSE(form->mouse_down());
  mouse(form->client(), QEvent::MouseButtonPress, {200, 120});  // clear of the controls
  EXPECT_TRUE(form->mouse_down());
  EXPECT_FALSE(form->mouse_down_on("PICTURE23"));
  mouse(form->client(), QEvent::MouseMove, {210, 130});
  EXPECT_EQ(form->mouse_position(), (Point{210, 130}));
  mouse(form->client(), QEvent::MouseButtonRelease, {210, 130});
  std::vector<std::pair<std::string, EventKind>> got;
  for (const auto& e : events) got.emplace_back(e.control, e.kind);
  EXPECT_EQ(got, (std::vector<std::pair<std::string, EventKind>>{
                     {"PICTURE23", EventKind::MouseDown}, {"PICTURE23", EventKind::MouseUp},
                     {"PICTURE23", EventKind::Click}, {"", EventKind::MouseDown}, {"", EventKind::MouseMove},
                     {"", EventKind::MouseUp}, {"", EventKind::Click}}));
  EXPECT_EQ(events[0].x, 5);
  EXPECT_EQ(events[0].y, 6);
  EXPECT_EQ(events[0].button, 1);
  EXPECT_EQ(events[3].x, 200);
}

TEST_F(QtFormTest, PressesOnControlsAreNotPressesOnTheSurface) {
  QWidget* label = form->widget("TEXT19");
  mouse(label, QEvent::MouseButtonPress, {3, 3});
  mouse(label, QEvent::MouseButtonRelease, {3, 3});
  QWidget* check = form->widget("CHECK1");
  mouse(check, QEvent::MouseButtonPress, {118, 12});  // right of the caption
  mouse(check, QEvent::MouseButtonRelease, {118, 12});
  form->control("BUTTON3").set_enabled(false);
  mouse(form->widget("BUTTON3"), QEvent::MouseButtonPress, {5, 5});
  EXPECT_FALSE(form->mouse_down_on("BUTTON3"));
  mouse(form->widget("BUTTON3"), QEvent::MouseButtonRelease, {5, 5});
  for (const auto& e : events) EXPECT_FALSE(e.control.empty()) << "surface event " << int(e.kind);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events[0].control, "TEXT19");
  EXPECT_EQ(events[0].kind, EventKind::Click);
}

TEST_F(QtFormTest, UserCloseSendsCloseProgramCloseDoesNot) {
  form->close();
  EXPECT_FALSE(form->is_open());
  EXPECT_TRUE(events.empty());
  form->show();
  EXPECT_TRUE(form->is_open());
  form->window()->close();  // as the window's close button does
  EXPECT_FALSE(form->is_open());
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, EventKind::Close);
}

TEST_F(QtFormTest, CanvasIsShownUnderTheControlsAndKeepsTheClientSize) {
  form->canvas().clear(palette(0));
  form->canvas().set_fill(palette(12));
  form->canvas().fill_box(150, 120, 200, 150);
  QtEventPump pump;
  pump.process_pending();
  const QImage shown = form->client()->grab().toImage();
  EXPECT_EQ(shown.pixelColor(160, 130), QColor(255, 0, 0));
  EXPECT_EQ(shown.pixelColor(300, 190), QColor(0, 0, 0));
  // The menu bar does not eat into the client area.
  EXPECT_EQ(form->client()->height(), 200);
  form->resize_client(400, 300);
  EXPECT_EQ(form->client_width(), 400);
  EXPECT_EQ(form->canvas().snapshot().height, 300);
  EXPECT_TRUE(events.empty());  // a size the program set is no user resize
}

TEST(QtEventPump, TimerTicksArriveThroughTheWait) {
  ensure_application();
  QtEventPump pump;
  int ticks = 0;
  pump.start_timer(1, [&] {
    if (++ticks == 3) pump.stop_timer();
  });
  pump.wait_until([&] { return ticks >= 3; });
  pump.process_pending();
  EXPECT_EQ(ticks, 3);
}

TEST(QtApp, GothicSubstitutionIsInstalledForBothNames) {
  ensure_application();
  // Qt keeps substitutes in lower case.
  EXPECT_EQ(QFont::substitute(QString::fromUtf8("ＭＳ ゴシック")).toLower(), QStringLiteral("ipagothic"));
  EXPECT_EQ(QFont::substitute(QStringLiteral("MS Gothic")).toLower(), QStringLiteral("ipagothic"));
  install_font_substitutions();  // again: no duplicates
  EXPECT_EQ(QFont::substitutes(QStringLiteral("MS Gothic")).size(), 2);
}

}  // namespace
}  // namespace ui::qt
