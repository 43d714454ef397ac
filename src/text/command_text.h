// How a command text splits into arguments: the rule corvane reads its own command line by, and
// the one the Linux port splits started programs' parameters by.
#ifndef CORVANE_TEXT_COMMAND_TEXT_H_
#define CORVANE_TEXT_COMMAND_TEXT_H_

#include <cstddef>

#include "text/text.h"

// The next argument of a raw command line from *position on; *position is left just after it.
// Blanks separate, a double quote opens and closes a stretch in which Blanks are ordinary, the
// quotes never reach the argument, a backslash escapes nothing. Empty only at the line's end.
// An argument holds at most room bytes; a longer run of characters is cut and the rest scanned
// as the next argument.
Text NextArgument(const char* line, size_t* position, size_t room);

#endif  // CORVANE_TEXT_COMMAND_TEXT_H_
