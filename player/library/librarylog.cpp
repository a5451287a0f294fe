#include "librarylog.h"

Q_LOGGING_CATEGORY(lcLibrary, "norplay.library")
