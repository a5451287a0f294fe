// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Norplay's "--selftest": builds and parses fixed SVP and discovery packets and compares them
// byte for byte with known vectors. No network, no window.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QTextStream;

struct SelfTestCase
{
    enum class Kind { Vector, Hash, Check };

    QString name;
    Kind kind = Kind::Check;
    bool passed = false;
    QByteArray got;  // Vector: the built bytes
    QByteArray want; // Vector: the expected bytes
    quint32 gotHash = 0;
    quint32 wantHash = 0;
};

// Runs every case, in order.
QList<SelfTestCase> selfTestCases();

// Writes the report of `cases` and returns the number of failures.
int writeSelfTestReport(const QList<SelfTestCase> &cases, QTextStream &out);

// Runs the self-test, prints its report on standard output and returns the number of failed
// cases (0 when all pass); the process exit status.
int runSelfTest();
