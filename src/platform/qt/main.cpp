// The Linux desktop program: the Qt backend around the program's own start-up.
#include <QApplication>

#include "app/Program.h"
#include "platform/iconv/IconvCodePage.h"
#include "platform/qt/EventLoopWait.h"
#include "platform/qt/PlatformChoice.h"
#include "platform/qt/QtFormsToolkit.h"
#include "platform/qt/QtShell.h"
#include "platform/qt/QtWindowManager.h"
#include "platform/qt/WindowTable.h"
#include "platform/qt/tray/NotificationArea.h"
#include "platform/tcpprobe/TcpProbe.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

int main(int argc, char** argv) {
#ifdef __GLIBC__
    // Any bus caller can make the program build many replies of several kilobytes at once. Blocks
    // that size get mappings of their own, handed back whole when freed, so a flood of calls does
    // not leave the heap at its high-water mark.
    mallopt(M_MMAP_THRESHOLD, 8 * 1024);
#endif
    vedodud::qt::ChoosePlatform();
    QApplication application(argc, argv);  // also sets the locale the code page follows

    vedodud::qt::WindowTable table;
    vedodud::IconvCodePage codePage;
    vedodud::qt::DesktopNotificationArea notificationArea;
    vedodud::qt::QtFormsToolkit forms(table, notificationArea);
    vedodud::qt::QtWindowManager windows(table);
    vedodud::qt::QtShell shell(table, codePage, notificationArea);
    notificationArea.OnChange([&forms] { forms.TrayChanged(); });
    // The window stays alive while a probe waits for its answer.
    vedodud::TcpProbe internet(codePage, vedodud::kProbeBudget, vedodud::SystemNameLookup,
                               vedodud::qt::WaitHandlingEvents);

    vedodud::Platform platform{forms, windows, shell, internet, codePage};
    return vedodud::RunProgram(platform);
}
