// Entries written to trick a shell or a parser: each reaches the started program as the
// splitting rules give it, nothing else runs, nothing is created, and the run goes on.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "harness.h"

namespace {

struct Hostile {
  std::string entry;   // as written in the list
  Argv arguments;      // what /X:program /B:-b /E:-e gives the program
  std::string opened;  // what documents mode gives xdg-open
};

std::string B(const char* bytes, size_t length) { return std::string(bytes, length); }

const std::string kBom = "\xEF\xBB\xBF";

const std::vector<Hostile>& Table() {
  static const std::vector<Hostile> table = {
      {"a.txt\" & calc & \"", {"-b", "a.txt", "&", "calc", "&", " -e"}, "a.txt\" & calc & "},
      // A byte-order mark past the very start is a character of its entry.
      {kBom + "bom.txt", {"-b", kBom + "bom.txt", "-e"}, kBom + "bom.txt"},
      {"; touch pwned", {"-b", "; touch pwned", "-e"}, "; touch pwned"},
      {"$(touch pwned)", {"-b", "$(touch pwned)", "-e"}, "$(touch pwned)"},
      {"`touch pwned`", {"-b", "`touch pwned`", "-e"}, "`touch pwned`"},
      {"x && touch pwned || touch pwned",
       {"-b", "x && touch pwned || touch pwned", "-e"},
       "x && touch pwned || touch pwned"},
      {"a | tee pwned > pwned", {"-b", "a | tee pwned > pwned", "-e"}, "a | tee pwned > pwned"},
      {"%PATH%", {"-b", "%PATH%", "-e"}, "%PATH%"},
      {"$HOME ${PATH}", {"-b", "$HOME ${PATH}", "-e"}, "$HOME ${PATH}"},
      {"file[1].txt", {"-b", "file[1].txt", "-e"}, "file[1].txt"},
      {"*", {"-b", "*", "-e"}, "*"},
      {"~/x", {"-b", "~/x", "-e"}, "~/x"},
      {"-readme.txt", {"-b", "-readme.txt", "-e"}, "./-readme.txt"},
      {"'single quoted'", {"-b", "'single quoted'", "-e"}, "'single quoted'"},
      {"say \"hi\" now", {"-b", "say hi now", "-e"}, "say \"hi\" now"},
      // An odd count of quotes: the last one takes the after-text into the entry's argument.
      {"back\\\"slash", {"-b", "back\\slash -e"}, "back\\\"slash"},
      {"tab\there", {"-b", "tab\there", "-e"}, "tab\there"},
      {"line\nfeed", {"-b", "line\nfeed", "-e"}, "line\nfeed"},
      // Not UTF-8, so taken as they are; cp1252 letters and the no-break space 0xA0 are no
      // Blanks.
      {"\xE9t\xE9\xA0\x80\xFF.txt",
       {"-b", "\xE9t\xE9\xA0\x80\xFF.txt", "-e"},
       "\xE9t\xE9\xA0\x80\xFF.txt"},
      // A NUL is no character of a name: U+FFFD, and the rest stays.
      {B("nul\0after", 9), {"-b", "nul\xEF\xBF\xBD" "after", "-e"}, "nul\xEF\xBF\xBD" "after"},
      {"last.txt", {"-b", "last.txt", "-e"}, "last.txt"},
  };
  return table;
}

std::string ListOfTable() {
  std::vector<std::string> lines;
  for (const Hostile& h : Table()) lines.push_back(h.entry);
  return ListOf(lines);
}

class HostileTest : public E2eTest {
 protected:
  // Beside the list, only what the test made itself.
  void ExpectNothingCreated(std::vector<std::string> made = {}) {
    made.push_back("list.txt");
    std::sort(made.begin(), made.end());
    made.erase(std::unique(made.begin(), made.end()), made.end());
    EXPECT_EQ(WorkFiles(), made);
  }
  // A folder for each document, so that it reaches xdg-open: a local path must exist.
  std::vector<std::string> MakeFolders(const std::vector<std::string>& paths) {
    std::vector<std::string> made;
    for (std::string path : paths) {
      if (path.rfind("./", 0) == 0) path.erase(0, 2);
      std::filesystem::create_directories(Work() + "/" + path);
      made.push_back(path.substr(0, path.find('/')));
    }
    return made;
  }
};

TEST_F(HostileTest, NamedProgramGetsEachEntryAsTheRulesSplitIt) {
  WriteFile(Work() + "/list.txt", ListOfTable());
  Outcome outcome = Run({"/X:" + Recorder(), "/B:-b", "/E:-e", "/L:list.txt", "/W"});
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_EQ(outcome.err, "");
  ASSERT_TRUE(WaitFor([&] { return StartCount() >= Table().size(); }));
  std::vector<Argv> expected;
  for (const Hostile& h : Table()) {
    expected.push_back({Recorder()});
    expected.back().insert(expected.back().end(), h.arguments.begin(), h.arguments.end());
  }
  EXPECT_EQ(SortedArgvs(Starts()), Sorted(expected));
  ExpectNothingCreated();
}

TEST_F(HostileTest, DocumentsGoToXdgOpenAsOneArgument) {
  std::vector<std::string> documents;
  for (const Hostile& h : Table()) documents.push_back(h.opened);
  const std::vector<std::string> made = MakeFolders(documents);
  WriteFile(Work() + "/list.txt", ListOfTable());
  Outcome outcome = Run({"/L:list.txt"});
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_EQ(outcome.err, "");
  ASSERT_TRUE(WaitFor([&] { return StartCount() >= Table().size(); }));
  std::vector<Argv> expected;
  for (const std::string& document : documents) expected.push_back({"xdg-open", document});
  EXPECT_EQ(SortedArgvs(Starts()), Sorted(expected));
  ExpectNothingCreated(made);
}

std::string HugeEntry(size_t length) {
  std::string entry;
  for (size_t i = 0; i < length; ++i) entry += "abcdefghijklmnopqrstuvwxyz0123456789"[i % 36];
  return entry;
}

// A URL, as no file name is that long.
TEST_F(HostileTest, AHundredThousandByteEntryArrivesWhole) {
  const std::string entry = "https://example.org/" + HugeEntry(100000);
  MakeFolders({"next"});
  WriteFile(Work() + "/list.txt", ListOf({entry, "next"}));

  Outcome outcome = Run({"/X:" + Recorder(), "/B:-b", "/E:-e", "/L:list.txt"});
  EXPECT_EQ(outcome.exit_code, 0);
  ASSERT_TRUE(WaitFor([&] { return StartCount() >= 2; }));
  std::vector<Start> starts = Starts();
  ASSERT_EQ(starts.size(), 2u);
  if (starts[0].argv.size() == 4 && starts[0].argv[2] == "next") std::swap(starts[0], starts[1]);
  EXPECT_EQ(starts[0].argv, (Argv{Recorder(), "-b", entry, "-e"}));
  EXPECT_EQ(starts[1].argv, (Argv{Recorder(), "-b", "next", "-e"}));

  Outcome documents = Run({"/L:list.txt"});
  EXPECT_EQ(documents.exit_code, 0);
  ASSERT_TRUE(WaitFor([&] { return StartCount() >= 4; }));
  starts = Starts();
  starts.erase(starts.begin(), starts.begin() + 2);
  EXPECT_EQ(SortedArgvs(starts), Sorted({{"xdg-open", entry}, {"xdg-open", "next"}}));
}

// Too long for one argument on Linux: that start fails alone.
TEST_F(HostileTest, AnEntryTooLongToHandOnFailsWithOneLine) {
  MakeFolders({"next"});
  WriteFile(Work() + "/list.txt", ListOf({"https://example.org/" + HugeEntry(200000), "next"}));
  Outcome outcome = Run({"/L:list.txt"});
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1);
  ASSERT_TRUE(WaitFor([&] { return StartCount() >= 1; }));
  EXPECT_EQ(Starts()[0].argv, (Argv{"xdg-open", "next"}));
}

}  // namespace
