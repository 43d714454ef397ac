// A start shown instead of made: what StartInstance would hand the shell, as one line.
#ifndef CORVANE_LAUNCH_PREVIEW_H_
#define CORVANE_LAUNCH_PREVIEW_H_

#include "text/text.h"

// Writes "program", the program text and the command text (program mode), or "open" and the
// command text (direct mode), separated by tabs. A write that fails ends the process with the
// system's code for it.
void PreviewInstance(const Text& program, const Text& command, bool direct);
// Once the last line is written; the same failure end.
void FinishPreview(const char* box_caption);

#endif  // CORVANE_LAUNCH_PREVIEW_H_
