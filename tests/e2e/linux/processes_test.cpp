// What corvane leaves behind in the process table and in its descriptor table. The list is
// a FIFO that the test holds open, so corvane is still alive, waiting for more entries,
// when its children and descriptors are looked at.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"

namespace {

struct Child {
  int pid;
  char state;
};

// A process may end while its files are read; what was read by then is the answer.
std::string ProcFile(const std::string& path) {
  std::string text;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buffer[4096];
  ssize_t got;
  while ((got = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, got);
  close(fd);
  return text;
}

std::vector<Child> ChildrenOf(pid_t parent) {
  std::vector<Child> children;
  DIR* proc = opendir("/proc");
  if (!proc) return children;
  while (dirent* e = readdir(proc)) {
    if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
    std::string stat = ProcFile(std::string("/proc/") + e->d_name + "/stat");
    size_t name_end = stat.rfind(')');  // the name itself may hold anything
    if (name_end == std::string::npos) continue;
    std::istringstream rest(stat.substr(name_end + 1));
    char state = 0;
    int ppid = 0;
    if (rest >> state >> ppid && ppid == parent) children.push_back({atoi(e->d_name), state});
  }
  closedir(proc);
  return children;
}

// Even a child the kernel reaps by itself reads as a zombie for an instant while it exits; a
// zombie left to be reaped is still one at the next look, so only those count. seen carries
// the zombies of the last look from one call to the next.
size_t LastingZombiesOf(pid_t parent, std::set<int>* seen) {
  std::set<int> now;
  size_t lasting = 0;
  for (const Child& child : ChildrenOf(parent)) {
    if (child.state != 'Z') continue;
    now.insert(child.pid);
    lasting += seen->count(child.pid);
  }
  *seen = now;
  return lasting;
}

struct Descriptor {
  std::string target;
  unsigned long flags;
};

std::map<int, Descriptor> DescriptorsOf(pid_t pid) {
  std::map<int, Descriptor> descriptors;
  const std::string base = "/proc/" + std::to_string(pid);
  DIR* dir = opendir((base + "/fd").c_str());
  if (!dir) return descriptors;
  while (dirent* e = readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    char target[4096];
    ssize_t length = readlink((base + "/fd/" + e->d_name).c_str(), target, sizeof target - 1);
    std::istringstream info(ProcFile(base + "/fdinfo/" + e->d_name));
    std::string key;
    unsigned long flags = 0;
    while (info >> key)
      if (key == "flags:") info >> std::oct >> flags;
    descriptors[atoi(e->d_name)] = {std::string(target, length > 0 ? length : 0), flags};
  }
  closedir(dir);
  return descriptors;
}

size_t ThreadsOf(pid_t pid) {
  size_t threads = 0;
  DIR* dir = opendir(("/proc/" + std::to_string(pid) + "/task").c_str());
  if (!dir) return 0;
  while (dirent* e = readdir(dir)) threads += e->d_name[0] != '.';
  closedir(dir);
  return threads;
}

class ProcessTest : public E2eTest {
 protected:
  // Starts corvane on a FIFO list and gives the writing end.
  int LaunchOnFifo(std::vector<std::string> args, bool leak_descriptor, pid_t* pid) {
    const std::string fifo = Work() + "/list";
    EXPECT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    args.push_back("/L:list");
    *pid = Launch(args, -1, leak_descriptor);
    return open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
  }
  static void Send(int writer, const std::string& bytes) {
    ASSERT_EQ(write(writer, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
};

TEST_F(ProcessTest, TwoThousandStartsLeaveNoZombieAndNoDescriptor) {
  const size_t kEntries = 2000;
  pid_t pid = -1;
  int writer = LaunchOnFifo({"/X:" + Recorder(), "/W"}, true, &pid);
  ASSERT_GE(writer, 0);
  std::string list;
  for (size_t i = 0; i < kEntries; ++i) list += "entry-" + std::to_string(i) + "\r\n";
  Send(writer, list);

  size_t most_zombies = 0;
  std::set<int> zombies;
  bool all_started = WaitFor(
      [&] {
        most_zombies = std::max(most_zombies, LastingZombiesOf(pid, &zombies));
        return StartCount() >= kEntries;
      },
      60);
  EXPECT_TRUE(all_started) << StartCount() << " of " << kEntries << " started, then none for 60 s";
  // Every started program has ended by itself; none may be left waiting to be reaped.
  EXPECT_TRUE(WaitFor([&] {
    most_zombies = std::max(most_zombies, LastingZombiesOf(pid, &zombies));
    return ChildrenOf(pid).empty();
  })) << ChildrenOf(pid).size()
      << " children left";
  EXPECT_EQ(most_zombies, 0u);

  // corvane holds the standard descriptors, the one it inherited, and the list, which is
  // read-only and closed on exec; 2,000 starts have left nothing else open.
  std::map<int, Descriptor> held = DescriptorsOf(pid);
  std::set<int> numbers;
  for (const auto& pair : held) numbers.insert(pair.first);
  ASSERT_EQ(numbers, (std::set<int>{0, 1, 2, 3, 9}));
  EXPECT_EQ(held[3].target, Work() + "/list");
  EXPECT_EQ(held[3].flags & O_ACCMODE, static_cast<unsigned long>(O_RDONLY));
  EXPECT_NE(held[3].flags & O_CLOEXEC, 0u);

  close(writer);
  EXPECT_EQ(Finish(pid).exit_code, 0);
  std::vector<Start> starts = Starts();
  ASSERT_EQ(starts.size(), kEntries);
  std::set<std::string> entries;
  for (const Start& start : starts) {
    entries.insert(start.argv.back());
    // Not the inherited descriptor 9, not the list, and SIGCHLD back to its default.
    ASSERT_EQ(start.descriptors, "0,1,2");
    ASSERT_EQ(start.sigchld, "default");
  }
  EXPECT_EQ(entries.size(), kEntries);
}

TEST_F(ProcessTest, LookupsKeepNothingOpenPerEntry) {
  InstallAssociation();
  WriteFile(Work() + "/x.ctest", "some text\n");
  pid_t pid = -1;
  int writer = LaunchOnFifo({"/E:-z", "/W"}, false, &pid);
  ASSERT_GE(writer, 0);
  auto send = [&](size_t count) {
    std::string list;
    for (size_t i = 0; i < count; ++i) list += "x.ctest\r\n";
    Send(writer, list);
  };

  send(3);
  ASSERT_TRUE(WaitFor([&] { return StartCount() >= 3; }));
  std::map<int, Descriptor> early = DescriptorsOf(pid);
  size_t early_threads = ThreadsOf(pid);
  send(200);
  ASSERT_TRUE(WaitFor([&] { return StartCount() >= 203; }));
  std::map<int, Descriptor> late = DescriptorsOf(pid);
  EXPECT_EQ(late.size(), early.size());
  for (const auto& pair : early) {
    EXPECT_EQ(late[pair.first].target, pair.second.target) << "descriptor " << pair.first;
    // What GIO keeps open for itself is never handed to a started program either.
    if (pair.first > 2) EXPECT_NE(pair.second.flags & O_CLOEXEC, 0u) << pair.second.target;
  }
  EXPECT_EQ(ThreadsOf(pid), early_threads);

  close(writer);
  EXPECT_EQ(Finish(pid).exit_code, 0);
  for (const Start& start : Starts()) {
    ASSERT_EQ(start.argv, (Argv{AssociatedProgram(), "--from-desktop-file", "x.ctest", "-z"}));
    ASSERT_EQ(start.descriptors, "0,1,2");
  }
}

}  // namespace
