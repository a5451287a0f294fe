// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

.pragma library

// The look that every view of the scene shares: one accent on dark surfaces with white text.

const accent = "#ef6d5e"
const accentSelected = "#33ef6d5e"
const accentSelectedHover = "#55ef6d5e"

const text = "white"

// Popups and panels.
const surface = "#262626"
const surfaceBorder = "#3a3a3a"
const listSurface = "#1a1a1a"

// Fills for the controls that take their colours from the palette (palette.button and
// palette.base), so that white text stays readable whatever the style's own palette is.
const controlFill = "#333333"
const fieldFill = "#2a2a2a"

// The close button of the text popups.
const closeButton = "#383838"
const closeButtonHovered = "#444444"
const closeButtonDown = "#505050"
const closeButtonBorder = "#4a4a4a"
