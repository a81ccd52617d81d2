// Peak resident memory of one piece of work run in a fresh process, so that what earlier
// benchmarks held does not count: fork, run, report ru_maxrss (kB) back through a pipe.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

template <class Work>
long peak_kb_in_child(Work&& work) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    work();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const long kb = usage.ru_maxrss;
    if (write(fds[1], &kb, sizeof kb) != static_cast<ssize_t>(sizeof kb)) _exit(1);
    _exit(0);
  }
  close(fds[1]);
  long kb = -1;
  if (read(fds[0], &kb, sizeof kb) != static_cast<ssize_t>(sizeof kb)) kb = -1;
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return kb;
}
