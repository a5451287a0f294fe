// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "mainwindow.h"

#include "settings.h"
#include "vlcplayer.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    m_pointerTimer.setInterval(PointerPollMs);
    connect(&m_pointerTimer, &QTimer::timeout, this, &MainWindow::pollPointer);
    m_pointerTimer.start();
    qApp->installEventFilter(this);

    // The scene's full-screen button and the menu item both end up here.
    connect(this, &MainWindow::toggleFullScreenRequested, this, &MainWindow::toggleFullScreen);
}

MainWindow::~MainWindow()
{
    // Leave the application's cursor stack as we found it.
    if (m_blankCursor)
        QGuiApplication::restoreOverrideCursor();
}

void MainWindow::setModalOpen(bool open)
{
    if (m_modalOpen == open)
        return;
    m_modalOpen = open;
    emit modalOpenChanged(open);
}

void MainWindow::setTextInputFocused(bool focused)
{
    if (m_textInputFocused == focused)
        return;
    m_textInputFocused = focused;
    emit textInputFocusedChanged(focused);
}

void MainWindow::setBlankCursor(bool blank)
{
    if (m_blankCursor == blank)
        return;
    m_blankCursor = blank;
    if (blank)
        QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
    else
        QGuiApplication::restoreOverrideCursor();
    emit blankCursorChanged();
}

void MainWindow::setFullScreen(bool on)
{
    menuBar()->setVisible(!on);
    setWindowState(on ? (windowState() | Qt::WindowFullScreen)
                      : (windowState() & ~Qt::WindowFullScreen));
}

void MainWindow::toggleFullScreen()
{
    setFullScreen(!isFullScreen());
}

void MainWindow::escape()
{
    if (isFullScreen())
        setFullScreen(false);
    else
        emit libraryToggleRequested();
}

void MainWindow::requestToggleFullScreen()
{
    emit toggleFullScreenRequested();
}

void MainWindow::requestToggleSettings()
{
    emit settingsToggleRequested();
}

void MainWindow::requestToggleLibrary()
{
    emit libraryToggleRequested();
}

void MainWindow::requestShowHelp()
{
    emit helpRequested();
}

void MainWindow::requestShowAbout()
{
    emit aboutRequested();
}

void MainWindow::requestShowDevices()
{
    emit devicesRequested();
}

void MainWindow::requestShowLocalLibrary()
{
    emit localLibraryRequested();
}

void MainWindow::notePointerActivity()
{
    emit pointerActivity();
}

void MainWindow::pollPointer()
{
    const QPoint pos = QCursor::pos();
    if (pos == m_lastCursorPos)
        return;
    m_lastCursorPos = pos;
    if (geometry().contains(pos))
        emit pointerActivity();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && (widget == this || isAncestorOf(widget)))
            emit pointerActivity();
    }
    // Only watching: the key still goes where it was headed.
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        emit fullScreenChanged();
}

void MainWindow::buildMenus(Settings *settings, VlcPlayer *player, bool remoteControlAvailable,
                            std::function<void()> launchRemoteControl)
{
    m_settings = settings;
    m_player = player;

    QMenu *fileMenu = menuBar()->addMenu(tr("&File"));
    QAction *openAction = fileMenu->addAction(tr("&Open..."));
    openAction->setShortcut(QKeySequence::Open);
    connect(openAction, &QAction::triggered, this, &MainWindow::openPlaylist);
    fileMenu->addSeparator();
    m_showAtsc3Action = fileMenu->addAction(tr("&Show ATSC-3"));
    m_showAtsc3Action->setCheckable(true);
    m_showAtsc3Action->setChecked(settings->showAtsc3());
    connect(m_showAtsc3Action, &QAction::toggled, this, [settings](bool on) {
        if (on != settings->showAtsc3())
            settings->setShowAtsc3(on);
    });
    connect(settings, &Settings::showAtsc3Changed, m_showAtsc3Action,
            [this, settings] { m_showAtsc3Action->setChecked(settings->showAtsc3()); });
    fileMenu->addSeparator();
    QAction *exitAction = fileMenu->addAction(tr("E&xit"));
    exitAction->setShortcut(QKeySequence::Quit);
    connect(exitAction, &QAction::triggered, this, &QWidget::close);

    QMenu *videoMenu = menuBar()->addMenu(tr("&Video"));
    m_fullScreenAction = videoMenu->addAction(tr("&Fullscreen"));
    m_fullScreenAction->setShortcut(QKeySequence::FullScreen);
    connect(m_fullScreenAction, &QAction::triggered, this, &MainWindow::toggleFullScreen);

    QMenu *audioMenu = menuBar()->addMenu(tr("&Audio"));
    m_trackMenu = audioMenu->addMenu(tr("&Track"));
    m_trackGroup = new QActionGroup(m_trackMenu);
    m_trackGroup->setExclusive(true);
    connect(player, &VlcPlayer::audioTracksChanged, this, &MainWindow::rebuildAudioTracks);
    connect(player, &VlcPlayer::currentAudioTrackChanged, this,
            [this] { checkAudioTrack(m_player->currentAudioTrack()); });
    rebuildAudioTracks();

    QMenu *libraryMenu = menuBar()->addMenu(tr("&Library"));
    QAction *localAction = libraryMenu->addAction(tr("&Local Recordings"));
    connect(localAction, &QAction::triggered, this, &MainWindow::localLibraryRequested);
    QAction *devicesAction = libraryMenu->addAction(tr("&Norvale Devices…"));
    connect(devicesAction, &QAction::triggered, this, &MainWindow::devicesRequested);
    libraryMenu->addSeparator();
    QAction *remoteAction = libraryMenu->addAction(tr("&Remote Control"));
    remoteAction->setVisible(remoteControlAvailable);
    connect(remoteAction, &QAction::triggered, this, [launch = std::move(launchRemoteControl)] {
        if (launch)
            launch();
    });
    m_disconnectAction = libraryMenu->addAction(tr("&Disconnect from Norvale"));
    m_disconnectAction->setEnabled(false);
    connect(m_disconnectAction, &QAction::triggered, player, &VlcPlayer::stop);

    QMenu *helpMenu = menuBar()->addMenu(tr("&Help"));
    QAction *helpAction = helpMenu->addAction(tr("&Help..."));
    helpAction->setShortcut(QKeySequence(Qt::Key_F1));
    connect(helpAction, &QAction::triggered, this, &MainWindow::helpRequested);
    QAction *aboutAction = helpMenu->addAction(tr("&About"));
    connect(aboutAction, &QAction::triggered, this, &MainWindow::aboutRequested);

    // The menu bar is hidden in full screen, and a hidden menu bar's shortcuts do not fire: the
    // items with keys also belong to the window, so F1, Open, Exit and Fullscreen keep working.
    addActions({openAction, exitAction, m_fullScreenAction, helpAction});

    // Window-wide keys. Esc leaves full screen or toggles the library; it does not count as
    // activity, every other key also reveals the controls.
    m_escapeAction = new QAction(this);
    m_escapeAction->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(m_escapeAction, &QAction::triggered, this, &MainWindow::escape);
    addAction(m_escapeAction);

    m_typingKeyActions = {
        addShortcutAction(QKeySequence(Qt::Key_F), [this] { m_fullScreenAction->trigger(); }),
        addShortcutAction(QKeySequence(Qt::Key_Space), [player] { player->toggle(); }),
        addShortcutAction(QKeySequence(Qt::Key_Left),
                          [player] { player->seekRelative(-SeekStepMs); }),
        addShortcutAction(QKeySequence(Qt::Key_Right),
                          [player] { player->seekRelative(SeekStepMs); }),
        addShortcutAction(QKeySequence(Qt::Key_Up),
                          [player] { player->setVolume(player->volume() + VolumeStep); }),
        addShortcutAction(QKeySequence(Qt::Key_Down),
                          [player] { player->setVolume(player->volume() - VolumeStep); }),
        addShortcutAction(QKeySequence(Qt::Key_M),
                          [player] { player->setMuted(!player->muted()); }),
    };

    // A modal popup of the scene closes itself on Esc; a focused text field gets its keys.
    m_escapeAction->setEnabled(!m_modalOpen);
    connect(this, &MainWindow::modalOpenChanged, this,
            [this](bool open) { m_escapeAction->setEnabled(!open); });
    for (QAction *action : std::as_const(m_typingKeyActions))
        action->setEnabled(!m_textInputFocused);
    connect(this, &MainWindow::textInputFocusedChanged, this, [this](bool focused) {
        for (QAction *action : std::as_const(m_typingKeyActions))
            action->setEnabled(!focused);
    });
}

QAction *MainWindow::addShortcutAction(const QKeySequence &key, const std::function<void()> &effect)
{
    auto *action = new QAction(this);
    action->setShortcut(key);
    connect(action, &QAction::triggered, this, effect);
    connect(action, &QAction::triggered, this, &MainWindow::pointerActivity);
    addAction(action);
    return action;
}

void MainWindow::openPlaylist()
{
    const QString file = QFileDialog::getOpenFileName(this, tr("Open HLS playlist"),
                                                      m_settings->lastDir().toLocalFile(),
                                                      tr("HLS Playlist (*.m3u8);;All files (*)"));
    if (file.isEmpty())
        return;

    const QFileInfo info(file);
    const QUrl dir = QUrl::fromLocalFile(info.absolutePath());
    if (dir != m_settings->lastDir())
        m_settings->setLastDir(dir);
    m_player->open(QUrl::fromLocalFile(info.absoluteFilePath()));
}

void MainWindow::rebuildAudioTracks()
{
    m_trackMenu->clear();
    const QVariantList tracks = m_player->audioTracks();
    const int current = m_player->currentAudioTrack();
    for (const QVariant &entry : tracks) {
        const QVariantMap track = entry.toMap();
        const int id = track.value(QStringLiteral("id")).toInt();
        QAction *item = m_trackMenu->addAction(track.value(QStringLiteral("name")).toString());
        item->setCheckable(true);
        item->setData(id);
        item->setChecked(id == current);
        m_trackGroup->addAction(item);
        connect(item, &QAction::triggered, this, [this, id] {
            m_player->setCurrentAudioTrack(id);
            // libvlc may refuse the track: the check follows what the player really selected.
            checkAudioTrack(m_player->currentAudioTrack());
        });
    }
    m_trackMenu->setEnabled(!tracks.isEmpty());
}

void MainWindow::checkAudioTrack(int id)
{
    const QList<QAction *> items = m_trackGroup->actions();
    for (QAction *item : items) {
        if (item->data().toInt() == id) {
            item->setChecked(true);
            return;
        }
    }
    if (QAction *checked = m_trackGroup->checkedAction())
        checked->setChecked(false);
}
