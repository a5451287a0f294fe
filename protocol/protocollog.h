// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The log of the device protocol: discovery sweeps and what the boxes answer.
// Everything is on by default; QT_LOGGING_RULES="norvale.protocol.debug=false" quietens it.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcProtocol)
