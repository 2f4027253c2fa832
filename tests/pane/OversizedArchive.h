#pragma once
// A tar archive holding one entry over the test's extraction limit
// ("big.txt", 300,000 bytes), and a private TMPDIR for the temporary copies
// that opening an entry would make, put back when the fixture goes (also
// when an assertion ends the test early).

#include <gtest/gtest.h>

#include <QByteArray>
#include <QProcess>
#include <QString>

#include "support/TestDir.h"

class OversizedArchive {
public:
    explicit OversizedArchive(TestDir& dir) : m_savedTmp(qgetenv("TMPDIR")) {
        made = dir.MakeFile("src/big.txt", QByteArray(300000, 'b')) &&
               QProcess::execute(
                   QStringLiteral("tar"),
                   {QStringLiteral("-cf"), dir.Path() + "/pack.tar", QStringLiteral("-C"),
                    dir.Path() + "/src", QStringLiteral("big.txt")}) == 0 &&
               dir.MakeFolder("tmp");
        qputenv("TMPDIR", dir.Join("tmp"));
    }
    ~OversizedArchive() {
        if (m_savedTmp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", m_savedTmp);
    }
    OversizedArchive(const OversizedArchive&) = delete;
    OversizedArchive& operator=(const OversizedArchive&) = delete;

    /// True when the archive and the temporary folder were made.
    bool made = false;

private:
    QByteArray m_savedTmp;
};
