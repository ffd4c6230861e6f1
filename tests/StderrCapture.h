// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QTemporaryFile>

// Sends this process's stderr to a temporary file while it lives, so a test can read the lines
// the program tells its user (they go straight to file descriptor 2, not through Qt's logging).
class StderrCapture
{
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture &) = delete;
    StderrCapture &operator=(const StderrCapture &) = delete;

    // Everything written since the capture began.
    QByteArray text() const;

private:
    QTemporaryFile m_file;
    int m_savedStderr = -1;
};
