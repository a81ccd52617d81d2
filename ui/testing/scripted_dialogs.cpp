// The scripted dialogs: a queue of answers checked against the dialogs that appear.
#include "ui/testing/scripted_dialogs.h"

#include "ui/testing/script_failure.h"

namespace ui::testing {

namespace {

constexpr std::size_t kInputLimit = 64;

// The input box counts characters, not bytes: cut after the 64th UTF-8 character.
std::string cut_characters(const std::string& text, std::size_t limit) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (count == limit) return text.substr(0, i);
      ++count;
    }
  }
  return text;
}

}  // namespace

const char* to_string(DialogKind kind) {
  switch (kind) {
    case DialogKind::Message: return "message box";
    case DialogKind::Input: return "input box";
    case DialogKind::Open: return "file-open dialog";
    case DialogKind::Save: return "file-save dialog";
    case DialogKind::Colour: return "colour dialog";
    case DialogKind::Print: return "print dialog";
  }
  return "dialog";
}

void ScriptedDialogs::answer(Answer button) { queue_.push_back({DialogKind::Message, button, {}, {}, false, false, {}}); }
void ScriptedDialogs::answer_input(std::string text) {
  queue_.push_back({DialogKind::Input, Answer::Ok, cut_characters(text, kInputLimit), {}, false, false, {}});
}
void ScriptedDialogs::cancel_input() { queue_.push_back({DialogKind::Input, Answer::Cancel, kCancelAnswer, {}, false, false, {}}); }
void ScriptedDialogs::answer_open(std::string path) { queue_.push_back({DialogKind::Open, Answer::Ok, std::move(path), {}, false, false, {}}); }
void ScriptedDialogs::answer_save(std::string path) { queue_.push_back({DialogKind::Save, Answer::Ok, std::move(path), {}, false, false, {}}); }
void ScriptedDialogs::cancel_file() { queue_.push_back({DialogKind::Open, Answer::Cancel, kCancelAnswer, {}, false, true, {}}); }
void ScriptedDialogs::answer_colour(std::optional<Colour> colour) {
  queue_.push_back({DialogKind::Colour, Answer::Ok, {}, colour, false, false, {}});
}
void ScriptedDialogs::answer_print(bool confirmed) { queue_.push_back({DialogKind::Print, Answer::Ok, {}, {}, confirmed, false, {}}); }
void ScriptedDialogs::fail_print(std::string error) {
  queue_.push_back({DialogKind::Print, Answer::Ok, {}, {}, true, false, std::move(error)});
}

const DialogShown& ScriptedDialogs::last() const {
  if (shown_.empty()) throw ScriptFailure("no dialog has been shown");
  return shown_.back();
}

void ScriptedDialogs::failure(const std::string& what) {
  failures_.push_back(what);
  throw ScriptFailure(what);
}

ScriptedDialogs::Queued ScriptedDialogs::take(const DialogShown& shown) {
  shown_.push_back(shown);
  const std::string which = std::string(to_string(shown.kind)) + " \"" + shown.caption + "\" (" + shown.text + ")";
  if (queue_.empty()) failure("no answer queued for the " + which);
  Queued q = queue_.front();
  const bool fits = q.kind == shown.kind ||
                    (q.file_any && (shown.kind == DialogKind::Open || shown.kind == DialogKind::Save));
  if (!fits) failure(std::string("the ") + which + " appeared where a " + to_string(q.kind) + " was expected");
  queue_.pop_front();
  return q;
}

Answer ScriptedDialogs::message_box(std::string_view caption, std::string_view text, Buttons buttons, Icon icon) {
  DialogShown s;
  s.kind = DialogKind::Message;
  s.caption = caption;
  s.text = text;
  s.buttons = buttons;
  s.icon = icon;
  if (auto_ok_ && buttons == Buttons::Ok && (queue_.empty() || queue_.front().kind != DialogKind::Message)) {
    shown_.push_back(s);
    return Answer::Ok;
  }
  const Queued q = take(s);
  const bool offered = (buttons == Buttons::Ok && q.button == Answer::Ok) ||
                       (buttons == Buttons::OkCancel && (q.button == Answer::Ok || q.button == Answer::Cancel)) ||
                       ((buttons == Buttons::YesNo || buttons == Buttons::YesNoDefaultNo) &&
                        (q.button == Answer::Yes || q.button == Answer::No));
  if (!offered) failure("the message box \"" + s.caption + "\" has no button for the queued answer");
  return q.button;
}

std::string ScriptedDialogs::input_box(std::string_view title, std::string_view prompt, std::string_view default_text) {
  DialogShown s;
  s.kind = DialogKind::Input;
  s.caption = title;
  s.text = prompt;
  s.proposed = default_text;
  return take(s).text;
}

std::string ScriptedDialogs::open_file(std::string_view title, std::string_view proposed, std::string_view filter) {
  DialogShown s;
  s.kind = DialogKind::Open;
  s.caption = title;
  s.proposed = proposed;
  s.filter = filter;
  return take(s).text;
}

std::string ScriptedDialogs::save_file(std::string_view title, std::string_view proposed, std::string_view filter) {
  DialogShown s;
  s.kind = DialogKind::Save;
  s.caption = title;
  s.proposed = proposed;
  s.filter = filter;
  return take(s).text;
}

std::optional<Colour> ScriptedDialogs::choose_colour(Colour initial) {
  DialogShown s;
  s.kind = DialogKind::Colour;
  s.colour = initial;
  return take(s).colour;
}

PrintResult ScriptedDialogs::print_image(const Image& image, std::string_view document_name, std::string_view folder) {
  DialogShown s;
  s.kind = DialogKind::Print;
  s.caption = document_name;
  s.proposed = folder;
  const Queued q = take(s);
  if (!q.confirmed) return {};
  if (!q.error.empty()) return {false, q.error};
  shown_.back().image = image;
  return {true, {}};
}

}  // namespace ui::testing
