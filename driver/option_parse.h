// Parsing and echo of option values, kept apart from the library's headers.
// Each returns where reading goes on, or value itself when the value is bad.
#pragma once

#include <string>

#include "ormid/ormid.h"

char* parseIntOption(const char* keyword, int* target, char* value);
char* parseRealOption(double* target, char* value);
char* parseListOption(char* value);  // disc_h
char* parseEnumOption(const char* keyword, char* value);
char* parseStringOption(std::string* target, char* value);  // up to the next blank
std::string realText(double v);  // all the digits of v

// The word an enumerated keyword's code stands for (null when none).
const char* enumWordOf(const char* keyword, int code);
// The word of a method code, "unknown" when it has none.
const char* methodWord(int method);
// The option variable of an enumerated keyword in o (null for other keywords).
const int* enumValue(const SipOptions& o, const char* keyword);
