#!/usr/bin/python3
"""What a screen reader learns of the program's window over AT-SPI, printed as JSON.

Run on the desktop's session bus once the window is shown. Reads the window, the URL box, the
logo and the status light, then listens up to --wait seconds for the light to announce a new
description.
"""

import argparse
import json
import time

import pyatspi
from gi.repository import GLib


def descendants(accessible):
    for child in accessible:
        if child is not None:
            yield child
            yield from descendants(child)


def describe(accessible):
    return {"role": accessible.getRoleName(), "name": accessible.name, "description": accessible.description}


def labelled_by(accessible):
    return [relation.getTarget(i).name for relation in accessible.getRelationSet()
            if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
            for i in range(relation.getNTargets())]


def find_window(application_name, caption, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        for application in pyatspi.Registry.getDesktop(0):
            if application is not None and application.name == application_name:
                for window in application:
                    if window is not None and window.name == caption:
                        return window
        time.sleep(0.2)
    raise SystemExit(f"no window {caption!r} of {application_name!r} over AT-SPI")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--application", default="vedodud")
    parser.add_argument("--caption", required=True)
    parser.add_argument("--wait", type=float, default=20)
    args = parser.parse_args()

    window = find_window(args.application, args.caption, 10)
    controls = list(descendants(window))
    named = {accessible.name: accessible for accessible in controls}
    url_box = next((a for a in controls if a.getRoleName() in ("text", "entry")), None)
    logo = next((a for a in controls if a.getRoleName() in ("image", "icon")), None)
    report = {
        "window": describe(window),
        "url_box": dict(describe(url_box), labelled_by=labelled_by(url_box)) if url_box else None,
        "logo": describe(logo) if logo else None,
        "light": describe(named["Status"]) if "Status" in named else None,
        "announced": [],
    }

    def on_description(event):
        if event.source is not None and event.source.name == "Status":
            report["announced"].append(event.source.description)
            pyatspi.Registry.stop()

    pyatspi.Registry.registerEventListener(on_description, "object:property-change:accessible-description")
    GLib.timeout_add(int(args.wait * 1000), lambda: pyatspi.Registry.stop())
    pyatspi.Registry.start()
    print(json.dumps(report))


if __name__ == "__main__":
    main()
