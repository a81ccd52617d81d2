// Whether two paths name one file, for the rule that no program writes over its own input: the
// same name however spelt ("./a", "dir/../a"), or the same file under another name (a hard or
// symbolic link, another spelling of its folder).
#pragma once

#include <string>
#include <vector>

namespace common {

bool same_file(const std::string& a, const std::string& b);

// The first of `inputs` that `output` names, or "" when it names none of them.
std::string input_named_by(const std::string& output, const std::vector<std::string>& inputs);

}  // namespace common
