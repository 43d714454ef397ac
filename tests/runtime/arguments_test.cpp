#include "runtime/arguments.h"

#include "test_support.h"

namespace {

class ArgumentsTest : public FakeTest {
 protected:
  // The count and every argument from 0 to one past the count, as the driver would see them.
  void ExpectArguments(const Strings& want, const std::string& context) {
    ASSERT_EQ(int(want.size()), ArgumentCount()) << context;
    for (size_t i = 0; i < want.size(); ++i)
      EXPECT_EQ(T(want[i]), ArgumentText(int(i) + 1)) << context << " #" << i + 1;
    EXPECT_EQ(T(""), ArgumentText(int(want.size()) + 1)) << context;
    EXPECT_EQ(T(""), ArgumentText(-1)) << context;
    EXPECT_EQ(T(Fake().module_file_name), ArgumentText(0)) << context;
  }
};

// A word no shorter than n whose every position is told apart by its letter.
std::string Word(size_t n) {
  std::string w;
  for (size_t i = 0; i < n; ++i) w += char('a' + i % 26);
  return w;
}

TEST_F(ArgumentsTest, RawCommandLine) {
  const std::string long_word = Word(5000);
  struct Case { std::string line; Strings want; };
  // The splitting rules are the command text's; here the program name is skipped and each
  // argument has corvane's own room.
  const Case cases[] = {
      {"x.exe /L:list.txt /X:viewer.exe", {"/L:list.txt", "/X:viewer.exe"}},
      {"\"C:\\Program Files\\x.exe\" /B:\"-a -b\" /L:\"my list.txt\"",
       {"/B:-a -b", "/L:my list.txt"}},
      {"x.exe \"\" /L:a.txt", {"/L:a.txt"}},
      {"x.exe \"", {}},
      {"x.exe  \t ", {}},
      {"", {}},
      {"\"C:\\x y\\x.exe\"/L:a b", {"b"}},  // the program name runs on to the next Blank
      {"x.exe /L:a ", {"/L:a"}},  // Wine may add a blank after the line
      {"x.exe " + Word(4096) + " z", {Word(4096), "z"}},
      {"x.exe " + long_word + " z", {long_word.substr(0, 4096), long_word.substr(4096), "z"}},
  };
  for (const Case& c : cases) {
    Fake().raw_command_line = c.line;
    ExpectArguments(c.want, c.line.substr(0, 60));
  }
}

TEST_F(ArgumentsTest, ArgumentZeroIsTheModuleFileAsReported) {
  Fake().raw_command_line = "x /L:a";
  Fake().module_file_name = "";
  EXPECT_EQ(T(""), ArgumentText(0));
  Fake().module_file_name = std::string(900, 'm');
  EXPECT_EQ(T(std::string(platform::kPathRoom, 'm')), ArgumentText(0));
}

TEST_F(ArgumentsTest, SplitArgvSkipsEmptyElements) {
  Fake().split = true;
  Fake().argv = {"corvane", "", "/L:a b", "", "\"q\"", " "};
  ExpectArguments({"/L:a b", "\"q\"", " "}, "argv");
  Fake().argv = {"corvane", ""};
  ExpectArguments({}, "argv of one empty element");
}

}  // namespace
