// The desktop through Qt: QSettings (an INI file under ~/.config) and QDesktopServices.
#pragma once

#include <string>

#include "ui/desktop.h"

namespace ui::qt {

class QtDesktop : public Desktop {
 public:
  // `organisation` and `program` name the settings file (~/.config/ORGANISATION/PROGRAM.conf).
  QtDesktop(std::string organisation, std::string program);
  std::string setting(std::string_view key) const override;
  void set_setting(std::string_view key, std::string_view value) override;
  bool open_document(const std::string& path) override;

 private:
  std::string organisation_;
  std::string program_;
};

}  // namespace ui::qt
