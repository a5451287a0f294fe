// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QList>
#include <QMainWindow>
#include <QPoint>
#include <QTimer>

#include <functional>

class QAction;
class QActionGroup;
class QKeySequence;
class QMenu;
class Settings;
class VlcPlayer;

// Norplay's only top-level window. It hosts the Qt Quick scene as its central widget, owns the menu
// bar, the window-wide shortcuts and full-screen switching, reports user activity for the scene's
// auto-hiding controls, blanks the cursor on request, and relays menu actions and scene buttons to
// the scene through one set of signals.
class MainWindow : public QMainWindow
{
    Q_OBJECT
    Q_PROPERTY(bool fullScreen READ fullScreen NOTIFY fullScreenChanged)
    Q_PROPERTY(bool modalOpen READ modalOpen WRITE setModalOpen NOTIFY modalOpenChanged)
    Q_PROPERTY(bool textInputFocused READ textInputFocused WRITE setTextInputFocused NOTIFY
                   textInputFocusedChanged)
    Q_PROPERTY(bool blankCursor READ blankCursor WRITE setBlankCursor NOTIFY blankCursorChanged)

public:
    static constexpr int PointerPollMs = 250;
    static constexpr qlonglong SeekStepMs = 5000;
    static constexpr int VolumeStep = 5;

    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    MainWindow(const MainWindow &) = delete;
    MainWindow &operator=(const MainWindow &) = delete;

    bool fullScreen() const { return isFullScreen(); }
    bool modalOpen() const { return m_modalOpen; }
    bool textInputFocused() const { return m_textInputFocused; }
    bool blankCursor() const { return m_blankCursor; }

    void setModalOpen(bool open);
    void setTextInputFocused(bool focused);
    void setBlankCursor(bool blank);

    // Enters or leaves full screen; the menu bar is hidden while full screen.
    void setFullScreen(bool on);

    // Builds the menu bar and the window-wide shortcut actions. Called once, after the scene has
    // become the central widget. `launchRemoteControl` starts the remote-control program; its menu
    // item is shown only when `remoteControlAvailable`.
    void buildMenus(Settings *settings, VlcPlayer *player, bool remoteControlAvailable,
                    std::function<void()> launchRemoteControl);

    // "&Disconnect from Norvale": created disabled; network playback enables it while a session
    // runs. Null before buildMenus().
    QAction *disconnectAction() const { return m_disconnectAction; }

    Q_INVOKABLE void requestToggleFullScreen();
    Q_INVOKABLE void requestToggleSettings();
    Q_INVOKABLE void requestToggleLibrary();
    Q_INVOKABLE void requestShowHelp();
    Q_INVOKABLE void requestShowAbout();
    Q_INVOKABLE void requestShowDevices();
    Q_INVOKABLE void requestShowLocalLibrary();
    Q_INVOKABLE void notePointerActivity();

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

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void pollPointer();
    void toggleFullScreen();
    void escape();
    void openPlaylist();
    void rebuildAudioTracks();
    void checkAudioTrack(int id);
    QAction *addShortcutAction(const QKeySequence &key, const std::function<void()> &effect);

    QTimer m_pointerTimer;
    QPoint m_lastCursorPos;
    bool m_modalOpen = false;
    bool m_textInputFocused = false;
    bool m_blankCursor = false;

    Settings *m_settings = nullptr;
    VlcPlayer *m_player = nullptr;
    QAction *m_showAtsc3Action = nullptr;
    QAction *m_fullScreenAction = nullptr;
    QMenu *m_trackMenu = nullptr;
    QActionGroup *m_trackGroup = nullptr;
    QAction *m_disconnectAction = nullptr;
    QAction *m_escapeAction = nullptr;
    // F, Space, Left, Right, Up, Down and M: disabled while a text field of the scene has focus.
    QList<QAction *> m_typingKeyActions;
};
