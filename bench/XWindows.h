// Small helpers for the benchmarks that look at windows on the X display.
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace vedodud::bench {

// The _NET_WM_PID of a window, or -1.
inline long PidOf(Display* display, Window window, Atom pidAtom) {
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

inline int IgnoreXErrors(Display*, XErrorEvent*) {
    return 0;  // windows come and go while the tree is walked
}

}  // namespace vedodud::bench
