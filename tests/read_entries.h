// The list run's own calling order of the reader, minus the starts, for the tests, fuzzers and
// benchmarks that drive the reader alone.
#ifndef CORVANE_TESTS_READ_ENTRIES_H_
#define CORVANE_TESTS_READ_ENTRIES_H_

#include "runtime/list_reader.h"

// Hands every entry to use, at the point where the list run would start it.
template <typename Use>
void ReadEntries(const Text& path, Use use, const ListEncoding& encoding = ListEncoding()) {
  OpenListFile(path, encoding);
  ExitOnIoError();
  Text entry;
  for (;;) {
    bool end = EndOfEntries();
    ExitOnIoError();
    if (end) break;
    ReadLineText(&entry);
    SkipLineEnd();
    ExitOnIoError();
    use(entry);
  }
  CloseListFile();
  ExitOnIoError();
}

#endif  // CORVANE_TESTS_READ_ENTRIES_H_
