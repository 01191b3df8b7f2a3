// Parsing and echo of option values, kept apart from the library's headers.
// Each returns where reading goes on, or value itself when the value is bad.
#pragma once

char* parseIntOption(const char* keyword, int* target, char* value);
char* parseRealOption(double* target, char* value);
char* parseListOption(char* value);  // disc_h
char* parseEnumOption(const char* keyword, char* value);
