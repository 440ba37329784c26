// SPDX-License-Identifier: GPL-3.0-or-later
// The reply dispatcher: tail tests, guards, block order, the information chain rows, the
// generic error path, the sent confirmation and the phonebook capture.
#include "app/appstate.h"
#include "app/replydispatcher.h"
#include "app/seams.h"
#include "app/textfile.h"
#include "fakephoneport.h"
#include "msgboxrecorder.h"
#include "recordingview.h"

#include <QTemporaryDir>
#include <QTest>

using Info = DispatcherView::Info;

namespace {
const QString CRLF = QStringLiteral("\r\n");

/// Echo, CR CR LF, information line, CR LF, blank line, OK: the framing the phone uses.
QString Framed(const QString &command, const QString &info, const QString &result = QStringLiteral("OK"))
{
    QString r = command + QStringLiteral("\r\r\n");
    if (!info.isEmpty())
        r += info + CRLF + CRLF;
    return r + result + CRLF;
}
} // namespace

class TestReplyDispatcher : public QObject
{
    Q_OBJECT

    struct Rig
    {
        AppState state;
        FakePhonePort port;
        RecordingView view;
        ReplyDispatcher d{state, port, view};
        Rig() { port.setPortOpen(true); }
        /// Delivers `text` cut into pieces of `piece` characters, one receive event each.
        void deliver(const QString &text, int piece = 0)
        {
            if (piece <= 0) {
                port.deliver(text);
                d.OnComm();
                return;
            }
            for (int i = 0; i < text.size(); i += piece) {
                port.deliver(text.mid(i, piece));
                d.OnComm();
            }
        }
    };

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        Seams::setProgramFolder(m_dir.path());
    }
    void cleanupTestCase() { Seams::setProgramFolder(QString()); }

    void tailTests_data()
    {
        QTest::addColumn<QString>("buffer");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("error");
        QTest::addColumn<bool>("prompt");
        QTest::newRow("ok-crlf") << QStringLiteral("AT\r\r\nOK\r\n") << true << false << false;
        QTest::newRow("ok-without-line-end") << QStringLiteral("AT\r\r\nOK") << false << false << false;
        QTest::newRow("error-crlf") << QStringLiteral("AT+X\r\r\nERROR\r\n") << false << true << false;
        QTest::newRow("cms-error") << QStringLiteral("AT+CMGS=18\r\r\n+CMS ERROR: 304\r\n") << false << true << false;
        QTest::newRow("cme-error") << QStringLiteral("AT+CPBR=999\r\r\n+CME ERROR: 21\r\n") << false << true << false;
        QTest::newRow("cms-error-unfinished") << QStringLiteral("AT+CMGS=18\r\r\n+CMS ERROR: ") << false << false << false;
        QTest::newRow("error-text-inside-info") << QStringLiteral("AT+CGMM\r\r\n+CMS ERROR: phone\r\n\r\nOK\r\n") << true << false << false;
        QTest::newRow("prompt") << QStringLiteral("AT+CMGS=20\r\r\n> ") << false << false << true;
        QTest::newRow("short") << QStringLiteral("OK") << false << false << false;
        QTest::newRow("empty") << QString() << false << false << false;
    }
    void tailTests()
    {
        QFETCH(QString, buffer);
        QFETCH(bool, ok);
        QFETCH(bool, error);
        QFETCH(bool, prompt);
        QCOMPARE(Reply::EndsWithOk(buffer), ok);
        QCOMPARE(Reply::EndsWithError(buffer), error);
        QCOMPARE(Reply::EndsWithPrompt(buffer), prompt);
    }

    // The whole information chain, one reply per step, cut into pieces of every size.
    void informationChainInPieces_data()
    {
        QTest::addColumn<int>("piece");
        for (int p : {0, 1, 2, 3, 5, 7, 13})
            QTest::newRow(qPrintable(QStringLiteral("pieces-of-%1").arg(p))) << p;
    }
    void informationChainInPieces()
    {
        QFETCH(int, piece);
        Rig r;
        r.state.WaitAtReply = true;
        r.deliver(Framed(QStringLiteral("AT"), {}), piece);
        QVERIFY(!r.state.WaitAtReply);
        QVERIFY(r.state.WaitManufacturer);
        QVERIFY(r.d.buffer().isEmpty());

        r.deliver(Framed(QStringLiteral("AT+CGMI"), QStringLiteral("ACME")), piece);
        r.deliver(Framed(QStringLiteral("AT+CGMM"), QStringLiteral("X1")), piece);
        QCOMPARE(r.view.info[Info::Model], QStringLiteral("ACME X1 "));
        r.deliver(Framed(QStringLiteral("AT+CGMR"), QStringLiteral("21.07 build 3")), piece);
        QCOMPARE(r.view.info[Info::Firmware], QStringLiteral("21"));
        r.deliver(Framed(QStringLiteral("AT+GSN"), QStringLiteral("351234567890123")), piece);
        QCOMPARE(r.view.info[Info::Imei], QStringLiteral("351234567890123"));
        r.deliver(Framed(QStringLiteral("AT+CIMI"), QStringLiteral("222011234567890")), piece);
        QCOMPARE(r.view.info[Info::Imsi], QStringLiteral("222011234567890"));
        QVERIFY(r.state.WaitMessageStorage);
        r.deliver(Framed(QStringLiteral("AT+CPMS=MT"), QStringLiteral("+CPMS: 3,50,3,50,3,50")), piece);
        QCOMPARE(r.view.info[Info::MessageStorage], QStringLiteral("Yes"));
        QVERIFY(r.state.MessageStorageAvailable);
        r.deliver(Framed(QStringLiteral("AT^SDBR=?"), QStringLiteral("^SDBR: (1-100),20,14")), piece);
        QCOMPARE(r.view.info[Info::AddressBook], QStringLiteral("Yes, From position 1 To 100"));
        QCOMPARE(r.state.AddressBookFirst, std::int16_t(1));
        QCOMPARE(r.state.AddressBookLast, std::int16_t(100));
        QVERIFY(r.state.AddressBookAvailable);

        // Step 9: the first OK asks for the range, the second one gives it.
        QVERIFY(r.state.WaitSimPhonebookRange);
        r.state.SimPhonebookSize = 0;
        r.port.writes.clear();
        r.deliver(Framed(QStringLiteral("AT+CPBS=SM"), {}), piece);
        QCOMPARE(r.port.writes, QStringList{QStringLiteral("AT+CPBR=?\r")});
        QCOMPARE(r.state.SimPhonebookSize, std::int16_t(1));
        QVERIFY(r.state.WaitSimPhonebookRange);
        r.deliver(Framed(QStringLiteral("AT+CPBR=?"), QStringLiteral("+CPBR: (1-250),40,14")), piece);
        QCOMPARE(r.view.info[Info::SimPhonebook], QStringLiteral("From position 1 To 250"));
        QCOMPARE(r.state.SimPhonebookSize, std::int16_t(250));

        QVERIFY(r.state.WaitPhonePhonebookRange);
        r.state.PhonePhonebookSize = 0;
        r.deliver(Framed(QStringLiteral("AT+CPBS=ME"), {}), piece);
        r.deliver(Framed(QStringLiteral("AT+CPBR=?"), QStringLiteral("+CPBR: (1-500),40,14")), piece);
        QCOMPARE(r.view.info[Info::PhonePhonebook], QStringLiteral("From position 1 To 500"));
        QCOMPARE(r.state.PhonePhonebookSize, std::int16_t(500));
        QVERIFY(!r.state.WaitPhonePhonebookRange);
        QVERIFY(r.d.buffer().isEmpty());
    }

    // Only the final tail counts: an OK inside the text does not complete a reply.
    void partialReplyWaits()
    {
        Rig r;
        r.state.WaitModel = true;
        r.deliver(QStringLiteral("AT+CGMM\r\r\nX1\r\n"));
        QVERIFY(r.state.WaitModel);
        r.deliver(QStringLiteral("\r\nOK\r\n"));
        QVERIFY(!r.state.WaitModel);
        QCOMPARE(r.view.info[Info::Model], QStringLiteral("X1 "));
    }

    void probeStepsTakeErrorAsAnswer()
    {
        MsgBoxRecorder boxes;
        Rig r;
        r.state.WaitMessageStorage = true;
        r.deliver(Framed(QStringLiteral("AT+CPMS=MT"), {}, QStringLiteral("ERROR")));
        QCOMPARE(r.view.info[Info::MessageStorage], QStringLiteral("No"));
        QVERIFY(!r.state.MessageStorageAvailable);
        QVERIFY(r.state.WaitAddressBookRange);
        r.deliver(Framed(QStringLiteral("AT^SDBR=?"), {}, QStringLiteral("ERROR")));
        QCOMPARE(r.view.info[Info::AddressBook], QStringLiteral("No"));
        QVERIFY(!r.state.AddressBookAvailable);
        QVERIFY(r.state.WaitSimPhonebookRange);
        QVERIFY(boxes.shown.isEmpty());
    }

    void errorElsewhereStopsEveryChain()
    {
        MsgBoxRecorder boxes;
        Rig r;
        r.state.WaitModel = true;
        r.state.SendActive = true;
        r.state.WaitSendOk2 = true;
        r.state.PhonebookDownload = true;
        r.state.WaitAddressBook = true;
        r.state.SentCount = 9;
        Seams::SetPointer(Seams::Pointer::Hourglass);
        r.deliver(Framed(QStringLiteral("AT+CGMM"), {}, QStringLiteral("ERROR")));
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("Command didn't accept by mobile"));
        QCOMPARE(boxes.shown[0].title, QStringLiteral("Error."));
        QCOMPARE(boxes.shown[0].icon, Seams::MsgIcon::Critical);
        QCOMPARE(boxes.shown[0].buttons, Seams::MsgButtons::OK);
        QVERIFY(!r.state.WaitModel);
        QVERIFY(!r.state.SendActive);
        QVERIFY(!r.state.WaitSendOk2);
        QVERIFY(!r.state.PhonebookDownload);
        QVERIFY(r.state.WaitAddressBook);   // left alone by the reset
        QCOMPARE(r.state.SentCount, std::int16_t(9));
        QCOMPARE(Seams::CurrentPointer(), Seams::Pointer::Default);
        QVERIFY(!r.d.buffer().isEmpty());   // the error path keeps the buffer

        // An event without new characters looks at the same buffer again.
        r.port.emptyEvent();
        r.d.OnComm();
        QCOMPARE(boxes.shown.size(), 2);
    }

    // SMS commands fail with "+CMS ERROR: n"; the chain must stop, not wait for ever.
    void extendedErrorStopsTheSendChain()
    {
        MsgBoxRecorder boxes;
        Rig r;
        r.state.SendActive = true;
        r.state.WaitSendOk1 = true;
        Seams::SetPointer(Seams::Pointer::Hourglass);
        r.deliver(QStringLiteral("\x1a\r\n+CMS ERROR: 304\r\n"), 5);
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Command didn't accept by mobile")});
        QVERIFY(!r.state.SendActive);
        QVERIFY(!r.state.WaitSendOk1);
        QCOMPARE(Seams::CurrentPointer(), Seams::Pointer::Default);
        QVERIFY(r.port.writes.isEmpty());

        // The probing steps take it as their "No" answer, like plain ERROR.
        r.d.clearBuffer();
        r.state.WaitMessageStorage = true;
        r.deliver(QStringLiteral("AT+CPMS=MT\r\r\n+CMS ERROR: 302\r\n"));
        QCOMPARE(r.view.info[Info::MessageStorage], QStringLiteral("No"));
        QVERIFY(r.state.WaitAddressBookRange);
        QCOMPARE(boxes.shown.size(), 1);
    }

    void errorDuringMessageReadIsNotGeneric()
    {
        MsgBoxRecorder boxes;
        Rig r;
        r.state.WaitReadReply = true;
        r.deliver(Framed(QStringLiteral("AT+CMGR=3"), {}, QStringLiteral("ERROR")));
        QVERIFY(boxes.shown.isEmpty());
        QVERIFY(r.state.WaitReadReply);
    }

    void messageReadGoesToTheBrowser()
    {
        Rig r;
        r.state.WaitReadReply = true;
        const QString reply = Framed(QStringLiteral("AT+CMGR=1"), QStringLiteral("+CMGR: 1,,20\r\n07911326"));
        r.deliver(reply, 4);
        QCOMPARE(r.view.readReplies, QStringList{reply});
    }

    // The send chain sees buffers longer than six characters only.
    void sendChainLengthGuard_data()
    {
        QTest::addColumn<QString>("buffer");
        QTest::addColumn<bool>("reached");
        QTest::newRow("6-chars") << QStringLiteral("xxOK\r\n") << false;
        QTest::newRow("7-chars") << QStringLiteral("xxxOK\r\n") << true;
        QTest::newRow("7-chars-prompt") << QStringLiteral("AT+CM> ") << true;
        QTest::newRow("7-chars-no-tail") << QStringLiteral("xxxxxxx") << false;
    }
    void sendChainLengthGuard()
    {
        QFETCH(QString, buffer);
        QFETCH(bool, reached);
        Rig r;
        // An awaited service-centre reply is the first thing the send step handles.
        r.state.WaitServiceCentre = true;
        r.deliver(buffer);
        QCOMPARE(!r.state.WaitServiceCentre, reached);
    }

    void sendChainSkippedDuringPhonebookDownload()
    {
        Rig r;
        r.state.WaitServiceCentre = true;
        r.state.PhonebookDownload = true;
        r.deliver(QStringLiteral("AT+CSCA?\r\r\n+CSCA: \"+393359609600\",145\r\n\r\nOK\r\n"));
        QVERIFY(r.state.WaitServiceCentre);
        r.state.PhonebookDownload = false;
        r.port.emptyEvent();
        r.d.OnComm();
        QVERIFY(!r.state.WaitServiceCentre);
        QCOMPARE(r.view.serviceCentre, QStringLiteral("393359609600"));
    }

    void sentConfirmationCounts_data()
    {
        QTest::addColumn<QString>("text6");
        QTest::addColumn<QString>("label14");
        QTest::addColumn<int>("count");
        QTest::newRow("two-parts") << QStringLiteral("5") << QStringLiteral("2") << 7;
        QTest::newRow("empty-box") << QString() << QStringLiteral("1") << 1;
        QTest::newRow("stops-at-the-top") << QStringLiteral("32767") << QStringLiteral("3") << 32767;
        QTest::newRow("huge-typed-value") << QStringLiteral("99999999") << QStringLiteral("1") << 32767;
    }
    void sentConfirmationCounts()
    {
        QFETCH(QString, text6);
        QFETCH(QString, label14);
        QFETCH(int, count);
        MsgBoxRecorder boxes;
        Rig r;
        r.view.text6 = text6;
        r.view.label14 = label14;
        r.state.WaitSentOk = true;
        Seams::SetPointer(Seams::Pointer::Hourglass);
        r.deliver(QStringLiteral("\x1a\r\n+CMGS: 12\r\n\r\nOK\r\n"), 3);
        QVERIFY(!r.state.WaitSentOk);
        QCOMPARE(int(r.state.SentCount), count);
        QCOMPARE(r.view.text6, QString::number(count));   // shown at once, not at the next tick
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Messagge sent")});
        QCOMPARE(boxes.shown[0].title, QStringLiteral("Information."));
        QCOMPARE(boxes.shown[0].icon, Seams::MsgIcon::Information);
        QCOMPARE(Seams::CurrentPointer(), Seams::Pointer::Default);
        const auto file = TextFile::Read(Seams::ProgramFile(QStringLiteral("Sent.txt")));
        QVERIFY(file);
        QCOMPARE(*file, QStringLiteral(" %1 \r\n").arg(count));
    }

    void rangeParse_data()
    {
        QTest::addColumn<QString>("info");
        QTest::addColumn<QString>("firstText");
        QTest::addColumn<QString>("lastText");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<bool>("complete");
        QTest::newRow("address-book") << QStringLiteral("^SDBR: (1-100),20,14") << "1" << "100" << 1 << 100 << true;
        QTest::newRow("sim") << QStringLiteral("+CPBR: (1-250),40,14") << "1" << "250" << 1 << 250 << true;
        QTest::newRow("no-dash") << QStringLiteral("+CPBR: (250),40") << QStringLiteral("250),40\r\n\r\nOK\r\n") << "" << 250 << 0 << false;
        QTest::newRow("no-close") << QStringLiteral("+CPBR: (1-250") << "1" << QStringLiteral("250\r\n\r\nOK\r\n") << 1 << 250 << false;
        QTest::newRow("too-big") << QStringLiteral("+CPBR: (1-99999)") << "1" << "99999" << 1 << 32767 << true;
    }
    void rangeParse()
    {
        QFETCH(QString, info);
        QFETCH(QString, firstText);
        QFETCH(QString, lastText);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(bool, complete);
        const ReplyRange r = Reply::ParseRange(Framed(QStringLiteral("AT+CPBR=?"), info));
        QCOMPARE(r.firstText, firstText);
        QCOMPARE(r.lastText, lastText);
        QCOMPARE(int(r.first), first);
        QCOMPARE(int(r.last), last);
        QCOMPARE(r.complete, complete);
    }

    // A range reply without "-" sets no size larger than what the phone said.
    void brokenRangeSetsNoAbsurdSize()
    {
        Rig r;
        r.state.WaitSimPhonebookRange = true;
        r.state.SimPhonebookSize = 1;
        r.deliver(Framed(QStringLiteral("AT+CPBR=?"), QStringLiteral("+CPBR: garbage")));
        QVERIFY(!r.state.WaitSimPhonebookRange);
        QCOMPARE(r.state.SimPhonebookSize, std::int16_t(0));
        QVERIFY(r.view.info[Info::SimPhonebook].startsWith(QStringLiteral("From position ")));
    }

    void phonebookCapture_data()
    {
        QTest::addColumn<QString>("stage");
        QTest::addColumn<QString>("buffer");
        QTest::addColumn<bool>("ready");   // PhonebookReplyReady afterwards; it starts raised
        QTest::addColumn<bool>("taken");
        const QString entry = QStringLiteral("AT+CPBR=1\r\r\n+CPBR: 1,\"+3912345\",145,\"Anna\"\r\n\r\nOK\r\n");
        QTest::newRow("sim-complete") << "sim" << entry << true << true;
        QTest::newRow("phone-from-its-start") << "phone" << QStringLiteral("AT+CPBS=ME\r\r\nOK\r\n") << true << true;
        QTest::newRow("address-book") << "ab" << entry << true << true;
        QTest::newRow("incomplete-lowers") << "sim" << entry.left(30) << false << false;
        QTest::newRow("11-chars-unchanged") << "sim" << QStringLiteral("AT+CPBS\r\nOK\r\n").right(11) << true << false;
        QTest::newRow("no-stage") << "" << entry << true << false;
    }
    void phonebookCapture()
    {
        QFETCH(QString, stage);
        QFETCH(QString, buffer);
        QFETCH(bool, ready);
        QFETCH(bool, taken);
        AppState s;
        s.WaitSimPhonebook = stage == QLatin1String("sim");
        s.WaitPhonePhonebook = stage == QLatin1String("phone");
        s.WaitAddressBook = stage == QLatin1String("ab");
        s.PhonebookReplyReady = true;
        QString b = buffer;
        CapturePhonebookReply(s, b);
        QCOMPARE(s.PhonebookReplyReady, ready);
        QCOMPARE(b.isEmpty(), taken);
        QCOMPARE(s.PhonebookReply, taken ? buffer : QString());
    }

    void resetLeavesReadAndAddressBook()
    {
        AppState s;
        s.WaitReadReply = true;
        s.WaitAddressBook = true;
        s.WaitAtReply = s.WaitPhonePhonebookRange = s.WaitSentOk = s.StoreActive = true;
        s.WaitStorePrompt5 = s.WaitSendOk4 = s.WaitServiceCentre = s.PhonebookReplyReady = true;
        s.SimPhonebookSize = 7;
        ResetWaitFlags(s);
        QVERIFY(s.WaitReadReply && s.WaitAddressBook);
        QVERIFY(!s.WaitAtReply && !s.WaitPhonePhonebookRange && !s.WaitSentOk && !s.StoreActive);
        QVERIFY(!s.WaitStorePrompt5 && !s.WaitSendOk4 && !s.WaitServiceCentre);
        QVERIFY(!s.PhonebookReplyReady);
        QCOMPARE(s.SimPhonebookSize, std::int16_t(7));
    }

    // Input arriving while a message box waits is kept and looked at after the box.
    void inputDuringMessageBoxIsNotLost()
    {
        Rig r;
        int boxes = 0;
        Seams::setMsgBoxHandler([&](const Seams::MsgBoxCall &) {
            if (++boxes == 1) {
                r.port.deliver(QStringLiteral("AT\r\r\nOK\r\n"));
                r.d.OnComm();
            }
            return Seams::MsgResult::OK;
        });
        r.state.WaitModel = true;
        r.deliver(Framed(QStringLiteral("AT+CGMM"), {}, QStringLiteral("ERROR")));
        Seams::setMsgBoxHandler({});
        QCOMPARE(boxes, 1);
        QVERIFY(r.d.buffer().endsWith(QStringLiteral("AT\r\r\nOK\r\n")));
    }
};

QTEST_GUILESS_MAIN(TestReplyDispatcher)
#include "tst_replydispatcher.moc"
