// Which program the shell would open a document with.
#ifndef CORVANE_LAUNCH_ASSOCIATED_PROGRAM_H_
#define CORVANE_LAUNCH_ASSOCIATED_PROGRAM_H_

#include "text/text.h"

// The program's path, or empty when the shell names none. The entry is looked up as the file it
// names (EntryPath: trimmed, its enclosing quotes taken off): in its own folder when that is a
// full path, else in start_folder, where the shell opens it too (empty: the current folder).
Text LookupAssociatedProgram(const Text& entry, const Text& start_folder);

#endif  // CORVANE_LAUNCH_ASSOCIATED_PROGRAM_H_
