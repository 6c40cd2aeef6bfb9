// The smallest Qt 6 tray program worth comparing with: one icon in the tray and a 10 s timer that
// does nothing, the same cadence as the real program's ticks.
#include <QApplication>
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
    icon.show();
    QTimer tick;
    tick.start(10000);
    return application.exec();
}
