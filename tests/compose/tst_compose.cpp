// SPDX-License-Identifier: GPL-3.0-or-later
// The compose logic without windows. Building the PDUs (single and concatenated texts, logos,
// pictures), byte for byte where the layout is fixed and, for every kind, field by field as
// python-gammu decodes them; the send and store chains and the service-centre reply against
// a phone that answers each line; the sent log; the confirmation text and bitmap check.
#include "app/appstate.h"
#include "app/textfile.h"
#include "compose/elabora.h"
#include "compose/sendstep.h"
#include "compose/sendworkflow.h"
#include "encoding/codice7.h"
#include "fakephoneport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using Compose::Elabora;

namespace {

const QChar kCtrlZ(26);
const QString kSc = u"393359609600"_s;
const QString kScField = u"0791933395066900"_s;
const QString kTo = u"3471234567"_s;
const QString kIntl = u"+393471234567"_s;
const int kRefs[] = {0, 0, 0x24, 0x29, 0x27, 0x26};   // the reference each part count carries

// Letters, table characters, line breaks and characters outside the table; its period is
// not a multiple of 152, so a wrong cut shows.
QString mixedText(int n)
{
    const QString pool = u"Ciao, come stai? Tutto bene: è é ù ì ò à @£$¥ "
                         "ÄÖÑÜ§¿äöñü ¡¤_ ÆæßÉ ç³ €{} "
                         "0123456789\r\nNuova riga #%&*()+-/<=>!"_s;
    QString t;
    for (int i = 0; i < n; ++i)
        t += pool.at(i % pool.size());
    if (t.endsWith(u'\r'))   // keep the pair whole at the cut
        t[t.size() - 1] = u'x';
    return t;
}

// n characters as the user sees them, every seventh an emoji (two UTF-16 units each).
QString emojiText(int n)
{
    QString t;
    for (int i = 0; i < n; ++i)
        t += i % 7 == 3 ? QString::fromUtf16(u"\U0001F600") : QString(QChar(u'a' + i % 26));
    return t;
}

QString hexPattern(int octets, int seed)
{
    QByteArray b;
    for (int i = 0; i < octets; ++i)
        b += char((i * 37 + seed) & 0xFF);
    return QString::fromLatin1(b.toHex().toUpper());
}

QStringList pdus(const AppState &s) { return {s.Pdu1, s.Pdu2, s.Pdu3, s.Pdu4, s.Pdu5}; }
QList<int> lengths(const AppState &s)
{
    return {s.PduLength1, s.PduLength2, s.PduLength3, s.PduLength4, s.PduLength5};
}

AppState smart(int kind)   // 0 operator logo, 1 group logo, 2 picture
{
    AppState s;
    s.LogoMode = s.FlashSms = s.StatusReport = true;   // the logo settings win over the last two
    s.OperatorLogoMode = kind == 0;
    s.PictureMode = kind == 2;
    s.OperatorMcc = u"22F2"_s;
    s.OperatorMnc = u"10"_s;
    s.LogoData = hexPattern(126, kind);
    s.PictureData1 = hexPattern(117, 3);
    s.PictureData2 = hexPattern(128, 4);
    s.PictureData3 = hexPattern(7, 5);
    return s;
}

/// The fields every SMS-SUBMIT built here shows to python-gammu.
QJsonObject submit(const QString &to, const char *fo, const char *coding, int cls)
{
    return {{u"smsc"_s, u'+' + kSc}, {u"number"_s, to}, {u"type"_s, u"Submit"_s},
            {u"fo"_s, QLatin1String(fo)}, {u"validity"_s, u"Max"_s}, {u"mr"_s, 0xF3},
            {u"hasUdh"_s, fo[0] != '1' && fo[0] != '3'}, {u"coding"_s, QLatin1String(coding)},
            {u"class"_s, cls}};
}

} // namespace

class TstCompose : public QObject
{
    Q_OBJECT
    AppState s;
    FakePhonePort port;
    void step(const QString &buffer) { Module1::SendStep(s, buffer, port); }

    /// python-gammu (decode_pdu.py) must read each PDU with the fields of its expected object
    /// (a null value: the field is absent).
    void checkWithGammu(const QStringList &pdus, const QList<QJsonObject> &expected)
    {
        const QString python = qEnvironmentVariable("SMS_PYTHON3", u"/usr/bin/python3"_s);
        static const bool gammu = QProcess::execute(python, {u"-c"_s, u"import gammu"_s}) == 0;
        if (!gammu)
            QSKIP("python3-gammu is not installed: no independent decoder to check against");
        QProcess py;
        py.start(python, {qEnvironmentVariable("SMS_DECODE_PDU")});
        py.write(pdus.join(u'\n').toLatin1() + '\n');
        py.closeWriteChannel();
        QVERIFY(py.waitForFinished(60000));
        QVERIFY2(py.exitCode() == 0, py.readAllStandardError().constData());
        const QJsonArray decoded = QJsonDocument::fromJson(py.readAllStandardOutput()).array();
        const auto show = [](const QJsonValue &v) {
            return QString::fromUtf8(QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact));
        };
        for (int i = 0; i < expected.size(); ++i) {
            const QJsonObject d = decoded.at(i).toObject();
            for (auto it = expected[i].begin(); it != expected[i].end(); ++it)
                QVERIFY2(it->isNull() ? !d.contains(it.key()) : d.value(it.key()) == *it,
                         qPrintable(u"part %1: %2 is %3, expected %4"_s.arg(i + 1).arg(
                             it.key(), show(d.value(it.key())), show(*it))));
        }
    }

private slots:
    void initTestCase()
    {
        Codice7::InitGsmTable();
        QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    }
    void init()
    {
        s = AppState();
        port.writes.clear();
        port.setPortOpen(true);
    }

    void singlePdu()
    {
        const char *rows[][3] = {{"hello", "11F30A8143173254760000FF05E8329BFD06", "18"},
                                 {"", "11F30A8143173254760000FF00", "13"}};
        for (const auto &r : rows) {
            const auto out = Elabora(s, {kSc, kTo, QLatin1String(r[0])});
            QVERIFY(!out.failure);
            QCOMPARE(s.Pdu1, kScField + QLatin1String(r[1]));
            QCOMPARE(s.PduLength1, QByteArray(r[2]).toInt());
            QCOMPARE(out.text3, s.Pdu1 + u"\r\r\r\r"_s);
        }
    }

    // Texts cut at every part boundary, with the options, international and typed numbers,
    // and emoji (counted and cut per character, one "@" each).
    void texts_data()
    {
        QTest::addColumn<int>("chars");
        QTest::addColumn<int>("parts");
        QTest::addColumn<int>("flags");   // 1 status report, 2 flash, 4 emoji
        QTest::addColumn<QString>("to");  // the recipient as the phone must get it
        QTest::addColumn<QString>("typedTo");   // and as typed (empty: the same)
        QTest::addColumn<QString>("typedSc");
        const auto row = [](int chars, int parts, int flags, const QString &to = kTo,
                            const QString &typedTo = {}, const QString &typedSc = {}) {
            QTest::addRow("%d-chars-%d-%s", chars, flags,
                          qPrintable(typedTo.isEmpty() ? to : typedTo))
                << chars << parts << flags << to << typedTo << typedSc;
        };
        const int bounds[][2] = {{1, 1},   {160, 1}, {161, 2}, {304, 2}, {305, 3}, {456, 3},
                                 {457, 4}, {608, 4}, {609, 5}, {760, 5}, {900, 5}};
        for (const auto &b : bounds)
            row(b[0], b[1], 0);
        row(40, 1, 1, kIntl);
        row(400, 3, 1, kIntl);
        row(20, 1, 2);
        row(500, 4, 3, kIntl);
        row(10, 1, 0, u"+39347123456"_s);
        row(30, 1, 0, kIntl, u"+39 347 123-4567"_s, u"+39 335 960-9600"_s);
        row(200, 2, 1, kTo, u"(347) 123.45.67"_s, u"39.335.960.9600"_s);
        row(160, 1, 4);
        row(161, 2, 4, kIntl);
        row(304, 2, 4);
        row(609, 5, 4);
        row(760, 5, 5);
    }
    void texts()
    {
        QFETCH(int, chars);
        QFETCH(int, parts);
        QFETCH(int, flags);
        QFETCH(QString, to);
        QFETCH(QString, typedTo);
        QFETCH(QString, typedSc);
        s.StatusReport = flags & 1;
        s.FlashSms = flags & 2;
        Elabora(s, {kSc, kTo, mixedText(760)});   // no slot of a longer message may survive
        const QString typed = flags & 4 ? emojiText(chars) : mixedText(chars);
        const auto r = Elabora(s, {typedSc.isEmpty() ? kSc : typedSc,
                                   typedTo.isEmpty() ? to : typedTo, typed});
        QVERIFY(!r.failure);
        QCOMPARE(pdus(s).mid(parts), QStringList(5 - parts, QString()));
        QCOMPARE(QStringList({s.UserData1, s.UserData2, s.UserData3, s.UserData4, s.UserData5})
                     .mid(parts), QStringList(5 - parts, QString()));
        QCOMPARE(r.text3, pdus(s).join(u'\r'));   // the empty slots too
        // What a standard decoder shows: what the user typed, cut in parts of 152 after 760,
        // the two entries this program types differently (0x09 "ç", 0x10 "³") as the
        // standard's, anything outside the table as "@".
        QString text = Codice7::OneUnitPerCharacter(typed).left(760);
        for (QChar &c : text)
            c = c == u'ç' ? QChar(u'Ç') : c == u'³' ? QChar(u'Δ')
                : Codice7::InGsmAlphabet(c) ? c : QChar(u'@');
        const char *fo = parts > 1 ? (flags & 1 ? "71" : "51") : (flags & 1 ? "31" : "11");
        QList<QJsonObject> expected;
        for (int i = 1; i <= parts; ++i) {
            // The announced length counts the octets after the service-centre field.
            QVERIFY(pdus(s).at(i - 1).startsWith(kScField));
            QCOMPARE(lengths(s).at(i - 1) * 2, int(pdus(s).at(i - 1).size() - kScField.size()));
            QJsonObject e = submit(to, fo, "Default_No_Compression", flags & 2 ? 0 : -1);
            const QString shown = parts > 1 ? text.mid((i - 1) * 152, 152) : text;
            e[u"text"] = shown;
            e[u"length"] = int(shown.size());
            e[u"ports.dst"] = QJsonValue::Null;
            // Our reading of the header and gammu's own concatenation fields.
            const char *keys[][2] = {{"concat16.ref", "id16"}, {"concat16.total", "allParts"},
                                     {"concat16.part", "partNumber"}};
            const int concat[] = {kRefs[parts], parts, i};
            for (int f = 0; f < 3; ++f)
                for (const char *key : keys[f])
                    e.insert(QLatin1String(key), parts > 1 ? QJsonValue(concat[f]) : QJsonValue());
            expected << e;
        }
        checkWithGammu(pdus(s).mid(0, parts), expected);
    }

    // Logos and pictures byte for byte (the logo settings win over flash and status report)
    // and as python-gammu reads them: ports, concatenation of the picture, payload.
    void smartMessages_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("udh");      // user-data length and header, per part
        QTest::addColumn<QStringList>("prefix");   // the payload's head before the bitmap
        QTest::addColumn<QList<int>>("octets");
        QTest::newRow("operator-logo") << 0 << kTo << QStringList{u"8C06050415821582"_s}
                                       << QStringList{u"22F21001480E01"_s} << QList<int>{153};
        QTest::newRow("group-logo") << 1 << kTo << QStringList{u"8906050415831583"_s}
                                    << QStringList{u"00480E01"_s} << QList<int>{150};
        // One octet more for a 12-digit international recipient.
        QTest::newRow("group-logo-international")
            << 1 << kIntl << QStringList{u"8906050415831583"_s} << QStringList{u"00480E01"_s}
            << QList<int>{151};
        QTest::newRow("picture")
            << 2 << kTo
            << QStringList{u"8C0B0504158A158A0003040301"_s, u"8C0B0504158A158A0003040302"_s,
                           u"130B0504158A158A0003040303"_s}
            << QStringList{u"3000000002010000481C01"_s, QString(), QString()}
            << QList<int>{153, 153, 32};
    }
    void smartMessages()
    {
        QFETCH(int, kind);
        QFETCH(QString, to);
        QFETCH(QStringList, udh);
        QFETCH(QStringList, prefix);
        QFETCH(QList<int>, octets);
        s = smart(kind);
        Elabora(s, {kSc, kTo, mixedText(700)});
        const auto r = Elabora(s, {kSc, to, mixedText(300)});
        QVERIFY(!r.failure);
        const QString head = to == kIntl ? u"51F30C9193431732547600F5FF"_s
                                         : u"51F30A81431732547600F5FF"_s;
        const QString payload[] = {kind == 2 ? s.PictureData1 : s.LogoData, s.PictureData2,
                                   s.PictureData3};
        QStringList expected;
        QList<QJsonObject> fields;
        for (int i = 0; i < udh.size(); ++i) {
            expected << kScField + head + udh[i] + prefix[i] + payload[i];
            QJsonObject e = submit(to, "51", "8bit", 1);
            const int port = 5506 + kind + (kind == 2 ? 6 : 0);
            e[u"ports.dst"] = port;
            e[u"ports.src"] = port;
            e[u"data"] = prefix[i] + payload[i];
            e[u"concat16.ref"] = QJsonValue::Null;
            if (kind == 2) {
                e[u"concat8.ref"] = 4;
                e[u"concat8.total"] = 3;
                e[u"concat8.part"] = i + 1;
            }
            fields << e;
        }
        QCOMPARE(pdus(s), expected + QStringList(5 - udh.size(), QString()));
        QCOMPARE(lengths(s).mid(0, udh.size()), octets);
        QCOMPARE(r.text3, expected.join(u'\r'));
        if (kind == 2)   // placeholders: the picture's parts carry no text
            QCOMPARE(s.UserData2 + s.UserData3, u"pic2pic3"_s);
        checkWithGammu(expected, fields);
    }

    // Numbers that cannot be encoded, and an operator logo without its codes, are refused
    // before anything is built, and an earlier message does not survive a refusal. Numbers
    // typed with separators: the texts above.
    void refusals_data()
    {
        QTest::addColumn<QString>("centre");
        QTest::addColumn<QString>("recipient");
        QTest::addColumn<int>("logo");   // 1 an operator logo without its country, 2 operator
        QTest::addColumn<QString>("text");
        const auto row = [](const char *name, const char16_t *sc, const char16_t *to,
                            const char16_t *text, int logo = 0) {
            QTest::newRow(name) << QString::fromUtf16(sc) << QString::fromUtf16(to) << logo
                                << QString::fromUtf16(text);
        };
        const char16_t *sc = u"393359609600", *to = u"3471234567";
        row("recipient-letters", sc, u"+39 347 abc",
            u"Recipient number: \"a\" is not allowed. Type digits, with \"+\" only in front; "
            u"blanks, dashes, dots and brackets are left out.");
        row("recipient-plus-inside", sc, u"39+347", u"Recipient number: \"+\" is not allowed.");
        row("recipient-empty", sc, u"", u"Insert recipient number !!!");
        row("recipient-only-separators", sc, u" - ", u"Insert recipient number !!!");
        row("recipient-21-digits", sc, u"+123456789012345678901",
            u"Recipient number: 21 digits are too many (at most 20).");
        row("centre-empty", u"", to, u"Insert service centre !!!");
        row("centre-letters", u"39335960960O", to, u"Service centre number: \"O\" is not allowed.");
        row("centre-only-blanks", u"   ", to, u"Insert service centre !!!");
        row("centre-21-digits", u"123456789012345678901", to,
            u"Service centre number: 21 digits are too many (at most 20).");
        row("logo-without-country", sc, to, u"Select country and operator!", 1);
        row("logo-without-operator", sc, to, u"Select country and operator!", 2);
    }
    void refusals()
    {
        QFETCH(QString, centre);
        QFETCH(QString, recipient);
        QFETCH(int, logo);
        QFETCH(QString, text);
        Elabora(s, {kSc, kTo, mixedText(400)});
        s.LogoMode = s.OperatorLogoMode = logo > 0;
        s.OperatorMcc = logo == 1 ? QString() : u"22F2"_s;
        s.OperatorMnc = logo == 2 ? QString() : u"10"_s;
        s.LogoData = hexPattern(126, 0);
        const auto r = Elabora(s, {centre, recipient, mixedText(200)});
        QVERIFY(r.failure);
        QVERIFY2(r.failure->text.startsWith(text), qPrintable(r.failure->text));
        QCOMPARE(r.failure->title, logo ? u"Warning."_s : u"Impossible to sent message."_s);
        QCOMPARE(r.failure->icon, logo ? Seams::MsgIcon::Exclamation : Seams::MsgIcon::Critical);
        QCOMPARE(pdus(s), QStringList(5, QString()));
        QVERIFY(logo ? !r.text3 : r.text3 == QString());   // a logo leaves the list as it was
    }

    // Against a phone that answers each line as TS 27.005 says, with echo. Every reply is
    // handed over twice (an event without new characters): a part goes out once only.
    void chains_data()
    {
        QTest::addColumn<int>("chars");
        QTest::addColumn<bool>("store");
        for (bool store : {false, true})
            for (int n : {5, 161, 305, 457, 760})
                QTest::addRow("%s-%d", store ? "store" : "send", n) << n << store;
    }
    void chains()
    {
        QFETCH(int, chars);
        QFETCH(bool, store);
        Compose::Elabora(s, {u"123456789012"_s, u"0123456789"_s, mixedText(chars)});
        store ? Compose::StartStore(s, port) : Compose::StartSend(s, port);
        const int parts = Compose::PartsNeeded(chars);
        QString buffer;
        for (qsizetype handled = 0; handled < port.writes.size();) {
            const QString line = port.writes.at(handled++);
            buffer += line + (line.endsWith(kCtrlZ) ? u"\r\n+CMGS: 7\r\n\r\nOK\r\n"_s
                                                    : u"\r\n> "_s);
            step(buffer);
            step(buffer);
            QVERIFY(port.writes.size() <= handled + 1);   // one line per reply, not ahead of it
            // A send waits for the dispatcher's confirmation from the OK of its last part on,
            // or from the fifth PDU on: no step follows that one.
            const bool out = port.writes.size() == 2 * parts;
            QCOMPARE(s.WaitSentOk, !store && out && (parts == 5 || handled == 2 * parts));
        }
        QStringList expected;
        for (int i = 0; i < parts; ++i)
            expected << (store ? u"AT+CMGW=%1\r"_s : u"AT+CMGS=%1\r"_s).arg(lengths(s).at(i))
                     << pdus(s).at(i) + kCtrlZ;
        QCOMPARE(port.writes, expected);
        QVERIFY(!s.SendActive && !s.StoreActive && !s.WaitSendPrompt1 && !s.WaitStoreOk1);
    }

    void stepOrder()
    {
        s.WaitSendPrompt1 = true;   // a step flag without a running chain does nothing
        step(u"xxxxx\r\n> "_s);
        step(u"xxxxx\r\nOK\r\n"_s);
        QVERIFY(port.writes.isEmpty());
        Compose::Elabora(s, {u"1234"_s, u"5678"_s, u"x"_s});
        s.SendActive = s.StoreActive = s.WaitStorePrompt1 = true;
        step(u"AT+CMGW=9\r\r\n> "_s);   // the store step goes first, the send step waits
        QCOMPARE(port.writes, QStringList{s.Pdu1 + kCtrlZ});
        QVERIFY(s.WaitStoreOk1 && s.WaitSendPrompt1);
    }

    void serviceCentre_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("number");   // empty: nothing found
        const char *rows[][2] = {{"\"+393359609600\",145", "393359609600"},
                                 {"\"0335960\",129", "335960"}, {"0,0", ""}, {"\"+39", ""},
                                 {"\"\",129", ""}, {"\"+\",145", ""}, {"\"+3\",145", "3"}};
        for (const auto &r : rows)
            QTest::addRow("%s", r[0]) << "AT+CSCA?\r\r\n+CSCA: "_L1 + QLatin1String(r[0])
                                             + "\r\n\r\nOK\r\n"_L1 << QString::fromLatin1(r[1]);
    }
    void serviceCentre()
    {
        QFETCH(QString, reply);
        QFETCH(QString, number);
        s.ServiceCentre = u"old"_s;
        Compose::StartServiceCentreQuery(s, port);
        QCOMPARE(port.writes, QStringList{u"AT+CSCA?\r"_s});
        QVERIFY(s.WaitServiceCentre);
        QCOMPARE(Module1::SendStep(s, reply, port).serviceCentre.value_or(QString()), number);
        QVERIFY(!s.WaitServiceCentre);
        QCOMPARE(s.ServiceCentre, number.isEmpty() ? u"old"_s : number);
        QVERIFY(!Module1::SendStep(s, reply, port).serviceCentre);   // only once
        QCOMPARE(port.writes.size(), 1);
    }

    void sentLog()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"LogSMS.txt"_s);
        const QDateTime when(QDate(2026, 3, 4), QTime(5, 6, 7));
        QVERIFY(Compose::AppendSentLog(path, u"ciao\r\nè"_s, u"+39347"_s, when, u"1"_s));
        QVERIFY(Compose::AppendSentLog(path, u"b"_s, u"12"_s, when, u"3"_s));
        const QByteArray date =
            QLocale().toString(when.date(), QLocale::ShortFormat).toLatin1() + " 05:06:07\r\n";
        const auto bytes = [&] {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        QCOMPARE(bytes(), "CorvinaSMS By Quillane\r\nLog of sent SMS\r\n" + QByteArray(44, '-')
                              + "\r\n\r\n\r\nSms:        ciao\r\n\xE8\r\nAt number:  +39347\r\n"
                              "Date and time: " + date + "N.sms:  1\r\n\r\nSms:        b\r\n"
                              "At number:  12\r\nDate and time: " + date + "N.sms:  3\r\n\r\n");
        // An existing log only gets the entry.
        QVERIFY(TextFile::WriteAtomic(path, u"kept\r\n"_s));
        QVERIFY(Compose::AppendSentLog(path, u"x"_s, u"1"_s, when, u"1"_s));
        QCOMPARE(bytes(), "kept\r\nSms:        x\r\nAt number:  1\r\nDate and time: " + date
                              + "N.sms:  1\r\n\r\n");
        // A log that cannot be written says why (root ignores permissions: a folder in its
        // place, or a missing folder, stops anyone).
        QVERIFY(QDir().mkpath(dir.filePath(u"folder"_s)));
        for (const QString &bad : {dir.filePath(u"folder"_s), dir.filePath(u"no/LogSMS.txt"_s)}) {
            QString error;
            QVERIFY(!Compose::AppendSentLog(bad, u"x"_s, u"1"_s, when, u"1"_s, &error));
            QVERIFY2(!error.isEmpty(), qPrintable(bad));
        }
        QVERIFY(!QFile::exists(dir.filePath(u"no"_s)));
    }

    void confirmationText()
    {
        const QString ask = u"Are you sure to send this SMS:\r\r     \""_s;
        const QString to = u"\"\r\rTo: +3912?\r"_s;
        // mode 1: an operator logo, 2: a picture (which the question calls a group logo)
        const struct { int mode; bool flash, status; QString text; } rows[] = {
            {0, false, false, u"hi\r\nyou"_s + to},
            {0, true, true, u"hi\r\nyou"_s + to + u"\r- Flash SMS\r- Status report"_s},
            {0, false, true, u"hi\r\nyou"_s + to + u"\r- Status report"_s},
            {1, false, false, u"Operator Logo"_s + to}, {2, false, false, u"Group Logo"_s + to}};
        for (const auto &r : rows) {
            s.LogoMode = r.mode > 0;
            s.OperatorLogoMode = r.mode == 1;
            s.PictureMode = r.mode == 2;
            s.FlashSms = r.flash;
            s.StatusReport = r.status;
            QCOMPARE(Compose::ConfirmationText(s, u"hi\r\nyou"_s, u"+3912"_s), ask + r.text);
        }
    }

    // A logo needs its bitmap, a picture its own.
    void bitmapCheck()
    {
        const bool rows[][5] = {// logo, picture, logo data, picture data, passes
            {false, false, false, false, true}, {true, false, false, true, false},
            {true, false, true, false, true},   {true, true, true, false, false},
            {true, true, false, true, true}};
        for (const auto &r : rows) {
            s.LogoMode = r[0];
            s.PictureMode = r[1];
            s.LogoData = r[2] ? u"00"_s : QString();
            s.PictureData1 = r[3] ? u"00"_s : QString();
            QCOMPARE(Compose::BitmapCheck(s), r[4]);
        }
    }
};

QTEST_GUILESS_MAIN(TstCompose)
#include "tst_compose.moc"
