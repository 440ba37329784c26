// SPDX-License-Identifier: GPL-3.0-or-later
// Runs decode_smart.py (python-gammu) over groups of PDUs and gives back its JSON, and
// builds the pictures the logo tests send.
#pragma once

#include "bmpbuilder.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

#include <functional>

namespace SmartOracle {

inline QString python()
{
    const QString p = qEnvironmentVariable("SMS_PYTHON3");
    return p.isEmpty() ? QStringLiteral("/usr/bin/python3") : p;
}

/// True when python-gammu can be imported.
inline bool available()
{
    QProcess probe;
    probe.start(python(), {QStringLiteral("-c"), QStringLiteral("import gammu")});
    return probe.waitForFinished(30000) && probe.exitStatus() == QProcess::NormalExit
           && probe.exitCode() == 0;
}

/// One decoded message per group of PDUs; an empty array when the script failed.
inline QJsonArray decode(const QList<QStringList> &messages, QString *errors = nullptr)
{
    QJsonArray in;
    for (const QStringList &pdus : messages)
        in.append(QJsonArray::fromStringList(pdus));
    QProcess py;
    py.start(python(), {QStringLiteral(SMS_DECODE_SMART)});
    if (!py.waitForStarted(10000))
        return {};
    py.write(QJsonDocument(in).toJson(QJsonDocument::Compact));
    py.closeWriteChannel();
    if (!py.waitForFinished(60000))
        return {};
    if (errors)
        *errors = QString::fromLocal8Bit(py.readAllStandardError());
    return QJsonDocument::fromJson(py.readAllStandardOutput()).array();
}

/// XPM-style rows of a picture: '#' for black, ' ' for white.
inline QStringList rows(int width, int height, const std::function<bool(int, int)> &black)
{
    QStringList out;
    for (int y = 0; y < height; ++y) {
        QString row;
        for (int x = 0; x < width; ++x)
            row += black(x, y) ? QLatin1Char('#') : QLatin1Char(' ');
        out << row;
    }
    return out;
}

inline QStringList toStrings(const QJsonValue &v)
{
    QStringList out;
    for (const QJsonValue &e : v.toArray())
        out << e.toString();
    return out;
}

/// A black-and-white picture as a 1-bit BMP with the table white, black.
inline QByteArray bmp(int height, const std::function<bool(int, int)> &black)
{
    BmpSpec s;
    s.height = height;
    s.table = {0xFFFFFF, 0x000000};
    s.pixel = [black](int x, int y) { return black(x, y) ? 1u : 0u; };
    return buildBmp(s);
}

} // namespace SmartOracle
