// Starts a program and reports how long after exec its tray icon was docked: the moment a window
// carrying the program's _NET_WM_PID has been reparented away from the root into the tray.
// With --any, the first such window of any process that was not docked before the exec: under Wine
// the icon's window belongs to explorer.exe, not to the program started. With --shown, instead the
// moment a top-level window of the program is on screen: a window shown for want of a tray.
// usage: dock_timer [--any | --shown] <timeout ms> <program> [args...]
// Prints "<milliseconds> <cpu milliseconds> <pid>" (or "timeout <pid>") and leaves the program
// running. The CPU time, of all the program's threads until then, is what a loaded machine changes
// least.
#include <dirent.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <string_view>
#include <thread>

#include "XWindows.h"

namespace {

using vedodud::bench::PidOf;

// Which docked windows count: those of one process, or (pid 0) any not in `before`.
struct Wanted {
    long pid;
    const std::set<Window>* before;
    bool Matches(Window window, long ownerPid) const {
        return pid != 0 ? ownerPid == pid : ownerPid != -1 && before->count(window) == 0;
    }
};

// Whether a wanted window sits below some other client's window (depth > 1 from the root). Every
// docked window seen is added to `seen`, if given.
bool Docked(Display* display, Window window, Atom pidAtom, const Wanted& wanted, int depth,
            std::set<Window>* seen = nullptr) {
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return false;
    bool found = false;
    for (unsigned int i = 0; i < count && !found; ++i) {
        if (depth >= 1) {
            const long owner = PidOf(display, children[i], pidAtom);
            if (seen && owner != -1) seen->insert(children[i]);
            found = wanted.Matches(children[i], owner);
        }
        found = found || Docked(display, children[i], pidAtom, wanted, depth + 1, seen);
    }
    if (children) XFree(children);
    return found;
}

// Whether a top-level window of the process is on screen (no window manager frames it here).
bool Shown(Display* display, Atom pidAtom, long pid) {
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return false;
    bool found = false;
    for (unsigned int i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes;
        found = PidOf(display, children[i], pidAtom) == pid &&
                XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable;
    }
    if (children) XFree(children);
    return found;
}

// CPU time of every thread of the process so far, from the scheduler's nanosecond counts.
double CpuMilliseconds(pid_t pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (!dir) return 0;
    double ns = 0;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        double onCpu = 0;
        std::ifstream(tasks + "/" + entry->d_name + "/schedstat") >> onCpu;
        ns += onCpu;
    }
    closedir(dir);
    return ns / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const bool any = argc > 1 && std::string_view(argv[1]) == "--any";
    const bool shown = argc > 1 && std::string_view(argv[1]) == "--shown";
    if (any || shown) {
        --argc;
        ++argv;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: dock_timer [--any | --shown] <timeout ms> <program> [args...]\n");
        return 2;
    }
    const auto timeout = std::chrono::milliseconds(std::atoi(argv[1]));
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "dock_timer: no display\n");
        return 2;
    }
    XSetErrorHandler(vedodud::bench::IgnoreXErrors);
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    std::set<Window> before;
    if (any) Docked(display, DefaultRootWindow(display), pidAtom, {-2, &before}, 0, &before);

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
        if (shown ? Shown(display, pidAtom, child)
                  : Docked(display, DefaultRootWindow(display), pidAtom, {any ? 0 : child, &before}, 0)) {
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            std::printf("%.1f %.1f %d\n", ms, CpuMilliseconds(child), child);
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
