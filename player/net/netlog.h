// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The log of the network library: recording lists, playback sessions and downloads.
// Everything is on by default; QT_LOGGING_RULES="norplay.net.debug=false" quietens it.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcNet)
