// %NAME% in a text, the way Windows expands it, for systems that have no such call.
#ifndef CORVANE_TEXT_VARIABLES_H_
#define CORVANE_TEXT_VARIABLES_H_

#include "text/text.h"

// Each %NAME% whose variable is set becomes its value; a name that is not set, the empty name of
// %%, and a lone % stay as written. After a name that is not set, its closing % may open the
// next name: %A%B% gives %A and B's value when only B is set. value_of gives null for a name
// that is not set. False, with the expansion stopped, once it grows past most_bytes.
bool ExpandPercentNames(const Text& text, const char* (*value_of)(const char* name),
                        size_t most_bytes, Text* expanded);

#endif  // CORVANE_TEXT_VARIABLES_H_
