#!/bin/sh
# shard-run.sh KIND PART PARTS PROGRAM [ARGS...]
# Runs one of PARTS parts (PART counts from 0) of a test program whose tests mostly wait on the
# simulated device, so ctest can run the parts side by side. The program's tests are dealt out in
# turn, so each runs in exactly one part, new ones included: KIND qt deals a QtTest program's test
# functions (each part runs initTestCase and cleanupTestCase itself), KIND gtest leaves the
# dealing to GoogleTest's own sharding.
set -eu
kind=$1 part=$2 parts=$3
shift 3
case $kind in
  gtest)
    GTEST_TOTAL_SHARDS=$parts GTEST_SHARD_INDEX=$part exec "$@"
    ;;
  qt)
    functions=$("$@" -functions)
    picked=$(printf '%s\n' "$functions" | sed -n 's/()$//p' | awk -v p="$part" -v n="$parts" '(NR - 1) % n == p')
    if [ -z "$picked" ]; then
      echo "part $part of $parts: no test functions"
      exit 0
    fi
    # shellcheck disable=SC2086 # one argument per function name
    exec "$@" $picked
    ;;
  *)
    echo "shard-run.sh: unknown kind $kind" >&2
    exit 2
    ;;
esac
