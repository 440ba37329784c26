// SPDX-License-Identifier: GPL-3.0-or-later
// Logos and picture messages chosen and loaded in the main window, built into PDUs and
// decoded by python-gammu's Smart Messaging decoder: the picture, the kind and the network
// code gammu finds must be the ones the user gave.
#include "app/appstate.h"
#include "app/form1.h"
#include "app/seams.h"
#include "fakephoneport.h"
#include "msgboxrecorder.h"
#include "smartoracle.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

enum class Kind { Operator, Group, Picture };

struct Case
{
    QString name;
    Kind kind;
    QString file;                           // a fixture, or empty for the pattern below
    std::function<bool(int, int)> black;    // the picture's black pixels
    QString country, op, network;
};

bool logoPattern(int x, int y) { return (x + 3 * y) % 7 == 0 || (y == 0 && x < 5) || x == 71; }
bool picturePattern(int x, int y) { return (x * y) % 11 == 1 || y == 27 || (x == 0 && y < 9); }

} // namespace

class TestLogoPdus : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QList<Case> m_cases;
    QList<QStringList> m_pdus;

    QStringList build(const Case &c)
    {
        MsgBoxRecorder boxes;
        AppState state;
        FakePhonePort port;
        Form1 f(state, port);
        f.Form_Load();
        f.Timer1->stop();
        QString path = c.file;
        if (path.isEmpty()) {
            path = m_dir.filePath(c.name + QStringLiteral(".bmp"));
            QFile out(path);
            if (!out.open(QIODevice::WriteOnly))
                return {};
            out.write(SmartOracle::bmp(c.kind == Kind::Picture ? 28 : 14, c.black));
        }
        Seams::setOpenFileDialogHandler([path](const Seams::FileDialogCall &) { return path; });
        f.Check1->click();
        (c.kind == Kind::Operator ? f.Option1 : c.kind == Kind::Group ? f.Option2 : f.Option3)
            ->click();
        QTest::keyClicks(f.Text7, c.country);
        QTest::keyClicks(f.Text8, c.op);
        f.Command9->click();
        Seams::setOpenFileDialogHandler({});
        f.Text2->setText(QStringLiteral("393359609600"));
        f.Text4->setText(QStringLiteral("3471234567"));
        f.Command5->click();
        if (!boxes.shown.isEmpty())
            qWarning("message box: %s", qPrintable(boxes.texts().join(QLatin1Char('|'))));
        QStringList pdus{state.Pdu1};
        if (c.kind == Kind::Picture)
            pdus << state.Pdu2 << state.Pdu3;
        return pdus;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        Seams::setProgramFolder(m_dir.path());
        if (!SmartOracle::available())
            QSKIP("python3-gammu is not installed (apt-get install python3-gammu)");
        const auto topLeft = [](int x, int y) { return x == 0 && y == 0; };
        m_cases = {
            {QStringLiteral("operator"), Kind::Operator, {}, logoPattern, QStringLiteral("222"),
             QStringLiteral("01"), QStringLiteral("222 01")},
            {QStringLiteral("operator-v5-top-down"), Kind::Operator,
             QStringLiteral(SMS_BMP_DATA "/td_v5_72x14_topleft.bmp"), topLeft,
             QStringLiteral("262"), QStringLiteral("02"), QStringLiteral("262 02")},
            {QStringLiteral("group"), Kind::Group, {}, logoPattern, {}, {}, {}},
            {QStringLiteral("group-pillow"), Kind::Group,
             QStringLiteral(SMS_BMP_DATA "/pil_72x14_topleft.bmp"), topLeft, {}, {}, {}},
            {QStringLiteral("picture"), Kind::Picture, {}, picturePattern, {}, {}, {}},
            {QStringLiteral("picture-imagemagick"), Kind::Picture,
             QStringLiteral(SMS_BMP_DATA "/im_bmp3_72x28_bottomright.bmp"),
             [](int x, int y) { return x == 71 && y == 27; }, {}, {}, {}},
        };
        for (const Case &c : m_cases)
            m_pdus << build(c);
    }

    void cleanupTestCase() { Seams::setProgramFolder(QString()); }

    void gammuDecodesWhatWasLoaded_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < m_cases.size(); ++i)
            QTest::newRow(qPrintable(m_cases.at(i).name)) << i;
    }
    void gammuDecodesWhatWasLoaded()
    {
        QFETCH(int, index);
        const Case &c = m_cases.at(index);
        const QStringList &pdus = m_pdus.at(index);
        for (const QString &pdu : pdus)
            QVERIFY2(!pdu.isEmpty(), "no PDU was built");
        QString errors;
        const QJsonArray out = SmartOracle::decode({pdus}, &errors);
        QVERIFY2(out.size() == 1, qPrintable(errors));
        const QJsonObject d = out.at(0).toObject();
        QVERIFY2(!d.contains(QLatin1String("error")),
                 qPrintable(d[QLatin1String("error")].toString()));

        const QJsonArray parts = d[QLatin1String("parts")].toArray();
        QCOMPARE(parts.size(), pdus.size());
        const QStringList udh{
            c.kind == Kind::Operator ? QStringLiteral("06050415821582")
            : c.kind == Kind::Group  ? QStringLiteral("06050415831583")
                                     : QStringLiteral("0B0504158A158A0003040301"),
            QStringLiteral("0B0504158A158A0003040302"), QStringLiteral("0B0504158A158A0003040303")};
        for (int i = 0; i < parts.size(); ++i) {
            const QJsonObject p = parts.at(i).toObject();
            QCOMPARE(p[QLatin1String("coding")].toString(), QStringLiteral("8bit"));
            QCOMPARE(p[QLatin1String("udh")].toString(), udh.at(i));
            QCOMPARE(p[QLatin1String("number")].toString(), QStringLiteral("3471234567"));
        }

        const QJsonArray entries = d[QLatin1String("entries")].toArray();
        QCOMPARE(entries.size(), 1);
        const QJsonObject e = entries.at(0).toObject();
        const int height = c.kind == Kind::Picture ? 28 : 14;
        QCOMPARE(e[QLatin1String("type")].toString(),
                 c.kind == Kind::Operator ? QStringLiteral("OperatorLogo")
                 : c.kind == Kind::Group  ? QStringLiteral("CallerGroupLogo")
                                          : QStringLiteral("PictureImage"));
        QCOMPARE(e[QLatin1String("width")].toInt(), 72);
        QCOMPARE(e[QLatin1String("height")].toInt(), height);
        QCOMPARE(SmartOracle::toStrings(e[QLatin1String("rows")]),
                 SmartOracle::rows(72, height, c.black));
        if (c.kind == Kind::Operator)
            QCOMPARE(e[QLatin1String("network")].toString(), c.network);
    }
};

QTEST_MAIN(TestLogoPdus)
#include "tst_logo_pdus.moc"
