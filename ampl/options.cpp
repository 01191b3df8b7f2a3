// Reading keyword values from the command line or $ormid_options.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ampl/option_parse.h"
#include "ampl/program_options.h"
#include "core/real_list.h"

namespace ormid {

namespace {

char* tokenEnd(char* value) {
  char* end = value;
  while (*end && !isspace((unsigned char)*end)) ++end;
  return end;
}

bool set(ProgramOptions& o, const Keyword& k, const std::string& text) {
  return setProgramOption(o, k.name, text);
}

char* readInteger(ProgramOptions& o, const Keyword& k, char* value) {
  char* end;
  long v = strtol(value, &end, 10);
  if (end == value || !set(o, k, std::string(value, end))) return value;
  printf("%s=%d\n", k.name, (int)v);
  return end;
}

char* readReal(ProgramOptions& o, const Keyword& k, char* value) {
  char* end;
  strtod(value, &end);
  if (end == value || !set(o, k, std::string(value, end))) return value;
  return end;
}

// A trailing comma ends the list with a message; the keyword table refuses
// a list that is too long.
char* readList(ProgramOptions& o, const Keyword& k, char* value) {
  bool danglingComma;
  const size_t length = realListLength(value, &danglingComma);
  if (length == 0) return value;
  if (danglingComma) printf("Expecting double value and obtained nothing\n");
  char* end = value + length + (danglingComma ? 1 : 0);
  return set(o, k, std::string(value, length)) ? end : value;
}

// Words match by prefix, in the table's order.
char* readWord(ProgramOptions& o, const Keyword& k, char* value) {
  char* end = tokenEnd(value);
  if (end == value) return value;
  for (const KeywordWord& w : k.words) {
    if (strncmp(value, w.word, strlen(w.word)) != 0) continue;
    if (!set(o, k, w.word)) return value;
    printf("%s\n", w.description);
    return end;
  }
  return value;
}

char* readText(ProgramOptions& o, const Keyword& k, char* value) {
  char* end = tokenEnd(value);
  if (end == value || !set(o, k, std::string(value, end))) return value;
  return end;
}

}  // namespace

char* readKeywordValue(ProgramOptions& o, const Keyword& k, char* value) {
  switch (k.kind) {
    case KeywordKind::Integer:
    case KeywordKind::Switch: return readInteger(o, k, value);
    case KeywordKind::Real: return readReal(o, k, value);
    case KeywordKind::List: return readList(o, k, value);
    case KeywordKind::Word: return readWord(o, k, value);
    case KeywordKind::Text: return readText(o, k, value);
  }
  return value;
}

}  // namespace ormid
