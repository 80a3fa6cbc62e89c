# `cmake --install` into a temporary prefix puts exactly the expected files there, each with the
# right mode; the icons have the sizes their folders name, and the installed program runs.
here=$(dirname "$0")
source "$here/common.sh"
prefix="$work/prefix"
cmake --install "$OSTREL_BUILD_DIR" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }

expected="bin/ostrel
share/applications/ostrel.desktop
share/doc/ostrel/changelog.gz
share/doc/ostrel/copyright"
for side in $OSTREL_ICON_SIZES; do
  expected+=$'\n'"share/icons/hicolor/${side}x${side}/apps/ostrel.png"
done
expected+=$'\n'"share/icons/hicolor/scalable/apps/ostrel.svg
share/icons/hicolor/scalable/apps/ostrel-tray-symbolic.svg
share/metainfo/local.ostrel.app.metainfo.xml"
expected=$(sort <<<"$expected")
installed=$(cd "$prefix" && find . -mindepth 1 \( -type f -o -type l \) -printf '%P\n' | sort)
echo "Installed:"
sed 's/^/  /' <<<"$installed"
[ "$installed" = "$expected" ] || fail "the installed files differ from the expected ones:
$(diff <(echo "$expected") <(echo "$installed") || true)"

# The program is executable by everyone, everything else readable, and no folder is closed.
[ "$(stat -c %a "$prefix/bin/ostrel")" = 755 ] || fail "bin/ostrel is not mode 755"
others=$(cd "$prefix" && find . -type f ! -path ./bin/ostrel ! -perm 644 -printf '%P %m\n')
[ -z "$others" ] || fail "files not mode 644: $others"
folders=$(cd "$prefix" && find . -mindepth 1 -type d ! -perm 755 -printf '%P %m\n')
[ -z "$folders" ] || fail "folders not mode 755: $folders"

# Each bitmap is as large as its folder says (a PNG's width and height are in its IHDR chunk).
for side in $OSTREL_ICON_SIZES; do
  png="$prefix/share/icons/hicolor/${side}x${side}/apps/ostrel.png"
  size=$(python3 -c 'import struct,sys
d=open(sys.argv[1],"rb").read(24)
assert d[:8]==b"\x89PNG\r\n\x1a\n" and d[12:16]==b"IHDR"
print("%dx%d" % struct.unpack(">II", d[16:24]))' "$png") || fail "$png is not a PNG"
  [ "$size" = "${side}x${side}" ] || fail "$png is $size"
done
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/ostrel.svg" || fail "the scalable icon is not SVG"
# The tray's icon, found by the name the program hands to StatusNotifier hosts.
grep -q 'ColorScheme-Text' "$prefix/share/icons/hicolor/scalable/apps/ostrel-tray-symbolic.svg" \
  || fail "the tray icon is not a symbolic SVG"

# The installed entry and metadata still validate where they landed, and the entry's icon is
# found by its name in the hicolor theme.
desktop-file-validate "$prefix/share/applications/ostrel.desktop" || fail "installed desktop entry"
appstreamcli validate --no-net "$prefix/share/metainfo/local.ostrel.app.metainfo.xml" || fail "installed metadata"
icon=$(sed -n 's/^Icon=//p' "$prefix/share/applications/ostrel.desktop")
[ -f "$prefix/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "the entry's icon $icon is not in hicolor"
gzip -t "$prefix/share/doc/ostrel/changelog.gz" || fail "the changelog is not gzip"

version=$(env -u DISPLAY -u WAYLAND_DISPLAY HOME="$work/home" "$prefix/bin/ostrel" --version)
[ "$version" = "Ostrel $OSTREL_VERSION" ] || fail "the installed ostrel --version said: $version"
echo "ok: installed into $prefix"
