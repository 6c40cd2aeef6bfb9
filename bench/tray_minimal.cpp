// The smallest Qt 6 tray program worth comparing with: one icon in the tray with a two-entry menu,
// as the program's, and a 10 s timer that does nothing, the same cadence as the program's ticks.
#include <QApplication>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    QPixmap image(32, 32);
    image.fill(Qt::darkRed);
    QSystemTrayIcon icon{QIcon(image)};
    icon.setToolTip("minimal");
    QMenu menu;
    menu.addAction("&Do Stuff...");
    menu.addAction("&Close", &application, &QApplication::quit);
    icon.setContextMenu(&menu);
    icon.show();
    QTimer tick;
    tick.start(10000);
    return application.exec();
}
