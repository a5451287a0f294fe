#include "vlcplayer.h"
#include "vlcvideoitem.h"

// Interface only for now; the engine follows in the next commit.
VlcPlayer::VlcPlayer(QObject *parent)
    : QObject(parent)
{}
VlcPlayer::~VlcPlayer() = default;
QVariantList VlcPlayer::aspectModes() const
{
    return {};
}
double VlcPlayer::forcedAspectForMode(int)
{
    return 0.0;
}
void VlcPlayer::setVolume(int) {}
void VlcPlayer::setMuted(bool) {}
void VlcPlayer::setCurrentAudioTrack(int) {}
void VlcPlayer::setCurrentSubtitleTrack(int) {}
void VlcPlayer::setAspectMode(int) {}
void VlcPlayer::attachVideoItem(VlcVideoItem *) {}
void VlcPlayer::detachVideoItem() {}
void VlcPlayer::open(const QUrl &) {}
void VlcPlayer::openAt(const QUrl &, int) {}
void VlcPlayer::stop() {}
void VlcPlayer::toggle() {}
void VlcPlayer::seek(double) {}
void VlcPlayer::seekRelative(qlonglong) {}
VlcVideoItem *VlcPlayer::videoItem() const
{
    return m_videoItem.data();
}
