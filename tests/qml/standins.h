// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Small stand-ins and fixtures for the scene tests: the player and the main window as plain
// property bags that record what the scene asks of them, and recording folders on disk for the
// real library models.
#pragma once

#include <QObject>
#include <QTemporaryDir>
#include <QUrl>
#include <QVariantList>

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
