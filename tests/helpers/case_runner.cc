// Runs the tool for a black-box case in the ways that CMake's
// execute_process cannot: with standard output closed, reading a FIFO that
// another process feeds, and with its peak memory checked. POSIX only.
//
//   case_runner [--close-stdout] [--max-rss KIB] [--fifo PATH SOURCE]
//               -- PROGRAM ARG...
//
// --fifo makes the FIFO PATH and feeds it the bytes of SOURCE in two parts,
// a pause between them, so that the tool sees the input arrive. Exits with
// the tool's status, or 125 when the runner itself or the memory check fails.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int runner_failure = 125;

bool read_file(const char* path, std::vector<char>* bytes) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  char block[65536];
  std::size_t count;
  while ((count = std::fread(block, 1, sizeof block, file)) > 0) {
    bytes->insert(bytes->end(), block, block + count);
  }
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

bool write_all(int descriptor, const char* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t count = write(descriptor, bytes, size);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    bytes += count;
    size -= static_cast<std::size_t>(count);
  }
  return true;
}

// The feeding process: it ends once all is written, or when the tool stops
// reading early, which is no fault.
[[noreturn]] void feed_fifo(const char* path, const std::vector<char>& bytes) {
  signal(SIGPIPE, SIG_IGN);
  const int descriptor = open(path, O_WRONLY);
  if (descriptor < 0) _exit(1);
  const std::size_t half = bytes.size() / 2;
  if (write_all(descriptor, bytes.data(), half)) {
    usleep(200 * 1000);
    write_all(descriptor, bytes.data() + half, bytes.size() - half);
  }
  close(descriptor);
  _exit(0);
}

}  // namespace

int main(int argc, char** argv) {
  bool close_stdout = false;
  long max_rss_kib = 0;
  const char* fifo_path = nullptr;
  const char* fifo_source = nullptr;
  int at = 1;
  for (; at < argc && std::strcmp(argv[at], "--") != 0; ++at) {
    if (std::strcmp(argv[at], "--close-stdout") == 0) {
      close_stdout = true;
    } else if (std::strcmp(argv[at], "--max-rss") == 0 && at + 1 < argc) {
      max_rss_kib = std::strtol(argv[++at], nullptr, 10);
    } else if (std::strcmp(argv[at], "--fifo") == 0 && at + 2 < argc) {
      fifo_path = argv[++at];
      fifo_source = argv[++at];
    } else {
      std::fprintf(stderr, "case_runner: unknown option '%s'\n", argv[at]);
      return runner_failure;
    }
  }
  if (at + 1 >= argc) {
    std::fprintf(stderr, "case_runner: no program given\n");
    return runner_failure;
  }
  char** const command = argv + at + 1;

  pid_t feeder = -1;
  if (fifo_path != nullptr) {
    std::vector<char> bytes;
    if (!read_file(fifo_source, &bytes) || mkfifo(fifo_path, 0600) != 0) {
      std::perror("case_runner: fifo");
      return runner_failure;
    }
    feeder = fork();
    if (feeder == 0) feed_fifo(fifo_path, bytes);
  }

  const pid_t tool = fork();
  if (tool == 0) {
    if (close_stdout) close(STDOUT_FILENO);
    execv(command[0], command);
    _exit(runner_failure);
  }
  int status = 0;
  struct rusage usage = {};
  while (wait4(tool, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  if (feeder > 0) {
    // A tool that never opened the FIFO leaves the feeder waiting in open.
    kill(feeder, SIGKILL);
    waitpid(feeder, nullptr, 0);
  }
  if (fifo_path != nullptr) unlink(fifo_path);

  if (max_rss_kib > 0 && usage.ru_maxrss > max_rss_kib) {
    std::fprintf(stderr,
                 "case_runner: peak RSS %ld KiB, above the %ld KiB allowed\n",
                 usage.ru_maxrss, max_rss_kib);
    return runner_failure;
  }
  if (WIFSIGNALED(status)) {
    std::fprintf(stderr, "case_runner: the tool died of signal %d\n",
                 WTERMSIG(status));
    return runner_failure;
  }
  return WEXITSTATUS(status);
}
