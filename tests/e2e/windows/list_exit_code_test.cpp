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

// None of these lists names anything to start, and nothing is.
TEST_P(ListExitCode, IsThePlatformsErrorOrZero) {
  const ExitRow& row = GetParam();
  if (row.list_bytes) WriteFile("list.txt", row.list_bytes);
  CorvaneRun run = RunCorvane("/X:" + Probe() + " " + row.list_option);
  EXPECT_EQ(row.exit_code, run.exit_code);
  EXPECT_EQ(0u, Starts().size());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ListExitCode,
    testing::Values(ExitRow{"missing_list", "/L:absent.txt", nullptr, ERROR_FILE_NOT_FOUND},
                    ExitRow{"missing_folder", "/L:absent\\list.txt", nullptr, ERROR_PATH_NOT_FOUND},
                    ExitRow{"empty_list", "/L:list.txt", "", 0},
                    ExitRow{"blank_lines_only", "/L:list.txt", "\r\n \t\r\n\n\r  ", 0},
                    ExitRow{"ctrl_z_first", "/L:list.txt",
                            "\x1a"
                            "a.txt\r\n",
                            0}),
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

// Writes a file whose path may be longer than the ANSI calls take.
void WriteLongPathFile(const std::string& path, const std::string& bytes) {
  std::wstring wide = L"\\\\?\\";
  for (char c : path) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file) << path << ": error " << GetLastError();
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

// The first 259 characters of the list path name another list that exists. corvane must not
// run that one: the path goes to the platform whole, and the exit code is whatever the
// platform says to the whole path, asked the way corvane asks.
TEST_F(E2eTest, ListExitCodeOfAPathLongerThan259Characters) {
  ASSERT_LT(folder_.size(), 230u) << "the build folder is too deep for this test";
  std::string other = Path(std::string(259 - folder_.size() - 1, 'o'));
  ASSERT_EQ(259u, other.size());
  std::string named = other + "-named.txt";
  WriteLongPathFile(other, "other.txt\r\n");
  WriteLongPathFile(named, "named.txt\r\n");

  HANDLE probe = CreateFileA(named.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD platform_error = probe == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);

  CorvaneRun run = RunCorvane("/X:" + Probe() + " \"/L:" + named + "\"");
  std::vector<ProbeStart> starts = Starts(platform_error ? 0 : 1);
  for (const ProbeStart& start : starts)
    EXPECT_EQ(std::string::npos, start.command_line.find("other.txt")) << "the cut path was run";
  if (platform_error) {
    EXPECT_EQ(platform_error, run.exit_code);
    EXPECT_EQ(0u, starts.size());
  } else {
    EXPECT_EQ(0u, run.exit_code);
    ASSERT_EQ(1u, starts.size());
    EXPECT_TRUE(
        SameCommandLine(starts[0].command_line, ShellCommandLine(Probe(), "\"named.txt\"")));
  }
  std::printf("the platform's answer to the %u-character path: %lu\n",
              static_cast<unsigned>(named.size()), platform_error);
}

}  // namespace
}  // namespace e2e
