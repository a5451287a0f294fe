// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "librarylog.h"

Q_LOGGING_CATEGORY(lcLibrary, "norplay.library")
