// The longest stall of a program's user-interface thread, seen from outside: a _NET_WM_PING sent to
// one of its windows comes back to the root window only once its event loop has handled it. Sent
// again every few milliseconds; the longest round trip is the longest stall.
// usage: ping_stall <pid> <seconds> [interval ms]
// Prints "pings <n> longest_ms <x> median_ms <y>", or "note <text>" when it cannot measure.
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "Stats.h"
#include "XWindows.h"

namespace {

using namespace vedodud::bench;

constexpr auto kNoAnswer = std::chrono::seconds(30);

// The first window, anywhere in the tree, that carries the pid.
Window WindowOf(Display* display, Window window, Atom pidAtom, long pid) {
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return None;
    Window found = None;
    for (unsigned int i = 0; i < count && found == None; ++i) {
        if (PidOf(display, children[i], pidAtom) == pid) found = children[i];
        if (found == None) found = WindowOf(display, children[i], pidAtom, pid);
    }
    if (children) XFree(children);
    return found;
}

// Waits for the answer to ping `serial` sent to `target`; false if none comes in time. Answers go to
// every client listening on the root window, those to other pingers' windows included.
bool Answered(Display* display, Atom ping, long serial, Window target) {
    const auto until = Clock::now() + kNoAnswer;
    while (Clock::now() < until) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == ping &&
                event.xclient.data.l[1] == serial && static_cast<Window>(event.xclient.data.l[2]) == target)
                return true;
        }
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, 100);
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: ping_stall <pid> <seconds> [interval ms]\n");
        return 2;
    }
    const long pid = std::atol(argv[1]);
    const auto duration = std::chrono::seconds(std::atoi(argv[2]));
    const auto interval = std::chrono::milliseconds(argc > 3 ? std::atoi(argv[3]) : 10);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::printf("note no display\n");
        return 1;
    }
    XSetErrorHandler(IgnoreXErrors);
    const Window root = DefaultRootWindow(display);
    const Window target = WindowOf(display, root, XInternAtom(display, "_NET_WM_PID", False), pid);
    if (target == None) {
        std::printf("note no window of process %ld\n", pid);
        return 1;
    }
    // The answer goes to the root with StructureNotify among its masks.
    XSelectInput(display, root, StructureNotifyMask);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom ping = XInternAtom(display, "_NET_WM_PING", False);

    Stats rounds;
    const auto end = Clock::now() + duration;
    for (long serial = 1; Clock::now() < end; ++serial) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = target;
        event.xclient.message_type = protocols;
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(ping);
        event.xclient.data.l[1] = serial;
        event.xclient.data.l[2] = static_cast<long>(target);
        const auto start = Clock::now();
        XSendEvent(display, target, False, NoEventMask, &event);
        XFlush(display);
        if (!Answered(display, ping, serial, target)) {
            std::printf("note the program did not answer a ping within %lld s\n",
                        static_cast<long long>(kNoAnswer.count()));
            return 1;
        }
        rounds.Add(Clock::now() - start);
        std::this_thread::sleep_for(interval);
    }
    std::printf("pings %zu longest_ms %.3f median_ms %.3f\n", rounds.ms.size(), rounds.Max(),
                rounds.Median());
    return 0;
}
