"""The one way the end-to-end tests wait: poll a condition, bounded in time."""

import time


def wait_for(what, condition, timeout, interval=0.2):
    """Polls condition() until it is truthy and returns its value; fails after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)
