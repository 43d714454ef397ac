// Peak resident memory of reading a whole list: prints the entry count and ru_maxrss in KiB.
// Run on lists of very different sizes; the peak must follow the longest entry, not the file.
#include <stdio.h>
#include <sys/resource.h>

#include "runtime/list_reader.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: reader_memory <list file>\n");
    return 2;
  }
  const Text path = TextFromZeroTerminated(argv[1]);
  unsigned long entries = 0;
  OpenListFile(path);
  ExitOnIoError();
  for (;;) {
    bool end = EndOfEntries();
    ExitOnIoError();
    if (end) break;
    Text entry = ReadLineText();
    SkipLineEnd();
    ExitOnIoError();
    ++entries;
  }
  CloseListFile();
  ExitOnIoError();
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  printf("%lu entries, peak resident %ld KiB\n", entries, usage.ru_maxrss);
}
