// The four explanation texts, line by line as FORM4 prints them, and their window.
#include "link/explanations.h"

#include <array>

#include "ui/colour.h"

namespace ambcomm {

namespace {

constexpr int kLineHeight = 18;
constexpr int kMargin = 10;
constexpr int kTextSize = 13;

const std::array<Explanation, 4> kTexts = {{
  {"測定条件受信-表示",
   {
       "□　次の順で動作します。",
       "",
       "１．測定条件の要求コマンドを送信  [ PC → Movilog ]",
       "２．測定条件を受信し画面に表示  [PC(画面) ← Movilog]",
       "３．通信エラーは下欄にメッセージを表示",
       "    ･ ﾀｲﾏｰはRS-232Cの通信がうまくいかない場合にこの値を大きく",
       "      して下さい｡値が大きすぎると実行に時間がかかります",
       "",
       "注意　電源を投入したMovilogと、ｲﾝﾀｰﾌｪｰｽｹｰﾌﾞﾙでつながっている",
       "  　　必要があります。",
   }},
  {"測定条件の変更",
   {
       "　　｢Movilog｣の測定条件を変更します",
       "□　次の順で動作します。",
       "",
       "１．測定条件の要求コマンドを送信  [ PC → Movilog ]",
       "２．測定条件を受信                [ PC ← Movilog ]",
       "３．測定条件の変更ウインドゥが開き、測定条件を画面に表示",
       "",
       "   ･ ｽｲｯﾁｽﾀｰﾄﾓｰﾄﾞは加速度､心電図波形の測定時にのみ有効です",
       "     電源ｽｲｯﾁを入れると333を表示 → ｲﾍﾞﾝﾄｽｲｯﾁを押して測定開始",
       "   ･ 初期化ﾎﾞﾀﾝは現在の時刻の設定及び､加速度とRR､心電図ﾃﾞｰﾀｰ量を0にします",
       "",
       "□  測定条件を変更して、｢Movilogへ設定｣ボタンをクリックすると",
       "    次の順で動作します",
       "",
       "４．変更した測定条件を送信        [ PC → Movilog ]",
       "５．測定条件を受信し画面に表示  　[PC(画面) ← Movilog]",
       "６．通信エラーは下欄にメッセージを表示",
       "",
       "注意　電源を投入したMovilogと、ｲﾝﾀｰﾌｪｰｽｹｰﾌﾞﾙでつながっている",
       "  　　必要があります。",
   }},
  {"ﾃﾞｰﾀｰ受信⇒ﾌｧｲﾙ",
   {
       "　　｢Movilog｣からデーターを受信し｢ﾌｧｲﾙ｣にコピーします。",
       "□　次の順で動作します。",
       "",
       "１．測定条件の要求コマンドを送信  [ PC → Movilog ]",
       "２．測定条件を受信し画面に表示 　 [PC(画面) ← Movilog]",
       "３　｢名前を付けて保存｣ダイアログボックスを表示",
       "",
       "□　ファイル名を設定して｢保存｣をクリックすると次の順で動作します",
       "",
       "４．データー要求コマンドを送信    [ PC → Movilog ]",
       "５．受信データーを ﾌｧｲﾙ へコピー　[PC(ﾌｧｲﾙ) ← Movilog]",
       "６．通信エラーは下欄にメッセージを表示",
       "",
       "注意　電源を投入したMovilogと、ｲﾝﾀｰﾌｪｰｽｹｰﾌﾞﾙでつながっている",
       "  　　必要があります。",
   }},
  {"メモリーの初期化",
   {
       "□　これを実行すると､Movilogのﾃﾞｰﾀｰｴﾘｱのﾒﾓﾘｰを0にｸﾘｱｰします｡",
       "",
       "1.  ﾃﾞｰﾀｰを消去するため間違いを減らすことが出来ます",
       "    ( ｢測定条件の変更｣でﾃﾞｰﾀｰ量を変更して､以前に取り込んだﾃﾞｰﾀｰを",
       "      取り込むことが出来ません )",
       "2.　実行時間は4倍速ﾓｰﾄﾞで約20秒､通常ﾓｰﾄﾞで約40秒かかります",
       "3.　KX-31N以降で有効です",
   }},
}};

}  // namespace

const Explanation& explanation(int n) {
  if (n < 1 || n > 4) n = 1;
  return kTexts[static_cast<std::size_t>(n - 1)];
}

void show_explanation(ui::Form& form, int n) {
  const Explanation& text = explanation(n);
  form.set_caption(text.caption);
  form.resize_client(form.client_width(), static_cast<int>(text.lines.size()) * kLineHeight + 2 * kMargin);
  ui::Canvas& c = form.canvas();
  c.clear(ui::palette(15));
  c.set_pen(ui::palette(0));
  int y = kMargin;
  for (const auto& line : text.lines) {
    if (!line.empty()) c.text(kMargin, y, line, kTextSize);
    y += kLineHeight;
  }
}

}  // namespace ambcomm
