#include "runtime/arguments.h"

#include <cstdint>

#include "platform/platform.h"
#include "text/command_text.h"

namespace {

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

int ArgumentCount() {
  const char* line = platform::RawCommandLine();
  if (!line) return SplitCount();
  size_t p = 0;
  NextArgument(line, &p, kArgumentRoom);
  int count = 0;
  while (!NextArgument(line, &p, kArgumentRoom).Empty()) ++count;
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
    Text argument = NextArgument(line, &p, kArgumentRoom);
    if (index == 0 || argument.Empty()) return argument;
    --index;
  }
}
