// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The log of the local library: folder scans, playlist generation and resume positions.
// Everything is on by default; QT_LOGGING_RULES="norplay.library.debug=false" quietens it.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcLibrary)
