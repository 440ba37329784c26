// SPDX-License-Identifier: GPL-3.0-or-later
// Saves pictures of the port settings, special characters and About windows (and of the
// strip beside the main window) into a folder, to check the layout by eye under Xvfb:
//   xvfb-run -s "-screen 0 1280x1024x24" windows_screenshots /tmp/shots
#include "app/appstate.h"
#include "app/form1.h"
#include "fakephoneport.h"
#include "windows/about.h"
#include "windows/form2.h"
#include "windows/form4.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include <cstdio>

namespace {
bool save(QWidget &w, const QString &path)
{
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        return false;
    QTest::qWait(150);
    const bool ok = w.grab().save(path);
    std::printf("%s %s (%dx%d)\n", ok ? "saved" : "FAILED", qPrintable(path), w.width(),
                w.height());
    return ok;
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp");
    QDir().mkpath(folder);

    AppState state;
    FakePhonePort port;
    port.setCommPort(3);
    port.setHandshaking(2);
    Form1 main(state, port);
    main.setText5Text(QStringLiteral("Ciao"));
    main.move(40, 40);
    main.show();
    if (!QTest::qWaitForWindowExposed(&main))
        return 1;

    bool ok = true;
    Form2 form2(port, &main);
    ok &= save(form2, folder + QStringLiteral("/form2.png"));
    form2.hide();

    About about(&main);
    ok &= save(about, folder + QStringLiteral("/about.png"));
    about.hide();

    Form4 strip(main);
    strip.show();
    strip.Label1_MouseMove(4);
    ok &= save(strip, folder + QStringLiteral("/form4.png"));
    // The strip in place beside the main window, as the screen shows them.
    QTest::qWait(150);
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
    ok &= screen.copy(0, 0, main.frameGeometry().right() + 80, main.frameGeometry().bottom() + 40)
              .save(folder + QStringLiteral("/form4-beside-main.png"));
    return ok ? 0 : 1;
}
