// The text helpers built on the text operations; none changes its argument.
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
// A full path, or one that starts with a slash (Linux's, or Windows' written with slashes): not
// relative to the current folder.
bool IsRootedPath(const Text& path);
// The file an entry names, as the shell would take it from the quoted entry: trimmed, then one
// pair of double quotes taken off where the trimmed entry both starts and ends with one (and is
// at least two characters), then trimmed again:
//   [  "C:\a b.txt"  ] and [" C:\a b.txt "] give [C:\a b.txt]
//   ["abc] and [a"b] stay as they are; [""] gives the empty text
Text EntryPath(const Text& entry);
// EntryPath with a lone double quote at either end taken off too: the file the shell opens for
// ["abc] or [abc"], both quoted as ["abc"].
Text EntryFile(const Text& entry);
// Starts with a URL scheme: a letter, then one or more letters, digits, "+", "-" or ".", then a
// colon (http:, file:, ms-settings:). A drive letter is no scheme.
bool HasUrlScheme(const Text& text);
// FolderPart of a file, but empty where the text names no file in a folder of its own: a URL, a
// shell namespace (::{...}), a UNC path that stops short of \\server\share\name.
Text OwnFolderPart(const Text& file);
// Whether text is name, letters a to z matching A to Z; name is in capitals.
bool SameInAnyCase(const Text& text, const char* name);
// The folder of a path: up to its last backslash or slash, which is dropped unless it is the
// root's own (C:\, \, /); empty when there is neither.
Text FolderPart(const Text& path);
// Trimmed, with a double quote at each end where none stands. Inner quotes are left alone.
// With double_trailing_backslashes, backslashes that end the entry where the closing quote is
// added are doubled, so that a program splitting its command line the C runtime's way reads
// them as backslashes and the quote as a quote: [C:\dir\] gives ["C:\dir\\"].
Text QuoteEntry(const Text& entry, bool double_trailing_backslashes = false);

#endif  // CORVANE_TEXT_HELPERS_H_
