// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "protocollog.h"

Q_LOGGING_CATEGORY(lcProtocol, "norvale.protocol")
