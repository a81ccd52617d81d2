// The explanation texts shown in FORM4 before an operation when the user asked for them,
// kept as data so that they can be read and checked in one place, and how FORM4 shows one.
#pragma once

#include <string>
#include <vector>

#include "ui/form.h"

namespace ambcomm {

struct Explanation {
  std::string caption;             // UTF-8
  std::vector<std::string> lines;  // UTF-8; an empty string is an empty line
};

// MESS_1 .. MESS_4 (n = 1..4): receive and show, change, download, memory clear.
const Explanation& explanation(int n);

// Text n in FORM4: its caption, the window's height fitted to its lines, the lines printed
// one below the other (an empty line leaves its space).
void show_explanation(ui::Form& form, int n);

}  // namespace ambcomm
