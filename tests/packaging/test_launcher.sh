#!/bin/sh
# The desktop launcher's first start: it makes ~/Veyra with a fresh database,
# writes the ten-character short date format only where the user has none,
# and starts veyra in the working directory.
#   test_launcher.sh LAUNCHER VEYRA_NEWDB
set -u
launcher=$1
newdb=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fails=0
fail() { echo "FAIL: $*" >&2; fails=$((fails + 1)); }

mkdir -p "$tmp/bin"
ln -s "$newdb" "$tmp/bin/veyra-newdb"
# Stands in for the program: records where it was started.
cat > "$tmp/bin/veyra" <<'SH'
#!/bin/sh
pwd > "$HOME/started-in"
SH
chmod +x "$tmp/bin/veyra"

umask 022
run() {  # run HOME
    env -u XDG_CONFIG_HOME -u VEYRA_WORKDIR HOME="$1" PATH="$tmp/bin:$PATH" sh "$launcher" >/dev/null 2>&1
}
conf() { echo "$1/.config/Veyra/Veyra.ini"; }

# A fresh user: working directory, both databases, the date format, started there.
home="$tmp/fresh"
mkdir -p "$home"
run "$home" || fail "fresh: launcher failed"
[ -s "$home/Veyra/Enterprise.mdb" ] || fail "fresh: no Enterprise.mdb"
[ -s "$home/Veyra/structure.mdb" ] || fail "fresh: no structure.mdb"
[ "$(cat "$home/started-in" 2>/dev/null)" = "$home/Veyra" ] || fail "fresh: not started in ~/Veyra"
[ "$(cat "$(conf "$home")")" = "$(printf '[General]\nsShortDate=yyyy-MM-dd')" ] ||
    fail "fresh: settings file is: $(cat "$(conf "$home")")"
# Names and ID numbers: the user's alone, whatever the umask it was started with.
for f in Veyra:700 Veyra/Enterprise.mdb:600 Veyra/structure.mdb:600 .config/Veyra/Veyra.ini:600; do
    mode=$(stat -c %a "$home/${f%:*}")
    [ "$mode" = "${f#*:}" ] || fail "fresh: ${f%:*} has mode $mode"
done

# A second start keeps the database and writes nothing twice.
before=$(cksum < "$home/Veyra/Enterprise.mdb")
run "$home" || fail "second start failed"
[ "$(cksum < "$home/Veyra/Enterprise.mdb")" = "$before" ] || fail "second start: database replaced"
[ "$(grep -c sShortDate "$(conf "$home")")" = 1 ] || fail "second start: format written twice"

# A format the user chose stays, whatever it is (the program judges it).
home="$tmp/chosen"
mkdir -p "$home/.config/Veyra"
printf '[General]\nDataDir=/srv/data\nsShortDate=d/M/yyyy\n' > "$(conf "$home")"
run "$home" || fail "chosen: launcher failed"
[ "$(cat "$(conf "$home")")" = "$(printf '[General]\nDataDir=/srv/data\nsShortDate=d/M/yyyy')" ] ||
    fail "chosen: settings changed: $(cat "$(conf "$home")")"

# Other settings, with and without a [General] section, are kept.
home="$tmp/general"
mkdir -p "$home/.config/Veyra"
printf '[General]\nDataDir=/srv/data\n' > "$(conf "$home")"
run "$home" || fail "general: launcher failed"
[ "$(cat "$(conf "$home")")" = "$(printf '[General]\nsShortDate=yyyy-MM-dd\nDataDir=/srv/data')" ] ||
    fail "general: settings file is: $(cat "$(conf "$home")")"

home="$tmp/other"
mkdir -p "$home/.config/Veyra"
printf '[Window]\nx=1\n' > "$(conf "$home")"
run "$home" || fail "other: launcher failed"
[ "$(cat "$(conf "$home")")" = "$(printf '[General]\nsShortDate=yyyy-MM-dd\n\n[Window]\nx=1')" ] ||
    fail "other: settings file is: $(cat "$(conf "$home")")"

# A working directory given by VEYRA_WORKDIR.
home="$tmp/workdir"
mkdir -p "$home"
env -u XDG_CONFIG_HOME HOME="$home" VEYRA_WORKDIR="$home/elsewhere" PATH="$tmp/bin:$PATH" \
    sh "$launcher" >/dev/null 2>&1 || fail "workdir: launcher failed"
[ -s "$home/elsewhere/Enterprise.mdb" ] || fail "workdir: no database in VEYRA_WORKDIR"

[ "$fails" = 0 ] && echo "launcher: all cases passed"
exit "$fails"
