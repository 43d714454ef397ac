// Peak resident memory of reading a whole list: prints the entry count and ru_maxrss in KiB.
// Run on lists of very different sizes; the peak must follow the longest entry, not the file.
#include <stdio.h>
#include <sys/resource.h>

#include "read_entries.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: reader_memory <list file>\n");
    return 2;
  }
  const Text path = TextFromZeroTerminated(argv[1]);
  unsigned long entries = 0;
  ReadEntries(path, [&](const Text&) { ++entries; });
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  printf("%lu entries, peak resident %ld KiB\n", entries, usage.ru_maxrss);
}
