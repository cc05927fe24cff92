#!/bin/sh
# Runs a test inside a private network namespace where the machine allows it,
# so that the interfaces its stand-in for pppd makes never touch the
# machine's network, and inside a private pid namespace, so that the test
# sees only its own pppd processes (and none it starts outlives it).
# Elsewhere it runs as it is, and the test skips what needs the namespace,
# saying why.
if unshare --net --pid --fork --mount-proc true 2>/dev/null; then
  exec unshare --net --pid --fork --mount-proc env TARVELO_NETNS=1 "$@"
fi
if unshare --net true 2>/dev/null; then
  exec unshare --net env TARVELO_NETNS=1 "$@"
fi
exec "$@"
