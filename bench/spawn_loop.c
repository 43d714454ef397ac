/* The limit for corvane's per-entry cost on Linux: read each line of the list and posix_spawn
   /bin/true with it, nothing else. Like corvane it never waits; with SIGCHLD ignored the
   kernel reaps the children. */
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <string.h>

extern char** environ;

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: spawn_loop <list file>\n");
    return 2;
  }
  FILE* list = fopen(argv[1], "r");
  if (!list) {
    perror(argv[1]);
    return 1;
  }
  signal(SIGCHLD, SIG_IGN);
  char line[4096];
  while (fgets(line, sizeof line, list)) {
    line[strcspn(line, "\r\n")] = 0;
    if (!line[0]) continue;
    char* child_argv[] = {"/bin/true", line, NULL};
    pid_t pid;
    posix_spawn(&pid, child_argv[0], NULL, NULL, child_argv, environ);
  }
  fclose(list);
  return 0;
}
