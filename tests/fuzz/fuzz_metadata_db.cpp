// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Any bytes as a recording folder's sv_metadata.db: a damaged file, a file of another program,
// or a database with unexpected tables and values. Scanned, read for a position, generated
// from, and written a position into.
#include "fuzzsupport.h"
#include "libraryreading.h"

#include "recordingfolder.h"

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::init();
    fuzz::clearRecordingFolder();
    const QString db = recfolder::metadataPath(fuzz::recordingFolder());
    {
        QFile f(db);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly) &&
                       f.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size),
                   QStringLiteral("cannot write %1").arg(db));
    }
    fuzz::readRecordingFolder();
    return 0;
}
