#include <stdio.h>

#include "version.h"

int main(void) {
  printf("parent %s\n", PACKAGE_VERSION);
  return 0;
}
