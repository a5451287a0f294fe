// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// End-of-run cleanup for Qt Quick Test runners.
#pragma once

namespace quicktestsupport {

// Offscreen, Qt Quick draws with its software scene graph, which deletes the texture made for an
// image only at a frame rendered after the image has left Qt's pixmap cache. By the end of a run
// every test file's window is gone and nothing renders again, so the textures of the images
// shown last would still be held at exit, where the leak checker reports them. This renders one
// frame of a window of its own after purging the cache, which lets the scene graph delete them.
// Call it from the runner's cleanupTestCase.
void releaseSceneGraphTextures();

} // namespace quicktestsupport
