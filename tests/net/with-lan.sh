#!/bin/sh
# Inside the private namespace made by netns-run.sh: lets loopback carry the limited broadcast and
# the discovery multicast group, so the real destinations can be used without any real network.
# Refuses to touch routes anywhere else.
if [ "${KELM_IN_NETNS:-}" != 1 ]; then
  echo "with-lan.sh runs only inside tests/netns-run.sh" >&2
  exit 77
fi
ip link set lo multicast on || exit 77
ip route add 224.0.0.0/4 dev lo src 127.0.0.1 || exit 77
ip route add broadcast 255.255.255.255 dev lo table local src 127.0.0.1 || exit 77
exec "$@"
