#!/bin/sh
# Runs a test program in a private network namespace whose only interface is the loopback,
# so that nothing a test sends (UDP broadcasts above all) can leave this machine. Tests that
# need a network of hosts build their own namespaces inside it.
if [ "$(id -u)" = 0 ]; then flags=-n; else flags=-rn; fi
if unshare $flags true 2>/dev/null; then
  exec unshare $flags sh -c 'ip link set lo up 2>/dev/null || ifconfig lo up 2>/dev/null; exec "$@"' sh "$@"
fi
echo "isolated.sh: no network namespace available; running $1 on the host network" >&2
exec "$@"
