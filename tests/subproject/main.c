#include <stdio.h>

#include "version.h"

int main(void) {
  printf("parent %s %s\n", PACKAGE_VERSION, CONFIGURE_TIME_VERSION);
  return 0;
}
