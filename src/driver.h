// The whole run of the tool: checks the arguments, finds the version and
// writes the result line or a message. Writes to no stream but out and err.
#ifndef GENVERSION_DRIVER_H_
#define GENVERSION_DRIVER_H_

#include <cstdio>

#include "platform.h"

// argv[1] is the library name as it stands in AC_INIT, argv[2] the path of
// configure.ac. Returns the exit status: 0 when the version line was
// written to out, 1 otherwise. With argv[1] "--names" it writes the first
// argument of each AC_INIT call of the file instead, a line each: the names
// it takes.
int run_genversion(int argc, const native_char* const* argv, std::FILE* out,
                   std::FILE* err);

#endif  // GENVERSION_DRIVER_H_
