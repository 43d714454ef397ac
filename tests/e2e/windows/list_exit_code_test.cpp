// What corvane's exit code says about the list file, on the real file system.
#include "e2e.h"

namespace e2e {
namespace {

struct ExitRow {
  const char* label;
  const char* list_option;
  const char* list_bytes;  // written to list.txt; null: no list.txt
  DWORD exit_code;
};

class ListExitCode : public E2eTest, public testing::WithParamInterface<ExitRow> {};

// None of these runs is to start anything, and nothing is.
TEST_P(ListExitCode, IsThePlatformsErrorOrZero) {
  const ExitRow& row = GetParam();
  if (row.list_bytes) WriteFile("list.txt", row.list_bytes);
  CorvaneRun run = RunCorvane("/X:" + Probe() + " " + row.list_option);
  EXPECT_EQ(row.exit_code, run.exit_code);
  EXPECT_EQ(0u, Starts().size());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ListExitCode,
    testing::Values(
        ExitRow{"missing_list", "/L:absent.txt", nullptr, ERROR_FILE_NOT_FOUND},
        ExitRow{"missing_folder", "/L:absent\\list.txt", nullptr, ERROR_PATH_NOT_FOUND},
        ExitRow{"empty_list", "/L:list.txt", "", 0},
        ExitRow{"blank_lines_only", "/L:list.txt", "\r\n \t\r\n\n\r  ", 0},
        ExitRow{"ctrl_z_first", "/L:list.txt",
                "\x1a"
                "a.txt\r\n",
                0},
        // An encoding corvane cannot read: the usage box, and the list is not run.
        ExitRow{"unknown_encoding", "/C:utf-32 /L:list.txt", "a.txt\r\n", ERROR_INVALID_PARAMETER},
        ExitRow{"unknown_code_page", "/C:99999 /L:list.txt", "a.txt\r\n", ERROR_INVALID_PARAMETER},
        // EBCDIC: line ends and Blanks are other bytes there.
        ExitRow{"code_page_with_other_controls", "/C:037 /L:list.txt", "a.txt\r\n",
                ERROR_INVALID_PARAMETER},
        // The same file by another name: its records would come back as entries.
        ExitRow{"log_is_the_list", "/O:.\\LIST.TXT /L:list.txt", "a.txt\r\n",
                ERROR_INVALID_PARAMETER}),
    [](const testing::TestParamInfo<ExitRow>& info) { return std::string(info.param.label); });

// Another process that holds the list open for writing keeps corvane from opening it; one
// that only reads it does not.
TEST_F(E2eTest, ListExitCodeWhenTheListIsHeldOpenForWriting) {
  WriteFile("list.txt", "a.txt\r\n");
  HANDLE writer =
      CreateFileA(Path("list.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, writer);
  CorvaneRun run = RunCorvane("/X:" + Probe() + " /L:list.txt");
  CloseHandle(writer);
  EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), run.exit_code);
  EXPECT_EQ(0u, Starts().size());
}

TEST_F(E2eTest, ListExitCodeWhenTheListIsHeldOpenForReading) {
  WriteFile("list.txt", "a.txt\r\n");
  HANDLE reader = CreateFileA(Path("list.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, reader);
  CorvaneRun run = RunCorvane("/X:" + Probe() + " /L:list.txt");
  CloseHandle(reader);
  EXPECT_EQ(0u, run.exit_code);
  EXPECT_EQ(1u, Starts(1).size());
}

// The first 259 characters of the list path name another list that exists. The path goes to
// the platform whole; the wide call and the long-path manifest read it past MAX_PATH (Windows
// wants its LongPathsEnabled setting too), and the list at the cut path is never read.
TEST_F(E2eTest, ListExitCodeOfAPathLongerThan259Characters) {
  ASSERT_LT(folder_.size(), 230u) << "the build folder is too deep for this test";
  const std::string other(259 - folder_.size() - 1, 'o');
  ASSERT_EQ(259u, Path(other).size());
  WriteFile(other, "other.txt\r\n");
  WriteFile(other + "-named.txt", "named.txt\r\n");
  CorvaneRun run = RunCorvane("/X:" + Probe() + " \"/L:" + Path(other + "-named.txt") + "\"");
  EXPECT_EQ(0u, run.exit_code);
  std::vector<ProbeStart> starts = Starts(1);
  ASSERT_EQ(1u, starts.size());
  EXPECT_TRUE(SameCommandLine(starts[0].command_line, ShellCommandLine(Probe(), "\"named.txt\"")));
}

}  // namespace
}  // namespace e2e
