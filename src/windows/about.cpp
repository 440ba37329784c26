// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/about.h"

#include "app/seams.h"
#include "windows/versionline.h"

#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace {
QLabel *centredLabel(const QString &text, const char *name, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QFont boldItalic(QFont font, qreal scale = 1.0)
{
    font.setBold(true);
    font.setItalic(true);
    if (scale != 1.0)
        font.setPointSizeF(font.pointSizeF() * scale);
    return font;
}
} // namespace

QString About::webPage()
{
    return QStringLiteral("https://quillane.example.org/corvina-sms/");
}

About::About(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("About Corvina SMS"));
    setModal(true);

    QFont base = font();
    base.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")});
    setFont(base);

    Label1 = centredLabel(QStringLiteral("Corvina SMS"), "Label1", this);
    Label1->setFont(boldItalic(base, 1.6));
    Label2 = centredLabel(QString(), "Label2", this);
    Line1 = new QFrame(this);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    Label3 = centredLabel(QStringLiteral("Developed by:"), "Label3", this);
    Label4 = centredLabel(QStringLiteral("Quillane"), "Label4", this);
    Label4->setFont(boldItalic(base));
    Label6 = centredLabel(QStringLiteral("Thanks to Elena for testing every release."),
                          "Label6", this);
    Label5 = centredLabel(webPage(), "Label5", this);
    QFont link = base;
    link.setUnderline(true);
    Label5->setFont(link);
    Label5->setForegroundRole(QPalette::Highlight);
    Label5->setCursor(Qt::PointingHandCursor);
    Label5->setToolTip(webPage());
    Label5->installEventFilter(this);
    // Reachable with Tab and opened with Enter or Space, as a link should be.
    Label5->setFocusPolicy(Qt::StrongFocus);
    Label5->setAccessibleName(QStringLiteral("Author's web page"));
    Label5->setAccessibleDescription(webPage());
    // The padding keeps the focus frame off the last character.
    Label5->setStyleSheet(QStringLiteral("QLabel { border: 1px solid transparent; padding: 0 2px; }"
                                         "QLabel:focus { border: 1px dotted palette(text); }"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 18);
    layout->setSpacing(6);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addSpacing(8);
    auto *line = new QHBoxLayout;
    line->setContentsMargins(16, 0, 16, 0);
    line->addWidget(Line1);
    layout->addLayout(line);
    layout->addSpacing(8);
    layout->addWidget(Label3);
    layout->addWidget(Label4);
    layout->addSpacing(4);
    layout->addWidget(Label6);
    layout->addSpacing(10);
    layout->addWidget(Label5);
    layout->addStretch(1);

    Form_Load();
    setMinimumSize(sizeHint());
}

About::~About() = default;

void About::Form_Load() { Label2->setText(BuildVersionLine()); }

void About::Label5_Click() { Seams::OpenExternal(webPage()); }

bool About::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label5 && event->type() == QEvent::MouseButtonRelease) {
        auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() == Qt::LeftButton && Label5->rect().contains(me->position().toPoint())) {
            Label5_Click();
            return true;
        }
    }
    if (watched == Label5 && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            Label5_Click();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}
