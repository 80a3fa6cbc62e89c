# The desktop entry as built passes desktop-file-validate and says what the menu shows.
here=$(dirname "$0")
source "$here/common.sh"
entry="$OSTREL_BUILD_DIR/data/ostrel.desktop"
desktop-file-validate "$entry" || fail "desktop-file-validate refused $entry"
# The validator also prints hints; the entry should not need any.
hints=$(desktop-file-validate --no-warn-deprecated "$entry" 2>&1 || true)
[ -z "$hints" ] || fail "desktop-file-validate: $hints"
for line in "Name=Ostrel" "Exec=ostrel" "Icon=ostrel" "Categories=Utility;" "StartupNotify=false" "Type=Application"; do
  grep -qxF "$line" "$entry" || fail "$entry lacks $line"
done
[ "$(grep -c '^Comment=' "$entry")" = 1 ] || fail "$entry has no one-line comment"
echo "ok: $entry"
