// Reads the list file forward, entry by entry, as UTF-8 text whatever the list's encoding. A
// failure of the file never stops the reader: it is recorded in PendingIoError, and the
// caller's ExitOnIoError acts on it.
#ifndef CORVANE_RUNTIME_LIST_READER_H_
#define CORVANE_RUNTIME_LIST_READER_H_

#include <cstdint>

#include "runtime/list_encoding.h"
#include "text/text.h"

// The code of the most recent failed list-file operation; 0 when none has failed.
extern uint32_t PendingIoError;

// Bytes asked for by each read.
const uint32_t kListReadRoom = 128;

// A byte-order mark at the very start decides the encoding when none is forced, and is skipped
// when it is the forced encoding's own.
void OpenListFile(const Text& path, const ListEncoding& encoding = ListEncoding());
// Skips the Blanks before the next entry; true when none follows (or a read failed).
bool EndOfEntries();
// The rest of the current line, up to its CR: after a false EndOfEntries, the entry. It goes
// into a text the caller keeps from entry to entry, so that its memory is reused.
void ReadLineText(Text* entry);
// Moves past the CR and one LF directly after it.
void SkipLineEnd();
// The line the reader stands in, counted from 1: every CR, alone or with its LF, ends a line.
// After a false EndOfEntries, the line of the entry to come.
unsigned long long ListLineNumber();
// Whether the open list is the file at path, however either is named.
bool ListFileIs(const Text& path);
void CloseListFile();
// Ends the process silently with PendingIoError as exit code, when it is not 0. Called after
// every step of the reader, so the test is inline.
[[noreturn]] void EndOnIoError();
inline void ExitOnIoError() {
  if (PendingIoError != 0) EndOnIoError();
}

#endif  // CORVANE_RUNTIME_LIST_READER_H_
