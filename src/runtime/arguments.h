// The program's arguments as the driver sees them: a count and the text of each.
#ifndef CORVANE_RUNTIME_ARGUMENTS_H_
#define CORVANE_RUNTIME_ARGUMENTS_H_

#include <cstddef>

#include "text/text.h"

// Room of the argument buffer: a longer run of characters is cut and the rest scanned as the
// next argument.
const size_t kArgumentRoom = 4096;

// How many arguments follow the program name.
int ArgumentCount();
// 0: the program's own file path; 1 to ArgumentCount(): that argument; otherwise empty.
Text ArgumentText(int index);

#endif  // CORVANE_RUNTIME_ARGUMENTS_H_
