// The single-argument form and the command lines that end in the usage box, on the real shell.
#include "e2e.h"

namespace e2e {
namespace {

struct OpenRow {
  const char* label;
  const char* arguments;  // corvane's whole argument text
  const char* document;   // the file the shell is expected to open
};

class SingleArgument : public E2eTest, public testing::WithParamInterface<OpenRow> {};

// The argument is handed to the shell as the thing to open; the shell's association for
// .cvtest starts the probe with the document's full path. The show state is the default one:
// a program started hidden could be neither seen nor closed.
TEST_P(SingleArgument, OpensTheDocumentThroughTheShellShownByDefault) {
  const OpenRow& row = GetParam();
  WriteFile(row.document, "");
  CorvaneRun run = RunCorvane(row.arguments);
  EXPECT_EQ(0u, run.exit_code);
  std::vector<ProbeStart> starts = Starts(1);
  ASSERT_EQ(1u, starts.size());
  EXPECT_EQ(Probe(), starts[0].module);
  EXPECT_TRUE(SameCommandLine(starts[0].command_line,
                              ShellCommandLine(Probe(), "\"" + Path(row.document) + "\"")));
  EXPECT_EQ(SW_SHOWDEFAULT, starts[0].show);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SingleArgument,
    testing::Values(OpenRow{"plain", "report.cvtest", "report.cvtest"},
                    OpenRow{"quoted_with_blank", "\"my report.cvtest\"", "my report.cvtest"},
                    OpenRow{"blanks_trimmed", "\"  padded.cvtest \"", "padded.cvtest"},
                    OpenRow{"blanks_and_tabs_around", " \t report.cvtest\t ", "report.cvtest"},
                    OpenRow{"outside_the_ansi_code_page", "\"日本 é☺.cvtest\"", "日本 é☺.cvtest"}),
    [](const testing::TestParamInfo<OpenRow>& info) { return std::string(info.param.label); });

TEST_F(E2eTest, SingleArgumentNamingAProgramStartsIt) {
  CorvaneRun run = RunCorvane(Probe());
  EXPECT_EQ(0u, run.exit_code);
  std::vector<ProbeStart> starts = Starts(1);
  ASSERT_EQ(1u, starts.size());
  EXPECT_TRUE(SameCommandLine(starts[0].command_line, "\"" + Probe() + "\""));
  EXPECT_EQ(SW_SHOWDEFAULT, starts[0].show);
}

// corvane returns only once the started program is ready for input; the probe takes 1 s.
TEST_F(E2eTest, SingleArgumentWaitsUntilTheProgramIsIdle) {
  WriteFile("report.cvtest", "");
  SetIdleDelay(1000);
  CorvaneRun run = RunCorvane("report.cvtest");
  EXPECT_EQ(0u, run.exit_code);
  std::vector<ProbeStart> starts = Starts(1, true);
  ASSERT_EQ(1u, starts.size());
  EXPECT_GE(run.ElapsedMs(), 700);
  EXPECT_GE(run.ended_us, starts[0].idle_us) << "corvane ended before the probe became idle";
}

// Without a display the usage box returns at once, so these runs end by themselves; what
// matters is that nothing is opened or started, although each names something that could be.
class UsageInsteadOfStart : public E2eTest, public testing::WithParamInterface<const char*> {};

TEST_P(UsageInsteadOfStart, StartsNothing) {
  WriteFile("report.cvtest", "");
  WriteFile("list.txt", "a.txt\r\n");
  std::string arguments = GetParam();
  std::string::size_type probe = arguments.find("PROBE");
  if (probe != std::string::npos) arguments.replace(probe, 5, Probe());
  CorvaneRun run = RunCorvane(arguments);
  EXPECT_EQ(0u, run.exit_code);
  EXPECT_EQ(0u, Starts().size());
}

INSTANTIATE_TEST_SUITE_P(CommandLines, UsageInsteadOfStart,
                         testing::Values("", "   ", "/W report.cvtest",
                                         "report.cvtest report.cvtest", "/X:PROBE",
                                         "/X:PROBE /L:list.txt extra", "/X:PROBE /L:list.txt /L:",
                                         "/X:PROBE \"/L:  \"", "-x:PROBE -b:x -e:y"));

}  // namespace
}  // namespace e2e
