#include "launch/associated_program.h"

#include "platform/platform.h"
#include "text/helpers.h"

Text LookupAssociatedProgram(const Text& document) {
  // Cleared so that a success that writes nothing gives the empty text.
  char result[platform::kPathRoom] = {0};
  // A relative entry's own folder part would be searched for relative to itself: it is looked
  // for in the current folder, where the shell opens it too.
  Text directory = IsFullPath(document) ? DirectoryPart(document) : Text();
  uintptr_t code = platform::FindAssociatedExecutable(ZeroTerminatedOf(document),
                                                      ZeroTerminatedOf(directory), result);
  if (code <= 32) return Text();
  result[sizeof result - 1] = 0;  // a platform that filled the room still ends here
  return TextFromZeroTerminated(result);
}
