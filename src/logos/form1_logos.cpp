// SPDX-License-Identifier: GPL-3.0-or-later
// The "Nokia Logo" box, the logo options, loading a BMP file and the operator codes.
#include "logos/form1_logos.h"

#include "app/appstate.h"
#include "app/form1.h"
#include "app/seams.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QString kOperatorFile = QStringLiteral("Operator.sms");

// Kept as a child object so the window owns it and nothing else has to know its type.
class LogoStateHolder : public QObject
{
public:
    using QObject::QObject;
    Bitmap::LogoState state;
};

void setBackground(QWidget *w, QPalette::ColorRole role, const QColor &colour)
{
    QPalette p = w->palette();
    p.setColor(role, colour);
    w->setPalette(p);
}

QColor windowColour() { return QApplication::palette().color(QPalette::Base); }
QColor buttonFaceColour() { return QApplication::palette().color(QPalette::Button); }
// The inactive (menu) background, as the window itself gives its code boxes at start.
QColor menuColour() { return QApplication::palette().color(QPalette::Window); }

// Timer ticks and serial input may run while a file is read; clicks wait until it is done.
void pumpEvents()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// The bitmap data as it will be sent: black where a bit is 1, white elsewhere.
QImage previewImage(const QString &hex, int height)
{
    QImage image(Bitmap::kLogoWidth, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int i = 0; i < hex.size() / 2; ++i) {
        const int octet = hex.mid(2 * i, 2).toInt(nullptr, 16);
        for (int b = 0; b < 8; ++b) {
            const int pixel = 8 * i + b;
            if (octet & (0x80 >> b))
                image.setPixel(pixel % Bitmap::kLogoWidth, pixel / Bitmap::kLogoWidth,
                               qRgb(0, 0, 0));
        }
    }
    return image;
}

void setCodeBoxes(Form1 &f, bool enabled)
{
    for (QLineEdit *box : {f.Text7, f.Text8}) {
        box->setEnabled(enabled);
        setBackground(box, QPalette::Base, enabled ? windowColour() : menuColour());
    }
}

// Moving between the 72 x 14 kinds and the picture message drops the loaded picture and
// the messages built from it.
void clearPicture(Form1 &f)
{
    AppState &s = f.state();
    f.Image1->clear();
    s.LogoData.clear();
    s.PictureData1.clear();
    s.PictureData2.clear();
    s.PictureData3.clear();
    s.Pdu1.clear();
    s.Pdu2.clear();
    s.Pdu3.clear();
    s.UserData1.clear();
    s.UserData2.clear();
    s.UserData3.clear();
}

} // namespace

Bitmap::LogoState &LogoStateOf(Form1 &form)
{
    const QString name = QStringLiteral("LogoState");
    auto *holder = dynamic_cast<LogoStateHolder *>(
        form.findChild<QObject *>(name, Qt::FindDirectChildrenOnly));
    if (!holder) {
        holder = new LogoStateHolder(&form);
        holder->setObjectName(name);
    }
    return holder->state;
}

void Form1::Check1_Click()
{
    // The codes typed last time; a missing or unreadable file is normal here.
    if (const auto codes = Bitmap::ReadOperatorFile(Seams::ProgramFile(kOperatorFile))) {
        if (!codes->countryCode.isEmpty()) {
            Text7->setText(codes->countryCode);
            Text7_Change();
        }
        if (!codes->operatorCode.isEmpty()) {
            Text8->setText(codes->operatorCode);
            Text8_Change();
        }
    }

    const bool ticked = Check1->isChecked();
    m_state.LogoMode = ticked;
    Command9->setEnabled(ticked);
    Text5->setEnabled(!ticked);
    setBackground(Text5, QPalette::Base, ticked ? buttonFaceColour() : windowColour());
    Text5->clear();
    if (!ticked)
        Image1->clear();   // the bitmap data itself is kept
    Frame1->setEnabled(ticked);
}

void Form1::Option1_Click()
{
    if (m_state.PictureMode)
        clearPicture(*this);
    Option1->setChecked(true);
    m_state.OperatorLogoMode = true;
    m_state.PictureMode = false;
    setCodeBoxes(*this, true);
}

void Form1::Option2_Click()
{
    if (m_state.PictureMode)
        clearPicture(*this);
    Option2->setChecked(true);
    m_state.OperatorLogoMode = false;
    m_state.PictureMode = false;
    setCodeBoxes(*this, false);
}

void Form1::Option3_Click()
{
    if (!m_state.PictureMode)
        clearPicture(*this);
    Option3->setChecked(true);
    m_state.OperatorLogoMode = false;
    m_state.PictureMode = true;
    setCodeBoxes(*this, false);
}

void Form1::Command9_Click()
{
    Bitmap::LogoState &logo = LogoStateOf(*this);
    if (logo.loading)
        return;
    Seams::FileDialogCall call;
    call.title = QStringLiteral(" Legge un file BMP");
    call.fileName = QStringLiteral("*.Bmp");
    const QString path = Seams::OpenFileDialog(call);
    if (path.isEmpty())
        return;   // cancelled: nothing changes

    logo.loading = true;
    if (LoadLogoBitmap(path)) {
        if (m_state.PictureMode) {
            m_state.PictureData1 = Bitmap::PictureToHex(logo.reader, 1, pumpEvents);
            m_state.PictureData2 = Bitmap::PictureToHex(logo.reader, 2, pumpEvents);
            m_state.PictureData3 = Bitmap::PictureToHex(logo.reader, 3, pumpEvents);
            Label14->setText(QStringLiteral("3"));
        } else {
            m_state.LogoData = Bitmap::LogoToHex(logo.reader, pumpEvents);
            Label14->setText(QStringLiteral("1"));
        }
    }
    logo.loading = false;
}

void Form1::Text7_Change()
{
    m_state.OperatorMcc = Bitmap::CountryCodeToMcc(Text7->text(), m_state.OperatorMcc);
}

void Form1::Text8_Change()
{
    m_state.OperatorMnc = Bitmap::OperatorCodeToMnc(Text8->text(), m_state.OperatorMnc);
}

bool Form1::LoadLogoBitmap(const QString &path)
{
    Bitmap::LogoState &logo = LogoStateOf(*this);
    if (!modLeggeBMP::OpenBmp(logo.reader, path, logo.LogoFileHeader, logo.LogoInfo,
                              logo.LogoPalette))
        return false;   // no such file or not a BMP we read: nothing to say

    const QString sizeError = Bitmap::LogoSizeError(logo.LogoInfo, m_state.PictureMode);
    if (!sizeError.isEmpty()) {
        Seams::MsgBox(sizeError, Seams::MsgButtons::OK, Seams::MsgIcon::Exclamation,
                      QStringLiteral("Error."));
        return false;
    }

    const int height = m_state.PictureMode ? Bitmap::kPictureHeight : Bitmap::kLogoHeight;
    const QString data = m_state.PictureMode
                             ? Bitmap::PictureToHex(logo.reader, 1, pumpEvents)
                                   + Bitmap::PictureToHex(logo.reader, 2, pumpEvents)
                                   + Bitmap::PictureToHex(logo.reader, 3, pumpEvents)
                             : Bitmap::LogoToHex(logo.reader, pumpEvents);
    if (data.size() != Bitmap::kLogoWidth * height / 4)
        return false;   // the file changed or shrank since it was opened
    Image1->setPixmap(QPixmap::fromImage(previewImage(data, height)));
    return true;
}

void Form1::SaveOperatorFile()
{
    const QString country = Text7->text();
    const QString op = Text8->text();
    if (country.isEmpty() || op.isEmpty())
        return;
    QString error;
    if (!Bitmap::WriteOperatorFile(Seams::ProgramFile(kOperatorFile), {country, op}, &error))
        Seams::MsgBox(QStringLiteral("Impossible to write Operator.sms: ") + error,
                      Seams::MsgButtons::OK, Seams::MsgIcon::Critical, QStringLiteral("Error."));
}
