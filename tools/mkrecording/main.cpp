// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Writes one sample recording folder in the box's layout.
// Usage: mkrecording [options] <folder>
#include "recordingmaker.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>

#include <cstdio>

namespace {

bool parsePair(const QString &text, const QString &separators, int *a, int *b)
{
    const QStringList parts =
        text.split(QRegularExpression(QLatin1Char('[') + separators + QLatin1Char(']')));
    if (parts.size() != 2)
        return false;
    bool ok1 = false;
    bool ok2 = false;
    *a = parts.at(0).toInt(&ok1);
    *b = parts.at(1).toInt(&ok2);
    return ok1 && ok2;
}

int fail(const QString &text)
{
    std::fprintf(stderr, "mkrecording: %s\n", qPrintable(text));
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mkrecording"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes a sample recording folder: fragmented media files made by ffmpeg, "
                       "sv_metadata.db (info, state, flow) and an optional poster.png."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("folder"),
                                 QStringLiteral("Recording folder to write (created if missing)."));

    const mkrec::RecordingOptions d;
    auto opt = [](const char *name, const QString &help, const QString &value = {},
                  const QString &def = {}) {
        QCommandLineOption o(QString::fromLatin1(name), help, value, def);
        return o;
    };
    const auto variant = opt("variant", QStringLiteral("ts (MPEG-TS, default) or fmp4."),
                             QStringLiteral("ts|fmp4"), QStringLiteral("ts"));
    const auto duration = opt("duration", QStringLiteral("Length in seconds (default 12)."),
                              QStringLiteral("seconds"), QStringLiteral("12"));
    const auto fragment = opt(
        "fragment", QStringLiteral("Fragment length in seconds, rounded to frames (default 2)."),
        QStringLiteral("seconds"), QStringLiteral("2"));
    const auto size = opt("size", QStringLiteral("Video size (default 640x360)."),
                          QStringLiteral("WxH"), QStringLiteral("640x360"));
    const auto fps = opt("fps", QStringLiteral("Frame rate, N or N/D (default 30000/1001)."),
                         QStringLiteral("rate"), QStringLiteral("30000/1001"));
    const auto sar = opt("sar", QStringLiteral("Sample aspect ratio (default 1:1)."),
                         QStringLiteral("N:D"), QStringLiteral("1:1"));
    const auto audio =
        opt("audio-tracks", QStringLiteral("Number of audio tracks, 0-8 (default 1)."),
            QStringLiteral("n"), QStringLiteral("1"));
    const auto noExt =
        opt("no-extension",
            QStringLiteral("Name the media files video1, audio1... without extension."));
    const auto name =
        opt("name", QStringLiteral("Programme name."), QStringLiteral("text"), d.name);
    const auto title = opt("title", QStringLiteral("Episode title."), QStringLiteral("text"));
    const auto season =
        opt("season", QStringLiteral("Season number (or text)."), QStringLiteral("n"));
    const auto episode =
        opt("episode", QStringLiteral("Episode number (or text)."), QStringLiteral("n"));
    const auto description =
        opt("description", QStringLiteral("Programme description."), QStringLiteral("text"));
    const auto channel = opt("channel-id", QStringLiteral("Channel id, 16 hexadecimal digits."),
                             QStringLiteral("hex"));
    const auto start = opt("start-time",
                           QStringLiteral("Start time: ISO 8601 text, or seconds / milliseconds "
                                          "since the epoch."),
                           QStringLiteral("time"));
    const auto noDuration =
        opt("no-program-duration", QStringLiteral("Leave program.duration out of info."));
    const auto position =
        opt("position", QStringLiteral("Initial state position in seconds."), QStringLiteral("s"));
    const auto numSeconds =
        opt("num-seconds", QStringLiteral("Initial state num_seconds."), QStringLiteral("s"));
    const auto noState = opt("no-state", QStringLiteral("Write no state row."));
    const auto poster = opt("poster", QStringLiteral("Write poster.png."));
    const auto ffmpeg = opt("ffmpeg", QStringLiteral("ffmpeg program (default ffmpeg)."),
                            QStringLiteral("path"), d.ffmpeg);
    parser.addOptions({variant, duration,   fragment, size,       fps,     sar,         audio,
                       noExt,   name,       title,    season,     episode, description, channel,
                       start,   noDuration, position, numSeconds, noState, poster,      ffmpeg});
    parser.process(app);

    if (parser.positionalArguments().size() != 1)
        return fail(QStringLiteral("exactly one folder expected (see --help)"));

    mkrec::RecordingOptions o;
    o.folder = parser.positionalArguments().first();
    const QString v = parser.value(variant);
    if (v == QLatin1String("ts"))
        o.variant = mkrec::Variant::MpegTs;
    else if (v == QLatin1String("fmp4"))
        o.variant = mkrec::Variant::FragmentedMp4;
    else
        return fail(QStringLiteral("unknown variant %1").arg(v));
    bool ok = false;
    o.durationSeconds = parser.value(duration).toDouble(&ok);
    if (!ok)
        return fail(QStringLiteral("bad --duration"));
    o.fragmentSeconds = parser.value(fragment).toDouble(&ok);
    if (!ok)
        return fail(QStringLiteral("bad --fragment"));
    if (!parsePair(parser.value(size), QStringLiteral("xX"), &o.width, &o.height))
        return fail(QStringLiteral("bad --size"));
    const QString rate = parser.value(fps);
    if (rate.contains(QLatin1Char('/'))) {
        if (!parsePair(rate, QStringLiteral("/"), &o.frameRateNum, &o.frameRateDen))
            return fail(QStringLiteral("bad --fps"));
    } else {
        o.frameRateNum = rate.toInt(&ok);
        o.frameRateDen = 1;
        if (!ok)
            return fail(QStringLiteral("bad --fps"));
    }
    if (!parsePair(parser.value(sar), QStringLiteral(":/"), &o.sarNum, &o.sarDen))
        return fail(QStringLiteral("bad --sar"));
    o.audioTracks = parser.value(audio).toInt(&ok);
    if (!ok)
        return fail(QStringLiteral("bad --audio-tracks"));
    o.mediaExtensions = !parser.isSet(noExt);
    o.name = parser.value(name);
    o.title = parser.value(title);
    o.season = parser.value(season);
    o.episode = parser.value(episode);
    o.description = parser.value(description);
    o.channelId = parser.value(channel);
    o.startTime = parser.value(start);
    o.programDuration = !parser.isSet(noDuration);
    if (parser.isSet(position)) {
        o.statePosition = parser.value(position).toInt(&ok);
        if (!ok || o.statePosition < 0)
            return fail(QStringLiteral("bad --position"));
    }
    if (parser.isSet(numSeconds)) {
        o.stateNumSeconds = parser.value(numSeconds).toInt(&ok);
        if (!ok || o.stateNumSeconds < 0)
            return fail(QStringLiteral("bad --num-seconds"));
    }
    o.writeState = !parser.isSet(noState);
    o.poster = parser.isSet(poster);
    o.ffmpeg = parser.value(ffmpeg);

    const QString err = mkrec::makeRecording(o);
    if (!err.isEmpty()) {
        std::fprintf(stderr, "mkrecording: %s\n", qPrintable(err));
        return 1;
    }
    std::printf("%s\n", qPrintable(o.folder));
    return 0;
}
