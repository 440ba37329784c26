// SPDX-License-Identifier: GPL-3.0-or-later
// Building the PDUs: single and concatenated texts, header fields, logos and pictures.
#include "app/appstate.h"
#include "compose/elabora.h"
#include "encoding/codice7.h"

#include <QTest>

using Compose::Elabora;

namespace {

const QString kSc = QStringLiteral("123456789012");
const QString kScField = QStringLiteral("0791214365870921");
const QString kTo = QStringLiteral("0123456789");
const QString kToField = QStringLiteral("F30A81103254769800");   // reference, recipient, PID

// A text whose every 152-character stretch differs, so a wrong cut shows.
QString sampleText(int n)
{
    const QString alphabet = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789");
    QString t;
    for (int i = 0; i < n; ++i)
        t += alphabet.at((i / 7 + i) % alphabet.size());
    return t;
}

struct Slot { QString pdu, userData; int length; };
Slot slot(const AppState &s, int i)
{
    const Slot all[] = {{s.Pdu1, s.UserData1, s.PduLength1}, {s.Pdu2, s.UserData2, s.PduLength2},
                        {s.Pdu3, s.UserData3, s.PduLength3}, {s.Pdu4, s.UserData4, s.PduLength4},
                        {s.Pdu5, s.UserData5, s.PduLength5}};
    return all[i - 1];
}
QString pdus(const AppState &s) { return QStringList{s.Pdu1, s.Pdu2, s.Pdu3, s.Pdu4, s.Pdu5}.join(u'|'); }

} // namespace

class TstElabora : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Codice7::InitGsmTable(); }

    void singlePdu_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pdu");
        QTest::addColumn<int>("length");
        QTest::newRow("hello") << QStringLiteral("hello") << kScField + QStringLiteral("11F30A8110325476980000FF05E8329BFD06") << 18;
        QTest::newRow("empty") << QString() << kScField + QStringLiteral("11F30A8110325476980000FF00") << 13;
    }
    void singlePdu()
    {
        QFETCH(QString, text);
        QFETCH(QString, pdu);
        QFETCH(int, length);
        AppState s;
        const auto r = Elabora(s, {kSc, kTo, text});
        QVERIFY(!r.failure);
        QCOMPARE(s.Pdu1, pdu);
        QCOMPARE(s.PduLength1, length);
        QCOMPARE(r.text3, s.Pdu1 + QStringLiteral("\r\r\r\r"));
    }

    void splitting_data()
    {
        QTest::addColumn<int>("chars");
        QTest::addColumn<int>("parts");
        QTest::addColumn<int>("ref");   // the reference each part count carries
        const int rows[][3] = {{160, 1, 0},    {161, 2, 0x24}, {304, 2, 0x24}, {305, 3, 0x29}, {456, 3, 0x29},
                               {457, 4, 0x27}, {608, 4, 0x27}, {609, 5, 0x26}, {760, 5, 0x26}};
        for (const auto &r : rows)
            QTest::addRow("%d-chars", r[0]) << r[0] << r[1] << r[2];
    }
    void splitting()
    {
        QFETCH(int, chars);
        QFETCH(int, parts);
        QFETCH(int, ref);
        AppState s;
        const QString text = sampleText(chars);
        Elabora(s, {kSc, kTo, sampleText(760)});   // no slot of a longer message may survive
        const auto r = Elabora(s, {kSc, kTo, text});
        QVERIFY(!r.failure);
        const QString head = (parts == 1 ? QStringLiteral("11") : QStringLiteral("51")) + kToField + QStringLiteral("00FF");
        QStringList text3;
        for (int i = 1; i <= 5; ++i) {
            const Slot p = slot(s, i);
            text3 << p.pdu;
            if (i > parts) {
                QVERIFY2(p.userData.isEmpty() && p.pdu.isEmpty(), qPrintable(QString::number(i)));
                continue;
            }
            QCOMPARE(p.pdu, kScField + head + p.userData);
            QCOMPARE(p.length, int(head.size() + p.userData.size()) / 2);
            if (parts == 1) {
                QCOMPARE(p.userData, Codice7::PackSeptets(text));
                continue;
            }
            // TP-UDL counts the 8 header septets; the text starts on the octet after the header.
            const QString part = text.mid((i - 1) * 152, 152);
            const QByteArray ud = QByteArray::fromHex(p.userData.toLatin1());
            QCOMPARE(int(quint8(ud[0])), 8 + int(part.size()));
            const char header[] = {6, 8, 4, 0, char(ref), char(parts), char(i)};
            QCOMPARE(ud.mid(1, 7), QByteArray(header, 7));
            QCOMPARE(p.userData.mid(16), Codice7::PackSeptets(part).mid(2));
        }
        QCOMPARE(r.text3, text3.join(u'\r'));
    }

    void firstOctetAndCoding_data()
    {
        QTest::addColumn<int>("chars");
        QTest::addColumn<bool>("status");
        QTest::addColumn<bool>("flash");
        QTest::addColumn<bool>("logo");
        QTest::addColumn<QString>("fo");
        QTest::addColumn<QString>("dcs");
        QTest::newRow("short") << 10 << false << false << false << "11" << "00";
        QTest::newRow("160-status") << 160 << true << false << false << "31" << "00";
        QTest::newRow("161-status") << 161 << true << false << false << "71" << "00";
        QTest::newRow("short-flash") << 5 << false << true << false << "11" << "F0";
        QTest::newRow("long-flash") << 700 << false << true << false << "51" << "F0";
        QTest::newRow("logo-wins") << 0 << true << true << true << "51" << "F5";
    }
    void firstOctetAndCoding()
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
        s.LogoData = QString(252, u'0');
        Elabora(s, {kSc, kTo, sampleText(chars)});
        for (int i = 1; i <= Compose::PartsNeeded(logo ? 1 : chars); ++i)
            QVERIFY(slot(s, i).pdu.startsWith(kScField + fo + kToField + dcs + QStringLiteral("FF")));
    }

    void smartMessages_data()
    {
        QTest::addColumn<int>("kind");   // 0 operator logo, 1 group logo, 2 picture
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("heads");
        QTest::addColumn<QList<int>>("lengths");
        const auto h = [](const char *rest) { return QStringLiteral("51") + kToField + QStringLiteral("F5FF") + QLatin1String(rest); };
        QTest::newRow("operator") << 0 << kTo << QStringList{h("8C0605041582158222F21001480E01")} << QList<int>{153};
        QTest::newRow("group") << 1 << kTo << QStringList{h("890605041583158300480E01")} << QList<int>{150};
        QTest::newRow("group-international") << 1 << QStringLiteral("+393471234567")
            << QStringList{QStringLiteral("51F30C9193431732547600F5FF890605041583158300480E01")} << QList<int>{151};
        QTest::newRow("picture") << 2 << kTo
            << QStringList{h("8C0B0504158A158A00030403013000000002010000481C01"), h("8C0B0504158A158A0003040302"),
                           h("130B0504158A158A0003040303")} << QList<int>{153, 153, 32};
    }
    void smartMessages()
    {
        QFETCH(int, kind);
        QFETCH(QString, to);
        QFETCH(QStringList, heads);
        QFETCH(QList<int>, lengths);
        AppState s;
        s.LogoMode = s.FlashSms = s.StatusReport = true;   // the logo settings win over both
        s.OperatorLogoMode = kind == 0;
        s.PictureMode = kind == 2;
        s.OperatorMcc = QStringLiteral("22F2");
        s.OperatorMnc = QStringLiteral("10");
        s.LogoData = QString(252, u'A');
        s.PictureData1 = QString(234, u'1');
        s.PictureData2 = QString(256, u'2');
        s.PictureData3 = QString(14, u'3');
        Elabora(s, {kSc, kTo, sampleText(700)});   // a stale long text must not survive
        const auto r = Elabora(s, {kSc, to, sampleText(300)});
        QVERIFY(!r.failure);
        const QString data[] = {kind == 2 ? s.PictureData1 : s.LogoData, s.PictureData2, s.PictureData3};
        QStringList text3;
        for (int i = 1; i <= 5; ++i) {
            const Slot p = slot(s, i);
            const bool used = i <= heads.size();
            QCOMPARE(p.pdu, used ? kScField + heads.at(i - 1) + data[i - 1] : QString());
            if (used)
                QCOMPARE(p.length, lengths.at(i - 1));
            QCOMPARE(p.userData.isEmpty(), !used);
            if (used)
                text3 << p.pdu;
        }
        QCOMPARE(r.text3, text3.join(u'\r'));
        if (kind == 2)
            QCOMPARE(s.UserData2 + s.UserData3, QStringLiteral("pic2pic3"));
    }

    void refused_data()
    {
        QTest::addColumn<QString>("sc");
        QTest::addColumn<QString>("mcc");
        QTest::addColumn<QString>("mnc");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::newRow("no-service-centre") << QString() << "" << "" << "Insert service centre !!!" << "Impossible to sent message.";
        QTest::newRow("operator-logo-no-country") << kSc << "" << "10" << "Select country and operator!" << "Warning.";
        QTest::newRow("operator-logo-no-operator") << kSc << "22F2" << "" << "Select country and operator!" << "Warning.";
    }
    void refused()
    {
        QFETCH(QString, sc);
        QFETCH(QString, mcc);
        QFETCH(QString, mnc);
        QFETCH(QString, text);
        QFETCH(QString, title);
        AppState s;
        Elabora(s, {kSc, kTo, sampleText(400)});
        s.LogoMode = s.OperatorLogoMode = !sc.isEmpty();
        s.OperatorMcc = mcc;
        s.OperatorMnc = mnc;
        s.LogoData = QString(252, u'0');
        const auto r = Elabora(s, {sc, kTo, QStringLiteral("hi")});
        QVERIFY(r.failure);
        QCOMPARE(r.failure->text, text);
        QCOMPARE(r.failure->title, title);
        QCOMPARE(r.failure->icon, sc.isEmpty() ? Seams::MsgIcon::Critical : Seams::MsgIcon::Exclamation);
        QCOMPARE(pdus(s), QStringLiteral("||||"));
        QVERIFY(!r.text3 || r.text3->isEmpty());
    }

    void overlongTextIsCutAt760()
    {
        AppState s, t;
        Elabora(s, {kSc, kTo, sampleText(900)});
        Elabora(t, {kSc, kTo, sampleText(760)});
        QCOMPARE(pdus(s), pdus(t));
    }
};

QTEST_GUILESS_MAIN(TstElabora)
#include "tst_elabora.moc"
