// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "playbacklog.h"

Q_LOGGING_CATEGORY(lcPlayback, "norplay.playback")
