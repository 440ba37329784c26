// SPDX-License-Identifier: GPL-3.0-or-later
// Building the PDUs: single and concatenated texts, header fields, logos and pictures.
#include "app/appstate.h"
#include "compose/elabora.h"
#include "encoding/codice7.h"

#include <QTest>

using Compose::Elabora;
using Compose::ElaboraInput;

namespace {

const QString kSc = QStringLiteral("123456789012");
const QString kScField = QStringLiteral("0791214365870921");
const QString kTo = QStringLiteral("0123456789");

// A text whose every 152-character stretch differs, so a wrong cut shows.
QString sampleText(int n)
{
    const QString alphabet = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789");
    QString t;
    for (int i = 0; i < n; ++i)
        t += alphabet.at((i / 7 + i) % alphabet.size());
    return t;
}

QString pdus(const AppState &s)
{
    return QStringList{s.Pdu1, s.Pdu2, s.Pdu3, s.Pdu4, s.Pdu5}.join(QLatin1Char('|'));
}

QString userData(const AppState &s, int i)
{
    const QString *uds[] = {&s.UserData1, &s.UserData2, &s.UserData3, &s.UserData4, &s.UserData5};
    return *uds[i - 1];
}
QString pdu(const AppState &s, int i)
{
    const QString *p[] = {&s.Pdu1, &s.Pdu2, &s.Pdu3, &s.Pdu4, &s.Pdu5};
    return *p[i - 1];
}
int length(const AppState &s, int i)
{
    const int l[] = {s.PduLength1, s.PduLength2, s.PduLength3, s.PduLength4, s.PduLength5};
    return l[i - 1];
}

QByteArray bytes(const QString &hex)
{
    return QByteArray::fromHex(hex.toLatin1());
}

} // namespace

class TstElabora : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Codice7::InitGsmTable(); }
    void workedExample();
    void splitting_data();
    void splitting();
    void firstOctetAndCoding_data();
    void firstOctetAndCoding();
    void emptyTextIsOnePdu();
    void noServiceCentre();
    void operatorLogo();
    void operatorLogoWithoutCodes_data();
    void operatorLogoWithoutCodes();
    void groupLogo();
    void pictureMessage();
    void shorterMessageLeavesNoStalePdus();
    void overlongTextIsCutAt760();
};

void TstElabora::workedExample()
{
    AppState s;
    const auto r = Elabora(s, {kSc, kTo, QStringLiteral("hello")});
    QVERIFY(!r.failure);
    QCOMPARE(s.Pdu1, QStringLiteral("079121436587092111F30A8110325476980000FF05E8329BFD06"));
    QCOMPARE(s.PduLength1, 18);
    QCOMPARE(s.ServiceCentreField, kScField);
    QCOMPARE(s.DestAddress, QStringLiteral("0A811032547698"));
    QCOMPARE(s.MessageRef, QStringLiteral("F3"));
    QCOMPARE(s.ProtocolId, QStringLiteral("00"));
    QCOMPARE(s.ValidityPeriod, QStringLiteral("FF"));
    QCOMPARE(s.UserData1, QStringLiteral("05E8329BFD06"));
    QVERIFY(s.UserData2.isEmpty() && s.Pdu2.isEmpty());
    QCOMPARE(r.text3, s.Pdu1 + QStringLiteral("\r\r\r\r"));
}

void TstElabora::splitting_data()
{
    QTest::addColumn<int>("chars");
    QTest::addColumn<int>("parts");
    QTest::addColumn<int>("ref");
    for (int n : {160, 161, 304, 305, 456, 457, 608, 609, 760}) {
        const int parts = n <= 160 ? 1 : (n + 151) / 152;
        const int ref = parts == 2 ? 0x24 : parts == 3 ? 0x29 : parts == 4 ? 0x27 : 0x26;
        QTest::addRow("%d-chars", n) << n << parts << (parts == 1 ? 0 : ref);
    }
}

void TstElabora::splitting()
{
    QFETCH(int, chars);
    QFETCH(int, parts);
    QFETCH(int, ref);
    AppState s;
    const QString text = sampleText(chars);
    const auto r = Elabora(s, {kSc, kTo, text});
    QVERIFY(!r.failure);
    const QString h = s.FirstOctet + QStringLiteral("F30A81103254769800") + s.DataCoding
        + QStringLiteral("FF");
    QCOMPARE(s.FirstOctet, parts == 1 ? QStringLiteral("11") : QStringLiteral("51"));
    QStringList expectedText3;
    for (int i = 1; i <= 5; ++i) {
        const QString ud = userData(s, i);
        QCOMPARE(length(s, i), int((h + ud).size() / 2));
        expectedText3 << pdu(s, i);
        if (i > parts) {
            QVERIFY2(ud.isEmpty() && pdu(s, i).isEmpty(), qPrintable(QString::number(i)));
            continue;
        }
        QCOMPARE(pdu(s, i), kScField + h + ud);
        const QString partText = parts == 1 ? text : text.mid((i - 1) * 152, 152);
        const QByteArray udBytes = bytes(ud);
        if (parts == 1) {
            QCOMPARE(ud, Codice7::PackSeptets(text));
            QCOMPARE(int(quint8(udBytes[0])), chars);
            continue;
        }
        // TP-UDL counts the 8 header septets and the part's characters.
        QCOMPARE(int(quint8(udBytes[0])), 8 + int(partText.size()));
        const QByteArray header = udBytes.mid(1, 7);
        const char expected[] = {6, 8, 4, 0, char(ref), char(parts), char(i)};
        QCOMPARE(header, QByteArray(expected, 7));
        // The part's text starts on an octet boundary right after the header.
        const QString packedText = Codice7::PackSeptets(partText);
        QCOMPARE(ud.mid(2 + 14), packedText.mid(2));
    }
    QCOMPARE(r.text3, expectedText3.join(QLatin1Char('\r')));
    if (chars == 160 || chars == 760)
        QCOMPARE(s.UserData1.left(2), QStringLiteral("A0"));
    if (chars == 161)
        QCOMPARE(s.UserData2.left(2), QStringLiteral("11"));
}

void TstElabora::firstOctetAndCoding_data()
{
    QTest::addColumn<int>("chars");
    QTest::addColumn<bool>("status");
    QTest::addColumn<bool>("flash");
    QTest::addColumn<bool>("logo");
    QTest::addColumn<QString>("fo");
    QTest::addColumn<QString>("dcs");
    QTest::newRow("short") << 10 << false << false << false << "11" << "00";
    QTest::newRow("short-status") << 160 << true << false << false << "31" << "00";
    QTest::newRow("long-status-161") << 161 << true << false << false << "71" << "00";
    QTest::newRow("long-400-status") << 400 << true << false << false << "71" << "00";
    QTest::newRow("short-flash") << 5 << false << true << false << "11" << "F0";
    QTest::newRow("long-flash") << 700 << false << true << false << "51" << "F0";
    QTest::newRow("logo-flash-status") << 0 << true << true << true << "51" << "F5";
}

void TstElabora::firstOctetAndCoding()
{
    QFETCH(int, chars);
    QFETCH(bool, status);
    QFETCH(bool, flash);
    QFETCH(bool, logo);
    QFETCH(QString, fo);
    QFETCH(QString, dcs);
    AppState s;
    s.StatusReport = status;
    s.FlashSms = flash;
    s.LogoMode = logo;
    s.LogoData = QString(252, QLatin1Char('0'));
    Elabora(s, {kSc, kTo, sampleText(chars)});
    QCOMPARE(s.FirstOctet, fo);
    QCOMPARE(s.DataCoding, dcs);
    // Every part carries the same header fields.
    const QString expectedHead = kScField + fo + QStringLiteral("F30A81103254769800") + dcs
        + QStringLiteral("FF");
    for (int i = 1; i <= 5; ++i)
        if (!pdu(s, i).isEmpty())
            QVERIFY(pdu(s, i).startsWith(expectedHead));
}

void TstElabora::emptyTextIsOnePdu()
{
    AppState s;
    const auto r = Elabora(s, {kSc, kTo, QString()});
    QVERIFY(!r.failure);
    QCOMPARE(s.UserData1, QStringLiteral("00"));
    QCOMPARE(s.Pdu1, kScField + QStringLiteral("11F30A8110325476980000FF00"));
    QCOMPARE(s.PduLength1, 13);
}

void TstElabora::noServiceCentre()
{
    AppState s;
    Elabora(s, {kSc, kTo, sampleText(400)});
    QVERIFY(!s.Pdu3.isEmpty());
    const auto r = Elabora(s, {QString(), kTo, QStringLiteral("hi")});
    QVERIFY(r.failure);
    QCOMPARE(r.failure->text, QStringLiteral("Insert service centre !!!"));
    QCOMPARE(r.failure->title, QStringLiteral("Impossible to sent message."));
    QCOMPARE(r.failure->icon, Seams::MsgIcon::Critical);
    QCOMPARE(pdus(s), QStringLiteral("||||"));
    QCOMPARE(r.text3, QString());
}

void TstElabora::operatorLogo()
{
    AppState s;
    s.LogoMode = true;
    s.OperatorLogoMode = true;
    s.FlashSms = true;
    s.StatusReport = true;
    s.OperatorMcc = QStringLiteral("22F2");
    s.OperatorMnc = QStringLiteral("10");
    s.LogoData = QString(252, QLatin1Char('A'));
    const auto r = Elabora(s, {kSc, kTo, sampleText(300)});
    QVERIFY(!r.failure);
    QCOMPARE(s.Pdu1, kScField + QStringLiteral("51F30A81103254769800F5FF8C0605041582158222F21001480E01")
                 + s.LogoData);
    QCOMPARE(s.PduLength1, 153);
    QCOMPARE(r.text3, s.Pdu1);
    for (int i = 2; i <= 5; ++i)
        QVERIFY(userData(s, i).isEmpty() && pdu(s, i).isEmpty());
}

void TstElabora::operatorLogoWithoutCodes_data()
{
    QTest::addColumn<QString>("mcc");
    QTest::addColumn<QString>("mnc");
    QTest::newRow("no-country") << QString() << QStringLiteral("10");
    QTest::newRow("no-operator") << QStringLiteral("22F2") << QString();
}

void TstElabora::operatorLogoWithoutCodes()
{
    QFETCH(QString, mcc);
    QFETCH(QString, mnc);
    AppState s;
    Elabora(s, {kSc, kTo, QStringLiteral("x")});
    s.LogoMode = true;
    s.OperatorLogoMode = true;
    s.OperatorMcc = mcc;
    s.OperatorMnc = mnc;
    s.LogoData = QString(252, QLatin1Char('0'));
    const auto r = Elabora(s, {kSc, kTo, QString()});
    QVERIFY(r.failure);
    QCOMPARE(r.failure->text, QStringLiteral("Select country and operator!"));
    QCOMPARE(r.failure->title, QStringLiteral("Warning."));
    QCOMPARE(r.failure->icon, Seams::MsgIcon::Exclamation);
    QCOMPARE(pdus(s), QStringLiteral("||||"));
}

void TstElabora::groupLogo()
{
    AppState s;
    s.LogoMode = true;
    s.LogoData = QString(252, QLatin1Char('F'));
    const auto r = Elabora(s, {kSc, QStringLiteral("+393471234567"), QString()});
    QVERIFY(!r.failure);
    QCOMPARE(s.Pdu1, kScField + QStringLiteral("51F30C9193431732547600F5FF89060504158315830048") + QStringLiteral("0E01")
                 + s.LogoData);
    QCOMPARE(s.PduLength1, 151);   // a 12-digit international recipient is one octet longer
    s.LogoData = QString(252, QLatin1Char('0'));
    Elabora(s, {kSc, kTo, QString()});
    QCOMPARE(s.PduLength1, 150);
}

void TstElabora::pictureMessage()
{
    AppState s;
    s.LogoMode = true;
    s.PictureMode = true;
    s.PictureData1 = QString(234, QLatin1Char('1'));
    s.PictureData2 = QString(256, QLatin1Char('2'));
    s.PictureData3 = QString(14, QLatin1Char('3'));
    const auto r = Elabora(s, {kSc, kTo, sampleText(700)});
    QVERIFY(!r.failure);
    const QString head = kScField + QStringLiteral("51F30A81103254769800F5FF");
    QCOMPARE(s.Pdu1, head + QStringLiteral("8C0B0504158A158A00030403013000000002010000481C01")
                 + s.PictureData1);
    QCOMPARE(s.Pdu2, head + QStringLiteral("8C0B0504158A158A0003040302") + s.PictureData2);
    QCOMPARE(s.Pdu3, head + QStringLiteral("130B0504158A158A0003040303") + s.PictureData3);
    QCOMPARE(s.UserData2, QStringLiteral("pic2"));
    QCOMPARE(s.UserData3, QStringLiteral("pic3"));
    QVERIFY(s.UserData4.isEmpty() && s.UserData5.isEmpty() && s.Pdu4.isEmpty() && s.Pdu5.isEmpty());
    QCOMPARE(s.PduLength1, 153);
    QCOMPARE(s.PduLength2, 153);
    QCOMPARE(s.PduLength3, 32);
    QCOMPARE(r.text3, s.Pdu1 + QLatin1Char('\r') + s.Pdu2 + QLatin1Char('\r') + s.Pdu3);
}

void TstElabora::shorterMessageLeavesNoStalePdus()
{
    AppState s;
    Elabora(s, {kSc, kTo, sampleText(760)});
    QVERIFY(!s.Pdu5.isEmpty());
    const auto r = Elabora(s, {kSc, kTo, sampleText(200)});
    QVERIFY(!s.Pdu2.isEmpty());
    QVERIFY(s.Pdu3.isEmpty() && s.Pdu4.isEmpty() && s.Pdu5.isEmpty());
    QVERIFY(s.UserData3.isEmpty());
    QCOMPARE(r.text3->count(QLatin1Char('\r')), 4);
    QVERIFY(r.text3->endsWith(QStringLiteral("\r\r\r")));
}

void TstElabora::overlongTextIsCutAt760()
{
    AppState s;
    Elabora(s, {kSc, kTo, sampleText(900)});
    AppState t;
    Elabora(t, {kSc, kTo, sampleText(760)});
    QCOMPARE(pdus(s), pdus(t));
}

QTEST_GUILESS_MAIN(TstElabora)
#include "tst_elabora.moc"
