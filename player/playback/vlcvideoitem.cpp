#include "vlcvideoitem.h"

#include "vlcplayer.h"

#include <QSGNode>

// Interface only for now; the rendering follows in the next commit.
double effectiveVideoAspect(double, double, QSize)
{
    return 0.0;
}
QRectF letterboxRect(QSizeF, double)
{
    return {};
}
VlcVideoItem::VlcVideoItem(QQuickItem *parent)
    : QQuickItem(parent)
{}
VlcVideoItem::~VlcVideoItem() = default;
void VlcVideoItem::setPlayer(VlcPlayer *) {}
void VlcVideoItem::setSourceAspect(double) {}
void VlcVideoItem::setForcedAspect(double) {}
double VlcVideoItem::sourceAspect() const
{
    return 0.0;
}
double VlcVideoItem::forcedAspect() const
{
    return 0.0;
}
QSize VlcVideoItem::frameSize() const
{
    return {};
}
unsigned VlcVideoItem::formatSetup(void **, char *, unsigned *, unsigned *, unsigned *, unsigned *)
{
    return 0;
}
void VlcVideoItem::formatCleanup(void *) {}
void *VlcVideoItem::lockFrame(void *, void **)
{
    return nullptr;
}
void VlcVideoItem::unlockFrame(void *, void *, void *const *) {}
void VlcVideoItem::displayFrame(void *, void *) {}
QSGNode *VlcVideoItem::updatePaintNode(QSGNode *oldNode, UpdatePaintNodeData *)
{
    delete oldNode;
    return nullptr;
}
void VlcVideoItem::onFrameReady() {}
void VlcVideoItem::freeFrameLocked() {}
