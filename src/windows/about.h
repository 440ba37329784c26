// SPDX-License-Identifier: GPL-3.0-or-later
// "About Corvina SMS": name, version, author, a link to the author's web page and thanks.
// A tool window without buttons; its close box closes it.
//
// Controls (name, type, meaning):
//   Label1  QLabel  "Corvina SMS"
//   Label2  QLabel  version line, "Ver. major.minor.revision" of this build
//   Line1   QFrame  separator
//   Label3  QLabel  "Developed by:"
//   Label4  QLabel  "Quillane"
//   Label6  QLabel  a line of thanks
//   Label5  QLabel  the author's web page; a click opens it in the web browser
#pragma once

#include <QDialog>

class QFrame;
class QLabel;

class About : public QDialog
{
    Q_OBJECT
public:
    /// The author's web page the link opens.
    static QString webPage();

    explicit About(QWidget *parent = nullptr);
    ~About() override;

    /// Sets the version line.
    void Form_Load();
    /// Opens the author's web page in the user's web browser.
    void Label5_Click();

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QFrame *Line1 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label5 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
