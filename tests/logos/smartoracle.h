// SPDX-License-Identifier: GPL-3.0-or-later
// Runs decode_smart.py (python-gammu) over the PDUs of logos and picture messages and checks
// what gammu finds in them; builds the pictures the tests send.
#pragma once

#include "bmpbuilder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

namespace SmartOracle {

enum class Kind { Operator, Group, Picture };
using Picture = std::function<bool(int x, int y)>;   // true for black

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

/// Checks one decoded message: 8-bit parts to `number` on port 5506 (operator logo), 5507
/// (group logo) or 5514 (picture, three concatenated parts), and what gammu finds in them.
inline void verify(const QJsonValue &decoded, Kind kind, const Picture &black,
                   const QString &network, const QString &number)
{
    const QJsonObject d = decoded.toObject();
    QVERIFY2(!d.contains(u"error"), qPrintable(d[u"error"].toString()));
    const QJsonArray parts = d[u"parts"].toArray();
    QCOMPARE(parts.size(), kind == Kind::Picture ? 3 : 1);
    for (int i = 0; i < parts.size(); ++i) {
        QCOMPARE(parts[i][u"coding"].toString(), QStringLiteral("8bit"));
        QCOMPARE(parts[i][u"udh"].toString(), kind == Kind::Operator ? QStringLiteral("06050415821582")
                                              : kind == Kind::Group  ? QStringLiteral("06050415831583")
                                              : QStringLiteral("0B0504158A158A000304030%1").arg(i + 1));
        QCOMPARE(parts[i][u"number"].toString(), number);
    }
    const QJsonArray entries = d[u"entries"].toArray();
    QCOMPARE(entries.size(), 1);
    const QJsonValue e = entries[0];
    const QString types[] = {QStringLiteral("OperatorLogo"), QStringLiteral("CallerGroupLogo"),
                             QStringLiteral("PictureImage")};
    QCOMPARE(e[u"type"].toString(), types[int(kind)]);
    const int height = kind == Kind::Picture ? 28 : 14;
    QCOMPARE(QSize(e[u"width"].toInt(), e[u"height"].toInt()), QSize(72, height));
    QStringList want;
    for (int y = 0; y < height; ++y) {
        want << QString(72, u' ');
        for (int x = 0; x < 72; ++x)
            want.last()[x] = black(x, y) ? u'#' : u' ';
    }
    QCOMPARE(e[u"rows"].toVariant().toStringList(), want);
    if (kind == Kind::Operator)
        QCOMPARE(e[u"network"].toString(), network);
}

} // namespace SmartOracle
