#!/bin/sh
# A stand-in for iputils' ping whose host loses each echo on its own, at the share written in
# ping-loss-HOST beside this script (0 to 1; none lost without that file), from a seed that moves
# on by one at each start, so that the same run of starts loses the same echoes. It answers `-c N` as iputils' ping does: a line
# for each echo answered, the summary, and exit status 1 when none was. It sends nothing anywhere.
n=1 prev='' host=''
for a in "$@"; do
    case $prev in -c) n=$a ;; esac
    prev=$a host=$a
done
dir=${0%/*}
echo "$@" >>"$dir/ping-arguments"
k=$(cat "$dir/ping-count" 2>/dev/null || echo 0)
echo $((k + 1)) >"$dir/ping-count"
exec awk -v n="$n" -v k="$k" -v host="$host" -v loss="$(cat "$dir/ping-loss-$host" 2>/dev/null || echo 0)" 'BEGIN {
    srand(2029 + 7919 * k)
    printf "PING %s (%s) 56(84) bytes of data.\n", host, host
    got = 0
    for (i = 1; i <= n; i++) {
        if (rand() >= loss) {
            printf "64 bytes from %s: icmp_seq=%d ttl=64 time=0.%03d ms\n", host, i, 40 + i
            got++
        }
    }
    printf "\n--- %s ping statistics ---\n", host
    printf "%d packets transmitted, %d received, %d%% packet loss, time %dms\n", n, got, 100 * (n - got) / n, 200 * (n - 1)
    if (got > 0) print "rtt min/avg/max/mdev = 0.041/0.043/0.045/0.001 ms"
    exit got > 0 ? 0 : 1
}'
