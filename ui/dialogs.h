// The standard dialogs the programs use: message box, input box, file dialogs, colour
// choice and printing. Cancel answers of input and file dialogs are the single character 27.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ui/canvas.h"
#include "ui/colour.h"

namespace ui {

// YesNoDefaultNo: a question about a destructive step, where Enter must not say yes.
enum class Buttons { Ok, OkCancel, YesNo, YesNoDefaultNo };
enum class Icon { None, Stop, Question, Exclamation, Information, Warning };
enum class Answer { Ok, Cancel, Yes, No };

// What an input box or file dialog answers when cancelled.
inline const std::string kCancelAnswer = std::string(1, '\x1b');

// What printing came to: printed; cancelled by the user (error empty); or failed, `error`
// naming the printer or file and the reason (UTF-8).
struct PrintResult {
  bool printed = false;
  std::string error;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  virtual Answer message_box(std::string_view caption, std::string_view text, Buttons buttons,
                             Icon icon) = 0;
  // At most 64 characters are accepted; cancel answers kCancelAnswer.
  virtual std::string input_box(std::string_view title, std::string_view prompt,
                                std::string_view default_text) = 0;
  // A chosen path, or kCancelAnswer. `filter` is in the programs' form "name(pattern);name(pattern)".
  virtual std::string open_file(std::string_view title, std::string_view proposed,
                                std::string_view filter) = 0;
  virtual std::string save_file(std::string_view title, std::string_view proposed,
                                std::string_view filter) = 0;
  // The chosen colour, or nothing when the user cancelled.
  virtual std::optional<Colour> choose_colour(Colour initial) = 0;
  // Shows the print dialog; when confirmed prints `image` on one page. `document_name` names
  // the job and, with ".pdf", the file proposed for printing to a file (so it must be a valid
  // file name); the file is proposed in `folder` where the platform allows.
  virtual PrintResult print_image(const Image& image, std::string_view document_name,
                                  std::string_view folder) = 0;
};

}  // namespace ui
