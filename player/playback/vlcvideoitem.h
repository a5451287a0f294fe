// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QMutex>
#include <QPointer>
#include <QQuickItem>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <atomic>

class VlcPlayer;

// The display aspect a picture is drawn at: the forced aspect if set (> 0), else the measured
// source aspect if set (> 0), else the frame's own pixel ratio. 0 when nothing is known.
double effectiveVideoAspect(double forcedAspect, double sourceAspect, QSize frame);

// The rectangle inside `bounds` (origin 0,0) that shows a picture of display aspect `aspect`:
// full width and centred vertically when the picture is wider than the bounds, full height and
// centred horizontally when it is narrower, the whole bounds when equal. Empty for empty bounds
// or an aspect that is not positive.
QRectF letterboxRect(QSizeF bounds, double aspect);

// Qt Quick item that paints the frames of a VlcPlayer. libvlc renders in software (RV32) into a
// buffer owned by the item; every scene-graph update copies the latest picture into a texture.
class VlcVideoItem : public QQuickItem
{
    Q_OBJECT
    Q_PROPERTY(VlcPlayer *player READ player WRITE setPlayer NOTIFY playerChanged)

public:
    explicit VlcVideoItem(QQuickItem *parent = nullptr);
    ~VlcVideoItem() override;

    VlcVideoItem(const VlcVideoItem &) = delete;
    VlcVideoItem &operator=(const VlcVideoItem &) = delete;

    VlcPlayer *player() const { return m_player; }
    void setPlayer(VlcPlayer *player);

    // Set by the player: the aspect measured from the media (0 = not measured) and the aspect
    // forced by the user's aspect mode (0 = none).
    void setSourceAspect(double aspect);
    void setForcedAspect(double aspect);

    double sourceAspect() const;
    double forcedAspect() const;
    QSize frameSize() const;

    // libvlc software-rendering callbacks; the opaque pointer is the item. Installed by
    // VlcPlayer::attachVideoItem, run on libvlc's video output thread.
    static unsigned formatSetup(void **opaque, char *chroma, unsigned *width, unsigned *height,
                                unsigned *pitches, unsigned *lines);
    static void formatCleanup(void *opaque);
    static void *lockFrame(void *opaque, void **planes);
    static void unlockFrame(void *opaque, void *picture, void *const *planes);
    static void displayFrame(void *opaque, void *picture);

signals:
    void playerChanged();
    void firstFrameReceived();

protected:
    QSGNode *updatePaintNode(QSGNode *oldNode, UpdatePaintNodeData *data) override;

private slots:
    void onFrameReady();

private:
    void freeFrameLocked();

    QPointer<VlcPlayer> m_player;
    mutable QMutex m_frameMutex;
    uchar *m_frameBuffer = nullptr;
    int m_frameWidth = 0;
    int m_frameHeight = 0;
    double m_sourceAspect = 0.0;
    double m_forcedAspect = 0.0;
    std::atomic<bool> m_firstFrameSeen{false};
};
