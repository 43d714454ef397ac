// The list file as the real binary meets it: exit codes for lists it cannot read, pipes,
// devices, paths longer than Windows would take, and lists in other encodings than UTF-8.
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "harness.h"
#include "utf16_bytes.h"

namespace {

class ListFileTest : public E2eTest {};

TEST_F(ListFileTest, ExitCodeTellsWhyTheListCouldNotBeRead) {
  ASSERT_EQ(mkdir((Work() + "/folder").c_str(), 0755), 0);
  WriteFile(Work() + "/plain.txt", ListOf({"x"}));
  WriteFile(Work() + "/empty.txt", "");
  WriteFile(Work() + "/blanks.txt", " \t\r\n\r\n  \n\r");
  WriteFile(Work() + "/ctrl-z.txt", "\x1a" + ListOf({"never.txt"}));
  struct Case {
    std::string list;
    int code;
  };
  const std::vector<Case> cases = {
      {"missing.txt", 2},
      {Work() + "/missing.txt", 2},
      {"no-folder/list.txt", 3},
      {"/no-such-folder-for-corvane/list.txt", 3},
      {"plain.txt/list.txt", 3},  // a file where a folder should be
      {"folder", 5},
      {"folder/", 5},
      {std::string(300, 'n'), 206},  // a name longer than any file system takes
      {"empty.txt", 0},
      {"blanks.txt", 0},
      {"ctrl-z.txt", 0},
      {"/dev/null", 0},
  };
  for (const Case& c : cases) {
    Outcome outcome = Run({"/X:" + Recorder(), "/L:" + c.list});
    EXPECT_EQ(outcome.exit_code, c.code) << c.list;
    EXPECT_EQ(outcome.err, "") << c.list;  // list failures end the run silently
  }
  EXPECT_EQ(StartCount(), 0u);
}

// Whatever the list's encoding, the started program gets each entry in UTF-8.
TEST_F(ListFileTest, EncodedListsReachTheProgramAsUtf8) {
  struct Case {
    std::string encoding;  // the /C: value, none when empty
    std::string list;
    std::vector<std::string> entries;
  };
  const std::vector<Case> cases = {
      // The mark alone tells; a character outside the BMP comes as a surrogate pair.
      {"",
       "\xFF\xFE" + Utf16Bytes(u"café.txt\r\nфото 1.jpg\r\n\r\n  日本 \U0001F600.txt\r\n"),
       {"café.txt", "фото 1.jpg", "日本 \U0001F600.txt"}},
      // Forced, the code page holds even for an entry that would pass for UTF-8.
      {"1252",
       ListOf({"caf\xE9.txt", "\x80 \x9Cuvre.txt", "\xC3\xA9"}),
       {"café.txt", "€ œuvre.txt", "Ã©"}},
  };
  std::vector<Argv> expected;
  for (const Case& c : cases) {
    WriteFile(Work() + "/list.txt", c.list);
    Argv args = {"/X:" + Recorder(), "/L:list.txt"};
    if (!c.encoding.empty()) args.push_back("/C:" + c.encoding);
    Outcome outcome = Run(args);
    EXPECT_EQ(outcome.exit_code, 0) << c.encoding;
    EXPECT_EQ(outcome.err, "") << c.encoding;
    for (const std::string& entry : c.entries) expected.push_back({Recorder(), entry});
    ASSERT_TRUE(WaitFor([&] { return StartCount() >= expected.size(); }));
  }
  EXPECT_EQ(SortedArgvs(Starts()), Sorted(expected));
}

TEST_F(ListFileTest, AnEncodingItCannotReadStartsNothingAndEndsWith87) {
  WriteFile(Work() + "/list.txt", ListOf({"a"}));
  // EBCDIC (its line ends are other bytes), no code page at all, and no name corvane knows.
  for (const std::string value : {"37", "99999", "UTF-32"}) {
    Outcome outcome = Run({"/X:" + Recorder(), "/C:" + value, "/L:list.txt"});
    EXPECT_EQ(outcome.exit_code, 87) << value;
    EXPECT_EQ(outcome.err, UsageLine() + "corvane: /C:" + value +
                               " names no list encoding that this system can read\n");
  }
  EXPECT_EQ(StartCount(), 0u);
}

TEST_F(ListFileTest, AnUnreadableListEndsWithAccessDenied) {
  const std::string list = Work() + "/secret.txt";
  WriteFile(list, ListOf({"a"}));
  std::vector<std::string> args = {"/X:/bin/true", "/L:" + list};
  if (geteuid() != 0) {
    ASSERT_EQ(chmod(list.c_str(), 0), 0);
    EXPECT_EQ(Run(args).exit_code, 5);
    return;
  }
  // root reads every file, so the list is read as nobody, with a copy of corvane that
  // nobody can reach wherever the build tree lives.
  ASSERT_EQ(chmod(list.c_str(), 0600), 0);
  ASSERT_EQ(chmod(Root().c_str(), 0755), 0);
  const std::string copy = Root() + "/corvane";
  std::filesystem::copy_file(Corvane(), copy);
  ASSERT_EQ(chmod(copy.c_str(), 0755), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    const gid_t nobody = 65534;
    if (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0) _exit(120);
    if (chdir(Work().c_str()) != 0) _exit(121);
    execl(copy.c_str(), copy.c_str(), args[0].c_str(), args[1].c_str(), nullptr);
    _exit(122);
  }
  EXPECT_EQ(Finish(pid).exit_code, 5);
}

TEST_F(ListFileTest, AFifoIsReadAsItIsWritten) {
  ASSERT_EQ(mkfifo((Work() + "/list").c_str(), 0600), 0);
  pid_t pid = Launch({"/X:" + Recorder(), "/L:list", "/W"});
  int writer = open((Work() + "/list").c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  std::string first = "one\r\ntw";
  ASSERT_EQ(write(writer, first.data(), first.size()), static_cast<ssize_t>(first.size()));
  // The first entry starts before the rest of the list even exists.
  EXPECT_TRUE(WaitFor([&] { return StartCount() == 1; }));
  std::string rest = "o\r\nthree";
  ASSERT_EQ(write(writer, rest.data(), rest.size()), static_cast<ssize_t>(rest.size()));
  close(writer);
  EXPECT_EQ(Finish(pid).exit_code, 0);
  ASSERT_TRUE(WaitFor([&] { return StartCount() == 3; }));
  std::vector<std::string> entries;
  for (const Start& start : Starts()) entries.push_back(start.argv.back());
  // The last two start side by side and may log in either order.
  std::sort(entries.begin() + 1, entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"one", "three", "two"}));
}

// Each started program reads all of its standard input: had it corvane's, it would eat the
// entries still to come.
TEST_F(ListFileTest, StandardInputServesAsTheList) {
  const std::string eater = Root() + "/eater";
  WriteFile(eater, "#!/bin/sh\n\"" + Recorder() + "\" \"$@\"\nexec cat >/dev/null\n");
  ASSERT_EQ(chmod(eater.c_str(), 0755), 0);
  int ends[2];
  ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
  pid_t pid = Launch({"/X:" + eater, "/L:/dev/stdin", "/W"}, ends[0]);
  close(ends[0]);
  std::vector<std::string> lines = {"", "  "};
  for (int i = 0; i < 60; ++i) lines.push_back("entry-" + std::to_string(i));
  std::string list = ListOf(lines);
  ASSERT_EQ(write(ends[1], list.data(), list.size()), static_cast<ssize_t>(list.size()));
  close(ends[1]);
  EXPECT_EQ(Finish(pid).exit_code, 0);
  EXPECT_TRUE(WaitFor([&] { return StartCount() == 60; })) << StartCount() << " of 60 started";
}

// Windows would cut the path to 259 characters; cut, it could name another list.
TEST_F(ListFileTest, APathLongerThanWindowsTakesIsOpenedWhole) {
  const std::string folder = Work() + "/" + std::string(100, 'd');
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  const std::string list = folder + "/" + std::string(300 - folder.size() - 5, 'l') + ".txt";
  ASSERT_EQ(list.size(), 300u);
  const std::string decoy = list.substr(0, 259);
  ASSERT_GT(decoy.size(), folder.size() + 1);  // a file beside the real list
  WriteFile(list, ListOf({"from-the-long-path"}));
  WriteFile(decoy, ListOf({"from-the-decoy"}));
  Outcome outcome = Run({"/X:" + Recorder(), "/L:" + list});
  EXPECT_EQ(outcome.exit_code, 0);
  ASSERT_TRUE(WaitFor([&] { return StartCount() >= 1; }));
  ASSERT_EQ(Starts().size(), 1u);
  EXPECT_EQ(Starts()[0].argv.back(), "from-the-long-path");
}

// An entry that outgrows the memory corvane may have ends it silently with 203. The list is a
// pipe that corvane waits on, so its memory can be capped before the entry starts to grow.
TEST_F(ListFileTest, RunningOutOfMemoryEndsSilentlyWith203) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's shadow memory does not fit under an address-space cap";
#endif
  int ends[2];
  ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
  pid_t pid = Launch({"/X:" + Recorder(), "/L:/dev/stdin"}, ends[0]);
  close(ends[0]);
  // Blocked on its first read: its address space is as large as it gets before the entry.
  auto state = [&] {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string pid_field, name, state;
    stat >> pid_field >> name >> state;
    return state;
  };
  ASSERT_TRUE(WaitFor([&] { return state() == "S"; }));
  long vm_kib = 0;
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmSize:", 0) == 0) vm_kib = std::stol(line.substr(7));
  ASSERT_GT(vm_kib, 0);
  const rlimit cap = {static_cast<rlim_t>(vm_kib + 64 * 1024) * 1024,
                      static_cast<rlim_t>(vm_kib + 64 * 1024) * 1024};
  ASSERT_EQ(prlimit(pid, RLIMIT_AS, &cap, nullptr), 0);

  signal(SIGPIPE, SIG_IGN);
  const std::string chunk(1 << 20, 'a');  // one entry, never ending
  for (int written = 0; written < 512; ++written)
    if (write(ends[1], chunk.data(), chunk.size()) < 0) break;  // corvane has ended
  close(ends[1]);
  Outcome outcome = Finish(pid);
  EXPECT_EQ(outcome.exit_code, 203);
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(StartCount(), 0u);
}

}  // namespace
