// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "applog.h"

Q_LOGGING_CATEGORY(lcApp, "norplay.app")
