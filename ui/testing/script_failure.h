// The one error the test doubles raise when a test's script does not match what the program
// does (a dialog nobody answers, a click on a disabled button, a wait after the script ran dry).
#pragma once

#include <stdexcept>
#include <string>

namespace ui::testing {

// Derived from std::logic_error, not std::runtime_error, so that a program-wide handler that
// catches run-time errors does not swallow it; a handler that catches everything must rethrow it.
class ScriptFailure : public std::logic_error {
 public:
  explicit ScriptFailure(const std::string& what) : std::logic_error(what) {}
};

}  // namespace ui::testing
