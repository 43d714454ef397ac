// Hostile list entries on the real shell: only the named or associated program is started, once
// per entry and with exactly the command text the entry gives, nothing else is created or run,
// and the run goes on to the next entry.
#include <algorithm>
#include <set>

#include "e2e.h"

namespace e2e {
namespace {

enum class Platform {
  kExact,
  // Windows takes at most 32767 characters of command line: the start is refused or, under
  // Wine, made with the command line cut there.
  kMayCutLongLine,
  // Wine's shell reads %NAME% in a document's name as a variable and does not find the file.
  kMayRefuse,
};

struct Expected {
  std::string label;
  std::string program;
  std::string command_line;
  Platform platform = Platform::kExact;
};

// Walks the starts and the expected starts side by side; a start that the platform may refuse
// is matched only when it is there.
void ExpectStarts(const std::vector<ProbeStart>& starts, const std::vector<Expected>& expected) {
  size_t next = 0;
  for (const Expected& want : expected) {
    const ProbeStart* start = next < starts.size() ? &starts[next] : nullptr;
    switch (want.platform) {
      case Platform::kMayCutLongLine:
        if (start && start->command_line.size() >= 32000 &&
            want.command_line.compare(0, start->command_line.size(), start->command_line) == 0)
          ++next;
        continue;
      case Platform::kMayRefuse:
        if (start && SameCommandLine(start->command_line, want.command_line)) ++next;
        continue;
      case Platform::kExact: break;
    }
    if (!start) {
      ADD_FAILURE() << want.label << ": not started";
      continue;
    }
    EXPECT_EQ(want.program, start->module) << want.label;
    EXPECT_TRUE(SameCommandLine(start->command_line, want.command_line)) << want.label;
    ++next;
  }
  EXPECT_EQ(next, starts.size()) << "more starts than entries";
}

std::string CodesFrom128To255() {
  std::string text;
  for (int code = 128; code < 256; ++code) text += static_cast<char>(code);
  return text;
}

// An entry that is not UTF-8 is read in the ANSI code page.
std::string FromAnsi(const std::string& bytes) {
  std::wstring wide(bytes.size(), L'\0');
  int count = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &wide[0],
                                  static_cast<int>(wide.size()));
  wide.resize(count > 0 ? count : 0);
  return Utf8(wide);
}

// Wine's own background programs, which may come and go at any time.
const std::set<std::string> kWineServices = {"explorer.exe", "services.exe", "winedevice.exe",
                                             "plugplay.exe", "svchost.exe",  "rpcss.exe",
                                             "conhost.exe",  "tabtip.exe"};

class HostileEntries : public E2eTest {
 protected:
  // Runs corvane on list.txt and checks that the folder holds afterwards what it held before,
  // and that no process came up but the probes and Wine's own.
  std::vector<ProbeStart> RunList(const std::string& options, size_t at_least) {
    std::vector<std::string> files = FolderEntries();
    std::vector<std::pair<DWORD, std::string>> before = Processes();
    CorvaneRun run = RunCorvane(options + " /L:list.txt");
    EXPECT_EQ(0u, run.exit_code);
    std::vector<ProbeStart> starts = Starts(at_least, true);
    EXPECT_EQ(files, FolderEntries()) << "a file came or went";
    for (const auto& process : Processes()) {
      bool old = std::find(before.begin(), before.end(), process) != before.end();
      std::string name = process.second;
      std::transform(name.begin(), name.end(), name.begin(), ::tolower);
      if (!old && name.rfind("corvane_probe", 0) != 0 && !kWineServices.count(name))
        ADD_FAILURE() << "started besides the probe: " << process.second;
    }
    return starts;
  }
};

TEST_F(HostileEntries, NamedProgramGetsEachEntryQuotedAndNothingElse) {
  const std::string high = CodesFrom128To255();
  const std::string long_entry(100000, 'x');
  struct Row {
    const char* label;
    std::string entry;
    std::string command;
    Platform platform;
  };
  const std::vector<Row> rows = {
      {"closes_the_quote", "a.txt\" & calc & \"", "\"a.txt\" & calc & \"", Platform::kExact},
      {"shell_separator", "; touch pwned", "\"; touch pwned\"", Platform::kExact},
      {"command_substitution", "$(touch pwned)", "\"$(touch pwned)\"", Platform::kExact},
      {"backticks", "`touch pwned`", "\"`touch pwned`\"", Platform::kExact},
      {"pipe_and_redirect", "a | calc > b.txt", "\"a | calc > b.txt\"", Platform::kExact},
      {"variable", "%PATH%", "\"%PATH%\"", Platform::kExact},
      {"brackets", "file[1].txt", "\"file[1].txt\"", Platform::kExact},
      {"leading_dash", "-readme.txt", "\"-readme.txt\"", Platform::kExact},
      {"100000_bytes", long_entry, "\"" + long_entry + "\"", Platform::kMayCutLongLine},
      // A NUL is no character of a name: U+FFFD, and the rest of the entry stays.
      {"nul_inside", std::string("a\0b.txt", 7), "\"a\xEF\xBF\xBD" "b.txt\"", Platform::kExact},
      // A byte-order mark past the very start is a character of its entry.
      {"byte_order_mark",
       "\xEF\xBB\xBF"
       "bom.txt",
       "\"\xEF\xBB\xBF"
       "bom.txt\"",
       Platform::kExact},
      {"codes_128_to_255", high, "\"" + FromAnsi(high) + "\"", Platform::kExact},
      {"after_all_the_others", "last.txt", "\"last.txt\"", Platform::kExact},
  };
  std::string list = std::string("\0\0", 2);  // NULs before an entry are skipped like blanks
  std::vector<Expected> expected;
  for (const Row& row : rows) {
    list += row.entry + "\r\n";
    expected.push_back({row.label, Probe(), ShellCommandLine(Probe(), row.command), row.platform});
  }
  WriteFile("list.txt", list);
  ExpectStarts(RunList("/X:" + Probe(), rows.size() - 1), expected);
}

// Names a shell would act on, as files of the registered type: the list's entry, and the file's
// name where the entry is not UTF-8.
struct HostileDocument {
  std::string entry;
  std::string decoded;
  const std::string& name() const { return decoded.empty() ? entry : decoded; }
};
const std::vector<HostileDocument> kHostileDocuments = {
    {"a & calc & b.cvtest"},
    {"; touch pwned.cvtest"},
    {"$(touch pwned).cvtest"},
    {"`touch pwned`.cvtest"},
    {"%PATH%.cvtest"},
    {"file[1].cvtest"},
    {"-readme.cvtest"},
    {"(x) 100%.cvtest"},
    {"\xEF\xBB\xBF"
     "bom.cvtest"},
    {"caf\xE9 na\xEFve.cvtest", "café naïve.cvtest"},  // cp1252
    {"last.cvtest"}};

TEST_F(HostileEntries, AssociatedProgramGetsEachEntryQuotedAndNothingElse) {
  std::string list;
  std::vector<Expected> expected;
  for (const HostileDocument& document : kHostileDocuments) {
    const std::string& name = document.name();
    WriteFile(name, "");
    list += document.entry + "\r\n";
    expected.push_back({name, Probe(), ShellCommandLine(Probe(), "\"" + name + "\" -e")});
  }
  WriteFile("list.txt", list);
  ExpectStarts(RunList("/E:-e", expected.size()), expected);
}

TEST_F(HostileEntries, DocumentsAreOpenedByTheirProgramAndNothingElse) {
  std::string list;
  std::vector<Expected> expected;
  for (const HostileDocument& document : kHostileDocuments) {
    const std::string& name = document.name();
    WriteFile(name, "");
    list += document.entry + "\r\n";
    Platform platform = name == "%PATH%.cvtest" ? Platform::kMayRefuse : Platform::kExact;
    expected.push_back(
        {name, Probe(), ShellCommandLine(Probe(), "\"" + Path(name) + "\""), platform});
  }
  WriteFile("list.txt", list);
  ExpectStarts(RunList("", expected.size() - 1), expected);
}

}  // namespace
}  // namespace e2e
