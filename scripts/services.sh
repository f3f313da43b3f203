#!/usr/bin/env bash
# Starts and stops the services the tests need: a private PostgreSQL cluster
# on a loopback port, and an X server (Xvfb) for real-window checks.
# Source this file, then call wardlock_services_start; stopping is registered
# as an EXIT trap. Exports:
#   WARDLOCK_PG_HOST, WARDLOCK_PG_PORT, WARDLOCK_PG_USER  superuser of the cluster
#   WARDLOCK_XVFB_DISPLAY                                  display of the X server

wardlock_free_port() {
  local port
  for port in $(seq "$1" $(( $1 + 100 ))); do
    if ! (echo > /dev/tcp/127.0.0.1/"$port") 2>/dev/null; then echo "$port"; return 0; fi
  done
  return 1
}

wardlock_pg_start() {
  local bindir
  bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
  if [ -z "$bindir" ]; then echo "services: PostgreSQL server not installed" >&2; return 1; fi
  WARDLOCK_PG_DIR=$(mktemp -d /tmp/wardlock-pg.XXXXXX)
  local run=()
  if [ "$(id -u)" -eq 0 ]; then
    # The server refuses to run as root: the cluster belongs to the postgres user.
    chown postgres:postgres "$WARDLOCK_PG_DIR"
    run=(runuser -u postgres --)
  fi
  WARDLOCK_PG_PORT=$(wardlock_free_port 55432)
  WARDLOCK_PG_USER=wardsuper
  "${run[@]}" "$bindir/initdb" -D "$WARDLOCK_PG_DIR/data" -U "$WARDLOCK_PG_USER" \
      --auth=trust -E UTF8 --locale=C.UTF-8 > "$WARDLOCK_PG_DIR/initdb.log" 2>&1 \
    || { cat "$WARDLOCK_PG_DIR/initdb.log" >&2; return 1; }
  # Every account logs in without a password, except those that the tests of
  # database passwords create (wrong passwords; passwords holding characters
  # of connection strings; passwords the tools read; the administration
  # account): their passwords are checked.
  { echo 'host all "WardPasswordCheck" 127.0.0.1/32 scram-sha-256'
    echo 'host all "WardHostilePassword" 127.0.0.1/32 scram-sha-256'
    echo 'host all "WardToolPassword" 127.0.0.1/32 scram-sha-256'
    echo 'host all "WardAdmCheck" 127.0.0.1/32 scram-sha-256'
    cat "$WARDLOCK_PG_DIR/data/pg_hba.conf"; } > "$WARDLOCK_PG_DIR/pg_hba.conf"
  "${run[@]}" cp "$WARDLOCK_PG_DIR/pg_hba.conf" "$WARDLOCK_PG_DIR/data/pg_hba.conf"
  "${run[@]}" "$bindir/pg_ctl" -D "$WARDLOCK_PG_DIR/data" -w -l "$WARDLOCK_PG_DIR/server.log" \
      -o "-h 127.0.0.1 -p $WARDLOCK_PG_PORT -k $WARDLOCK_PG_DIR -c fsync=off" start > /dev/null \
    || { cat "$WARDLOCK_PG_DIR/server.log" >&2; return 1; }
  WARDLOCK_PG_CTL=("${run[@]}" "$bindir/pg_ctl" -D "$WARDLOCK_PG_DIR/data" -m fast stop)
  export WARDLOCK_PG_HOST=127.0.0.1 WARDLOCK_PG_PORT WARDLOCK_PG_USER
  echo "services: PostgreSQL on 127.0.0.1:$WARDLOCK_PG_PORT"
}

wardlock_xvfb_start() {
  local n
  for n in $(seq 91 120); do
    [ -e "/tmp/.X$n-lock" ] && continue
    # -noreset: by default the server resets when its last client leaves, and
    # a program that connects during the reset cannot open the display.
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset > /dev/null 2>&1 &
    WARDLOCK_XVFB_PID=$!
    sleep 1
    if kill -0 "$WARDLOCK_XVFB_PID" 2>/dev/null; then
      export WARDLOCK_XVFB_DISPLAY=":$n"
      echo "services: Xvfb on $WARDLOCK_XVFB_DISPLAY"
      return 0
    fi
  done
  echo "services: could not start Xvfb" >&2
  return 1
}

wardlock_services_stop() {
  if [ -n "${WARDLOCK_PG_CTL:-}" ]; then "${WARDLOCK_PG_CTL[@]}" > /dev/null 2>&1 || true; fi
  if [ -n "${WARDLOCK_PG_DIR:-}" ]; then rm -rf "$WARDLOCK_PG_DIR"; fi
  if [ -n "${WARDLOCK_XVFB_PID:-}" ]; then kill "$WARDLOCK_XVFB_PID" 2>/dev/null || true; fi
}

wardlock_services_start() {
  trap wardlock_services_stop EXIT
  wardlock_pg_start
  wardlock_xvfb_start
}
