// SPDX-License-Identifier: GPL-3.0-or-later
#include "StderrCapture.h"

#include <QFile>
#include <unistd.h>

StderrCapture::StderrCapture()
{
    if (!m_file.open())
        qFatal("cannot create a file for stderr");
    m_savedStderr = ::dup(STDERR_FILENO);
    ::dup2(m_file.handle(), STDERR_FILENO);
}

StderrCapture::~StderrCapture()
{
    ::dup2(m_savedStderr, STDERR_FILENO);
    ::close(m_savedStderr);
}

QByteArray StderrCapture::text() const
{
    QFile file(m_file.fileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
