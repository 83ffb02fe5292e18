#!/usr/bin/env bash
# A throw-away PostgreSQL server for the tests: `start DIR` makes a new
# cluster and leaves it running, `stop DIR` ends it and deletes DIR.
#
# What start leaves in DIR for the tests:
#   url        postgresql://quorvel_test@127.0.0.1:PORT/postgres (superuser, trust)
#   port       the TCP port, on 127.0.0.1 only
#   socketdir  the folder of the server's Unix socket (DIR itself when it can)
#   ca.crt     the CA that signed the server's certificate for localhost and
#              127.0.0.1, for sslmode=verify-full
#   server.log the server's log
# Roles: quorvel_test (superuser, no password over the socket and 127.0.0.1)
# and quorvel_pw, password 'secret-pw', checked by scram-sha-256 over TCP;
# any login role a test makes logs in over TCP with its password the same way.
set -euo pipefail

usage() {
    echo "usage: $0 start|stop DIR" >&2
    exit 2
}
[ $# -eq 2 ] || usage
action=$1
dir=$2
case $dir in
/*) ;;
*) dir=$PWD/$dir ;;
esac

# The tests' own libpq settings must not reach the set-up's psql.
unset PGHOST PGHOSTADDR PGPORT PGUSER PGPASSWORD PGDATABASE PGSSLMODE PGSERVICE PGOPTIONS

# Newest installed server unless told; Debian keeps each major version apart.
bindir=${QUORVEL_PG_BINDIR:-$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)}
if [ ! -x "$bindir/initdb" ]; then
    echo "pgserver: no PostgreSQL server found under /usr/lib/postgresql (install postgresql," \
        "or name its bin folder in QUORVEL_PG_BINDIR)" >&2
    exit 1
fi

# initdb and pg_ctl refuse to run as root, so root hands the cluster to the
# postgres system user; anyone else runs it as themselves.
if [ "$(id -u)" -eq 0 ]; then
    as_server() { runuser -u postgres -- "$@"; }
    give_to_server() { chown postgres: "$@"; }
else
    as_server() { "$@"; }
    give_to_server() { :; }
fi

# Where the data, socket and log are: DIR itself, or the folder in /tmp that
# DIR/elsewhere points to when the postgres user cannot reach DIR.
home_of() {
    if [ -L "$1/elsewhere" ]; then readlink "$1/elsewhere"; else echo "$1"; fi
}

stop() {
    [ -e "$dir" ] || return 0
    local home
    home=$(home_of "$dir")
    if [ -f "$home/data/postmaster.pid" ]; then
        as_server "$bindir/pg_ctl" -D "$home/data" stop -m immediate -w >/dev/null 2>&1 || true
    fi
    if [ "$home" != "$dir" ]; then rm -rf "$home"; fi
    rm -rf "$dir"
}

start() {
    stop
    mkdir -p "$dir"
    chmod 755 "$dir"
    give_to_server "$dir"
    local home=$dir
    # A socket's path has room for 107 bytes; a folder under a home that is
    # closed to others (/root) is out of the postgres user's reach.
    if ! as_server test -x "$dir" -a -w "$dir" || [ ${#dir} -gt 80 ]; then
        home=$(mktemp -d /tmp/quorvel-pg.XXXXXX)
        chmod 755 "$home"
        give_to_server "$home"
        ln -s "$home" "$dir/elsewhere"
    fi
    local data=$home/data

    # A private CA and a server certificate it signs. EC keys, because
    # generating RSA ones is most of the set-up's time.
    local ec=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes)
    openssl req -x509 "${ec[@]}" -days 30 -subj "/CN=Quorvel test CA" \
        -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign \
        -keyout "$dir/ca.key" -out "$dir/ca.crt" 2>/dev/null
    openssl req -new "${ec[@]}" -subj "/CN=localhost" \
        -keyout "$dir/server.key" -out "$dir/server.csr" 2>/dev/null
    printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\nextendedKeyUsage=serverAuth\n' >"$dir/server.ext"
    openssl x509 -req -in "$dir/server.csr" -CA "$dir/ca.crt" -CAkey "$dir/ca.key" \
        -set_serial "0x$(openssl rand -hex 8)" -days 30 -extfile "$dir/server.ext" \
        -out "$dir/server.crt" 2>/dev/null
    rm -f "$dir/server.csr" "$dir/server.ext"

    as_server "$bindir/initdb" -D "$data" -U quorvel_test -A trust -E UTF8 --locale=C.UTF-8 \
        --no-sync --no-instructions >"$home/initdb.log" 2>&1 || {
        cat "$home/initdb.log" >&2
        exit 1
    }
    # The server reads its key only when it alone can read it.
    install -m 600 "$dir/server.key" "$dir/server.crt" "$data/"
    give_to_server "$data/server.key" "$data/server.crt"
    rm -f "$dir/server.key"

    # host lines cover TLS and plain connections alike, so verify-full to
    # localhost and a plain 127.0.0.1 both reach the same roles.
    cat >"$data/pg_hba.conf" <<'EOF'
# TYPE  DATABASE  USER          ADDRESS        METHOD
local   all       quorvel_test                 trust
host    all       quorvel_test  127.0.0.1/32   trust
host    all       quorvel_pw    127.0.0.1/32   scram-sha-256
host    all       all           127.0.0.1/32   scram-sha-256
EOF
    # Speed over safety: the cluster dies with the test run.
    cat >>"$data/postgresql.conf" <<EOF
listen_addresses = '127.0.0.1'
unix_socket_directories = '$home'
ssl = on
ssl_cert_file = 'server.crt'
ssl_key_file = 'server.key'
password_encryption = 'scram-sha-256'
fsync = off
synchronous_commit = off
full_page_writes = off
shared_buffers = 16MB
max_connections = 200
timezone = 'UTC'
log_timezone = 'UTC'
EOF

    # A free port is only known by taking it: another run may pick the same
    # one between a check and the start, so a port in use means another try.
    local port tries=0
    while :; do
        port=$((15000 + RANDOM % 17000))
        tries=$((tries + 1))
        : >"$home/server.log"
        give_to_server "$home/server.log"
        if as_server "$bindir/pg_ctl" -D "$data" -l "$home/server.log" -o "-p $port" -w -t 60 \
            start </dev/null >/dev/null 2>&1; then
            break
        fi
        if ! grep -q 'could not bind\|could not create any TCP/IP sockets\|already in use' \
            "$home/server.log" || [ $tries -ge 10 ]; then
            echo "pgserver: the server did not start; its log ($home/server.log):" >&2
            cat "$home/server.log" >&2
            exit 1
        fi
    done
    if [ "$home" != "$dir" ]; then ln -s "$home/server.log" "$dir/server.log"; fi

    "$bindir/psql" -X -q -v ON_ERROR_STOP=1 -h "$home" -p "$port" -U quorvel_test -d postgres \
        -c "CREATE ROLE quorvel_pw LOGIN PASSWORD 'secret-pw'"

    echo "$port" >"$dir/port"
    echo "$home" >"$dir/socketdir"
    # Written last: a url means the server is ready.
    echo "postgresql://quorvel_test@127.0.0.1:$port/postgres" >"$dir/url.new"
    mv "$dir/url.new" "$dir/url"
}

case $action in
start) start ;;
stop) stop ;;
*) usage ;;
esac
