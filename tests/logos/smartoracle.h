// SPDX-License-Identifier: GPL-3.0-or-later
// Runs decode_smart.py (python-gammu) over the PDUs of logos and picture messages and checks
// what gammu finds in them; builds the pictures the tests send.
#pragma once

#include "bmpbuilder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTest>

namespace SmartOracle {

enum class Kind { Operator, Group, Picture };
using Picture = std::function<bool(int x, int y)>;   ///< true for black

inline QString python() { return qEnvironmentVariable("SMS_PYTHON3", QStringLiteral("/usr/bin/python3")); }

inline bool available()
{
    return QProcess::execute(python(), {QStringLiteral("-c"), QStringLiteral("import gammu")}) == 0;
}

/// One decoded message per group of PDUs; an empty array when the script failed.
inline QJsonArray decode(const QList<QStringList> &messages, QString *errors)
{
    QJsonArray in;
    for (const QStringList &pdus : messages)
        in.append(QJsonArray::fromStringList(pdus));
    QProcess py;
    py.start(python(), {QStringLiteral(SMS_DECODE_SMART)});
    py.write(QJsonDocument(in).toJson(QJsonDocument::Compact));
    py.closeWriteChannel();
    if (!py.waitForFinished(60000))
        return {};
    *errors = QString::fromLocal8Bit(py.readAllStandardError());
    return QJsonDocument::fromJson(py.readAllStandardOutput()).array();
}

/// A black-and-white picture as a 1-bit BMP with the table white, black.
inline QByteArray bmp(int height, const Picture &black)
{
    BmpLayout l;
    l.height = height;
    l.table = {0xFFFFFF, 0x000000};
    l.pixel = [black](int x, int y) { return black(x, y) ? 1u : 0u; };
    return buildBmp(l);
}

/// Checks one decoded message: 8-bit parts to `number` on the ports of `kind` (5506, 5507,
/// or 5514 in three concatenated parts), and the picture and network code gammu finds.
inline void verify(const QJsonValue &decoded, Kind kind, const Picture &black,
                   const QString &network, const QString &number)
{
    const QJsonObject d = decoded.toObject();
    QVERIFY2(!d.contains(QLatin1String("error")), qPrintable(d[QLatin1String("error")].toString()));
    const QStringList udh = kind == Kind::Operator ? QStringList{QStringLiteral("06050415821582")}
                            : kind == Kind::Group  ? QStringList{QStringLiteral("06050415831583")}
                                                   : QStringList{QStringLiteral("0B0504158A158A0003040301"),
                                                                 QStringLiteral("0B0504158A158A0003040302"),
                                                                 QStringLiteral("0B0504158A158A0003040303")};
    const QJsonArray parts = d[QLatin1String("parts")].toArray();
    QCOMPARE(parts.size(), udh.size());
    for (int i = 0; i < parts.size(); ++i) {
        const QJsonObject p = parts.at(i).toObject();
        QCOMPARE(p[QLatin1String("coding")].toString(), QStringLiteral("8bit"));
        QCOMPARE(p[QLatin1String("udh")].toString(), udh.at(i));
        QCOMPARE(p[QLatin1String("number")].toString(), number);
    }
    const QJsonArray entries = d[QLatin1String("entries")].toArray();
    QCOMPARE(entries.size(), 1);
    const QJsonObject e = entries.at(0).toObject();
    const int height = kind == Kind::Picture ? 28 : 14;
    QCOMPARE(e[QLatin1String("type")].toString(),
             kind == Kind::Operator ? QStringLiteral("OperatorLogo")
             : kind == Kind::Group  ? QStringLiteral("CallerGroupLogo")
                                    : QStringLiteral("PictureImage"));
    QCOMPARE(e[QLatin1String("width")].toInt(), 72);
    QCOMPARE(e[QLatin1String("height")].toInt(), height);
    QStringList rows, got;
    for (int y = 0; y < height; ++y) {
        QString row;
        for (int x = 0; x < 72; ++x)
            row += black(x, y) ? QLatin1Char('#') : QLatin1Char(' ');
        rows << row;
    }
    for (const QJsonValue &r : e[QLatin1String("rows")].toArray())
        got << r.toString();
    QCOMPARE(got, rows);
    if (kind == Kind::Operator)
        QCOMPARE(e[QLatin1String("network")].toString(), network);
}

} // namespace SmartOracle
