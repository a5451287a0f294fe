// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The log of playback: libvlc's start-up, media, tracks and the picture's aspect.
// Everything is on by default; QT_LOGGING_RULES="norplay.playback.debug=false" quietens it.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcPlayback)
