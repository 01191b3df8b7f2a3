// A structural check of a .nl file before the library's reader sees it. The
// reader trusts the header's counts (it allocates and clears arrays of those
// sizes) and most indices inside the segments (a function number, a variable
// of a Jacobian entry, an operator's argument count): a corrupted file can
// make it write out of bounds. The check reads the whole file in either
// encoding, text ('g') or binary ('b'), and names the first fault.
#pragma once

#include <string>

namespace ormid {

// What is wrong with the file's structure, with its line or byte ("" when
// the reader can be given it).
std::string nlFault(const std::string& contents);

// The file the library opens for stub: stub.nl, or stub itself when it ends
// in .nl; "" when neither can be opened.
std::string nlPath(const std::string& stub);

}  // namespace ormid
