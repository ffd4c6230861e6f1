// SPDX-License-Identifier: GPL-3.0-or-later
#include "AmpctlOutput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

using namespace Qt::Literals::StringLiterals;

AmpctlOutput::AmpctlOutput(QTextStream &out, QTextStream &err)
    : m_out(out)
    , m_err(err)
{
}

ExitCode AmpctlOutput::fail(ExitCode code, const QString &message)
{
    m_err << u"ampctl: "_s << terminalSafe(message) << u'\n';
    m_failure = code;
    return code;
}

void AmpctlOutput::warn(const QString &message)
{
    m_err << u"ampctl: "_s << terminalSafe(message) << u'\n';
}

void AmpctlOutput::print(const QJsonValue &json)
{
    const QJsonDocument document = json.isArray() ? QJsonDocument(json.toArray()) : QJsonDocument(json.toObject());
    m_out << QString::fromUtf8(document.toJson(QJsonDocument::Indented));
}

void AmpctlOutput::printListing(const QJsonValue &json, const QList<QStringList> &rows)
{
    if (m_json)
        print(json);
    else
        printTable(rows);
}

void AmpctlOutput::printTable(const QList<QStringList> &rawRows)
{
    QList<QStringList> rows;
    for (const QStringList &row : rawRows) {
        QStringList safe;
        for (const QString &cell : row)
            safe.append(terminalSafe(cell));
        rows.append(safe);
    }
    QList<qsizetype> widths;
    for (const QStringList &row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i >= widths.size())
                widths.append(0);
            widths[i] = qMax(widths.at(i), row.at(i).size());
        }
    }
    for (const QStringList &row : rows) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i)
            line += i + 1 < row.size() ? row.at(i).leftJustified(widths.at(i) + 2) : row.at(i);
        while (line.endsWith(u' '))
            line.chop(1);
        m_out << line << u'\n';
    }
}

QString AmpctlOutput::terminalSafe(const QString &text)
{
    QString safe;
    safe.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\n')
            safe += u"\\n"_s;
        else if (u == u'\t')
            safe += u"\\t"_s;
        else if (u < 0x20 || (u >= 0x7F && u < 0xA0) || u == 0x2028 || u == 0x2029)
            safe += (u < 0x100 ? u"\\x%1"_s.arg(uint(u), 2, 16, QChar(u'0'))
                               : u"\\u%1"_s.arg(uint(u), 4, 16, QChar(u'0')));
        else
            safe += c;
    }
    return safe;
}
