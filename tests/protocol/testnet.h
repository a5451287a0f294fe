// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The namespaced test network of scripts/testnet, seen from a test process.
#pragma once

#include <QString>

namespace testnet {

// The exit code of a test program that skipped its whole case because the network cannot be
// used here (CTest's SKIP_RETURN_CODE of such a test). The program exits with it only when
// nothing failed; a crash or a sanitizer report still ends it with another code.
constexpr int kSkippedExitCode = 77;

// Brings the network up (root only) and moves the calling thread, and every thread it starts
// afterwards, into the client host. Call it before the test starts any thread. Returns false
// with the reason when the network cannot be used here.
bool enterClient(QString *reason);

// Takes the network down again if enterClient had to create it.
void leave();

} // namespace testnet
