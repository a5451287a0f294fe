// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "scenegraphcleanup.h"

#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>

namespace quicktestsupport {

void releaseSceneGraphTextures()
{
    QQuickWindow window;
    window.resize(16, 16);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        qWarning("no frame for releasing the scene graph's textures");
        return;
    }
    window.releaseResources(); // also purges the pixmap cache
    QSignalSpy swapped(&window, &QQuickWindow::frameSwapped);
    window.update();
    if (!swapped.wait(5000))
        qWarning("no frame for releasing the scene graph's textures");
}

} // namespace quicktestsupport
