#include "runtime/arguments.h"

#include "platform/platform.h"

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

}  // namespace

Text NextArgument(const char* line, size_t* position, size_t room) {
  size_t p = *position;
  for (;;) {
    while (IsLineBlank(line[p])) ++p;
    if (line[p] != '"' || line[p + 1] != '"') break;
    p += 2;
  }
  Text argument;
  while (line[p] != 0 && !IsLineBlank(line[p]) && argument.Length() < room) {
    if (line[p] == '"') {
      ++p;
      while (line[p] != 0 && line[p] != '"' && argument.Length() < room)
        argument.Append(line[p++]);
      if (line[p] == '"') ++p;
    } else {
      argument.Append(line[p++]);
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
    char path[261];
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
