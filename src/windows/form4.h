// SPDX-License-Identifier: GPL-3.0-or-later
// The special-characters strip: 24 accented and special letters of the GSM alphabet,
// one under the other. A click on a letter appends it to the main window's message text
// and closes the strip; "- Cancel -" or the strip's background close it unchanged.
//
// Controls (name, type, meaning):
//   Label1[0..23]  QLabel   "->  " and a letter; a click picks the letter
//   Shape1[0..23]  QFrame   highlight bar behind Label1 of the same index (one visible at most)
//   Label2         QLabel   "- Cancel -"
//   Shape2         QFrame   frame around the whole strip
#pragma once

#include <QDialog>

#include <array>

class QFrame;
class QLabel;
class Form1;

class Form4 : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kLetters = 24;

    explicit Form4(Form1 &main);
    ~Form4() override;

    /// Places the strip at the main window's top right, fills the captions and clears
    /// the highlight (every time the strip is shown).
    void Form_Activate();
    /// The mouse is over letter `index`: its bar alone is shown.
    void Label1_MouseMove(int index);
    /// Letter `index` picked: closes the strip and appends the letter to the message text.
    void Label1_Click(int index);
    /// "- Cancel -".
    void Label2_Click();
    /// A click on the strip outside the letters.
    void Form_Click();

    std::array<QLabel *, kLetters> Label1{};
    std::array<QFrame *, kLetters> Shape1{};
    QLabel *Label2 = nullptr;
    QFrame *Shape2 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void layoutStrip();
    void placeBesideMainWindow();

    Form1 &m_main;
    std::array<QString, 101> SpecialChars;
};
