// SPDX-License-Identifier: GPL-3.0-or-later
// Main-window entries that open the port settings, special characters and About windows.
// Each window is a child of the main window, made on first use and kept to the end, so
// there is one of each per main window.
#include "app/form1.h"

#include "app/appstate.h"
#include "windows/about.h"
#include "windows/form2.h"
#include "windows/form4.h"

#include <QPlainTextEdit>

namespace {
template <typename W, typename Make>
W &childWindow(Form1 &main, Make make)
{
    if (auto *w = main.findChild<W *>(QString(), Qt::FindDirectChildrenOnly))
        return *w;
    return *make();
}
} // namespace

void Form1::Mn_Comm_Click()
{
    childWindow<Form2>(*this, [this] { return new Form2(Comm1(), this); }).exec();
}

void Form1::Mn_About_Click()
{
    childWindow<About>(*this, [this] { return new About(this); }).exec();
}

void Form1::Mn_Special_Click()
{
    Form4 &strip = childWindow<Form4>(*this, [this] { return new Form4(*this); });
    // The main window gives the message box its focus back as soon as the strip closes,
    // possibly before exec() returns; that focus must already find the flag raised so the
    // caret lands after the appended letter. The focus after it selects the whole text.
    state().CaretToEnd = true;
    strip.exec();
    if (!Text5)
        return;
    if (!Text5->hasFocus()) {
        // Now, or when the window manager activates the main window again.
        Text5->setFocus(Qt::OtherFocusReason);
    } else if (state().CaretToEnd) {
        // The strip closed before it ever took the focus: no focus event will come.
        Text5_GotFocus();
    }
}
