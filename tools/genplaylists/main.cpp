// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Writes the HLS playlists of recording folders, as Norplay does on demand.
// Usage: genplaylists [--root] [--missing-only] <folder>...
// Prints one line per folder ("ok <folder>" or "failed <folder>: <error>") and exits with 1
// when any folder failed.
#include "playlistgenerator.h"
#include "recordingfolder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace {

// Recording folders directly inside a library root: those holding a metadata database.
QStringList recordingsIn(const QString &root)
{
    QDir dir(root);
    QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    std::sort(names.begin(), names.end());
    QStringList out;
    for (const QString &name : std::as_const(names)) {
        const QString folder = dir.absoluteFilePath(name);
        if (QFileInfo(recfolder::metadataPath(folder)).isFile())
            out.append(folder);
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("genplaylists"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes video.m3u8, audio<N>.m3u8, the init segments and master.m3u8 of "
                       "recording folders. Prints one line per folder; exits with 1 when any "
                       "folder failed."));
    parser.addHelpOption();
    const QCommandLineOption root(
        QStringList{QStringLiteral("r"), QStringLiteral("root")},
        QStringLiteral("The arguments are library roots: every subfolder with sv_metadata.db."));
    const QCommandLineOption missing(QStringLiteral("missing-only"),
                                     QStringLiteral("Skip folders that already have master.m3u8."));
    parser.addOption(root);
    parser.addOption(missing);
    parser.addPositionalArgument(QStringLiteral("folder"),
                                 QStringLiteral("Recording folder (or library root with --root)."),
                                 QStringLiteral("<folder>..."));
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    if (args.isEmpty()) {
        std::fprintf(stderr, "genplaylists: no folder given (see --help)\n");
        return 2;
    }
    // A missing root is reported where it stands and counts as a failure; the other arguments
    // are still worked through.
    int failed = 0;
    QStringList folders;
    for (const QString &arg : args) {
        if (!parser.isSet(root)) {
            folders.append(QDir(arg).absolutePath());
            continue;
        }
        if (!QFileInfo(arg).isDir()) {
            std::printf("failed %s: library root does not exist\n", qPrintable(arg));
            ++failed;
            continue;
        }
        folders += recordingsIn(arg);
    }
    std::fflush(stdout);

    for (const QString &folder : std::as_const(folders)) {
        if (parser.isSet(missing) &&
            QFileInfo::exists(folder + QLatin1Char('/') + recfolder::MasterPlaylistName)) {
            std::printf("skipped %s\n", qPrintable(folder));
            continue;
        }
        const PlaylistGenerator::Result r = PlaylistGenerator::generatePlaylists(folder);
        if (r.ok) {
            std::printf("ok %s\n", qPrintable(r.path));
        } else {
            ++failed;
            std::printf("failed %s: %s\n", qPrintable(r.path), qPrintable(r.error));
        }
        std::fflush(stdout);
    }
    return failed ? 1 : 0;
}
