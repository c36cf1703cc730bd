// The dump file of an internal-error report (/tmp/qobs_dump_<pid>, under
// Windows in the temporary folder): a test that provokes a report removes the
// file the report names.
#pragma once

#include <gmock/gmock.h>

#include <string>

// The dump file's name as the report on standard error gives it after `lead`;
// empty when the report names none.
std::string dump_file_named_in(const std::string& err, const std::string& lead = "Error information on file ");

// Removes the dump file that the report in `err` names, if it names one.
void remove_dump_named_in(const std::string& err);

// For EXPECT_EXIT: a death test's standard error that contains `regex`; the
// dump file it names is removed on the way.
testing::Matcher<const std::string&> removing_dump(const std::string& regex);
