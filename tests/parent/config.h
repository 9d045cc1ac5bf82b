/* What Autoconf's config.h would hold; the version comes from genversion. */
#include "version.h"
