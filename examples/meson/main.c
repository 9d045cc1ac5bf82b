#include <stdio.h>

#include "version.h"

int main(void) {
  printf("app %s\n", PACKAGE_VERSION);
  return 0;
}
