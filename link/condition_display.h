// The condition list (STS_DISP): the lines the main form's list shows for the record.
// A pure function so that the window and the command line show the same lines.
#pragma once

#include <string>
#include <vector>

#include "common/conditions_record.h"

namespace ambcomm {

// The twelve lines of the condition list, UTF-8.
std::vector<std::string> condition_list_lines(const common::ConditionsRecord& rec);

}  // namespace ambcomm
