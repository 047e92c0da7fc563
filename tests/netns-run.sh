#!/bin/sh
# Runs a command in a private network namespace with only loopback up, so nothing it sends
# (broadcast, multicast, anything) can leave this machine. Exit 77 (skip) when that is not allowed.
if [ "${KELM_IN_NETNS:-}" = 1 ]; then
  exec "$@"
fi
if ! unshare -n true 2>/dev/null; then
  echo "private network namespaces are not available here; skipping" >&2
  exit 77
fi
export KELM_IN_NETNS=1
exec unshare -n sh -c 'ip link set lo up || exit 77; exec "$@"' netns-run "$@"
