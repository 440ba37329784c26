// SPDX-License-Identifier: GPL-3.0-or-later
// "Settings communications": port number, speed, settings text and flow control of the
// main window's serial control. It keeps nothing of its own: every showing reloads it
// from the control, and only "Ok" writes back.
//
// Controls (name, type, meaning):
//   Label1/Text1   QLabel/QLineEdit   "Comm:"     port number
//   Label4/Combo2  QLabel/QComboBox   "Speed:"    speed, editable; choosing one rewrites Text2
//   Label2/Text2   QLabel/QLineEdit   "Settings:" settings text, speed first (9600,n,8,1)
//   Label3/Combo1  QLabel/QComboBox   "Flux:"     flow control; position = handshaking value
//   Command1       QPushButton        "Ok"        apply and close
//   DeviceLabel/DeviceList  QLabel/QListWidget  the serial devices present; choosing one
//                  makes the port number reach it (a COMn link) on "Ok"
//   ReachLabel     QLabel             the device the port number reaches
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class PhonePort;

class Form2 : public QDialog
{
    Q_OBJECT
public:
    explicit Form2(PhonePort &comm, QWidget *parent = nullptr);
    ~Form2() override;

    /// Fills the controls from the serial control (every time the window is shown).
    void Form_Activate();
    /// A speed picked from the list: it replaces the speed part of the settings text.
    void Combo2_Click(int index);
    /// "Ok": applies number, settings and handshaking together (or none of them),
    /// leaves the port closed and closes the window.
    void Command1_Click();
    /// Lists the serial devices present and marks the one the port number reaches.
    void fillDevices();
    /// Shows which device the number in Text1 reaches.
    void showReach();

    QLabel *Label1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QLabel *Label4 = nullptr;
    QComboBox *Combo2 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *Text2 = nullptr;
    QLabel *Label3 = nullptr;
    QComboBox *Combo1 = nullptr;
    QPushButton *Command1 = nullptr;
    QLabel *DeviceLabel = nullptr;
    QListWidget *DeviceList = nullptr;
    QLabel *ReachLabel = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void connectSignals();

    PhonePort &m_comm;
    int m_shownDevice = -1;   ///< the row marked when the window was filled
};
