// A start shown instead of made: what StartInstance would hand the shell, as one line.
#ifndef CORVANE_LAUNCH_PREVIEW_H_
#define CORVANE_LAUNCH_PREVIEW_H_

#include <cstdint>

#include "text/text.h"

// Writes "program", the program text and the command text (program mode), or "open" and the
// command text (direct mode), separated by tabs. A write that fails ends the process with the
// system's code for it.
void PreviewInstance(const Text& program, const Text& command, bool direct);
// Once the last line is written; the same failure end. A list_error other than 0 is why the
// list ended early: a message box gets a last line that names it, and the process is left for
// the caller to end with that code, whatever became of the output.
void FinishPreview(const char* box_caption, uint32_t list_error = 0);

#endif  // CORVANE_LAUNCH_PREVIEW_H_
