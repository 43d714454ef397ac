// Which program the shell would open a document with.
#ifndef CORVANE_LAUNCH_ASSOCIATED_PROGRAM_H_
#define CORVANE_LAUNCH_ASSOCIATED_PROGRAM_H_

#include "text/text.h"

// The program's path, or empty when the shell names none. The document is used as given:
// quotes and trailing blanks included; its folder is searched only when it is a full path.
Text LookupAssociatedProgram(const Text& document);

#endif  // CORVANE_LAUNCH_ASSOCIATED_PROGRAM_H_
