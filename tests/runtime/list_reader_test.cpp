#include "runtime/list_reader.h"

#include "read_entries.h"
#include "test_support.h"
#include "utf16_bytes.h"

namespace {

using namespace std::string_literals;

class ListReaderTest : public FakeTest {
 protected:
  // Reads the list in the list run's order; the entries that would have been used land in used.
  long long RunReader(const std::string& path = "list.txt", ListEncoding encoding = {}) {
    return ExitCodeOf([&] {
      ReadEntries(
          T(path), [&](const Text& entry) { used.push_back(S(entry)); }, encoding);
    });
  }
  Strings used;
};

const std::string kLe = "\xff\xfe", kBe = "\xfe\xff", kUtf8Mark = "\xef\xbb\xbf";
const std::string kFffd = "\xef\xbf\xbd";

const ListEncoding kForcedUtf8{ListCoding::kUtf8, 0};
const ListEncoding kForcedLe{ListCoding::kUtf16Le, 0};
const ListEncoding kForcedBe{ListCoding::kUtf16Be, 0};
const ListEncoding kForced850{ListCoding::kCodePage, 850};
const ListEncoding kForced1252{ListCoding::kCodePage, 1252};

TEST_F(ListReaderTest, EntriesInReadsOfAnySize) {
  const std::string row127(127, 'x');
  struct Case {
    std::string bytes;
    Strings want;
    ListEncoding encoding = {};
    size_t data_end = std::string::npos;  // the last byte of a UTF-16 Ctrl-Z
  };
  const Case cases[] = {
      {"a.txt\r\nb.txt\r\n", {"a.txt", "b.txt"}},
      {"\r\n  a.txt  \r\n\t\r\n\r\nb.txt", {"a.txt  ", "b.txt"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\r\nb", {"a", "b"}},
      {"a\nb\nc\n", {"a\nb\nc\n"}},
      {"a\n\r\nb", {"a\n", "b"}},
      {"a\r\n\n\nb", {"a", "b"}},  // a lone LF before an entry is a Blank
      {"one\r\ntw\x1ao\r\nthree\r\n", {"one", "tw"}},
      {"a\r\x1a"
       "b",
       {"a"}},
      // A zero byte is no character of a name: U+FFFD, and the rest of the entry stays.
      {"\0\0a\0b\r\n"s, {"a" + kFffd + "b"}},
      {"abc\0def.txt\0\r\n"s, {"abc" + kFffd + "def.txt" + kFffd}},
      {"", {}},
      {" \t\r\n\n\r", {}},
      {"\x1a"
       "a\r\n",
       {}},
      // Without a mark, an entry that is not UTF-8 is in the ANSI code page (the fake's is
      // Latin-1); 128 and up are never Blanks.
      {"\x80\xff x\x01\r\n", {"\xc2\x80\xc3\xbf x\x01"}},
      {"caf\xc3\xa9\r\ncaf\xe9\r\n", {"café", "café"}},
      {"😀日 é" + kUtf8Mark + "\r\n",
       {"😀日 é" + kUtf8Mark}},  // a mark past the start is a character
      {"ab\xe6\x97\x1a"
       "c",
       {"ab\xc3\xa6\xc2\x97"}},            // cut by Ctrl-Z: not UTF-8
      {"\xef\xbb", {"\xc3\xaf\xc2\xbb"}},  // half a mark is no mark
      // A mark at the very start decides the whole list and is no part of it.
      {kUtf8Mark + "a\r\n", {"a"}},
      {kUtf8Mark + "\xe9\r\n\xf0\x9f\x98\r\n\xed\xa0\x80", {kFffd, kFffd, kFffd + kFffd + kFffd}},
      {kLe + Utf16Bytes(u"a.txt\r\n  b\r\nc\rd\ne\r"), {"a.txt", "b", "c", "d\ne"}},
      {kBe + Utf16Bytes(u"a.txt\r\n  b\r\nc\rd\ne\r", true), {"a.txt", "b", "c", "d\ne"}},
      {kLe + Utf16Bytes(u"日本 é☺.ext\r\n\t😀 \r\n"), {"日本 é☺.ext", "😀 "}},
      {kBe + Utf16Bytes(u"Жёлтый café.txt\r\n", true), {"Жёлтый café.txt"}},  // two bytes at most
      // č, Ě and ഊ hold the bytes of CR, Ctrl-Z and LF CR (CR LF big-endian): no line ends.
      {kLe + Utf16Bytes(u"č Ě ഊ\r\n"), {"č Ě ഊ"}},
      {kBe + Utf16Bytes(u"ഊ č Ě\r\n", true), {"ഊ č Ě"}},
      {kLe + Utf16Bytes(u"\0 \t\r\n\0a\0b\x1f"s), {"a" + kFffd + "b\x1f"}},
      // No mark, but a zero beside a byte that is not: UTF-16, as cmd /u writes it.
      {Utf16Bytes(u"C:\\docs\\é.txt\r\nb"), {"C:\\docs\\é.txt", "b"}},
      {Utf16Bytes(u"ab\r\n", true), {"ab"}},
      {Utf16Bytes(u"ab"), {"a" + kFffd + "b" + kFffd}, kForcedUtf8},
      // Ctrl-Z is the unit 26; a byte 26 in another unit (U+041A, U+1A00) is not.
      {kLe + Utf16Bytes(u"\u041a\u1a00\r\nb\x1a"
                        "c"),
       {"\u041a\u1a00", "b"},
       {},
       13},
      {kBe + Utf16Bytes(u"\u041a\u1a00\r\nb\x1a"
                        "c",
                        true),
       {"\u041a\u1a00", "b"},
       {},
       13},
      // Unpaired surrogates, and what the end or Ctrl-Z cuts off, become U+FFFD.
      {kLe + Utf16Bytes(u"a\xd800"
                        "b\r\n\xdc00\r\n\xdbff"),
       {"a" + kFffd + "b", kFffd, kFffd}},
      {kLe + Utf16Bytes(u"ab") + "c", {"ab" + kFffd}},
      {kLe + Utf16Bytes(u"\xd83d") + std::string(1, 0), {kFffd}},  // one character cut off
      {kLe + Utf16Bytes(u"\xd83d\x1a"), {kFffd}, {}, 5},
      {kLe, {}},
      // A forced encoding skips its own mark only.
      {"\x82t\xe9\r\n", {"\u2502t\u2569"}, kForced850},
      {kUtf8Mark + "a",
       {"\u00ef\u00bb\u00bf"
        "a"},
       kForced1252},
      {kUtf8Mark + "caf\xe9\r\n", {"caf" + kFffd}, kForcedUtf8},
      {kLe + "a", {kFffd + kFffd + "a"}, kForcedUtf8},
      {Utf16Bytes(u"a\r\nb"), {"a", "b"}, kForcedLe},
      {kLe + Utf16Bytes(u"a"), {"a"}, kForcedLe},
      {kLe + Utf16Bytes(u"a", true),
       {"\ufffe"
        "a"},
       kForcedBe},
      {kBe + Utf16Bytes(u"a", true), {"a"}, kForcedBe},
      {row127 + "\r\ny", {row127, "y"}},  // CR LF across two reads of 128
      {row127 + "\rz", {row127, "z"}},
      {std::string(100000, 'e') + "\r\nb", {std::string(100000, 'e'), "b"}},
  };
  for (const Case& c : cases) {
    // Reads of 1, 2 and 3 bytes split every character at every place.
    for (size_t chunk : {1, 2, 3, 7, 128}) {
      Restart();
      used.clear();
      fake::ScriptFile(c.bytes, chunk);
      const std::string context = c.bytes.substr(0, 30) + " in reads of " + std::to_string(chunk);
      EXPECT_EQ(-1, RunReader("list.txt", c.encoding)) << context;
      EXPECT_EQ(c.want, used) << context;
      // Each byte is read once, up to the Ctrl-Z; one empty read ends the rest.
      size_t sub =
          IsUtf16(c.encoding.coding) || c.bytes.rfind(kLe, 0) == 0 || c.bytes.rfind(kBe, 0) == 0
              ? c.data_end
              : c.bytes.find('\x1a');
      size_t reads = sub != std::string::npos ? sub / chunk + 1
                                              : (c.bytes.size() + chunk - 1) / chunk + 1;
      Strings want_calls{"CreateFile(\"list.txt\")"};
      want_calls.insert(want_calls.end(), reads, kReadList);
      want_calls.push_back(kCloseList);
      EXPECT_EQ(want_calls, Calls()) << context;
    }
  }
}

TEST_F(ListReaderTest, EncodingNames) {
  struct Case {
    const char* value;
    bool usable;
    ListCoding coding;
    uint32_t code_page;
  };
  const ListCoding page = ListCoding::kCodePage;
  const Case cases[] = {
      {"", true, ListCoding::kDetect, 0},
      {"ansi", true, page, platform::kCodePageAnsi},
      {"Oem", true, page, platform::kCodePageOem},
      {"utf-8", true, ListCoding::kUtf8, 0},
      {"UTF8", true, ListCoding::kUtf8, 0},
      {"65001", true, ListCoding::kUtf8, 0},
      {"Utf-16LE", true, ListCoding::kUtf16Le, 0},
      {"1200", true, ListCoding::kUtf16Le, 0},
      {"utf16be", true, ListCoding::kUtf16Be, 0},
      {"1201", true, ListCoding::kUtf16Be, 0},
      {"850", true, page, 850},
      {"0001252", true, page, 1252},
      {"37", false},     // the system knows it, but it moves the line ends
      {"50220", false},  // and this one, but its escape bytes switch what bytes mean
      {"99999", false},
      {"4294968546", false},
      {"utf-32", false},
      {"8 50", false},
      {"-850", false},
      {"ANSI ", false},
  };
  for (const Case& c : cases) {
    ListEncoding encoding{ListCoding::kUtf8, 7};
    EXPECT_EQ(c.usable, ListEncodingNamed(T(c.value), &encoding)) << c.value;
    if (!c.usable) continue;
    EXPECT_EQ(c.coding, encoding.coding) << c.value;
    EXPECT_EQ(c.code_page, encoding.code_page) << c.value;
  }
}

TEST_F(ListReaderTest, EndOfDataStaysMetWithoutFurtherReads) {
  Fake().reads = {{"a\r\nb", 0}, {"", platform::kBrokenPipe}, {"c", 0}};
  EXPECT_EQ(-1, RunReader());  // 109: the writer of a pipe is gone, the normal end
  EXPECT_EQ(Strings({"a", "b"}), used);
  size_t calls = Calls().size();
  EXPECT_TRUE(EndOfEntries());
  Text entry = T("the last entry's memory, which the next one reuses");
  ReadLineText(&entry);
  EXPECT_EQ(T(""), entry);
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
  Text entry;
  ReadLineText(&entry);
  EXPECT_EQ(T("a"), entry);
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
