// A desktop for tests: settings in a map, documents noted instead of opened.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "ui/desktop.h"

namespace ui::testing {

class MemoryDesktop : public Desktop {
 public:
  std::string setting(std::string_view key) const override {
    const auto it = values.find(std::string(key));
    return it == values.end() ? std::string() : it->second;
  }
  void set_setting(std::string_view key, std::string_view value) override { values[std::string(key)] = value; }
  bool open_document(const std::string& path) override {
    opened.push_back(path);
    return true;
  }

  std::map<std::string, std::string> values;
  std::vector<std::string> opened;
};

}  // namespace ui::testing
