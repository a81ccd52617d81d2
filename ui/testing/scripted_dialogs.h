// Dialogs for tests: answers are queued in advance, every dialog shown is recorded, and a
// dialog that finds no answer (or one of the wrong kind) fails the test instead of blocking.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ui/dialogs.h"

namespace ui::testing {

enum class DialogKind { Message, Input, Open, Save, Colour, Print };

// One dialog as the program showed it.
struct DialogShown {
  DialogKind kind = DialogKind::Message;
  std::string caption;  // message caption, input/file title, print document name
  std::string text;     // message text or input prompt
  std::string proposed; // input default text or proposed file name; print: the folder
  std::string filter;   // file dialogs, in the programs' form
  Buttons buttons = Buttons::Ok;
  Icon icon = Icon::None;
  Colour colour = 0;    // colour dialog: the initial colour
  Image image;          // print: the image printed (when confirmed)
};

class ScriptedDialogs : public Dialogs {
 public:
  // --- Answers, taken in order by the dialogs that appear.
  void answer(Answer button);                    // a message box
  void answer_input(std::string text);           // an input box (cut to 64 characters as typed)
  void cancel_input();                           // an input box cancelled
  void answer_open(std::string path);            // a file-open dialog
  void answer_save(std::string path);            // a file-save dialog
  void cancel_file();                            // either file dialog cancelled
  void answer_colour(std::optional<Colour> colour);  // nothing: cancelled
  void answer_print(bool confirmed);
  void fail_print(std::string error);  // the print dialog confirmed, the printing failed
  // With auto_ok, a message box with only an OK button is answered OK without a queued answer
  // (it is still recorded); off by default, so that an unexpected message fails the test.
  void set_auto_ok(bool on) { auto_ok_ = on; }

  Answer message_box(std::string_view caption, std::string_view text, Buttons buttons,
                     Icon icon) override;
  std::string input_box(std::string_view title, std::string_view prompt,
                        std::string_view default_text) override;
  std::string open_file(std::string_view title, std::string_view proposed,
                        std::string_view filter) override;
  std::string save_file(std::string_view title, std::string_view proposed,
                        std::string_view filter) override;
  std::optional<Colour> choose_colour(Colour initial) override;
  PrintResult print_image(const Image& image, std::string_view document_name, std::string_view folder) override;

  // Every dialog shown, in order.
  const std::vector<DialogShown>& shown() const { return shown_; }
  const DialogShown& last() const;
  // Answers queued and not yet taken.
  std::size_t pending() const { return queue_.size(); }
  // Mismatches seen (also thrown as ScriptFailure when they happen), for a test to check when
  // the program might have caught the exception.
  const std::vector<std::string>& failures() const { return failures_; }

 private:
  struct Queued {
    DialogKind kind;
    Answer button = Answer::Ok;
    std::string text;
    std::optional<Colour> colour;
    bool confirmed = false;
    bool file_any = false;  // cancel_file: fits open and save
    std::string error;      // fail_print
  };
  Queued take(const DialogShown& shown);
  [[noreturn]] void failure(const std::string& what);

  std::deque<Queued> queue_;
  std::vector<DialogShown> shown_;
  std::vector<std::string> failures_;
  bool auto_ok_ = false;
};

const char* to_string(DialogKind kind);

}  // namespace ui::testing
