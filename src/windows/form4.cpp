// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/form4.h"

#include "app/form1.h"

#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

#include <algorithm>

namespace {
// Captions in the order the strip shows them: an arrow, two blanks and the letter.
// All letters are in the GSM 7-bit default alphabet.
const char16_t *const kCaptions[Form4::kLetters] = {
    u"->  \u00A5", u"->  \u00D8", u"->  \u00F8", u"->  \u00C5", u"->  \u00E5", u"->  \u00C6",
    u"->  \u00E6", u"->  \u00DF", u"->  \u00C9", u"->  \u00A1", u"->  \u00C4", u"->  \u00D6",
    u"->  \u00D1", u"->  \u00DC", u"->  \u00BF", u"->  \u00E4", u"->  \u00F6", u"->  \u00F1",
    u"->  \u00FC", u"->  \u00E0", u"->  \u00E8", u"->  \u00EC", u"->  \u00F2", u"->  \u00F9",
};

// The message box holds at most this many characters (a line break counts two).
constexpr qsizetype kMaxMessageChars = 760;

// A VB twip at 96 dpi.
constexpr int twips(int t) { return (t + 7) / 15; }
} // namespace

Form4::Form4(Form1 &main)
    : QDialog(&main, Qt::Dialog | Qt::FramelessWindowHint)
    , m_main(main)
{
    setObjectName(QStringLiteral("Form4"));
    setModal(true);

    Shape2 = new QFrame(this);
    Shape2->setObjectName(QStringLiteral("Shape2"));
    Shape2->setFrameShape(QFrame::Box);
    Shape2->setLineWidth(1);
    Shape2->setAttribute(Qt::WA_TransparentForMouseEvents);

    for (int i = 0; i < kLetters; ++i) {
        auto *bar = new QFrame(this);
        bar->setObjectName(QStringLiteral("Shape1_%1").arg(i));
        bar->setAutoFillBackground(true);
        bar->setBackgroundRole(QPalette::Highlight);
        bar->setAttribute(Qt::WA_TransparentForMouseEvents);
        bar->hide();
        Shape1[size_t(i)] = bar;

        auto *label = new QLabel(this);
        label->setObjectName(QStringLiteral("Label1_%1").arg(i));
        label->setMouseTracking(true);
        label->setCursor(Qt::PointingHandCursor);
        label->installEventFilter(this);
        Label1[size_t(i)] = label;
    }

    Label2 = new QLabel(QStringLiteral("- Cancel -"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setCursor(Qt::PointingHandCursor);
    Label2->installEventFilter(this);

    layoutStrip();
}

Form4::~Form4() = default;

void Form4::layoutStrip()
{
    const QFontMetrics fm(font());
    const int row = fm.height() + 4;
    const int margin = qMax(twips(150) - 2, 6);
    int textWidth = fm.horizontalAdvance(QStringLiteral("- Cancel -"));
    for (const char16_t *caption : kCaptions)
        textWidth = qMax(textWidth, fm.horizontalAdvance(QString::fromUtf16(caption)));
    const int indent = 8;
    const int width = qMax(twips(855), textWidth + 2 * indent + 2);

    for (int i = 0; i < kLetters; ++i) {
        const int top = margin + i * row;
        // The bar spans the strip inside its frame, the label sits on it with an indent.
        Shape1[size_t(i)]->setGeometry(1, top, width - 2, row);
        Label1[size_t(i)]->setGeometry(indent, top, width - 2 * indent, row);
    }
    const int cancelTop = margin + kLetters * row + row / 2;
    Label2->setGeometry(indent, cancelTop, width - 2 * indent, row);
    const int height = cancelTop + row + margin;

    setFixedSize(width, height);
    Shape2->setGeometry(0, 0, width, height);
    Shape2->lower();
}

void Form4::showEvent(QShowEvent *event)
{
    Form_Activate();
    QDialog::showEvent(event);
}

void Form4::Form_Activate()
{
    placeBesideMainWindow();
    for (int i = 0; i < kLetters; ++i) {
        SpecialChars[size_t(i)] = QString::fromUtf16(kCaptions[i]);
        Label1[size_t(i)]->setText(SpecialChars[size_t(i)]);
    }
    // Nothing is highlighted until the mouse moves over a letter.
    Label1_MouseMove(-1);
}

void Form4::placeBesideMainWindow()
{
    // The strip stands inside the main window's right-hand edge, just below its top,
    // and never outside the screen.
    const QRect main = m_main.geometry();
    QPoint pos(main.right() + 1 - width() - twips(120), main.top() + twips(400));
    const QScreen *screen = m_main.screen() ? m_main.screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect avail = screen->availableGeometry();
        pos.setX(qBound(avail.left(), pos.x(), qMax(avail.left(), avail.right() + 1 - width())));
        pos.setY(qBound(avail.top(), pos.y(), qMax(avail.top(), avail.bottom() + 1 - height())));
    }
    move(pos);
}

void Form4::Label1_MouseMove(int index)
{
    for (int i = 0; i < kLetters; ++i) {
        const bool on = i == index;
        Shape1[size_t(i)]->setVisible(on);
        // The letter keeps its contrast on the bar.
        Label1[size_t(i)]->setForegroundRole(on ? QPalette::HighlightedText
                                                : QPalette::WindowText);
    }
}

void Form4::Label1_Click(int index)
{
    if (index < 0 || index >= kLetters)
        return;
    // The letter goes in before the strip closes: closing hands the focus back to the
    // message box, which must then find the new text to put the caret after it.
    const QString text = m_main.Text5Text();
    // The message box refuses characters beyond its limit; so does the picker.
    if (text.size() < kMaxMessageChars)
        m_main.setText5Text(text + SpecialChars[size_t(index)].right(1));
    accept();
}

void Form4::Label2_Click() { reject(); }

void Form4::Form_Click() { reject(); }

void Form4::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        Form_Click();
        return;
    }
    QDialog::mouseReleaseEvent(event);
}

bool Form4::eventFilter(QObject *watched, QEvent *event)
{
    auto *label = qobject_cast<QLabel *>(watched);
    if (!label)
        return QDialog::eventFilter(watched, event);

    const auto released = [&] {
        if (event->type() != QEvent::MouseButtonRelease)
            return false;
        auto *me = static_cast<QMouseEvent *>(event);
        return me->button() == Qt::LeftButton
            && label->rect().contains(me->position().toPoint());
    };

    if (label == Label2) {
        if (released()) {
            Label2_Click();
            return true;
        }
        return QDialog::eventFilter(watched, event);
    }

    const auto it = std::find(Label1.begin(), Label1.end(), label);
    if (it == Label1.end())
        return QDialog::eventFilter(watched, event);
    const int index = int(it - Label1.begin());
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::MouseMove:
        Label1_MouseMove(index);
        break;
    case QEvent::MouseButtonRelease:
        if (released()) {
            Label1_Click(index);
            return true;
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}
