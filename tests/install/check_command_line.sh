# The executable's options are answered before anything else: with a home, runtime and
# configuration folder of its own and no display at all, --version and --help print and succeed,
# anything else is refused with status 2, and not one file appears in those folders (no store,
# no settings, no single-instance lock).
here=$(dirname "$0")
source "$here/common.sh"
: "${OSTREL_EXECUTABLE:?run through CTest}"
home="$work/home"
mkdir -m 700 "$home" "$work/runtime"

run() {
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u DBUS_SESSION_BUS_ADDRESS \
    HOME="$home" XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$home/.config" \
    XDG_DATA_HOME="$home/.local/share" XDG_CACHE_HOME="$home/.cache" \
    "$OSTREL_EXECUTABLE" "$@" >"$work/out" 2>"$work/err"
}

status=0; run --version || status=$?
[ "$status" = 0 ] || fail "--version ended with $status: $(cat "$work/err")"
[ "$(cat "$work/out")" = "Ostrel $OSTREL_VERSION" ] || fail "--version printed: $(cat "$work/out")"
[ ! -s "$work/err" ] || fail "--version wrote to stderr: $(cat "$work/err")"

status=0; run --help || status=$?
[ "$status" = 0 ] || fail "--help ended with $status"
head -n 1 "$work/out" | grep -qxF "Usage: ostrel [--version | --help]" || fail "--help printed: $(cat "$work/out")"
grep -q -- "--version" "$work/out" || fail "--help does not name --version"
[ ! -s "$work/err" ] || fail "--help wrote to stderr: $(cat "$work/err")"

for arguments in "--bogus" "-v" "layouts" "--version --bogus" "-display :0"; do
  status=0
  # shellcheck disable=SC2086 # the words are the arguments
  run $arguments || status=$?
  [ "$status" = 2 ] || fail "“$arguments” ended with $status, not 2"
  [ ! -s "$work/out" ] || fail "“$arguments” wrote to stdout: $(cat "$work/out")"
  grep -q "^ostrel: " "$work/err" || fail "“$arguments” did not say why: $(cat "$work/err")"
  grep -qxF "Usage: ostrel [--version | --help]" "$work/err" || fail "“$arguments” gave no usage"
done

left=$(find "$home" "$work/runtime" -mindepth 1)
[ -z "$left" ] || fail "the options touched the user's folders: $left"
echo "ok: --version, --help and the refusals"
