#include "launch/associated_program.h"

#include "platform/platform.h"
#include "text/helpers.h"

Text LookupAssociatedProgram(const Text& entry, const Text& start_folder) {
  // Cleared so that a success that writes nothing gives the empty text.
  char result[platform::kPathRoom] = {0};
  // The file the shell would open for the quoted entry: an extension that ends in a quote, or a
  // quote before the drive letter, would name no file.
  const Text document = EntryPath(entry);
  // A relative entry's own folder part would be searched for relative to itself: it is looked
  // for where the shell opens it.
  const Text directory = IsFullPath(document) ? DirectoryPart(document) : start_folder;
  uintptr_t code = platform::FindAssociatedExecutable(ZeroTerminatedOf(document),
                                                      ZeroTerminatedOf(directory), result);
  if (code <= 32) return Text();
  result[sizeof result - 1] = 0;  // a platform that filled the room still ends here
  return TextFromZeroTerminated(result);
}
