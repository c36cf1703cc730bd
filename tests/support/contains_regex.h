// A matcher for a program's output: a part of it matches `pattern`, read as
// an extended regular expression in which "." also matches a line end, in
// both builds (GoogleTest's own regular expressions under Windows know no
// groups or alternatives).
#pragma once

#include <gmock/gmock.h>

#include <string>

testing::Matcher<const std::string&> contains_regex(const std::string& pattern);
