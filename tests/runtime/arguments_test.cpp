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
  const Case cases[] = {
      {"x.exe /L:list.txt /X:viewer.exe", {"/L:list.txt", "/X:viewer.exe"}},
      {"\"C:\\Program Files\\x.exe\" /B:\"-a -b\" /L:\"my list.txt\"",
       {"/B:-a -b", "/L:my list.txt"}},
      {"x.exe /X:\"C:\\Tools\\\" /L:a.txt", {"/X:C:\\Tools\\", "/L:a.txt"}},  // \ escapes nothing
      {"x.exe /B:a\\\"b\" c", {"/B:a\\b", "c"}},
      {"x.exe /E:\"unterminated  text", {"/E:unterminated  text"}},
      {"x.exe \"\" /L:a.txt", {"/L:a.txt"}},
      {"x.exe \"\"\"\" b", {"b"}},
      {"x.exe \"\"/L:a.txt", {"/L:a.txt"}},
      {"x.exe \"\" \t\"\"  \"\"b", {"b"}},  // pairs and Blanks skipped by turns
      {"x.exe a\"\"b", {"ab"}},
      {"x.exe \"a b\"c d", {"a bc", "d"}},  // quoted stretch at the start,
      {"x.exe a\"b c\"d", {"ab cd"}},       // in the middle,
      {"x.exe ab\"c d\"", {"abc d"}},       // at the end
      {"x.exe \"/B:-p \"\"x y\"\"\" /L:l.txt", {"/B:-p x y", "/L:l.txt"}},
      {"x.exe a\"", {"a"}},
      {"x.exe \" \"", {" "}},
      {"x.exe \"", {}},
      {"x.exe  \t ", {}},
      {"", {}},
      {"\"C:\\x y\\x.exe\"/L:a b", {"b"}},  // the program name runs on to the next Blank
      {"x.exe\t/L:a.txt\t/W", {"/L:a.txt", "/W"}},
      {"x.exe\x01"
       "a\x1f"
       "b\x7f\x80\xa0\xff",
       {"a", "b\x7f\x80\xa0\xff"}},
      {"x.exe /L:a ", {"/L:a"}},  // Wine may add a blank after the line
      {"x.exe " + Word(4096) + " z", {Word(4096), "z"}},
      {"x.exe " + long_word + " z", {long_word.substr(0, 4096), long_word.substr(4096), "z"}},
      // The bound counts bytes and never cuts a character: one that does not fit starts the
      // next argument.
      {"x.exe " + Word(4095) + "\xc3\xa9z", {Word(4095), "\xc3\xa9z"}},
      {"x.exe \"" + Word(4094) + "\xe6\x97\xa5\"x", {Word(4094), "\xe6\x97\xa5x"}},
      {"x.exe " + Word(4092) + "\xf0\x9f\x98\x80", {Word(4092) + "\xf0\x9f\x98\x80"}},
      {"x.exe /B:\"\xe6\x97\xa5 \xc3\xa9\" \xf0\x9f\x98\x80",
       {"/B:\xe6\x97\xa5 \xc3\xa9", "\xf0\x9f\x98\x80"}},
  };
  for (const Case& c : cases) {
    Fake().raw_command_line = c.line;
    ExpectArguments(c.want, c.line.substr(0, 60));
  }
}

TEST_F(ArgumentsTest, NextArgumentLeavesThePositionAtWhatEndedIt) {
  const std::string line = Word(4100) + "  \"\"";
  size_t p = 0;
  EXPECT_EQ(T(Word(4096)), NextArgument(line.c_str(), &p));
  EXPECT_EQ(4096u, p);
  EXPECT_EQ(T(line.substr(4096, 4)), NextArgument(line.c_str(), &p));
  EXPECT_EQ(4100u, p);
  EXPECT_EQ(T(""), NextArgument(line.c_str(), &p));
  EXPECT_EQ(line.size(), p);
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
