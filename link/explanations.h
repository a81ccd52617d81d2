// The explanation texts shown in FORM4 before an operation when the user asked for them.
// Kept apart as pure data so that the texts can be read and checked in one place.
#pragma once

#include <string>
#include <vector>

namespace ambcomm {

struct Explanation {
  std::string caption;             // UTF-8
  std::vector<std::string> lines;  // UTF-8; an empty string is an empty line
};

// MESS_1 .. MESS_4 (n = 1..4): receive and show, change, download, memory clear.
const Explanation& explanation(int n);

}  // namespace ambcomm
