#include "config.h"

const char* codec_version(void) { return PACKAGE_VERSION; }
