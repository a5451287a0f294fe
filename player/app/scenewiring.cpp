// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "scenewiring.h"

#include "deviceidentity.h"
#include "libraryfiltermodel.h"
#include "librarymodel.h"
#include "playlistgenerator.h"
#include "recordingstate.h"
#include "remotedevicemodel.h"
#include "remotedownload.h"
#include "remoteplayback.h"
#include "remoterecordingsfiltermodel.h"
#include "remoterecordingsmodel.h"
#include "settings.h"

#include <QAction>
#include <QQmlContext>

void publishSceneObjects(QQmlContext *context, const SceneObjects &o)
{
    const std::pair<const char *, QObject *> properties[] = {
        {"bridge", o.bridge},
        {"settings", o.settings},
        {"mainWindow", o.mainWindow},
        {"libraryModel", o.libraryModel},
        {"libraryFilter", o.libraryFilter},
        {"playlistGenerator", o.playlistGenerator},
        {"recordingState", o.recordingState},
        {"discoveryService", o.discoveryService},
        {"remoteDeviceModel", o.remoteDeviceModel},
        {"deviceIdentity", o.deviceIdentity},
        {"remoteRecordingsModel", o.remoteRecordingsModel},
        {"remoteRecordingsFilter", o.remoteRecordingsFilter},
        {"remotePlayback", o.remotePlayback},
        {"remoteDownload", o.remoteDownload},
    };
    for (const auto &[name, object] : properties)
        context->setContextProperty(QLatin1String(name), object);
}

void connectToSettings(Settings &settings, LibraryModel &model)
{
    model.setLibraryRoot(settings.libraryRoot());
    QObject::connect(&settings, &Settings::libraryRootChanged, &model,
                     [&settings, &model] { model.setLibraryRoot(settings.libraryRoot()); });
}

void connectToSettings(Settings &settings, LibraryFilterModel &filter, LibraryModel &source)
{
    filter.setSourceModel(&source);
    filter.setShowAtsc3(settings.showAtsc3());
    QObject::connect(&settings, &Settings::showAtsc3Changed, &filter,
                     [&settings, &filter] { filter.setShowAtsc3(settings.showAtsc3()); });
}

void connectToSettings(Settings &settings, RemoteRecordingsFilterModel &filter,
                       RemoteRecordingsModel &source)
{
    filter.setSourceModel(&source);
    filter.setShowAtsc3(settings.showAtsc3());
    QObject::connect(&settings, &Settings::showAtsc3Changed, &filter,
                     [&settings, &filter] { filter.setShowAtsc3(settings.showAtsc3()); });
}

void connectToRecordings(RemotePlayback &playback, RemoteRecordingsModel &recordings)
{
    QObject::connect(&playback, &RemotePlayback::positionPersisted, &recordings,
                     &RemoteRecordingsModel::updatePosition);
}

void connectToLibrary(RemoteDownload &download, LibraryModel &library)
{
    QObject::connect(&download, &RemoteDownload::downloaded, &library, &LibraryModel::refresh);
}

void enableWhileSessionActive(QAction &action, RemotePlayback &playback)
{
    action.setEnabled(playback.active());
    QObject::connect(&playback, &RemotePlayback::activeChanged, &action,
                     [&action, &playback] { action.setEnabled(playback.active()); });
}
