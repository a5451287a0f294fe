// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Small stand-ins and fixtures for the scene tests: the player, the main window, discovery and
// the network objects as plain property bags that record what the scene asks of them, and
// recording folders on disk for the real library models.
#pragma once

#include "imgr.h"

#include <QAbstractListModel>
#include <QList>
#include <QObject>
#include <QTemporaryDir>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>

// Takes the place of the player (context property "bridge"). Every property is writable so a
// test can put the scene into any playback state; operations only record their arguments.
class PlayerStandIn : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool playing MEMBER m_playing NOTIFY playingChanged)
    Q_PROPERTY(int volume MEMBER m_volume NOTIFY volumeChanged)
    Q_PROPERTY(bool muted MEMBER m_muted NOTIFY mutedChanged)
    Q_PROPERTY(double position MEMBER m_position NOTIFY positionChanged)
    Q_PROPERTY(qlonglong time MEMBER m_time NOTIFY timeChanged)
    Q_PROPERTY(qlonglong length MEMBER m_length NOTIFY lengthChanged)
    Q_PROPERTY(QVariantList audioTracks MEMBER m_audioTracks NOTIFY audioTracksChanged)
    Q_PROPERTY(int currentAudioTrack MEMBER m_currentAudioTrack NOTIFY currentAudioTrackChanged)
    Q_PROPERTY(QVariantList subtitleTracks MEMBER m_subtitleTracks NOTIFY subtitleTracksChanged)
    Q_PROPERTY(
        int currentSubtitleTrack MEMBER m_currentSubtitleTrack NOTIFY currentSubtitleTrackChanged)
    Q_PROPERTY(QUrl currentMedia MEMBER m_currentMedia NOTIFY currentMediaChanged)
    Q_PROPERTY(int aspectMode MEMBER m_aspectMode NOTIFY aspectModeChanged)
    Q_PROPERTY(QVariantList aspectModes MEMBER m_aspectModes NOTIFY aspectModesChanged)

    // What the scene asked for last.
    Q_PROPERTY(int openCount MEMBER m_openCount NOTIFY callsChanged)
    Q_PROPERTY(QUrl lastOpenUrl MEMBER m_lastOpenUrl NOTIFY callsChanged)
    Q_PROPERTY(int lastOpenStart MEMBER m_lastOpenStart NOTIFY callsChanged)

public:
    using QObject::QObject;

    Q_INVOKABLE void open(const QUrl &url);
    Q_INVOKABLE void openAt(const QUrl &url, int startSeconds);
    Q_INVOKABLE void stop();
    Q_INVOKABLE void toggle();
    Q_INVOKABLE void seek(double pos);
    Q_INVOKABLE void seekRelative(qlonglong deltaMs);
    // Back to nothing loaded, nothing recorded.
    Q_INVOKABLE void reset();

signals:
    void playingChanged();
    void volumeChanged();
    void mutedChanged();
    void positionChanged();
    void timeChanged();
    void lengthChanged();
    void audioTracksChanged();
    void currentAudioTrackChanged();
    void subtitleTracksChanged();
    void currentSubtitleTrackChanged();
    void currentMediaChanged();
    void aspectModeChanged();
    void aspectModesChanged();
    void playbackEnded();
    void callsChanged();
    void seekRequested(double pos);
    void seekRelativeRequested(qlonglong deltaMs);

private:
    bool m_playing = false;
    int m_volume = 100;
    bool m_muted = false;
    double m_position = 0.0;
    qlonglong m_time = 0;
    qlonglong m_length = -1;
    QVariantList m_audioTracks;
    int m_currentAudioTrack = -1;
    QVariantList m_subtitleTracks;
    int m_currentSubtitleTrack = -1;
    QUrl m_currentMedia;
    int m_aspectMode = 0;
    QVariantList m_aspectModes;
    int m_openCount = 0;
    QUrl m_lastOpenUrl;
    int m_lastOpenStart = -1;
};

// Takes the place of the main window (context property "mainWindow"): the flags the scene sets,
// a writable fullScreen, and the request operations that emit the window's signals.
class MainWindowStandIn : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool fullScreen MEMBER m_fullScreen NOTIFY fullScreenChanged)
    Q_PROPERTY(bool modalOpen MEMBER m_modalOpen NOTIFY modalOpenChanged)
    Q_PROPERTY(bool textInputFocused MEMBER m_textInputFocused NOTIFY textInputFocusedChanged)
    Q_PROPERTY(bool blankCursor MEMBER m_blankCursor NOTIFY blankCursorChanged)

public:
    using QObject::QObject;

    Q_INVOKABLE void requestToggleFullScreen() { emit toggleFullScreenRequested(); }
    Q_INVOKABLE void requestToggleSettings() { emit settingsToggleRequested(); }
    Q_INVOKABLE void requestToggleLibrary() { emit libraryToggleRequested(); }
    Q_INVOKABLE void requestShowHelp() { emit helpRequested(); }
    Q_INVOKABLE void requestShowAbout() { emit aboutRequested(); }
    Q_INVOKABLE void requestShowDevices() { emit devicesRequested(); }
    Q_INVOKABLE void requestShowLocalLibrary() { emit localLibraryRequested(); }
    Q_INVOKABLE void notePointerActivity() { emit pointerActivity(); }
    Q_INVOKABLE void reset();

signals:
    void toggleFullScreenRequested();
    void settingsToggleRequested();
    void libraryToggleRequested();
    void helpRequested();
    void aboutRequested();
    void devicesRequested();
    void localLibraryRequested();
    void fullScreenChanged();
    void modalOpenChanged(bool open);
    void textInputFocusedChanged(bool focused);
    void blankCursorChanged();
    void pointerActivity();

private:
    bool m_fullScreen = false;
    bool m_modalOpen = false;
    bool m_textInputFocused = false;
    bool m_blankCursor = false;
};

// Takes the place of the discovery service (context property "discoveryService"): the scene's
// tests never sweep the machine's networks. refresh() only starts a "sweep" that finish() ends
// with the boxes a test names.
class DiscoveryStandIn : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool scanning MEMBER m_scanning NOTIFY scanningChanged)
    Q_PROPERTY(int refreshCount MEMBER m_refreshCount NOTIFY callsChanged)

public:
    using QObject::QObject;

    Q_INVOKABLE void refresh();
    // Ends the sweep as the real service does: finished with the boxes, then scanningChanged.
    // Each box is a map with "name", "ip", "id" (texts), "tuners" (int) and "library" (bool).
    Q_INVOKABLE void finish(const QVariantList &boxes);
    Q_INVOKABLE void reset();

signals:
    void scanningChanged();
    void finished(QList<imgr::ImgrMsg> devices);
    void callsChanged();

private:
    bool m_scanning = false;
    int m_refreshCount = 0;
};

// Takes the place of a box's recording list. Rows come from setRows() (maps with the role names
// as keys; missing keys give the role's empty value); a load only records its host and turns
// `loading` on until finishLoad() ends it as the real model does.
class RemoteRecordingsStandIn : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(bool loading MEMBER m_loading NOTIFY loadingChanged)
    Q_PROPERTY(QString host MEMBER m_host NOTIFY hostChanged)
    Q_PROPERTY(int instance MEMBER m_instance NOTIFY instanceChanged)

    Q_PROPERTY(int loadCount MEMBER m_loadCount NOTIFY callsChanged)
    Q_PROPERTY(QString lastLoadHost MEMBER m_lastLoadHost NOTIFY callsChanged)

public:
    using QAbstractListModel::QAbstractListModel;

    // The real model's roles, ids 257 to 271 in this order.
    static QList<QByteArray> roleList();

    int count() const { return int(m_rows.size()); }

    Q_INVOKABLE void load(const QString &host, int listType = 1);
    Q_INVOKABLE QVariantMap recordingAt(int row) const;
    Q_INVOKABLE QVariantMap recordingForPlayId(uint playId) const;

    // Test control: the rows at once (a reset), and the end of a running load.
    Q_INVOKABLE void setRows(const QVariantList &rows);
    Q_INVOKABLE void finishLoad(bool ok, const QString &error, const QVariantList &rows);
    Q_INVOKABLE void reset();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    void countChanged();
    void loadingChanged();
    void hostChanged();
    void instanceChanged();
    void loadFinished(bool ok, const QString &error);
    void callsChanged();

public slots:
    void updatePosition(uint playId, int pos);

private:
    QList<QVariantMap> m_rows;
    bool m_loading = false;
    QString m_host;
    int m_instance = 0;
    int m_loadCount = 0;
    QString m_lastLoadHost;
};

// Takes the place of the network playback session: play() and the resume answers are recorded,
// the state is writable and the signals are the real ones.
class RemotePlaybackStandIn : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool active MEMBER m_active NOTIFY activeChanged)
    Q_PROPERTY(uint activePlayId MEMBER m_activePlayId NOTIFY activeChanged)

    Q_PROPERTY(int playCount MEMBER m_playCount NOTIFY callsChanged)
    // host, playId, instance, savedPos, name and title of the last play().
    Q_PROPERTY(QVariantMap lastPlay MEMBER m_lastPlay NOTIFY callsChanged)
    Q_PROPERTY(int confirms MEMBER m_confirms NOTIFY callsChanged)
    Q_PROPERTY(int startOvers MEMBER m_startOvers NOTIFY callsChanged)
    Q_PROPERTY(int cancels MEMBER m_cancels NOTIFY callsChanged)

public:
    using QObject::QObject;

    Q_INVOKABLE void play(const QString &host, uint playId, uint instance, int savedPos,
                          const QString &name, const QString &title);
    Q_INVOKABLE void confirmResume();
    Q_INVOKABLE void startOver();
    Q_INVOKABLE void cancelResume();
    Q_INVOKABLE void reset();

signals:
    void resumeRequested(const QString &name, const QString &title, int savedSeconds);
    void playReady(const QUrl &url, int startSeconds);
    void error(const QString &message);
    void activeChanged();
    void positionPersisted(uint playId, int pos);
    void callsChanged();

private:
    bool m_active = false;
    uint m_activePlayId = 0;
    int m_playCount = 0;
    QVariantMap m_lastPlay;
    int m_confirms = 0;
    int m_startOvers = 0;
    int m_cancels = 0;
};

// Takes the place of the download into the library: download() and cancel() are recorded, the
// state is writable and the signals are the real ones.
class RemoteDownloadStandIn : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool active MEMBER m_active NOTIFY activeChanged)
    Q_PROPERTY(QString activeBasename MEMBER m_activeBasename NOTIFY activeChanged)
    Q_PROPERTY(int progress MEMBER m_progress NOTIFY progressChanged)
    Q_PROPERTY(QString statusText MEMBER m_statusText NOTIFY statusTextChanged)

    Q_PROPERTY(int downloadCount MEMBER m_downloadCount NOTIFY callsChanged)
    // host, basename, numBytes and name of the last download().
    Q_PROPERTY(QVariantMap lastDownload MEMBER m_lastDownload NOTIFY callsChanged)
    Q_PROPERTY(int cancelCount MEMBER m_cancelCount NOTIFY callsChanged)

public:
    using QObject::QObject;

    Q_INVOKABLE void download(const QString &host, const QString &basename, qlonglong numBytes,
                              const QString &name);
    Q_INVOKABLE void cancel();
    Q_INVOKABLE void reset();

signals:
    void activeChanged();
    void progressChanged();
    void statusTextChanged();
    void downloaded(const QString &path);
    void finishedOk(const QString &name);
    void error(const QString &message);
    void callsChanged();

private:
    bool m_active = false;
    QString m_activeBasename;
    int m_progress = 0;
    QString m_statusText;
    int m_downloadCount = 0;
    QVariantMap m_lastDownload;
    int m_cancelCount = 0;
};

// Library roots on disk for the real LibraryModel (context property "fixtures"):
//   "empty"  a folder whose only subfolder holds no sv_metadata.db;
//   "mixed"  Evening News (playlist, poster, ATSC 1.0), Nature Hour (no playlist, ATSC 3.0),
//            Quiz Night (playlist, saved position 120 s, ATSC 1.0);
//   "atsc3"  one ATSC 3.0 recording with a playlist.
class LibraryFixtures : public QObject
{
    Q_OBJECT

public:
    explicit LibraryFixtures(QObject *parent = nullptr);

    // Empty text when every folder was written, else what failed.
    QString error() const { return m_error; }

    Q_INVOKABLE QUrl rootUrl(const QString &which) const;
    Q_INVOKABLE QString folderPath(const QString &which, const QString &folder) const;
    Q_INVOKABLE QUrl masterUrl(const QString &which, const QString &folder) const;
    // Writes one more recording folder (no playlist); returns its path, empty on failure.
    Q_INVOKABLE QString addRecording(const QString &which, const QString &folder,
                                     const QString &name);
    Q_INVOKABLE bool removeFolder(const QString &path);

private:
    QString root(const QString &which) const;

    QTemporaryDir m_dir;
    QString m_error;
};
