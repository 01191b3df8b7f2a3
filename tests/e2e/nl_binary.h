// The binary ('b') form of a text .nl file, as AMPL writes it: the same ten
// header lines (with b for g), then each item's letter as one byte and its
// integers, reals and strings in native 4-byte, 8-byte and length-prefixed
// form. The tests read the bundled examples in both encodings.
#pragma once

#include <string>

// Throws std::runtime_error on text it does not understand.
std::string binaryNl(const std::string& text);
