// SPDX-License-Identifier: GPL-3.0-or-later
// The phone search window: opens the port, repeats "AT" until the phone answers, then walks
// the information chain one command per step tick, with the progress in the main window.
//
// Controls (name, type, meaning):
//   Label1    QLabel       "Searching for mobile..."
//   Command1  QPushButton  "Cancel": ends the search and closes the port
//   Timer1    QTimer       step timer, 250 ms
//   Timer2    QTimer       time-out, 20000 ms
#pragma once

#include <QDialog>

class Form1;
class QLabel;
class QPushButton;
class QTimer;

class Form6 : public QDialog
{
    Q_OBJECT
public:
    explicit Form6(Form1 &main);
    ~Form6() override;

    /// Shows the window modally and runs the search; returns when the window has closed.
    void Search();

    void Form_Load();
    void Form_Unload();
    void Timer1_Timer();
    void Timer2_Timer();
    void Command1_Click();
    /// The line dropped: a running search ends at once as its time-out would end it
    /// ("Didn't find any mobile"), with the flags lowered. False when no search runs.
    bool lineLost();

    QLabel *Label1 = nullptr;
    QPushButton *Command1 = nullptr;
    QTimer *Timer1 = nullptr;
    QTimer *Timer2 = nullptr;

protected:
    void reject() override;   // Escape and the close box act as Cancel

private:
    void step(int value, const QString &command);
    void unload();

    Form1 &m_main;
    bool m_inStep = false;
    int m_lateTicks = 0;   ///< ticks the current reply has been arriving
};
