// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// What every fuzz target shares: the application object the Qt classes under test expect, a
// message handler that keeps the parsers' warnings off the terminal but lets a target count
// them, a scratch folder, and a check that stops the run like a crash when an invariant breaks.
// The same target source is linked into a libFuzzer program and into a replay program of the
// normal build (replaymain.cpp), so nothing here depends on libFuzzer.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace fuzz {

// Creates the QCoreApplication and installs the message handler on the first call.
void init();

// The input as bytes (a deep copy: the caller's buffer is only valid during the call).
QByteArray bytes(const uint8_t *data, size_t size);

// Warnings and critical messages logged since the last call of resetWarnings().
int warnings();
void resetWarnings();
// The text of the last warning (empty if none since the reset).
QString lastWarning();

// A folder for this process's scratch files, removed at normal exit.
QString scratchDir();

// Prints what broke and aborts, which libFuzzer records as a crash with its input.
[[noreturn]] void fail(const char *file, int line, const char *condition, const QString &detail);

} // namespace fuzz

#define FUZZ_CHECK(condition, detail)                                                              \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::fuzz::fail(__FILE__, __LINE__, #condition, (detail));                                \
    } while (false)
