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

namespace {

struct Expected
{
    QString name;
    QString pdu;
    QString smsc;
    QString number;
    bool srr = false;
    bool udhi = false;
    QString coding;          // gammu's name
    int cls = -1;            // message class, -1 none
    int concatRef = -1;      // 16-bit concatenation element, -1 absent
    int concatTotal = 0;
    int concatPart = 0;
    int port = -1;           // 16-bit port element (destination = source), -1 absent
    int concat8Part = 0;     // 8-bit concatenation element of the picture message
    QString text;            // decoded 7-bit text
    QString dataHex;         // 8-bit data after the header
};

// What a standard GSM decoder shows for a character we pack: the two table entries this
// program types differently (0x09 typed "ç", 0x10 typed "³") come back as the standard's
// characters, and anything outside the table arrives as "@".
QString standardDecode(const QString &text)
{
    QString out;
    for (QChar c : text) {
        if (c == QChar(u'\u00E7'))
            out += QChar(u'\u00C7');
        else if (c == QChar(u'\u00B3'))
            out += QChar(u'\u0394');
        else if (!Codice7::InGsmAlphabet(c))
            out += QLatin1Char('@');
        else
            out += c;
    }
    return out;
}

// A text of n characters mixing plain letters, table characters, line breaks and
// characters outside the table.
QString mixedText(int n)
{
    const QString pool = QStringLiteral(
        "Ciao, come stai? Tutto bene: \u00E8 \u00E9 \u00F9 \u00EC \u00F2 \u00E0 @\u00A3$\u00A5"
        " \u00C4\u00D6\u00D1\u00DC\u00A7\u00BF\u00E4\u00F6\u00F1\u00FC \u00A1\u00A4_ \u00C6\u00E6"
        "\u00DF\u00C9 \u00E7\u00B3 \u20AC{} 0123456789\r\nNuova riga #%&*()+-/<=>!");
    QString t;
    for (int i = 0; i < n; ++i)
        t += pool.at(i % pool.size());
    if (t.endsWith(QLatin1Char('\r')))   // keep the pair whole at the cut
        t[t.size() - 1] = QLatin1Char('x');
    return t;
}

} // namespace

class TstPduOracle : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void decodeAll();

private:
    QString m_python;
    QString m_script;
    QList<Expected> m_cases;
    void addText(const QString &name, int chars, bool status, bool flash, const QString &to);
    void addSmart(const QString &name, AppState s);
};

void TstPduOracle::initTestCase()
{
    Codice7::InitGsmTable();
    m_python = qEnvironmentVariable("SMS_PYTHON3", QStringLiteral("/usr/bin/python3"));
    m_script = qEnvironmentVariable("SMS_DECODE_PDU");
    QVERIFY2(!m_script.isEmpty(), "SMS_DECODE_PDU names the decoder script");
    QProcess probe;
    probe.start(m_python, {QStringLiteral("-c"), QStringLiteral("import gammu")});
    if (!probe.waitForFinished(30000) || probe.exitStatus() != QProcess::NormalExit
        || probe.exitCode() != 0)
        QSKIP("python3-gammu is not installed (apt-get install python3-gammu): "
              "the PDUs cannot be checked against an independent decoder");
}

void TstPduOracle::addText(const QString &name, int chars, bool status, bool flash,
                           const QString &to)
{
    AppState s;
    s.StatusReport = status;
    s.FlashSms = flash;
    const QString text = mixedText(chars);
    const auto r = Compose::Elabora(s, {QStringLiteral("393359609600"), to, text});
    QVERIFY(!r.failure);
    const int parts = Compose::PartsNeeded(text.size());
    const int refs[] = {0, 0, 0x24, 0x29, 0x27, 0x26};
    const QString pdus[] = {s.Pdu1, s.Pdu2, s.Pdu3, s.Pdu4, s.Pdu5};
    for (int i = 1; i <= qMax(parts, 1); ++i) {
        Expected e;
        e.name = QStringLiteral("%1 part %2").arg(name).arg(i);
        e.pdu = pdus[i - 1];
        e.smsc = QStringLiteral("+393359609600");
        e.number = to;
        e.srr = status;
        e.udhi = parts > 1;
        e.coding = QStringLiteral("Default_No_Compression");
        e.cls = flash ? 0 : -1;
        if (parts > 1) {
            e.concatRef = refs[parts];
            e.concatTotal = parts;
            e.concatPart = i;
            e.text = standardDecode(text.mid((i - 1) * 152, 152));
        } else {
            e.text = standardDecode(text);
        }
        m_cases << e;
    }
}

void TstPduOracle::addSmart(const QString &name, AppState s)
{
    s.LogoMode = true;
    s.FlashSms = true;       // smart messaging ignores both
    s.StatusReport = true;
    const auto r = Compose::Elabora(s, {QStringLiteral("393359609600"), QStringLiteral("3471234567"),
                                        QStringLiteral("ignored text")});
    QVERIFY(!r.failure);
    const QString pdus[] = {s.Pdu1, s.Pdu2, s.Pdu3};
    const int count = s.PictureMode ? 3 : 1;
    for (int i = 0; i < count; ++i) {
        Expected e;
        e.name = QStringLiteral("%1 %2").arg(name).arg(i + 1);
        e.pdu = pdus[i];
        e.smsc = QStringLiteral("+393359609600");
        e.number = QStringLiteral("3471234567");
        e.udhi = true;
        e.coding = QStringLiteral("8bit");
        e.cls = 1;
        if (s.PictureMode) {
            e.port = 5514;
            e.concat8Part = i + 1;
            e.dataHex = i == 0 ? QStringLiteral("3000000002010000481C01") + s.PictureData1
                      : i == 1 ? s.PictureData2
                               : s.PictureData3;
        } else if (s.OperatorLogoMode) {
            e.port = 5506;
            e.dataHex = s.OperatorMcc + s.OperatorMnc + QStringLiteral("01480E01") + s.LogoData;
        } else {
            e.port = 5507;
            e.dataHex = QStringLiteral("00480E01") + s.LogoData;
        }
        m_cases << e;
    }
}

static QString hexPattern(int octets, int seed)
{
    QByteArray b;
    for (int i = 0; i < octets; ++i)
        b += char((i * 37 + seed) & 0xFF);
    return QString::fromLatin1(b.toHex().toUpper());
}

void TstPduOracle::decodeAll()
{
    const QString national = QStringLiteral("3471234567");
    const QString international = QStringLiteral("+393471234567");
    for (int n : {1, 160, 161, 304, 305, 456, 457, 608, 609, 760})
        addText(QStringLiteral("%1 chars").arg(n), n, false, false, national);
    addText(QStringLiteral("status report short"), 40, true, false, international);
    addText(QStringLiteral("status report long"), 400, true, false, international);
    addText(QStringLiteral("flash short"), 20, false, true, national);
    addText(QStringLiteral("flash long with report"), 500, true, true, international);
    addText(QStringLiteral("odd international"), 10, false, false, QStringLiteral("+39347123456"));

    AppState op;
    op.OperatorLogoMode = true;
    op.OperatorMcc = QStringLiteral("22F2");
    op.OperatorMnc = QStringLiteral("10");
    op.LogoData = hexPattern(126, 1);
    addSmart(QStringLiteral("operator logo"), op);
    AppState group;
    group.LogoData = hexPattern(126, 2);
    addSmart(QStringLiteral("group logo"), group);
    AppState pic;
    pic.PictureMode = true;
    pic.PictureData1 = hexPattern(117, 3);
    pic.PictureData2 = hexPattern(128, 4);
    pic.PictureData3 = hexPattern(7, 5);
    addSmart(QStringLiteral("picture part"), pic);

    QStringList lines;
    for (const Expected &e : m_cases)
        lines << e.pdu;
    QProcess py;
    py.start(m_python, {m_script});
    QVERIFY(py.waitForStarted());
    py.write(lines.join(QLatin1Char('\n')).toLatin1() + '\n');
    py.closeWriteChannel();
    QVERIFY(py.waitForFinished(60000));
    QVERIFY2(py.exitCode() == 0, py.readAllStandardError().constData());
    const QJsonArray decoded = QJsonDocument::fromJson(py.readAllStandardOutput()).array();
    QCOMPARE(decoded.size(), m_cases.size());

    for (int i = 0; i < m_cases.size(); ++i) {
        const Expected &e = m_cases.at(i);
        const QJsonObject d = decoded.at(i).toObject();
        const QByteArray where = e.name.toUtf8();
        QVERIFY2(!d.contains(QLatin1String("error")),
                 (where + ": " + d.value(QLatin1String("error")).toString().toUtf8()).constData());
        auto check = [&](const char *field, const QVariant &actual, const QVariant &expected) {
            QVERIFY2(actual == expected,
                     (where + ": " + field + " is " + actual.toString().toUtf8() + ", expected "
                      + expected.toString().toUtf8())
                         .constData());
        };
        check("smsc", d[QLatin1String("smsc")].toString(), e.smsc);
        check("number", d[QLatin1String("number")].toString(), e.number);
        check("type", d[QLatin1String("type")].toString(), QStringLiteral("Submit"));
        check("mti", d[QLatin1String("mti")].toInt(), 1);
        check("vpf", d[QLatin1String("vpf")].toInt(), 2);
        check("validity", d[QLatin1String("validity")].toString(), QStringLiteral("Max"));
        check("mr", d[QLatin1String("mr")].toInt(), 0xF3);
        check("srr", d[QLatin1String("srr")].toBool(), e.srr);
        check("udhi", d[QLatin1String("udhi")].toBool(), e.udhi);
        check("udhType", d[QLatin1String("udhType")].toString() != QLatin1String("NoUDH"), e.udhi);
        check("coding", d[QLatin1String("coding")].toString(), e.coding);
        check("class", d[QLatin1String("class")].toInt(), e.cls);
        const QJsonObject udh = d[QLatin1String("udh")].toObject();
        if (e.concatRef >= 0) {
            const QJsonObject c = udh[QLatin1String("concat16")].toObject();
            check("concat ref", c[QLatin1String("ref")].toInt(), e.concatRef);
            check("concat total", c[QLatin1String("total")].toInt(), e.concatTotal);
            check("concat part", c[QLatin1String("part")].toInt(), e.concatPart);
            check("gammu id16", d[QLatin1String("udhId16")].toInt(), e.concatRef);
            check("gammu all parts", d[QLatin1String("udhAllParts")].toInt(), e.concatTotal);
            check("gammu part", d[QLatin1String("udhPart")].toInt(), e.concatPart);
        } else {
            check("no concat16", udh.contains(QLatin1String("concat16")), false);
        }
        if (e.port >= 0) {
            const QJsonObject p = udh[QLatin1String("ports")].toObject();
            check("dst port", p[QLatin1String("dst")].toInt(), e.port);
            check("src port", p[QLatin1String("src")].toInt(), e.port);
        } else {
            check("no ports", udh.contains(QLatin1String("ports")), false);
        }
        if (e.concat8Part > 0) {
            const QJsonObject c = udh[QLatin1String("concat8")].toObject();
            check("concat8 ref", c[QLatin1String("ref")].toInt(), 4);
            check("concat8 total", c[QLatin1String("total")].toInt(), 3);
            check("concat8 part", c[QLatin1String("part")].toInt(), e.concat8Part);
        }
        if (e.coding == QLatin1String("8bit")) {
            check("data", d[QLatin1String("text")].toObject()[QLatin1String("hex")].toString(),
                  e.dataHex);
        } else {
            check("text", d[QLatin1String("text")].toString(), e.text);
            check("length", d[QLatin1String("length")].toInt(), int(e.text.size()));
        }
    }
}

QTEST_GUILESS_MAIN(TstPduOracle)
#include "tst_pdu_oracle.moc"
