// /N on the real binary: one line per entry on standard output, nothing started, and a reader
// that goes away early ends corvane with a code, not a signal.
#include <unistd.h>

#include <string>

#include "harness.h"

namespace {

class PreviewTest : public E2eTest {};

TEST_F(PreviewTest, EachStartIsALineAndNothingStarts) {
  InstallAssociation();
  WriteFile(Work() + "/日本 é☺.ctest", "text\n");  // an empty file has a type of its own
  WriteFile(Work() + "/list.txt", ListOf({"日本 é☺.ctest", "none.other"}));
  struct Case {
    std::vector<std::string> options;
    std::string out;
  };
  const Case cases[] = {
      {{"/X:" + Recorder(), "/B:-b"},
       "program\t" + Recorder() + "\t-b \"日本 é☺.ctest\"\nprogram\t" + Recorder() +
           "\t-b \"none.other\"\n"},
      {{}, "open\t\"日本 é☺.ctest\"\nopen\t\"none.other\"\n"},
      // The lookup is made as for a run; an entry it finds nothing for is opened whole.
      {{"/E:-e"},
       "program\t" + AssociatedProgram() + "\t\"日本 é☺.ctest\" -e\nopen\t\"none.other\" -e\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"/n", "/L:list.txt"});
    Outcome outcome = Run(args);
    EXPECT_EQ(outcome.exit_code, 0);
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.out, c.out);
  }
  EXPECT_EQ(Run({"/N", "/L:missing.txt"}).exit_code, 2);
  EXPECT_EQ(StartCount(), 0u);
}

// corvane /N /L:long.txt | head -1
TEST_F(PreviewTest, AReaderThatLeavesEndsTheRunWithItsCode) {
  std::vector<std::string> lines(200000, "an entry long enough to fill a pipe soon");
  WriteFile(Work() + "/long.txt", ListOf(lines));
  int pipe_ends[2];
  ASSERT_EQ(pipe(pipe_ends), 0);
  pid_t pid = Launch({"/N", "/L:long.txt"}, -1, false, pipe_ends[1]);
  close(pipe_ends[1]);
  std::string first;
  char c;
  while (read(pipe_ends[0], &c, 1) == 1 && c != '\n') first += c;
  close(pipe_ends[0]);
  Outcome outcome = Finish(pid);
  EXPECT_EQ(first, "open\t\"an entry long enough to fill a pipe soon\"");
  EXPECT_EQ(outcome.exit_code, 232);  // EPIPE, as Windows' ERROR_NO_DATA
  EXPECT_EQ(outcome.err, "");
}

}  // namespace
