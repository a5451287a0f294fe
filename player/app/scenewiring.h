// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// What start-up hands the Qt Quick scene: the back-end objects it reaches by name, and the
// direct connections between back-end objects (the settings to the lists, the network session
// and downloads to the lists, the session to the menu). The program and the scene's test runner
// both go through here, so the tests see the program's scene.
#pragma once

class DeviceIdentity;
class LibraryFilterModel;
class LibraryModel;
class PlaylistGenerator;
class QAction;
class QObject;
class QQmlContext;
class RecordingState;
class RemoteDeviceModel;
class RemoteDownload;
class RemotePlayback;
class RemoteRecordingsFilterModel;
class RemoteRecordingsModel;
class Settings;

struct SceneObjects
{
    // The player (`VlcPlayer`), the main window and the discovery service (`DiscoveryService`);
    // the test runner gives stand-ins that keep their scene-visible interface.
    QObject *bridge = nullptr;
    Settings *settings = nullptr;
    QObject *mainWindow = nullptr;
    LibraryModel *libraryModel = nullptr;
    LibraryFilterModel *libraryFilter = nullptr;
    PlaylistGenerator *playlistGenerator = nullptr;
    RecordingState *recordingState = nullptr;
    QObject *discoveryService = nullptr;
    RemoteDeviceModel *remoteDeviceModel = nullptr;
    DeviceIdentity *deviceIdentity = nullptr;
    RemoteRecordingsModel *remoteRecordingsModel = nullptr;
    RemoteRecordingsFilterModel *remoteRecordingsFilter = nullptr;
    RemotePlayback *remotePlayback = nullptr;
    RemoteDownload *remoteDownload = nullptr;
};

// Publishes every object as a context property of context, under the scene's names and in the
// start-up order: bridge, settings, mainWindow, libraryModel, libraryFilter, playlistGenerator,
// recordingState, discoveryService, remoteDeviceModel, deviceIdentity, remoteRecordingsModel,
// remoteRecordingsFilter, remotePlayback, remoteDownload.
void publishSceneObjects(QQmlContext *context, const SceneObjects &objects);

// The settings connections that start-up makes as it creates each object: the library list's
// root and the filters' ATSC 3.0 switch take the current setting now and every change after.
void connectToSettings(Settings &settings, LibraryModel &model);
// The filters also get their source models here.
void connectToSettings(Settings &settings, LibraryFilterModel &filter, LibraryModel &source);
void connectToSettings(Settings &settings, RemoteRecordingsFilterModel &filter,
                       RemoteRecordingsModel &source);

// The final position of a network session shows in the box's list at once.
void connectToRecordings(RemotePlayback &playback, RemoteRecordingsModel &recordings);
// A finished download shows up in the local list.
void connectToLibrary(RemoteDownload &download, LibraryModel &library);
// `action` ("Disconnect from Norvale") is enabled exactly while a network session is active.
void enableWhileSessionActive(QAction &action, RemotePlayback &playback);
