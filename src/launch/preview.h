// A start told rather than made, or told after it was made: what StartInstance hands the shell,
// as tab-separated fields of one line.
#ifndef CORVANE_LAUNCH_PREVIEW_H_
#define CORVANE_LAUNCH_PREVIEW_H_

#include <cstdint>

#include "launch/start_instance.h"
#include "text/text.h"

// "program", the program text and the command text (program mode), or "open" and the command
// text (direct mode); then, where the settings ask for it, the verb and the folder.
void AppendRequestFields(Text* line, const StartRequest& request, const StartSettings& settings);

// Writes the request's fields as one line of the preview. A write that fails ends the process
// with the system's code for it.
void PreviewInstance(const StartRequest& request, const StartSettings& settings);
// Once the last line is written; the same failure end. A list_error other than 0 is why the
// list ended early: a message box gets a last line that names it, and the process is left for
// the caller to end with that code, whatever became of the output.
void FinishPreview(const char* box_caption, uint32_t list_error = 0);

#endif  // CORVANE_LAUNCH_PREVIEW_H_
