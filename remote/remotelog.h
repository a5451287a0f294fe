// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The log of Norremote's start-up.
// Everything is on by default; QT_LOGGING_RULES="norremote.app.debug=false" quietens it.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcRemote)
