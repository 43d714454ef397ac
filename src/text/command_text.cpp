#include "text/command_text.h"

#include <cstdint>

#include "text/utf8.h"

namespace {

bool IsLineBlank(char c) {
  unsigned char code = static_cast<unsigned char>(c);
  return code != 0 && IsBlank(code);
}

// Appends the character at line[*p] when it fits in room; false, with nothing taken, when not.
// A character is never cut: the bound counts bytes, and a UTF-8 sequence goes whole.
bool TakeCharacter(const char* line, size_t* p, Text* argument, size_t room) {
  bool valid;
  const size_t length = Utf8Step(line + *p, SIZE_MAX, &valid);
  if (length > room - argument->Length()) return false;
  argument->Append(line + *p, length);
  *p += length;
  return true;
}

}  // namespace

Text NextArgument(const char* line, size_t* position, size_t room) {
  size_t p = *position;
  for (;;) {
    while (IsLineBlank(line[p])) ++p;
    if (line[p] != '"' || line[p + 1] != '"') break;
    p += 2;
  }
  Text argument;
  bool fits = true;
  while (fits && line[p] != 0 && !IsLineBlank(line[p]) && argument.Length() < room) {
    if (line[p] == '"') {
      ++p;
      while (fits && line[p] != 0 && line[p] != '"')
        fits = TakeCharacter(line, &p, &argument, room);
      if (fits && line[p] == '"') ++p;
    } else {
      fits = TakeCharacter(line, &p, &argument, room);
    }
  }
  *position = p;
  return argument;
}
