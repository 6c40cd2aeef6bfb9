// Starts a program and reports how long after exec its tray icon was docked: the moment a window
// carrying the program's _NET_WM_PID has been reparented away from the root into the tray.
// usage: dock_timer <timeout ms> <program> [args...]
// Prints "<milliseconds> <pid>" (or "timeout <pid>") and leaves the program running.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

long PidOf(Display* display, Window window, Atom pidAtom) {
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after,
                           &data) == Success &&
        data != nullptr) {
        if (items == 1 && format == 32) pid = *reinterpret_cast<long*>(data);
        XFree(data);
    }
    return pid;
}

// Whether a window of `pid` sits below some other client's window (depth > 1 from the root).
bool Docked(Display* display, Window window, Atom pidAtom, long pid, int depth) {
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return false;
    bool found = false;
    for (unsigned int i = 0; i < count && !found; ++i) {
        found = (depth >= 1 && PidOf(display, children[i], pidAtom) == pid) ||
                Docked(display, children[i], pidAtom, pid, depth + 1);
    }
    if (children) XFree(children);
    return found;
}

int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;  // windows come and go while the tree is walked
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: dock_timer <timeout ms> <program> [args...]\n");
        return 2;
    }
    const auto timeout = std::chrono::milliseconds(std::atoi(argv[1]));
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "dock_timer: no display\n");
        return 2;
    }
    XSetErrorHandler(IgnoreErrors);
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        // The program must not hold our output open: callers read it to its end.
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    while (std::chrono::steady_clock::now() - start < timeout) {
        if (Docked(display, DefaultRootWindow(display), pidAtom, child, 0)) {
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            std::printf("%.1f %d\n", ms, child);
            return 0;
        }
        if (waitpid(child, nullptr, WNOHANG) == child) {
            std::printf("exited %d\n", child);
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::printf("timeout %d\n", child);
    return 1;
}
