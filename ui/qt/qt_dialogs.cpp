// Qt dialogs. Each runs modally in its own loop and answers as the programs expect: the
// pressed button, or the single character 27 for a cancelled input or file dialog.
#include "ui/qt/qt_dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QFile>
#include <QPushButton>

#include "ui/qt/qt_canvas.h"

namespace ui::qt {

namespace {

constexpr int kInputLimit = 64;

QString qstr(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string trimmed(std::string_view s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(' ');
  return std::string(s.substr(first, last - first + 1));
}

// Dialogs belong to the window the user works in, so they open over it.
QWidget* owner() { return QApplication::activeWindow(); }

QMessageBox::Icon qt_icon(Icon icon) {
  switch (icon) {
    case Icon::Stop: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    case Icon::Exclamation:
    case Icon::Warning: return QMessageBox::Warning;
    case Icon::Information: return QMessageBox::Information;
    case Icon::None: break;
  }
  return QMessageBox::NoIcon;
}

std::string file_dialog(std::string_view title, std::string_view proposed, std::string_view filter, bool save) {
  QFileDialog dialog(owner(), qstr(title), QDir::currentPath(), QString::fromStdString(qt_file_filter(filter)));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  // The programs ask about overwriting themselves, with their own texts.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  if (!proposed.empty()) dialog.selectFile(qstr(proposed));
  dialog.resize(760, 480);  // room for the name, size and date columns
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return kCancelAnswer;
  return dialog.selectedFiles().front().toStdString();
}

}  // namespace

std::string qt_file_filter(std::string_view filter) {
  std::string out;
  std::size_t i = 0;
  while (i < filter.size()) {
    const auto open = filter.find('(', i);
    const auto semicolon = filter.find(';', i);
    std::string name;
    std::string pattern;
    bool bare = false;
    if (open == std::string_view::npos || (semicolon != std::string_view::npos && semicolon < open)) {
      // An entry without a pattern offers every file under its name.
      const auto end = semicolon == std::string_view::npos ? filter.size() : semicolon;
      name = trimmed(filter.substr(i, end - i));
      bare = true;
      i = end + 1;
    } else {
      name = trimmed(filter.substr(i, open - i));
      auto close = filter.find(')', open);
      if (close == std::string_view::npos) close = filter.size();
      for (char c : filter.substr(open + 1, close - open - 1)) pattern += (c == ';' ? ' ' : c);
      i = close + 1;
      if (i < filter.size() && filter[i] == ';') ++i;
    }
    pattern = trimmed(pattern);
    if (pattern.empty()) pattern = "*";
    if (bare && name.empty()) continue;  // blanks between separators
    if (!out.empty()) out += ";;";
    out += name + " (" + pattern + ")";
  }
  return out;
}

std::unique_ptr<QInputDialog> make_input_dialog(std::string_view title, std::string_view prompt,
                                                std::string_view default_text) {
  auto dialog = std::make_unique<QInputDialog>(owner());
  dialog->setInputMode(QInputDialog::TextInput);
  dialog->setWindowTitle(qstr(title));
  dialog->setLabelText(qstr(prompt));
  dialog->setOkButtonText(QStringLiteral("OK"));
  dialog->setCancelButtonText(QString::fromUtf8("キャンセル"));
  // The line edit exists once the mode is set; the limit also cuts a longer default text.
  if (auto* edit = dialog->findChild<QLineEdit*>()) edit->setMaxLength(kInputLimit);
  dialog->setTextValue(qstr(default_text).left(kInputLimit));
  dialog->setMinimumWidth(360);  // room for a full line of input
  return dialog;
}

bool print_one_page(QPagedPaintDevice& device, const QImage& image) {
  QPainter painter;
  if (!painter.begin(&device)) return false;
  const QRect area = painter.viewport();
  const QSize size = image.size().scaled(area.size(), Qt::KeepAspectRatio);
  painter.setWindow(area);
  painter.drawImage(QRect(area.x() + (area.width() - size.width()) / 2, area.y(), size.width(), size.height()), image);
  return painter.end();
}

Answer QtDialogs::message_box(std::string_view caption, std::string_view text, Buttons buttons, Icon icon) {
  QString body = qstr(text);
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QChar('\r'), QChar('\n'));
  QMessageBox box(qt_icon(icon), qstr(caption), body, QMessageBox::NoButton, owner());
  QPushButton* first = nullptr;
  QPushButton* second = nullptr;
  switch (buttons) {
    case Buttons::Ok:
      first = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
      box.setEscapeButton(first);
      break;
    case Buttons::OkCancel:
      first = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
      second = box.addButton(QString::fromUtf8("キャンセル"), QMessageBox::RejectRole);
      box.setEscapeButton(second);
      break;
    case Buttons::YesNo:
    case Buttons::YesNoDefaultNo:
      first = box.addButton(QString::fromUtf8("はい(&Y)"), QMessageBox::YesRole);
      second = box.addButton(QString::fromUtf8("いいえ(&N)"), QMessageBox::NoRole);
      box.setEscapeButton(second);
      break;
  }
  box.setDefaultButton(buttons == Buttons::YesNoDefaultNo ? second : first);
  box.exec();
  const bool chose_first = box.clickedButton() == first;
  switch (buttons) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::OkCancel: return chose_first ? Answer::Ok : Answer::Cancel;
    case Buttons::YesNo:
    case Buttons::YesNoDefaultNo: return chose_first ? Answer::Yes : Answer::No;
  }
  return Answer::Cancel;
}

std::string QtDialogs::input_box(std::string_view title, std::string_view prompt, std::string_view default_text) {
  auto dialog = make_input_dialog(title, prompt, default_text);
  if (dialog->exec() != QDialog::Accepted) return kCancelAnswer;
  return dialog->textValue().left(kInputLimit).toStdString();
}

std::string QtDialogs::open_file(std::string_view title, std::string_view proposed, std::string_view filter) {
  return file_dialog(title, proposed, filter, false);
}

std::string QtDialogs::save_file(std::string_view title, std::string_view proposed, std::string_view filter) {
  return file_dialog(title, proposed, filter, true);
}

std::optional<Colour> QtDialogs::choose_colour(Colour initial) {
  const QColor chosen = QColorDialog::getColor(to_qcolor(initial), owner());
  if (!chosen.isValid()) return std::nullopt;
  return rgb(chosen.red(), chosen.green(), chosen.blue());
}

PrintResult QtDialogs::print_image(const Image& image, std::string_view document_name, std::string_view folder) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(qstr(document_name));
  const QString pdf = qEnvironmentVariable("MOVILOG_PRINT_TO_PDF");
  if (!pdf.isEmpty()) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
  } else {
    // Qt proposes the PDF file in the current folder only below the home folder, and in the
    // home folder otherwise; without a printer, printing to a file is the only choice, so the
    // file is proposed where the recording is.
    if (!folder.empty() && QPrinterInfo::availablePrinterNames().isEmpty())
      printer.setOutputFileName(QDir(qstr(folder)).filePath(qstr(document_name) + QStringLiteral(".pdf")));
    QPrintDialog dialog(&printer, owner());
    if (dialog.exec() != QDialog::Accepted) return {};
  }
  if (print_one_page(printer, to_qimage(image))) return {true, {}};
  // Why the page did not go out, in the words of the file system where there is a file.
  if (printer.outputFormat() == QPrinter::PdfFormat) {
    QFile file(printer.outputFileName());
    QString reason = QString::fromUtf8("書き込めません");
    if (!file.open(QIODevice::Append)) reason = file.errorString();
    return {false, (printer.outputFileName() + QStringLiteral(": ") + reason).toStdString()};
  }
  return {false, (QString::fromUtf8("プリンター ") + printer.printerName() + QString::fromUtf8(" に送れません")).toStdString()};
}

}  // namespace ui::qt
