#include <stdio.h>

#include "version.h"

int main(void) {
  printf("consumer %s\n", PACKAGE_VERSION);
  return 0;
}
