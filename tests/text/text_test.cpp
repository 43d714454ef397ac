#include "text/text.h"

#include "test_support.h"
#include "text/helpers.h"
#include "text/utf8.h"
#include "text/variables.h"

namespace {

TEST(TextTest, KeepsEveryByteAndStaysZeroTerminated) {
  Text t = T(std::string("a\0b\xff", 4));
  EXPECT_EQ(4u, t.Length());
  EXPECT_EQ(0, t.Bytes()[4]);
  EXPECT_EQ(0xFF, t.At(4));
  EXPECT_EQ(0, t.At(0));  // outside the text reads as 0
  EXPECT_EQ(0, t.At(5));
  Text copy = t;
  Text moved = std::move(copy);
  EXPECT_EQ(t, moved);
  EXPECT_STREQ("", copy.Bytes());  // a moved-from text is a valid empty text
  for (int i = 0; i < 100000; ++i) moved.Append('x');
  EXPECT_EQ(100004u, moved.Length());
  EXPECT_EQ(0, moved.Bytes()[moved.Length()]);
}

// Short texts live in the object and long ones on the heap: copies, moves and growth must keep
// every byte on both sides of that line.
TEST(TextTest, CopiesMovesAndGrowsAcrossTheInlineRoom) {
  for (size_t length : {0, 1, 103, 104, 105, 300}) {
    std::string bytes;
    for (size_t i = 0; i < length; ++i) bytes += static_cast<char>('a' + i % 26);
    Text original = T(bytes);
    Text copy(original), assigned, moved_into;
    assigned = original;
    Text moved(std::move(copy));
    moved_into = T("something else, long enough to need memory of its own ....................."
                   "..........................................");
    moved_into = std::move(moved);
    EXPECT_EQ(bytes, S(original)) << length;
    EXPECT_EQ(bytes, S(assigned)) << length;
    EXPECT_EQ(bytes, S(moved_into)) << length;
    EXPECT_EQ(0, moved_into.Bytes()[length]);
    EXPECT_TRUE(copy.Empty() && moved.Empty());
    copy.Append(moved_into.Bytes(), moved_into.Length());  // a moved-from text is usable
    EXPECT_EQ(bytes, S(copy)) << length;
    copy.Append(copy.Bytes(), copy.Length());  // from itself, growing past its memory
    EXPECT_EQ(bytes + bytes, S(copy)) << length;
    moved_into.Clear();
    EXPECT_STREQ("", moved_into.Bytes());
  }
}

TEST(TextTest, SubText) {
  struct Case { const char* text; long long start, count; const char* want; };
  const Case cases[] = {
      {"/L:list.txt", 4, 11, "list.txt"}, {"/L:", 4, 3, ""},  {"/L", 4, 2, ""},
      {"abc", 0, 2, "ab"},   {"abc", -5, 2, "ab"}, {"abc", 3, 100, "c"}, {"abc", 2, 0, ""},
      {"abc", 2, -1, ""},    {"abc", 4, 1, ""},    {"", 1, 1, ""},       {"abc", 1, 3, "abc"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(T(c.want), SubText(T(c.text), c.start, c.count))
        << c.text << " from " << c.start << " count " << c.count;
}

TEST(TextTest, UpperAsciiLetterChangesOnlyAToZ) {
  for (int code = 0; code < 256; ++code) {
    int want = code >= 'a' && code <= 'z' ? code - 32 : code;
    EXPECT_EQ(want, UpperAsciiLetter(static_cast<unsigned char>(code))) << code;
  }
}

TEST(TextTest, JoinAndZeroTerminated) {
  EXPECT_EQ(T(" \"a\" "), JoinTexts({T(""), T(" "), T("\"a\""), T(" "), T("")}));
  EXPECT_EQ(T(""), JoinTexts({T(""), T("")}));
  const Text nothing;
  const char* empty = ZeroTerminatedOf(nothing);
  ASSERT_NE(nullptr, empty);
  EXPECT_STREQ("", empty);
  EXPECT_EQ(T(""), TextFromZeroTerminated(nullptr));
  EXPECT_EQ(T("ab"), TextFromZeroTerminated("ab\0cd"));
}

// 64-bit numbers without a division: every digit count, and the carries at the powers of ten.
TEST(TextTest, AppendDecimal) {
  struct Case { unsigned long long number; int digits; const char* want; };
  const Case cases[] = {{0, 1, "0"},   {7, 3, "007"}, {2026, 4, "2026"}, {120, 3, "120"},
                        {9, 1, "9"},   {10, 1, "10"}, {4294967295u, 1, "4294967295"}, {999999999999ull, 2, "999999999999"},
                        {1000000000000ull, 1, "1000000000000"},
                        {18446744073709551615ull, 1, "18446744073709551615"}};
  for (const Case& c : cases) {
    Text text = T("x");
    AppendDecimal(&text, c.number, c.digits);
    EXPECT_EQ(T(std::string("x") + c.want), text) << c.want;
  }
}

// A length past what memory can hold ends the process with 203: through the platform's
// handler, which the fake records, and without one all the same.
TEST(TextDeathTest, RunningOutOfMemoryEndsTheProcessWith203) {
  fake::Reset();
  Text text = T("x");
  EXPECT_EQ(203, ExitCodeOf([&] { text.AppendRoom(SIZE_MAX); }));
  EXPECT_EQ(Strings{"ExitProcess(203)"}, fake::Calls());
  EXPECT_EXIT(
      {
        SetOutOfMemoryHandler(nullptr);
        text.AppendRoom(SIZE_MAX);
      },
      testing::ExitedWithCode(203), "");
}

TEST(HelpersTest, TrimBlanks) {
  struct Case { std::string text, want; };
  const Case cases[] = {
      {"", ""},
      {" \t\r\n ", ""},
      {"\t a  b\r", "a  b"},
      {std::string("\0x\x01", 3), "x"},   // every code up to 32 is a Blank
      {"\xa0x\xff", "\xa0x\xff"},         // 128 and above never are
      {"!x!", "!x!"},
  };
  for (const Case& c : cases) EXPECT_EQ(T(c.want), TrimBlanks(T(c.text))) << c.text;
}

TEST(HelpersTest, DirectoryPart) {
  struct Case { const char* path; const char* want; };
  const Case cases[] = {
      {"C:\\docs\\a b.txt", "C:\\docs\\"},   {"C:\\", "C:\\"},
      {"C:\\docs\\", "C:\\docs\\"},          {"C:a.txt", "C:"},
      {"\\\\srv\\share\\f.txt", "\\\\srv\\share\\"}, {"a.txt", ""},
      {"", ""},                              {"C:/docs/a.txt", "C:"},
      {"\"C:\\docs\\a b.txt\"  ", "\"C:\\docs\\"}, {"/home/u/a.txt", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(T(c.want), DirectoryPart(T(c.path))) << c.path;
}

TEST(HelpersTest, IsFullPath) {
  for (const char* full : {"C:\\a.txt", "z:a.txt", "\\\\srv\\share\\f", "\\a.txt"})
    EXPECT_TRUE(IsFullPath(T(full))) << full;
  for (const char* relative : {"a.txt", "docs\\a.txt", "\"C:\\a.txt\"", " C:\\a.txt", "1:\\a", "C",
                               "", "\xc3\x89:\\a", "/home/a"})
    EXPECT_FALSE(IsFullPath(T(relative))) << relative;
}

// Each ill-formed sequence is the longest start of a well-formed one, and one U+FFFD.
TEST(Utf8Test, RepairAndCut) {
  const std::string r = "\xef\xbf\xbd";
  struct Case {
    std::string bytes, repaired;
  };
  const Case cases[] = {
      {"", ""},
      {"ascii \x7f", "ascii \x7f"},
      {"\xc3\xa9\xe6\x97\xa5\xf0\x9f\x98\x80\xf4\x8f\xbf\xbf", "é日😀\xf4\x8f\xbf\xbf"},
      {"\xc3", r},      // cut off
      {"\xe6\x97", r},  // cut off after two of three
      {"\xe6\x97"
       "a",
       r + "a"},
      {"\xc0\xaf\xc1\xbf", r + r + r + r},  // overlong forms
      {"\xe0\x80\xaf", r + r + r},
      {"\xed\xa0\x80\xed\x9f\xbf", r + r + r + "\xed\x9f\xbf"},  // a surrogate; U+D7FF is fine
      {"\xf4\x90\x80\x80\xf5\xff", r + r + r + r + r + r},       // past U+10FFFF
      {"\x80\xbf"
       "a\xf0\x9f\x98",
       r + r + "a" + r},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.bytes == c.repaired, IsValidUtf8(c.bytes.data(), c.bytes.size())) << c.bytes;
    EXPECT_EQ(T(c.repaired), RepairedUtf8(T(c.bytes))) << c.bytes;
  }
  const std::string text = "a\xc3\xa9\xf0\x9f\x98\x80";  // 1, 2 and 4 bytes
  const size_t cuts[] = {0, 1, 1, 3, 3, 3, 3, 7, 7};     // the cut for each room from 0
  for (size_t room = 0; room < 9; ++room)
    EXPECT_EQ(cuts[room], Utf8Cut(text.data(), text.size(), room)) << room;
  EXPECT_EQ(2u, Utf8Cut("\x80\x80\x80\x80\x80\x80", 6, 5));  // no UTF-8: three back at most
}

TEST(HelpersTest, QuoteEntry) {
  struct Case {
    const char* entry;
    const char* want;
    bool double_backslashes = false;
  };
  const Case cases[] = {
      {"C:\\docs\\a b.txt", "\"C:\\docs\\a b.txt\""},
      {"\"C:\\docs\\a b.txt\"  \t", "\"C:\\docs\\a b.txt\""},
      {"\"abc", "\"abc\""}, {"abc\"", "\"abc\""}, {"a\"b", "\"a\"b\""},
      {"\"", "\""},         {"\"\"", "\"\""},     {"x", "\"x\""},
      {"   ", "\""},  // never passed by the list run; must just not read outside
      // Backslashes before the quote corvane adds are doubled, and only those.
      {"C:\\My Folder\\ ", "\"C:\\My Folder\\\\\"", true},
      {"\"\\\\srv\\a\\\\", "\"\\\\srv\\a\\\\\\\\\"", true},
      {"\\", "\"\\\\\"", true},
      {"\"D:\\\"", "\"D:\\\"", true},  // quoted in the list: as written
      {"C:\\My Folder\\", "\"C:\\My Folder\\\"", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(T(c.want), QuoteEntry(T(c.entry), c.double_backslashes)) << c.entry;
}

TEST(HelpersTest, EntryPath) {
  struct Case { const char* entry; const char* want; };
  const Case cases[] = {
      {"  \"C:\\a b.txt\"  \t", "C:\\a b.txt"}, {"\" C:\\a.txt \"", "C:\\a.txt"},
      {"a.txt  ", "a.txt"},  {"\"abc", "\"abc"}, {"abc\"", "abc\""}, {"a\"b", "a\"b"},
      {"\"\"a\"\"", "\"a\""},  // one pair only
      {"\"\"", ""},     {"\"", "\""},  {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(T(c.want), EntryPath(T(c.entry))) << c.entry;
}

// The folder a program named by an entry starts in: only a file in a folder has one.
TEST(HelpersTest, EntryFileAndItsOwnFolder) {
  struct Case { const char *entry, *file, *folder; };
  const Case cases[] = {
      {" \"C:\\a b\\c.txt\" ", "C:\\a b\\c.txt", "C:\\a b"},
      {"\"sub\\x.txt", "sub\\x.txt", "sub"},  // a lone quote at either end goes too
      {"sub\\x.txt\"", "sub\\x.txt", "sub"},
      {"a\"b\\c", "a\"b\\c", "a\"b"},
      {"\\\\srv\\share\\f.txt", "\\\\srv\\share\\f.txt", "\\\\srv\\share"},
      {"\\\\srv\\a.txt", "\\\\srv\\a.txt", ""},
      {"\\\\srv\\share", "\\\\srv\\share", ""},
      {"http://example.invalid/x/y.txt", "http://example.invalid/x/y.txt", ""},
      {"ms-settings:display", "ms-settings:display", ""},
      {"x+1.2-b:/p/q", "x+1.2-b:/p/q", ""},
      {"::{20D04FE0}\\C:\\", "::{20D04FE0}\\C:\\", ""},
      {"C:\\x\\y", "C:\\x\\y", "C:\\x"},  // a drive letter is no scheme
      {"1a:\\x\\y", "1a:\\x\\y", "1a:\\x"},
      {"/usr/bin/env", "/usr/bin/env", "/usr/bin"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(T(c.file), EntryFile(T(c.entry))) << c.entry;
    EXPECT_EQ(T(c.folder), OwnFolderPart(EntryFile(T(c.entry)))) << c.entry;
  }
}

// %NAME% as Windows expands it: set names only, and a name that is not set leaves its closing %
// to open the next one.
TEST(VariablesTest, ExpandPercentNames) {
  const auto value_of = [](const char* name) -> const char* {
    if (std::string(name) == "HOME") return "C:\\Users\\me";
    if (std::string(name) == "E") return "";
    return nullptr;
  };
  struct Case { const char *text, *want; };
  const Case cases[] = {
      {"%HOME%\\todo.txt", "C:\\Users\\me\\todo.txt"},
      {"%UNSET%\\a", "%UNSET%\\a"},
      {"100%.txt", "100%.txt"},
      {"50%% off", "50%% off"},
      {"%UNSET%HOME%", "%UNSETC:\\Users\\me"},
      {"%HOME%%HOME%", "C:\\Users\\meC:\\Users\\me"},
      {"a%E%b", "ab"},
      {"%home%", "%home%"},  // names as the lookup takes them
      {"%", "%"},
      {"", ""},
  };
  Text expanded;
  for (const Case& c : cases) {
    EXPECT_TRUE(ExpandPercentNames(T(c.text), value_of, 1000, &expanded)) << c.text;
    EXPECT_EQ(T(c.want), expanded) << c.text;
  }
  EXPECT_FALSE(ExpandPercentNames(T("%HOME%%HOME%"), value_of, 20, &expanded));
  EXPECT_TRUE(ExpandPercentNames(T("%HOME%%HOME%"), value_of, 22, &expanded));
  // Windows counts characters in UTF-16 units: one for é and 日, two for 😀.
  EXPECT_EQ(5u, Utf16Length("a\xc3\xa9\xe6\x97\xa5\xf0\x9f\x98\x80", 10));
  EXPECT_EQ(3u, Utf16Length("\xff\xe6\x97", 3));  // a byte that is no UTF-8, a cut one
}

}  // namespace
