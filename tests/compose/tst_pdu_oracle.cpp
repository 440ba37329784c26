// SPDX-License-Identifier: GPL-3.0-or-later
// Every kind of PDU the builder makes, decoded by an independent implementation
// (python-gammu) and compared field by field.
#include "app/appstate.h"
#include "compose/elabora.h"
#include "encoding/codice7.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kSc = QStringLiteral("393359609600");
const QString kTo = QStringLiteral("3471234567");

// What a standard decoder shows for our text: the two table entries this program types
// differently (0x09 "ç", 0x10 "³") come back as the standard's, and the rest of the world as "@".
QString standardDecode(QString text)
{
    for (QChar &c : text)
        c = c == u'ç' ? QChar(u'Ç') : c == u'³' ? QChar(u'\u0394') : Codice7::InGsmAlphabet(c) ? c : QChar(u'@');
    return text;
}

// Letters, table characters, line breaks and characters outside the table.
QString mixedText(int n)
{
    const QString pool = QStringLiteral("Ciao, come stai? Tutto bene: è é ù ì ò à @£$¥ ÄÖÑÜ§¿äöñü ¡¤_ ÆæßÉ ç³ €{} 0123456789\r\nNuova riga #%&*()+-/<=>!");
    QString t;
    for (int i = 0; i < n; ++i)
        t += pool.at(i % pool.size());
    if (t.endsWith(u'\r'))   // keep the pair whole at the cut
        t[t.size() - 1] = u'x';
    return t;
}

QString hexPattern(int octets, int seed)
{
    QByteArray b;
    for (int i = 0; i < octets; ++i)
        b += char((i * 37 + seed) & 0xFF);
    return QString::fromLatin1(b.toHex().toUpper());
}

struct Case { QString name, pdu; QJsonObject expected; };   // a null value: field absent

QJsonObject common(const QString &to, bool srr, bool udh, const char *coding, int cls)
{
    return {{u"smsc"_s, u'+' + kSc}, {u"number"_s, to}, {u"type"_s, u"Submit"_s}, {u"mti"_s, 1}, {u"vpf"_s, 2},
            {u"validity"_s, u"Max"_s}, {u"mr"_s, 0xF3}, {u"srr"_s, srr}, {u"udhi"_s, udh}, {u"hasUdh"_s, udh},
            {u"coding"_s, QLatin1String(coding)}, {u"class"_s, cls}};
}

QList<Case> textCases(const QString &name, int chars, bool status, bool flash, const QString &to)
{
    AppState s;
    s.StatusReport = status;
    s.FlashSms = flash;
    const QString text = mixedText(chars);
    Compose::Elabora(s, {kSc, to, text});
    const int parts = Compose::PartsNeeded(text.size());
    const int refs[] = {0, 0, 0x24, 0x29, 0x27, 0x26};
    const QString pdus[] = {s.Pdu1, s.Pdu2, s.Pdu3, s.Pdu4, s.Pdu5};
    QList<Case> out;
    for (int i = 1; i <= parts; ++i) {
        QJsonObject e = common(to, status, parts > 1, "Default_No_Compression", flash ? 0 : -1);
        const QString shown = standardDecode(parts > 1 ? text.mid((i - 1) * 152, 152) : text);
        e[u"text"] = shown;
        e[u"length"] = int(shown.size());
        e[u"ports.dst"] = QJsonValue::Null;
        // Both our reading of the header and gammu's own concatenation fields.
        const char *keys[][2] = {{"concat16.ref", "id16"}, {"concat16.total", "allParts"}, {"concat16.part", "partNumber"}};
        const int concat[] = {refs[parts], parts, i};
        for (int f = 0; f < 3; ++f)
            for (const char *key : keys[f])
                e.insert(QLatin1String(key), parts > 1 ? QJsonValue(concat[f]) : QJsonValue(QJsonValue::Null));
        out << Case{QStringLiteral("%1 part %2").arg(name).arg(i), pdus[i - 1], e};
    }
    return out;
}

QList<Case> smartCases(const QString &name, AppState s)
{
    s.LogoMode = s.FlashSms = s.StatusReport = true;   // smart messaging ignores the last two
    Compose::Elabora(s, {kSc, kTo, QStringLiteral("ignored text")});
    const QString pdus[] = {s.Pdu1, s.Pdu2, s.Pdu3};
    const int port = s.PictureMode ? 5514 : s.OperatorLogoMode ? 5506 : 5507;
    const QString data[] = {s.PictureMode ? QStringLiteral("3000000002010000481C01") + s.PictureData1
                            : s.OperatorLogoMode ? s.OperatorMcc + s.OperatorMnc + QStringLiteral("01480E01") + s.LogoData
                                                 : QStringLiteral("00480E01") + s.LogoData,
                            s.PictureData2, s.PictureData3};
    QList<Case> out;
    for (int i = 0; i < (s.PictureMode ? 3 : 1); ++i) {
        QJsonObject e = common(kTo, false, true, "8bit", 1);
        e[u"ports.dst"] = port;
        e[u"ports.src"] = port;
        e[u"data"] = data[i];
        e[u"concat16.ref"] = QJsonValue::Null;
        if (s.PictureMode) {
            e[u"concat8.ref"] = 4;
            e[u"concat8.total"] = 3;
            e[u"concat8.part"] = i + 1;
        }
        out << Case{QStringLiteral("%1 %2").arg(name).arg(i + 1), pdus[i], e};
    }
    return out;
}

} // namespace

class TstPduOracle : public QObject
{
    Q_OBJECT
private slots:
    void decodeAll()
    {
        Codice7::InitGsmTable();
        const QString python = qEnvironmentVariable("SMS_PYTHON3", QStringLiteral("/usr/bin/python3"));
        if (QProcess::execute(python, {QStringLiteral("-c"), QStringLiteral("import gammu")}) != 0)
            QSKIP("python3-gammu is not installed: the PDUs cannot be checked against an independent decoder");

        QList<Case> cases;
        for (int n : {1, 160, 161, 304, 305, 456, 457, 608, 609, 760})
            cases << textCases(QStringLiteral("%1 chars").arg(n), n, false, false, kTo);
        cases << textCases(QStringLiteral("status short"), 40, true, false, QStringLiteral("+393471234567"))
              << textCases(QStringLiteral("status long"), 400, true, false, QStringLiteral("+393471234567"))
              << textCases(QStringLiteral("flash short"), 20, false, true, kTo)
              << textCases(QStringLiteral("flash long, report"), 500, true, true, QStringLiteral("+393471234567"))
              << textCases(QStringLiteral("odd international"), 10, false, false, QStringLiteral("+39347123456"));
        AppState op, group, pic;
        op.OperatorLogoMode = true;
        op.OperatorMcc = QStringLiteral("22F2");
        op.OperatorMnc = QStringLiteral("10");
        op.LogoData = hexPattern(126, 1);
        group.LogoData = hexPattern(126, 2);
        pic.PictureMode = true;
        pic.PictureData1 = hexPattern(117, 3);
        pic.PictureData2 = hexPattern(128, 4);
        pic.PictureData3 = hexPattern(7, 5);
        cases << smartCases(QStringLiteral("operator logo"), op) << smartCases(QStringLiteral("group logo"), group)
              << smartCases(QStringLiteral("picture part"), pic);

        QProcess py;
        py.start(python, {qEnvironmentVariable("SMS_DECODE_PDU")});
        for (const Case &c : cases)
            py.write(c.pdu.toLatin1() + '\n');
        py.closeWriteChannel();
        QVERIFY(py.waitForFinished(60000));
        QVERIFY2(py.exitCode() == 0, py.readAllStandardError().constData());
        const QJsonArray decoded = QJsonDocument::fromJson(py.readAllStandardOutput()).array();
        QCOMPARE(decoded.size(), cases.size());
        for (int i = 0; i < cases.size(); ++i) {
            const QJsonObject d = decoded.at(i).toObject();
            QVERIFY2(!d.contains(u"error"), qPrintable(cases[i].name + u": "_s + d[u"error"].toString()));
            for (auto it = cases[i].expected.begin(); it != cases[i].expected.end(); ++it) {
                const QJsonValue got = d.value(it.key());
                QVERIFY2(it->isNull() ? !d.contains(it.key()) : got == *it,
                         qPrintable(QStringLiteral("%1: %2 is %3, expected %4").arg(cases[i].name, it.key(),
                             QString::fromUtf8(QJsonDocument(QJsonArray{got}).toJson(QJsonDocument::Compact)),
                             QString::fromUtf8(QJsonDocument(QJsonArray{*it}).toJson(QJsonDocument::Compact)))));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TstPduOracle)
#include "tst_pdu_oracle.moc"
