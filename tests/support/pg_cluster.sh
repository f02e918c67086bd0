#!/bin/bash
# A private PostgreSQL cluster for the tests of the shared register: its own
# data directory and a Unix socket in a private folder, no TCP port. The
# machine's own PostgreSQL clusters, if any, are left alone.
#
#   pg_cluster.sh DIR         start it (again, if it runs already) and print
#                             the variables the tests need, as shell exports
#   pg_cluster.sh --stop DIR  stop it and remove its files
#
# DIR (under the build) keeps the state: the cluster itself lives in a
# folder made with mktemp under the temporary directory, since the cluster's
# user must be able to reach it and a socket path has to stay short. As root
# the cluster runs as the `postgres` system user (initdb refuses root).
#
# Roles and databases made here:
#   veyra_test  owner of database veyra_test, may create databases (the tests
#               make one per case); VEYRA_TEST_PG connects to it
#   veyra_desk  a plain login role, as an office's desks would have
#   veyra_pw    a login role that must give a password (never given)
# Exits non-zero, saying why, when no cluster can be had.
set -u
say() { echo "pg_cluster: $*" >&2; }
port=5432

# The newest installed server, else what PATH offers.
bindir=""
for d in $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V); do
    [ -x "$d/initdb" ] && bindir=$d
done
if [ -z "$bindir" ] && command -v initdb >/dev/null 2>&1; then
    bindir=$(dirname "$(command -v initdb)")
fi

as_owner() {
    if [ "$(id -u)" = 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

stop() {
    local state=$1 run
    run=$(cat "$state/cluster-dir" 2>/dev/null) || return 0
    # Only a folder this script made: its name and its marker.
    case "$run" in
        */veyra-pg.*) ;;
        *) say "refusing to remove $run"; return 1 ;;
    esac
    if [ -f "$run/veyra-test-cluster" ]; then
        if [ -f "$run/data/postmaster.pid" ]; then
            as_owner "$bindir/pg_ctl" -D "$run/data" -m immediate -w stop >/dev/null 2>&1
        fi
        rm -rf "$run"
    fi
    rm -f "$state/cluster-dir" "$state/env"
}

if [ "${1:-}" = "--stop" ]; then
    [ -n "${2:-}" ] || { say "usage: pg_cluster.sh --stop DIR"; exit 2; }
    [ -d "$2" ] || exit 0
    stop "$(cd "$2" && pwd)"
    exit $?
fi
[ -n "${1:-}" ] || { say "usage: pg_cluster.sh DIR"; exit 2; }
mkdir -p "$1" || exit 1
state=$(cd "$1" && pwd)

if [ -z "$bindir" ] || [ ! -x "$bindir/psql" ]; then
    say "PostgreSQL is not installed (scripts/install-deps --with-test-tools installs postgresql-15)"
    exit 1
fi
if [ "$(id -u)" = 0 ] && ! id postgres >/dev/null 2>&1; then
    say "no system user postgres to run the cluster as (the postgresql-15 package makes it)"
    exit 1
fi

stop "$state"
run=$(mktemp -d "${TMPDIR:-/tmp}/veyra-pg.XXXXXX") || exit 1
touch "$run/veyra-test-cluster"
chmod 0700 "$run"
mkdir "$run/socket"
[ "$(id -u)" = 0 ] && chown -R postgres: "$run"
echo "$run" > "$state/cluster-dir"

fail() {
    say "$1:"
    tail -n 20 "$run/setup.log" "$run/server.log" >&2 2>/dev/null
    stop "$state"
    exit 1
}

# Trust on the private socket, which only this user (and root) can reach;
# veyra_pw alone must give a password, for the refusal tests.
as_owner "$bindir/initdb" -D "$run/data" -U postgres --encoding=UTF8 --locale=C.UTF-8 \
    --auth-local=trust --auth-host=reject --no-sync >"$run/setup.log" 2>&1 || fail "initdb failed"
as_owner sh -c "cat > '$run/data/pg_hba.conf'" <<HBA
local all veyra_pw scram-sha-256
local all all trust
HBA
as_owner sh -c "cat >> '$run/data/postgresql.conf'" <<CONF
listen_addresses = ''
port = $port
unix_socket_directories = '$run/socket'
unix_socket_permissions = 0700
max_connections = 60
shared_buffers = 32MB
dynamic_shared_memory_type = mmap
fsync = off
synchronous_commit = off
full_page_writes = off
CONF
as_owner "$bindir/pg_ctl" -D "$run/data" -l "$run/server.log" -w -t 60 start >/dev/null 2>&1 ||
    fail "the cluster did not start"

psql_su() {
    as_owner "$bindir/psql" -X -q -v ON_ERROR_STOP=1 -h "$run/socket" -p "$port" -U postgres -d postgres "$@"
}
psql_su >>"$run/setup.log" 2>&1 <<SQL || fail "cannot make the test roles"
CREATE ROLE veyra_test LOGIN CREATEDB;
CREATE DATABASE veyra_test OWNER veyra_test;
CREATE ROLE veyra_desk LOGIN;
CREATE ROLE veyra_pw LOGIN PASSWORD 'not-given-anywhere';
SQL

conninfo="host=$run/socket port=$port dbname=veyra_test user=veyra_test"
printf "export VEYRA_TEST_PG='%s'\n" "$conninfo" | tee "$state/env"
