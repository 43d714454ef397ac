#include "runtime/arguments.h"

#include <cstdint>

#include "platform/platform.h"
#include "text/utf8.h"

namespace {

bool IsLineBlank(char c) {
  unsigned char code = static_cast<unsigned char>(c);
  return code != 0 && IsBlank(code);
}

// The platform's own split (Linux argv): an empty element is no argument, the same as an
// empty pair of quotes on Windows.
int SplitCount() {
  int count = 0;
  for (int i = 1; i <= platform::SplitArgumentCount(); ++i)
    if (*platform::SplitArgument(i)) ++count;
  return count;
}

Text SplitText(int index) {
  for (int i = 1; i <= platform::SplitArgumentCount(); ++i) {
    const char* argument = platform::SplitArgument(i);
    if (*argument && --index == 0) return TextFromZeroTerminated(argument);
  }
  return Text();
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

int ArgumentCount() {
  const char* line = platform::RawCommandLine();
  if (!line) return SplitCount();
  size_t p = 0;
  NextArgument(line, &p);
  int count = 0;
  while (!NextArgument(line, &p).Empty()) ++count;
  return count;
}

Text ArgumentText(int index) {
  if (index == 0) {
    char path[platform::kPathRoom];
    uint32_t length = platform::ModuleFileName(path, sizeof path);
    return Text(path, length < sizeof path ? length : sizeof path);
  }
  if (index < 0) return Text();
  const char* line = platform::RawCommandLine();
  if (!line) return SplitText(index);
  size_t p = 0;
  for (;;) {
    Text argument = NextArgument(line, &p);
    if (index == 0 || argument.Empty()) return argument;
    --index;
  }
}
