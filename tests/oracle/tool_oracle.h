// Checks whose oracle is a tool of the build machine (tiffinfo, glxinfo,
// python3...). Natively the tool runs at once; under wine the case leaves the
// command and the output it expects in its program's oracle folder, and a
// native test (tool_oracle_check.sh) runs the tool there after the program.
#pragma once

#include <string>
#include <vector>

namespace tool_oracle {

// The path of `name` in the folder where the tools run: the files a case
// hands to a tool. Natively a scratch folder of the run.
std::string file(const std::string& name);

// Expects the standard output of `command` (sh, run in that folder, the
// files named as given to `file`) to be `expected`, trailing newlines aside.
// `check` names the check; unique in its program.
void expect_output(const std::string& check, const std::string& command, const std::string& expected);

// Expects the numbers `command` prints, in order and no more, to be
// `values`, each within `absolute` + `relative` times its size.
void expect_numbers(const std::string& check, const std::string& command, const std::vector<double>& values,
                    double absolute, double relative = 0);

}  // namespace tool_oracle
