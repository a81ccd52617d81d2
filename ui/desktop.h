// What a desktop program keeps and opens outside its own files: small remembered values
// (recent files, the window's place) in the desktop's settings store, and documents opened
// with the desktop's viewer. Kept apart from the programs' own settings files, which stay as
// users' tools expect them.
#pragma once

#include <string>
#include <string_view>

namespace ui {

class Desktop {
 public:
  virtual ~Desktop() = default;
  // The remembered value of `key`; empty when none is kept.
  virtual std::string setting(std::string_view key) const = 0;
  virtual void set_setting(std::string_view key, std::string_view value) = 0;
  // Opens a local file with the desktop's viewer for its type; false when none takes it.
  virtual bool open_document(const std::string& path) = 0;
};

}  // namespace ui
