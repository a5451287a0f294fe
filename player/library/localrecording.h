// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QDateTime>
#include <QString>
#include <QUrl>

// One recording folder of the local library as the list shows it.
struct LocalRecording
{
    QString name;
    QString title;
    QString seasonEpisode; // "S%1E%2", empty unless both season and episode are given
    QString channel;       // "%1.%2 (ATSC-%3)", empty without a readable channel id
    QString description;
    QUrl masterUrl; // local-file URL of the folder's master.m3u8
    QString path;   // absolute path of the folder
    bool hasPlaylist = false;
    int season = -1;
    int episode = -1;
    int atscVersion = -1;
    int duration = 0; // seconds
    QDateTime recordedAt;
    QUrl posterUrl;
};
