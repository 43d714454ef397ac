// /N with standard output redirected to a file: one line per entry, as UTF-8 with CR LF, the
// texts the shell would get, and nothing started.
#include "e2e.h"

namespace e2e {
namespace {

TEST_F(E2eTest, PreviewToAFileStartsNothing) {
  WriteFile("日本 é☺.cvtest", "");
  WriteFile("c.cvnone", "");
  WriteFile("list.txt", "\xFF\xFE" + Utf16Le("日本 é☺.cvtest\r\nc.cvnone\r\n"));
  struct Case {
    std::string options, lines;
  };
  const Case cases[] = {
      {"/X:" + Probe() + " /B:-b",
       "program\t" + Probe() + "\t-b \"日本 é☺.cvtest\"\r\nprogram\t" + Probe() +
           "\t-b \"c.cvnone\"\r\n"},
      {"", "open\t\"日本 é☺.cvtest\"\r\nopen\t\"c.cvnone\"\r\n"},
      // Looked up as a run would; no program for .cvnone, so its whole text would be opened.
      {"/E:-e", "program\t" + Probe() + "\t\"日本 é☺.cvtest\" -e\r\nopen\t\"c.cvnone\" -e\r\n"},
  };
  for (const Case& c : cases) {
    CorvaneRun run = RunCorvane(c.options + " /N /L:list.txt", 60000, "preview.txt");
    EXPECT_EQ(0u, run.exit_code) << c.options;
    EXPECT_EQ(c.lines, FileBytes("preview.txt")) << c.options;
  }
  EXPECT_EQ(2u, RunCorvane("/N /L:missing.txt", 60000, "preview.txt").exit_code);
  EXPECT_EQ("", FileBytes("preview.txt"));
  EXPECT_TRUE(Starts().empty());
}

}  // namespace
}  // namespace e2e
