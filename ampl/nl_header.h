// The ten text lines that open every .nl file, in either encoding: the
// format letter and the counts the library's reader sizes its arrays by.
#pragma once

#include <cstddef>
#include <string>

namespace ormid {

struct NlHeader {
  bool binary = false, swapped = false;
  long nVar = 0, nCon = 0, nObj = 0, nLcon = 0;
  long nlc = 0, nlo = 0, nlvc = 0, nlvo = 0;
  long nFunc = 0;
  long nzc = 0, nzo = 0;
  long comb = 0, comc = 0, como = 0, comc1 = 0, como1 = 0;
  size_t end = 0;  // the first byte after the header

  long defined() const { return comb + comc + como + comc1 + como1; }
};

// Reads the header of contents into h; returns what is wrong ("" when
// nothing): a letter other than g or b, a line short of its counts, a
// negative count, or counts the file's size cannot hold.
std::string readNlHeader(const std::string& contents, NlHeader& h);

}  // namespace ormid
