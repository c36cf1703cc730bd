// Exchange of values with the application programs: reports, value requests
// and the values that answer them; and the nine file streams of YARL code.
#pragma once

#include <cstdint>

#include "runtime/tables.h"

// Number of windows waiting for application values.
uint32_t get_outstanding_application_values();
// A window's pending request was dropped (its queues were cleared).
void application_request_dropped();

// Sends one value in the encoded report form to process n, then a line feed;
// a STRING is freed.
void report_tek_value(uint8_t process, int kind, value v);

// One <EC>A command. type_letter: r i s R I S. integer: the value of "i", the
// element count of an array. real: the value of "r". data: "s" a heap string;
// arrays a heap block (CheckedMalloc) of `integer` value slots, "I" in .i,
// "R" in .r, "S" .s heap strings. Ownership of data passes here in every case.
void enter_application_value(uint32_t event_code, char type_letter, int32_t integer, float real,
                             void* data);

// Closes the open streams (at shut-down).
void close_all_streams();
