// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Feeds every file of the folders (or the files) given on the command line through the fuzz
// target's entry function, in name order: the seed corpus and every input that once broke the
// target stay in the normal test run. An input that breaks an invariant aborts the program, a
// sanitizer (in the asan build) reports as in the fuzzer. No input at all is a failure too, so a
// mistyped corpus path cannot pass.
#include "fuzzsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char **argv)
{
    QStringList files;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        const QFileInfo info(arg);
        if (info.isDir()) {
            const QDir dir(arg);
            for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
                files.append(dir.filePath(name));
        } else if (info.isFile()) {
            files.append(arg);
        } else {
            std::fprintf(stderr, "replay: no such file or folder: %s\n", argv[i]);
            return 2;
        }
    }
    if (files.isEmpty()) {
        std::fprintf(stderr, "replay: no inputs given\n");
        return 2;
    }
    for (const QString &path : std::as_const(files)) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "replay: cannot read %s\n", qPrintable(path));
            return 2;
        }
        const QByteArray content = f.readAll();
        // An exact-size copy, so that reading one byte past the input is caught like in libFuzzer.
        const size_t size = size_t(content.size());
        std::unique_ptr<uint8_t[]> data(new uint8_t[size ? size : 1]);
        if (size)
            std::memcpy(data.get(), content.constData(), size);
        std::printf("replay: %s (%zu bytes)\n", qPrintable(path), size);
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(data.get(), size);
    }
    std::printf("replay: %lld inputs, no invariant broken\n", static_cast<long long>(files.size()));
    return 0;
}
