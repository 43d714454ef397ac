// The program's arguments as the driver sees them: a count and the text of each.
#ifndef CORVANE_RUNTIME_ARGUMENTS_H_
#define CORVANE_RUNTIME_ARGUMENTS_H_

#include <cstddef>

#include "text/text.h"

// Room of the argument buffer: a longer run of characters is cut and the rest scanned as the
// next argument.
const size_t kArgumentRoom = 4096;

// The next argument of a raw command line from *position on; *position is left just after it.
// Blanks separate, a double quote opens and closes a stretch in which Blanks are ordinary, the
// quotes never reach the argument, a backslash escapes nothing. Empty only at the line's end.
// room bounds the argument; the Linux port splits started programs' command texts unbounded,
// as a Windows program would get them whole.
Text NextArgument(const char* line, size_t* position, size_t room = kArgumentRoom);

// How many arguments follow the program name.
int ArgumentCount();
// 0: the program's own file path; 1 to ArgumentCount(): that argument; otherwise empty.
Text ArgumentText(int index);

#endif  // CORVANE_RUNTIME_ARGUMENTS_H_
