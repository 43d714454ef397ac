// The three text helpers built on the text operations; none changes its argument.
#ifndef CORVANE_TEXT_HELPERS_H_
#define CORVANE_TEXT_HELPERS_H_

#include "text/text.h"

// Without leading and trailing Blanks; empty when nothing else is left.
Text TrimBlanks(const Text& text);
// Up to and including the last backslash or colon; the forward slash does not separate.
Text DirectoryPart(const Text& path);
// Starts with a drive letter and a colon, or with a backslash: not relative to the current
// folder (a drive's own current folder aside).
bool IsFullPath(const Text& path);
// Whether text is name, letters a to z matching A to Z; name is in capitals.
bool SameInAnyCase(const Text& text, const char* name);
// The path an entry names: trimmed, with one pair of enclosing double quotes taken off.
Text EntryPath(const Text& entry);
// The folder of a path: up to its last backslash or slash, which is dropped unless it is the
// root's own (C:\, \, /); empty when there is neither.
Text FolderPart(const Text& path);
// Trimmed, with a double quote at each end where none stands. Inner quotes are left alone.
Text QuoteEntry(const Text& entry);

#endif  // CORVANE_TEXT_HELPERS_H_
