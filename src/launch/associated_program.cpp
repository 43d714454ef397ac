#include "launch/associated_program.h"

#include "platform/platform.h"
#include "text/helpers.h"

Text LookupAssociatedProgram(const Text& document) {
  // MAX_PATH and its zero; cleared so that a success that writes nothing gives the empty text.
  char result[261] = {0};
  Text directory = DirectoryPart(document);
  uintptr_t code = platform::FindAssociatedExecutable(ZeroTerminatedOf(document),
                                                      ZeroTerminatedOf(directory), result);
  if (code <= 32) return Text();
  result[sizeof result - 1] = 0;  // a platform that filled the room still ends here
  return TextFromZeroTerminated(result);
}
