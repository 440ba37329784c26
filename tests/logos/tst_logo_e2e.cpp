// SPDX-License-Identifier: GPL-3.0-or-later
// Operator logos, group logos and picture messages from BMP files drawn here and written by
// ImageMagick and Pillow: loaded in the main window (dialog, preview, message count), sent
// over the real serial port to the simulated phone, and the PDUs it received decoded by
// python-gammu's Smart Messaging decoder (decode_smart.py).
#include "app/seams.h"
#include "bmpbuilder.h"
#include "msgboxrecorder.h"
#include "phonesimrunner.h"

#include <QCheckBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

enum class Kind { Operator, Group, Picture };
using Picture = std::function<bool(int x, int y)>;   // true for black

QString python() { return qEnvironmentVariable("SMS_PYTHON3", u"/usr/bin/python3"_s); }

/// One decoded message per group of PDUs; an empty array when the script failed.
QJsonArray decode(const QList<QStringList> &messages, QString *errors)
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

/// Checks one decoded message: 8-bit parts to `number` on port 5506 (operator logo), 5507
/// (group logo) or 5514 (picture, three concatenated parts), and what gammu finds in them.
void verify(const QJsonObject &d, Kind kind, const Picture &black, const QString &network,
            const QString &number)
{
    QVERIFY2(!d.contains(u"error"), qPrintable(d[u"error"].toString()));
    const QJsonArray parts = d[u"parts"].toArray();
    QCOMPARE(parts.size(), kind == Kind::Picture ? 3 : 1);
    for (int i = 0; i < parts.size(); ++i) {
        QCOMPARE(parts[i][u"coding"].toString() + u' ' + parts[i][u"number"].toString(),
                 u"8bit "_s + number);
        QCOMPARE(parts[i][u"udh"].toString(), kind == Kind::Operator ? u"06050415821582"_s
                                              : kind == Kind::Group  ? u"06050415831583"_s
                                              : u"0B0504158A158A000304030%1"_s.arg(i + 1));
    }
    const QJsonArray entries = d[u"entries"].toArray();
    QCOMPARE(entries.size(), 1);
    const QJsonValue e = entries[0];
    const char *types[] = {"OperatorLogo", "CallerGroupLogo", "PictureImage"};
    QCOMPARE(e[u"type"].toString(), QLatin1String(types[int(kind)]));
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

} // namespace

class TestLogoE2e : public QObject
{
    Q_OBJECT

private slots:
    void loadSendAndDecode()
    {
        if (!QFile::exists(QStringLiteral(SMS_PHONESIM)))
            QSKIP("the simulated phone is not built");
        MsgBoxRecorder boxes;
        PhonesimRunner phone;
        QVERIFY2(phone.start(QStringLiteral(SMS_PHONESIM), QStringLiteral(SMS_PHONESIM_SCENARIO)),
                 qPrintable(phone.error));
        AppState &state = phone.state;
        Form1 &f = *phone.form;
        QTRY_VERIFY_WITH_TIMEOUT(f.Command6->isEnabled(), 3000);
        state.ConfirmSend = false;
        f.Text2->setText(u"393359609600"_s);
        f.Text4->setText(u"3471234567"_s);
        f.Check1->click();
        QList<Seams::FileDialogCall> dialogs;
        QString nextFile;
        Seams::setOpenFileDialogHandler([&](const Seams::FileDialogCall &call) {
            dialogs << call;
            return nextFile;
        });
        const auto sentPdus = [&phone] {   // what the phone took with AT+CMGS, in order
            QStringList out;
            for (const QJsonObject &o : phone.events(u"pdu"_s))
                if (o[u"command"].toString() == u"AT+CMGS"_s && o[u"valid"].toBool())
                    out << o[u"pdu"].toString();
            return out;
        };

        const Picture logo = [](int x, int y) { return (x + 3 * y) % 7 == 0 || (y == 0 && x < 5)
                                                       || x == 71 || (y == 13 && x > 60); };
        const Picture picture = [](int x, int y) { return (x * y) % 11 == 1 || (x + y) % 13 == 0
                                                          || y == 27 || (x == 0 && y < 9); };
        const Picture topLeft = [](int x, int y) { return x == 0 && y == 0; };
        const Picture bottomRight = [](int x, int y) { return x == 71 && y == 27; };
        const struct { Kind kind; const char *file; Picture black; const char *codes; } rows[] = {
            {Kind::Operator, nullptr, logo, "222|01|222 01"},   // no file: `black` drawn here
            {Kind::Operator, "td_v5_72x14_topleft.bmp", topLeft, "262|02|262 02"},
            {Kind::Group, nullptr, logo, "||"},
            {Kind::Group, "pil_72x14_topleft.bmp", topLeft, "||"},
            {Kind::Picture, nullptr, picture, "||"},
            {Kind::Picture, "im_bmp3_72x28_bottomright.bmp", bottomRight, "||"}};
        QList<QStringList> messages;
        for (const auto &row : rows) {
            const bool pic = row.kind == Kind::Picture;
            const int height = pic ? 28 : 14;
            if (row.file) {
                nextFile = QStringLiteral(SMS_BMP_DATA "/") + QLatin1String(row.file);
            } else {
                BmpLayout l;   // 1 bit, the table white then black
                l.height = height;
                l.table = {0xFFFFFF, 0x000000};
                l.pixel = [black = row.black](int x, int y) { return black(x, y) ? 1u : 0u; };
                QFile out(nextFile = phone.file(u"drawn%1.bmp"_s.arg(messages.size())));
                QVERIFY(out.open(QIODevice::WriteOnly) && out.write(buildBmp(l)) > 0);
            }
            (row.kind == Kind::Operator ? f.Option1 : pic ? f.Option3 : f.Option2)->click();
            const QStringList codes = QString::fromLatin1(row.codes).split(u'|');
            if (row.kind == Kind::Operator) {
                f.Text7->clear();
                f.Text8->clear();
                QTest::keyClicks(f.Text7, codes[0]);
                QTest::keyClicks(f.Text8, codes[1]);
            }
            f.Command9->click();
            QCOMPARE(dialogs.last().title + u'|' + dialogs.last().fileName,
                     u" Legge un file BMP|*.Bmp"_s);
            QCOMPARE(f.Label14->text(), pic ? u"3"_s : u"1"_s);
            const QImage img = f.Image1->pixmap().toImage();   // black where gammu must find it
            QCOMPARE(img.size(), QSize(72, height));
            for (int i = 0; i < 72 * height; ++i)
                QCOMPARE(img.pixel(i % 72, i / 72),
                         row.black(i % 72, i / 72) ? qRgb(0, 0, 0) : qRgb(255, 255, 255));

            const QStringList before = sentPdus();
            const qsizetype shown = boxes.shown.size();
            f.Command6->click();
            QTRY_COMPARE_WITH_TIMEOUT(boxes.texts().mid(shown), QStringList{u"Messagge sent"_s},
                                      15000);
            QTRY_COMPARE_WITH_TIMEOUT(sentPdus().size(), before.size() + (pic ? 3 : 1), 3000);
            messages << sentPdus().mid(before.size());
            // The count box is refreshed by the status timer; the next count builds on it.
            QTRY_COMPARE_WITH_TIMEOUT(f.Text6->text().trimmed(), QString::number(state.SentCount),
                                      3000);
        }
        Seams::setOpenFileDialogHandler({});
        QCOMPARE(boxes.shown.size(), 6);   // "Messagge sent" and nothing else
        QCOMPARE(state.SentCount, std::int16_t(10));
        if (QProcess::execute(python(), {u"-c"_s, u"import gammu"_s}) != 0)
            QSKIP("python3-gammu is not installed (apt-get install python3-gammu)");
        QString errors;
        const QJsonArray out = decode(messages, &errors);
        QVERIFY2(out.size() == 6, qPrintable(errors));
        for (int i = 0; i < 6; ++i)
            verify(out.at(i).toObject(), rows[i].kind, rows[i].black,
                   QString::fromLatin1(rows[i].codes).section(u'|', 2), u"3471234567"_s);
    }
};

QTEST_MAIN(TestLogoE2e)
#include "tst_logo_e2e.moc"
