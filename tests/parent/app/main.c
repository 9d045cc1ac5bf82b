#include <stdio.h>
#include <string.h>

#include "config.h"

const char* codec_version(void);

int main(void) {
  /* The library and the program must see the same version. */
  if (strcmp(codec_version(), PACKAGE_VERSION) != 0) return 1;
  printf("codec %s\n", PACKAGE_VERSION);
  return 0;
}
