#!/usr/bin/env bash
# scripts/pg on a taken port: with PRENOS_PG_PORT naming it, start stops at once with a
# message naming PRENOS_PG_PORT and creates nothing; without it, start takes the next
# free port, says so, writes it to build/.pg-port and the server answers there.
# Runs a copy of the script in a folder of its own, so the real server is not touched.
set -uo pipefail
source_dir=${1:?usage: pg_port_test.sh SOURCE_DIR}
held=54336
failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

work=$(mktemp -d)
chmod 755 "$work"
mkdir -p "$work/scripts"
cp "$source_dir/scripts/pg" "$work/scripts/pg"
listener=
cleanup() {
  "$work/scripts/pg" stop >/dev/null 2>&1
  [ -n "$listener" ] && kill "$listener" 2>/dev/null
  rm -rf "$work" "/tmp/prenos-pg-$(echo "$work" | md5sum | cut -c1-8)"
}
trap cleanup EXIT

# Another program holds the port.
python3 -c "
import socket, time
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(('127.0.0.1', $held)); s.listen(8); s.settimeout(1)
end = time.time() + 300
while time.time() < end:
    try: s.accept()[0].close()
    except socket.timeout: pass" &
listener=$!
for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$held") 2>/dev/null && break; sleep 0.1; done
check "the listener holds port $held" timeout 2 bash -c "exec 3<>/dev/tcp/127.0.0.1/$held"

unset PRENOS_PG_PORT PRENOS_PG_DIR
out=$(PRENOS_PG_PORT=$held "$work/scripts/pg" start 2>&1); code=$?
check "a taken PRENOS_PG_PORT fails" test "$code" -ne 0
check "the message names PRENOS_PG_PORT" grep -q "port $held (PRENOS_PG_PORT) is taken" <<<"$out"
check "nothing was created for the server" test ! -e "$work/build/pg/data"
check "no port was written" test ! -e "$work/build/.pg-port"

out=$(PRENOS_PG_FIRST_PORT=$held "$work/scripts/pg" start 2>&1); code=$?
echo "$out"
check "start on the next free port succeeds" test "$code" -eq 0
port=$(cat "$work/build/.pg-port" 2>/dev/null)
check "the port taken is written to build/.pg-port" test -n "$port"
check "the port taken is another than $held" test "${port:-$held}" != "$held"
check "it says which port it took" grep -q "port $held is taken; using $port" <<<"$out"
check "scripts/pg port names it" test "$("$work/scripts/pg" port 2>/dev/null)" = "$port"
check "the server answers there" test "$(psql -X -h 127.0.0.1 -p "${port:-0}" -U postgres -d postgres -Atc 'SELECT 1' 2>&1)" = 1
out=$(PRENOS_PG_FIRST_PORT=$held "$work/scripts/pg" start 2>&1)
check "a second start finds it running on its port" grep -q "already running on 127.0.0.1:$port" <<<"$out"
"$work/scripts/pg" stop >/dev/null 2>&1
check "stop removes the port file" test ! -e "$work/build/.pg-port"

echo "$((13 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
