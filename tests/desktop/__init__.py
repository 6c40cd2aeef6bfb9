"""What the end-to-end tests and the desktop benchmarks share: a desktop to run the program on
(session), looking and acting on it (screen), its session bus (bus), a private network with a
loopback site (network), the program's window in pixels (form), one wait (waiting), and the
scenarios' common fixture (scenario)."""
