// The report of a broken invariant; also the end after an error signal.
#pragma once

// module null means that `number` is a signal number.
[[noreturn]] void internal_error(int number, const char* module);
