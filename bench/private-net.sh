# Sourced by the desktop benchmarks, which run inside a private network and mount namespace
# (see run-bench): loopback up, and a hosts file that sends example.com, the program's default
# URL, to 127.0.0.1, so nothing can leave the machine. The name server is loopback too, where
# nobody answers.
# private_net WORK: the files go to WORK.
private_net() {
  ip link set lo up
  printf '127.0.0.1 localhost example.com\n' >"$1/hosts"
  printf 'nameserver 127.0.0.1\n' >"$1/resolv.conf"
  mount --make-rprivate /
  mount --bind "$1/hosts" /etc/hosts
  mount --bind "$1/resolv.conf" /etc/resolv.conf
}
