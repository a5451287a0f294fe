// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "scenewiring.h"

#include "deviceidentity.h"
#include "discoveryservice.h"
#include "libraryfiltermodel.h"
#include "librarymodel.h"
#include "playlistgenerator.h"
#include "recordingstate.h"
#include "remotedevicemodel.h"
#include "settings.h"

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
