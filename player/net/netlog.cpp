// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "netlog.h"

Q_LOGGING_CATEGORY(lcNet, "norplay.net")
