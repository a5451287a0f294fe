// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// What start-up hands the Qt Quick scene: the back-end objects it reaches by name, and the
// direct connections from the settings to the library list. The program and the scene's test
// runner both go through here, so the tests see the program's scene.
#pragma once

class DeviceIdentity;
class DiscoveryService;
class LibraryFilterModel;
class LibraryModel;
class PlaylistGenerator;
class QObject;
class QQmlContext;
class RecordingState;
class RemoteDeviceModel;
class Settings;

struct SceneObjects
{
    // The player (`VlcPlayer`) and the main window; the test runner gives stand-ins that keep
    // their scene-visible interface.
    QObject *bridge = nullptr;
    Settings *settings = nullptr;
    QObject *mainWindow = nullptr;
    LibraryModel *libraryModel = nullptr;
    LibraryFilterModel *libraryFilter = nullptr;
    PlaylistGenerator *playlistGenerator = nullptr;
    RecordingState *recordingState = nullptr;
    DiscoveryService *discoveryService = nullptr;
    RemoteDeviceModel *remoteDeviceModel = nullptr;
    DeviceIdentity *deviceIdentity = nullptr;
};

// Publishes every object as a context property of context, under the scene's names and in the
// start-up order: bridge, settings, mainWindow, libraryModel, libraryFilter, playlistGenerator,
// recordingState, discoveryService, remoteDeviceModel, deviceIdentity.
void publishSceneObjects(QQmlContext *context, const SceneObjects &objects);

// The settings connections that start-up makes as it creates each object: the library list's
// root and the filter's ATSC 3.0 switch take the current setting now and every change after.
void connectToSettings(Settings &settings, LibraryModel &model);
// The filter also gets its source model here.
void connectToSettings(Settings &settings, LibraryFilterModel &filter, LibraryModel &source);
