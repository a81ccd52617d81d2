// The standard dialogs on Qt: message box, input box (at most 64 characters), file dialogs,
// colour choice and printing one page. Printing can be sent to a PDF file without any dialog
// by setting MOVILOG_PRINT_TO_PDF=path (for machines without a printer, and for tests).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "ui/dialogs.h"

class QInputDialog;
class QImage;
class QPagedPaintDevice;

namespace ui::qt {

// The programs' filter "ﾃﾞｰﾀｰ(*);すべてのファイル(*.*)" as Qt's "ﾃﾞｰﾀｰ (*);;すべてのファイル (*.*)".
// Patterns inside one pair of parentheses may be separated by ";" ("(*.ac0;*.ac1)"); an empty
// pattern "()" means every file.
std::string qt_file_filter(std::string_view programs_filter);

// The input box, made but not shown (its line edit holds at most 64 characters).
std::unique_ptr<QInputDialog> make_input_dialog(std::string_view title, std::string_view prompt,
                                                std::string_view default_text);

// Paints `image` on one page of `device`, scaled to fit the printable area with its aspect
// kept, at the top of the page and centred across it. False when painting fails.
bool print_one_page(QPagedPaintDevice& device, const QImage& image);

class QtDialogs : public Dialogs {
 public:
  Answer message_box(std::string_view caption, std::string_view text, Buttons buttons, Icon icon) override;
  std::string input_box(std::string_view title, std::string_view prompt, std::string_view default_text) override;
  std::string open_file(std::string_view title, std::string_view proposed, std::string_view filter) override;
  std::string save_file(std::string_view title, std::string_view proposed, std::string_view filter) override;
  std::optional<Colour> choose_colour(Colour initial) override;
  PrintResult print_image(const Image& image, std::string_view document_name, std::string_view folder) override;
};

}  // namespace ui::qt
