// The keyword table of the option reader: one entry per program keyword,
// all with the same handler, which reads through the program's table.
#include <string>
#include <vector>

#include "ampl/option_parse.h"
#include "ampl/option_table.h"

#include "getstub.h"

namespace ormid {

namespace {

// The option reader is process-wide: one table per process, its handlers
// storing into the options of the run that asked for it.
struct OptionTable {
  ProgramOptions* target = nullptr;
  std::vector<keyword> entries;
  Option_Info info{};

  OptionTable();
};

OptionTable& table() {
  static OptionTable t;
  return t;
}

char* handler(Option_Info* oi, keyword* kw, char* value) {
  oi->option_echo &= ~ASL_OI_echothis;
  const Keyword& k = *static_cast<const Keyword*>(kw->info);
  return readKeywordValue(*table().target, k, value);
}

OptionTable::OptionTable() {
  for (const Keyword& k : programKeywords())
    entries.push_back({const_cast<char*>(k.name), handler, const_cast<Keyword*>(&k),
                       const_cast<char*>(k.description)});
  info.sname = (char*)"ormid";
  info.bsname = (char*)"ORMID";
  info.opname = (char*)"ormid_options";
  info.keywds = entries.data();
  info.n_keywds = (int)entries.size();
  info.flags = ASL_OI_want_funcadd;
  info.version = (char*)"ORMID v2.1";
}

}  // namespace

Option_Info* ormidOptionInfo(ProgramOptions& target) {
  OptionTable& t = table();
  t.target = &target;
  return &t.info;
}

}  // namespace ormid
