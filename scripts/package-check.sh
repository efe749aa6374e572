#!/usr/bin/env bash
# Builds the Debian packages, installs them, runs the installed programs end to end (a
# demo database, the server on a loopback port, the billing example against it, the
# server stopped by SIGTERM), removes the packages and checks that nothing of theirs is
# left but the configuration; then purges them. Needs root and apt-get.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZEL_BUILD_DIR:-$root/build}
today=2025-06-20
started=$(date +%s)
work=$(mktemp -d /tmp/zel-package-check.XXXXXX)
server_pid=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "package-check: $*" >&2
    exit 1
}
step() { echo "== $*"; }

step "pacotes"
"$root/scripts/package.sh" >"$work/package.log" 2>&1 || { cat "$work/package.log" >&2; fail "a geração dos pacotes falhou"; }
debs=("$build"/zel-appserver_*.deb "$build"/zel-desktop_*.deb)
printf '   %s\n' "${debs[@]}"

step "instalação"
DEBIAN_FRONTEND=noninteractive apt-get install -y "${debs[@]}" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; fail "apt-get install falhou"; }
dpkg -L zel-appserver zel-desktop | sort -u >"$work/files"
conffiles=$(dpkg-query -W -f='${Conffiles}\n' zel-appserver | awk 'NF {print $1}')
[ "$conffiles" = "/etc/zel/appserver.conf" ] || fail "conffiles inesperados: $conffiles"
getent passwd zel >/dev/null || fail "o usuário zel não foi criado"
[ -d /var/lib/zel ] || fail "/var/lib/zel não foi criado"
for page in index faturamento taxa notas apuracoes; do
    [ -f "/usr/share/zel/help/$page.html" ] || fail "página de ajuda ausente: $page.html"
done
/usr/bin/zel-appserver check-config /etc/zel/appserver.conf >/dev/null ||
    fail "a configuração instalada não é válida"

step "banco de demonstração ($today)"
db="sqlite:$work/demo.db"
/usr/bin/zel-appserver init-db "$db" --demo --today "$today"

step "servidor"
: >"$work/server.log"
/usr/bin/zel-appserver serve --db "$db" --listen 127.0.0.1:0 2>>"$work/server.log" &
server_pid=$!
port=
for _ in $(seq 1 100); do
    port=$(sed -n 's/^Servidor ouvindo em 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/server.log")
    [ -n "$port" ] && break
    kill -0 "$server_pid" 2>/dev/null || { cat "$work/server.log" >&2; fail "o servidor não iniciou"; }
    sleep 0.1
done
[ -n "$port" ] || fail "o servidor não informou a porta"
echo "   127.0.0.1:$port (pid $server_pid)"

step "exemplo billing-demo.zel"
QT_QPA_PLATFORM=offscreen /usr/bin/zel-script --server "127.0.0.1:$port" --db "$db" \
    --today "$today" /usr/share/doc/zel-desktop/examples/billing-demo.zel >"$work/script.log" 2>&1 ||
    { cat "$work/script.log" >&2; fail "o roteiro de exemplo falhou"; }
tail -n 3 "$work/script.log" | sed 's/^/   /'

step "parada do servidor (SIGTERM)"
kill -TERM "$server_pid"
status=0
wait "$server_pid" || status=$?
server_pid=
[ "$status" -eq 0 ] || { cat "$work/server.log" >&2; fail "o servidor terminou com o código $status"; }
grep -q "servidor encerrado" "$work/server.log" || fail "o servidor não registrou o encerramento"

step "remoção"
DEBIAN_FRONTEND=noninteractive apt-get remove -y zel-appserver zel-desktop >"$work/remove.log" 2>&1 ||
    { cat "$work/remove.log" >&2; fail "apt-get remove falhou"; }
left=()
while read -r path; do
    [ -e "$path" ] && [ ! -d "$path" ] && [ "$path" != /etc/zel/appserver.conf ] && left+=("$path")
done <"$work/files"
[ ${#left[@]} -eq 0 ] || fail "arquivos deixados pela remoção: ${left[*]}"
[ -f /etc/zel/appserver.conf ] || fail "a configuração não foi mantida"
for dir in /usr/lib/zel /usr/lib/zel-appserver /usr/share/doc/zel-desktop; do
    [ ! -e "$dir" ] || fail "diretório deixado pela remoção: $dir"
done
echo "   ficaram só /etc/zel/appserver.conf e os dados em /var/lib/zel"

step "purga"
DEBIAN_FRONTEND=noninteractive apt-get purge -y zel-appserver zel-desktop >"$work/purge.log" 2>&1 ||
    { cat "$work/purge.log" >&2; fail "apt-get purge falhou"; }
[ ! -e /etc/zel/appserver.conf ] || fail "a purga deixou a configuração"

echo "package-check: tudo certo em $(($(date +%s) - started)) s"
