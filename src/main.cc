#include <cstdio>

#include "driver.h"

// Windows delivers the arguments as wide text only through wmain.
#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  return run_genversion(argc, argv, stdout, stderr);
}
#else
int main(int argc, char** argv) {
  return run_genversion(argc, argv, stdout, stderr);
}
#endif
