#include "runtime/list_reader.h"

#include "read_entries.h"
#include "test_support.h"

namespace {

using namespace std::string_literals;

class ListReaderTest : public FakeTest {
 protected:
  // Reads the list in the list run's order; the entries that would have been used land in used.
  long long RunReader(const std::string& path = "list.txt") {
    return ExitCodeOf(
        [&] { ReadEntries(T(path), [&](const Text& entry) { used.push_back(S(entry)); }); });
  }
  Strings used;
};

TEST_F(ListReaderTest, EntriesInReadsOfAnySize) {
  const std::string row127(127, 'x');
  struct Case { std::string bytes; Strings want; };
  const Case cases[] = {
      {"a.txt\r\nb.txt\r\n", {"a.txt", "b.txt"}},
      {"\r\n  a.txt  \r\n\t\r\n\r\nb.txt", {"a.txt  ", "b.txt"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\r\nb", {"a", "b"}},
      {"a\nb\nc\n", {"a\nb\nc\n"}},
      {"a\n\r\nb", {"a\n", "b"}},
      {"a\r\n\n\nb", {"a", "b"}},  // a lone LF before an entry is a Blank
      {"one\r\ntw\x1ao\r\nthree\r\n", {"one", "tw"}},
      {"a\r\x1a" "b", {"a"}},
      {"\0\0a\0b\r\n"s, {"a\0b"s}},
      {"", {}},
      {" \t\r\n\n\r", {}},
      {"\x1a" "a\r\n", {}},
      {"\xef\xbb\xbf" "a\r\n", {"\xef\xbb\xbf" "a"}},
      {"\x80\xff x\x01\r\n", {"\x80\xff x\x01"}},  // 128 and up are never Blanks
      {row127 + "\r\ny", {row127, "y"}},  // CR LF across two reads of 128
      {row127 + "\rz", {row127, "z"}},
      {std::string(100000, 'e') + "\r\nb", {std::string(100000, 'e'), "b"}},
  };
  for (const Case& c : cases) {
    for (size_t chunk : {1, 7, 128}) {
      Restart();
      used.clear();
      fake::ScriptFile(c.bytes, chunk);
      const std::string context = c.bytes.substr(0, 30) + " in reads of " + std::to_string(chunk);
      EXPECT_EQ(-1, RunReader()) << context;
      EXPECT_EQ(c.want, used) << context;
      // Each byte is read once, up to the first byte 26; one empty read ends the rest.
      size_t sub = c.bytes.find('\x1a');
      size_t reads = sub != std::string::npos ? sub / chunk + 1
                                              : (c.bytes.size() + chunk - 1) / chunk + 1;
      Strings want_calls{"CreateFile(\"list.txt\")"};
      want_calls.insert(want_calls.end(), reads, kReadList);
      want_calls.push_back(kCloseList);
      EXPECT_EQ(want_calls, Calls()) << context;
    }
  }
}

TEST_F(ListReaderTest, EndOfDataStaysMetWithoutFurtherReads) {
  Fake().reads = {{"a\r\nb", 0}, {"", platform::kBrokenPipe}, {"c", 0}};
  EXPECT_EQ(-1, RunReader());  // 109: the writer of a pipe is gone, the normal end
  EXPECT_EQ(Strings({"a", "b"}), used);
  size_t calls = Calls().size();
  EXPECT_TRUE(EndOfEntries());
  EXPECT_EQ(T(""), ReadLineText());
  SkipLineEnd();
  EXPECT_EQ(calls, Calls().size());
  EXPECT_EQ(0u, PendingIoError);
}

// How the list run acts on failures, and which calls came before, is in the list run's tests.
TEST_F(ListReaderTest, AFailedReadIsRecordedAndEndsOnlyThatRequest) {
  Fake().reads = {{"", 5}, {"", 6}, {"a", 0}, {"", platform::kBrokenPipe}};
  OpenListFile(T("list.txt"));
  EXPECT_TRUE(EndOfEntries());
  EXPECT_EQ(5u, PendingIoError);
  EXPECT_TRUE(EndOfEntries());
  EXPECT_EQ(6u, PendingIoError);  // the most recent failure wins
  EXPECT_FALSE(EndOfEntries());
  EXPECT_EQ(T("a"), ReadLineText());
  EXPECT_EQ(6u, PendingIoError);  // 109 is the end, not a failure, and clears nothing
  EXPECT_TRUE(EndOfEntries());
  EXPECT_EQ(5u, Calls().size());  // the open and four reads
}

TEST_F(ListReaderTest, ALongPathGoesToThePlatformWhole) {
  // Cut to 259 characters it could name another, existing list.
  const std::string path = "C:\\" + std::string(290, 'd') + "\\list.txt";
  Fake().open_ok = false;
  Fake().open_error = 206;
  EXPECT_EQ(206, RunReader(path));
  EXPECT_EQ("CreateFile(\"" + path + "\")", Calls()[0]);
}

}  // namespace
