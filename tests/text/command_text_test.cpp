#include "text/command_text.h"

#include <cstdint>

#include "test_support.h"

namespace {

// Every argument of the line, the program name too, each at most room bytes.
Strings Split(const std::string& line, size_t room) {
  Strings words;
  size_t p = 0;
  for (;;) {
    Text word = NextArgument(line.c_str(), &p, room);
    if (word.Empty()) return words;
    words.push_back(S(word));
  }
}

TEST(CommandTextTest, SplitsByBlanksAndQuotes) {
  struct Case { std::string line; size_t room; Strings want; };
  const Case cases[] = {
      {"x.exe /L:list.txt /X:viewer.exe", SIZE_MAX, {"x.exe", "/L:list.txt", "/X:viewer.exe"}},
      {"\"C:\\Program Files\\x.exe\" /B:\"-a -b\" /L:\"my list.txt\"", SIZE_MAX,
       {"C:\\Program Files\\x.exe", "/B:-a -b", "/L:my list.txt"}},
      // A backslash escapes nothing.
      {"x /X:\"C:\\Tools\\\" /L:a.txt", SIZE_MAX, {"x", "/X:C:\\Tools\\", "/L:a.txt"}},
      {"x /B:a\\\"b\" c", SIZE_MAX, {"x", "/B:a\\b", "c"}},
      {"x /E:\"unterminated  text", SIZE_MAX, {"x", "/E:unterminated  text"}},
      {"x \"\" /L:a.txt", SIZE_MAX, {"x", "/L:a.txt"}},
      {"x \"\"\"\" b", SIZE_MAX, {"x", "b"}},
      {"x \"\"/L:a.txt", SIZE_MAX, {"x", "/L:a.txt"}},
      {"x \"\" \t\"\"  \"\"b", SIZE_MAX, {"x", "b"}},  // pairs and Blanks skipped by turns
      {"x a\"\"b", SIZE_MAX, {"x", "ab"}},
      {"x \"a b\"c d", SIZE_MAX, {"x", "a bc", "d"}},  // quoted stretch at the start,
      {"x a\"b c\"d", SIZE_MAX, {"x", "ab cd"}},       // in the middle,
      {"x ab\"c d\"", SIZE_MAX, {"x", "abc d"}},       // at the end
      {"x \"/B:-p \"\"x y\"\"\" /L:l.txt", SIZE_MAX, {"x", "/B:-p x y", "/L:l.txt"}},
      {"x a\"", SIZE_MAX, {"x", "a"}},
      {"x \" \"", SIZE_MAX, {"x", " "}},
      {"x \"", SIZE_MAX, {"x"}},
      {"  \t ", SIZE_MAX, {}},
      {"", SIZE_MAX, {}},
      {"\"C:\\x y\\x.exe\"/L:a b", SIZE_MAX, {"C:\\x y\\x.exe/L:a", "b"}},
      {"x\t/L:a.txt\t/W", SIZE_MAX, {"x", "/L:a.txt", "/W"}},
      {"x\x01"
       "a\x1f"
       "b\x7f\x80\xa0\xff",
       SIZE_MAX, {"x", "a", "b\x7f\x80\xa0\xff"}},
      {"/B:\"\xe6\x97\xa5 \xc3\xa9\" \xf0\x9f\x98\x80", SIZE_MAX,
       {"/B:\xe6\x97\xa5 \xc3\xa9", "\xf0\x9f\x98\x80"}},
      // A longer run is cut at the room and the rest is the next argument.
      {"abcdefgh z", 8, {"abcdefgh", "z"}},
      {"abcdefghijklm z", 8, {"abcdefgh", "ijklm", "z"}},
      // The bound counts bytes and never cuts a character: one that does not fit starts the
      // next argument.
      {"abcdefg\xc3\xa9z", 8, {"abcdefg", "\xc3\xa9z"}},
      {"\"abcdef\xe6\x97\xa5\"x", 8, {"abcdef", "\xe6\x97\xa5x"}},
      {"abcd\xf0\x9f\x98\x80", 8, {"abcd\xf0\x9f\x98\x80"}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.want, Split(c.line, c.room)) << c.line;
}

TEST(CommandTextTest, LeavesThePositionAtWhatEndedIt) {
  const std::string line = "abcdefghijkl  \"\"";
  size_t p = 0;
  EXPECT_EQ(T("abcdefgh"), NextArgument(line.c_str(), &p, 8));
  EXPECT_EQ(8u, p);
  EXPECT_EQ(T("ijkl"), NextArgument(line.c_str(), &p, 8));
  EXPECT_EQ(12u, p);
  EXPECT_EQ(T(""), NextArgument(line.c_str(), &p, 8));
  EXPECT_EQ(line.size(), p);
}

}  // namespace
