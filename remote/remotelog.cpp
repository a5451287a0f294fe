// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "remotelog.h"

Q_LOGGING_CATEGORY(lcRemote, "norremote.app")
