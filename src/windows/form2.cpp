// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/form2.h"

#include "app/phoneport.h"
#include "app/portdevice.h"
#include "app/seams.h"
#include "windows/portsettings.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
template <typename W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}
} // namespace

Form2::Form2(PhonePort &comm, QWidget *parent)
    : QDialog(parent)
    , m_comm(comm)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Settings communications"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    Label1 = named(new QLabel(QStringLiteral("Comm:"), this), "Label1");
    Text1 = named(new QLineEdit(this), "Text1");
    // Port numbers go up to 255; a shorter box would cut a two-digit port on showing
    // and "Ok" would then move the program to another port.
    Text1->setMaxLength(3);
    Label4 = named(new QLabel(QStringLiteral("Speed:"), this), "Label4");
    Combo2 = named(new QComboBox(this), "Combo2");
    Combo2->setEditable(true);
    Combo2->setInsertPolicy(QComboBox::NoInsert);
    Combo2->addItems(PortSettings::speedNames());
    Label2 = named(new QLabel(QStringLiteral("Settings:"), this), "Label2");
    Text2 = named(new QLineEdit(this), "Text2");
    Label3 = named(new QLabel(QStringLiteral("Flux:"), this), "Label3");
    Combo1 = named(new QComboBox(this), "Combo1");
    Combo1->addItems(PortSettings::flowNames());
    Command1 = named(new QPushButton(QStringLiteral("Ok"), this), "Command1");
    Command1->setDefault(true);

    DeviceLabel = named(new QLabel(QStringLiteral("Devices:"), this), "DeviceLabel");
    DeviceList = named(new QListWidget(this), "DeviceList");
    DeviceList->setAccessibleName(QStringLiteral("Serial devices"));
    DeviceList->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 56);
    DeviceList->setFixedHeight(fontMetrics().height() * 5 + 8);
    ReachLabel = named(new QLabel(this), "ReachLabel");
    ReachLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ReachLabel->setWordWrap(true);
    DeviceLabel->setBuddy(DeviceList);

    Label1->setBuddy(Text1);
    Label4->setBuddy(Combo2);
    Label2->setBuddy(Text2);
    Label3->setBuddy(Combo1);

    const int fieldWidth = fontMetrics().horizontalAdvance(QStringLiteral("115200,n,8,1.5")) + 24;
    Text1->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
    Combo2->setMinimumWidth(fieldWidth);
    Text2->setMinimumWidth(fieldWidth);
    Combo1->setMinimumWidth(fieldWidth);

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    const std::pair<QLabel *, QWidget *> rows[] = {
        {Label1, Text1}, {Label4, Combo2}, {Label2, Text2}, {Label3, Combo1}};
    int row = 0;
    for (const auto &[label, field] : rows) {
        grid->addWidget(label, row, 0, Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(field, row, 1, Qt::AlignLeft | Qt::AlignVCenter);
        ++row;
    }
    grid->addWidget(DeviceLabel, row, 0, Qt::AlignRight | Qt::AlignTop);
    grid->addWidget(DeviceList, row++, 1);
    grid->addWidget(ReachLabel, row, 1);
    grid->setColumnStretch(1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    Command1->setMinimumWidth(90);
    buttons->addWidget(Command1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(14);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connectSignals();
}

Form2::~Form2() = default;

void Form2::connectSignals()
{
    connect(Combo2, &QComboBox::activated, this, &Form2::Combo2_Click);
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(Text1, &QLineEdit::textChanged, this, &Form2::showReach);
    connect(DeviceList, &QListWidget::currentRowChanged, this, &Form2::showReach);
}

void Form2::showEvent(QShowEvent *event)
{
    Form_Activate();
    QDialog::showEvent(event);
}

void Form2::Form_Activate()
{
    Text1->setText(QString::number(m_comm.CommPort()));
    Text2->setText(m_comm.Settings());
    Combo1->setCurrentIndex(m_comm.Handshaking());
    Combo2->setEditText(PortSettings::speedPart(Text2->text()));
    fillDevices();
}

void Form2::fillDevices()
{
    const QSignalBlocker block(DeviceList);
    DeviceList->clear();
    m_shownDevice = -1;
    const QString reached =
        QFileInfo(PortDevice::DeviceFor(m_comm.CommPort())).canonicalFilePath();
    for (const PortDevice::DeviceInfo &d : PortDevice::AvailableDevices()) {
        auto *item = new QListWidgetItem(PortDevice::ListText(d), DeviceList);
        // The by-id name keeps reaching the same adapter after re-plugging.
        item->setData(Qt::UserRole, d.stablePath.isEmpty() ? d.path : d.stablePath);
        item->setToolTip(d.serialNumber.isEmpty()
                             ? d.path
                             : d.path + QStringLiteral(", serial number ") + d.serialNumber);
        if (!reached.isEmpty() && QFileInfo(d.path).canonicalFilePath() == reached)
            m_shownDevice = DeviceList->count() - 1;
    }
    DeviceList->setCurrentRow(m_shownDevice);
    showReach();
}

void Form2::showReach()
{
    bool ok = false;
    const int n = Text1->text().trimmed().toInt(&ok);
    if (!ok || n < 1) {
        ReachLabel->clear();
        return;
    }
    const int row = DeviceList->currentRow();
    if (row >= 0 && row != m_shownDevice) {
        ReachLabel->setText(QStringLiteral("After Ok, port %1 reaches %2")
                                .arg(n)
                                .arg(DeviceList->item(row)->data(Qt::UserRole).toString()));
        return;
    }
    const QString device = PortDevice::DeviceFor(n);
    const QFileInfo info(device);
    ReachLabel->setText(QStringLiteral("Port %1 reaches %2%3")
                            .arg(n)
                            .arg(PortDevice::Describe(device))
                            .arg(info.exists() ? QString() : QStringLiteral(" (missing)")));
}

void Form2::Combo2_Click(int index)
{
    if (index < 0 || index >= Combo2->count())
        return;
    Text2->setText(PortSettings::replaceSpeed(Text2->text(), Combo2->itemText(index)));
}

void Form2::Command1_Click()
{
    // A refused value puts all three back silently; the user sees the old values again
    // in the status bar.
    PortSettings::apply(m_comm, Text1->text(), Text2->text(), Combo1->currentIndex());
    const int row = DeviceList->currentRow();
    if (row >= 0 && row != m_shownDevice) {
        const QString target = DeviceList->item(row)->data(Qt::UserRole).toString();
        QString error;
        if (!PortDevice::LinkPort(m_comm.CommPort(), target, &error))
            Seams::MsgBox(QStringLiteral("Unable to make port %1 reach %2:\n%3")
                              .arg(m_comm.CommPort())
                              .arg(target, error),
                          Seams::MsgButtons::OK, Seams::MsgIcon::Critical,
                          QStringLiteral("Error."));
    }
    accept();
}
