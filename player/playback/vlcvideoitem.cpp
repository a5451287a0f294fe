// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "vlcvideoitem.h"

#include "vlcplayer.h"

#include <QImage>
#include <QMutexLocker>
#include <QQuickWindow>
#include <QSGSimpleTextureNode>
#include <QSGTexture>
#include <climits>
#include <cstdlib>
#include <cstring>

double effectiveVideoAspect(double forcedAspect, double sourceAspect, QSize frame)
{
    if (forcedAspect > 0.0)
        return forcedAspect;
    if (sourceAspect > 0.0)
        return sourceAspect;
    if (frame.width() > 0 && frame.height() > 0)
        return double(frame.width()) / double(frame.height());
    return 0.0;
}

QRectF letterboxRect(QSizeF bounds, double aspect)
{
    const double width = bounds.width();
    const double height = bounds.height();
    if (!(width > 0.0) || !(height > 0.0) || !(aspect > 0.0))
        return {};
    const double boundsAspect = width / height;
    if (aspect > boundsAspect) {
        const double shown = width / aspect;
        return {0.0, (height - shown) / 2.0, width, shown};
    }
    if (aspect < boundsAspect) {
        const double shown = height * aspect;
        return {(width - shown) / 2.0, 0.0, shown, height};
    }
    return {0.0, 0.0, width, height};
}

VlcVideoItem::VlcVideoItem(QQuickItem *parent)
    : QQuickItem(parent)
{
    setFlag(ItemHasContents, true);
}

VlcVideoItem::~VlcVideoItem()
{
    // libvlc must never call into a destroyed item: when the player still renders into this
    // item, detach it (which stops playback and removes the callbacks) before we go.
    if (m_player && m_player->videoItem() == this)
        m_player->detachVideoItem();
    QMutexLocker locker(&m_frameMutex);
    freeFrameLocked();
}

void VlcVideoItem::setPlayer(VlcPlayer *player)
{
    if (m_player == player)
        return;
    if (m_player)
        m_player->detachVideoItem();
    m_player = player;
    m_firstFrameSeen.store(false);
    if (player)
        player->attachVideoItem(this);
    emit playerChanged();
}

void VlcVideoItem::setSourceAspect(double aspect)
{
    {
        QMutexLocker locker(&m_frameMutex);
        if (m_sourceAspect == aspect)
            return;
        m_sourceAspect = aspect;
    }
    update();
}

void VlcVideoItem::setForcedAspect(double aspect)
{
    {
        QMutexLocker locker(&m_frameMutex);
        if (m_forcedAspect == aspect)
            return;
        m_forcedAspect = aspect;
    }
    update();
}

double VlcVideoItem::sourceAspect() const
{
    QMutexLocker locker(&m_frameMutex);
    return m_sourceAspect;
}

double VlcVideoItem::forcedAspect() const
{
    QMutexLocker locker(&m_frameMutex);
    return m_forcedAspect;
}

QSize VlcVideoItem::frameSize() const
{
    QMutexLocker locker(&m_frameMutex);
    return {m_frameWidth, m_frameHeight};
}

void VlcVideoItem::freeFrameLocked()
{
    std::free(m_frameBuffer);
    m_frameBuffer = nullptr;
    m_frameWidth = 0;
    m_frameHeight = 0;
}

// libvlc's video thread. The picture is taken at the size libvlc proposes (which may include
// the decoder's padding) and converted to RV32, i.e. QImage::Format_RGB32 in memory.
unsigned VlcVideoItem::formatSetup(void **opaque, char *chroma, unsigned *width, unsigned *height,
                                   unsigned *pitches, unsigned *lines)
{
    auto *self = static_cast<VlcVideoItem *>(*opaque);
    std::memcpy(chroma, "RV32", 4);
    pitches[0] = *width * 4;
    lines[0] = *height;

    const size_t bytes = size_t(*width) * size_t(*height) * 4;
    {
        QMutexLocker locker(&self->m_frameMutex);
        self->freeFrameLocked();
        if (bytes == 0 || *width > unsigned(INT_MAX / 4) || *height > unsigned(INT_MAX))
            return 0;
        self->m_frameBuffer = static_cast<uchar *>(std::calloc(bytes, 1));
        if (!self->m_frameBuffer)
            return 0; // refused: libvlc gives up on this output instead of writing into nothing
        self->m_frameWidth = int(*width);
        self->m_frameHeight = int(*height);
    }
    self->m_firstFrameSeen.store(false);
    return 1;
}

void VlcVideoItem::formatCleanup(void *opaque)
{
    auto *self = static_cast<VlcVideoItem *>(opaque);
    QMutexLocker locker(&self->m_frameMutex);
    self->freeFrameLocked();
}

// The mutex stays locked while libvlc writes the picture; unlockFrame releases it.
void *VlcVideoItem::lockFrame(void *opaque, void **planes)
{
    auto *self = static_cast<VlcVideoItem *>(opaque);
    self->m_frameMutex.lock();
    planes[0] = self->m_frameBuffer;
    return self->m_frameBuffer;
}

void VlcVideoItem::unlockFrame(void *opaque, void *picture, void *const *planes)
{
    Q_UNUSED(picture);
    Q_UNUSED(planes);
    static_cast<VlcVideoItem *>(opaque)->m_frameMutex.unlock();
}

void VlcVideoItem::displayFrame(void *opaque, void *picture)
{
    Q_UNUSED(picture);
    QMetaObject::invokeMethod(static_cast<VlcVideoItem *>(opaque), "onFrameReady",
                              Qt::QueuedConnection);
}

void VlcVideoItem::onFrameReady()
{
    update();
    bool expected = false;
    if (m_firstFrameSeen.compare_exchange_strong(expected, true))
        emit firstFrameReceived();
}

QSGNode *VlcVideoItem::updatePaintNode(QSGNode *oldNode, UpdatePaintNodeData *data)
{
    Q_UNUSED(data);
    QMutexLocker locker(&m_frameMutex);
    if (!m_frameBuffer || m_frameWidth == 0 || m_frameHeight == 0) {
        delete oldNode;
        return nullptr;
    }

    auto *node = static_cast<QSGSimpleTextureNode *>(oldNode);
    if (!node) {
        node = new QSGSimpleTextureNode;
        node->setOwnsTexture(true);
        node->setFiltering(QSGTexture::Linear);
    }

    const QImage picture =
        QImage(m_frameBuffer, m_frameWidth, m_frameHeight, m_frameWidth * 4, QImage::Format_RGB32)
            .copy();
    node->setTexture(window()->createTextureFromImage(picture));

    const double aspect =
        effectiveVideoAspect(m_forcedAspect, m_sourceAspect, QSize(m_frameWidth, m_frameHeight));
    node->setRect(letterboxRect(QSizeF(width(), height()), aspect));
    return node;
}
