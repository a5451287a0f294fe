// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#pragma once

// The playback engine lives in its own library; these declarations make its types known to the
// Norplay QML module.

#include <QtQml/qqmlregistration.h>

#include "vlcplayer.h"
#include "vlcvideoitem.h"

struct VlcVideoItemForeign
{
    Q_GADGET
    QML_FOREIGN(VlcVideoItem)
    QML_NAMED_ELEMENT(VlcVideoItem)
};

// Known to the engine as the type of VlcVideoItem.player (the scene's `bridge`), not creatable.
struct VlcPlayerForeign
{
    Q_GADGET
    QML_FOREIGN(VlcPlayer)
    QML_ANONYMOUS
};
