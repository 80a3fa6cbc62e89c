# The Debian package made from this build: named with the project's version, holding the
# installed files under /usr, depending on what its binary links (found by dpkg-shlibdeps), and
# passing lintian without errors. Nothing here needs the network.
here=$(dirname "$0")
source "$here/common.sh"
cpack --config "$OSTREL_BUILD_DIR/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log"; fail "cpack"; }
arch=$(dpkg --print-architecture)
deb="$work/out/ostrel_${OSTREL_VERSION}_${arch}.deb"
[ -f "$deb" ] || { ls "$work/out"; fail "no package named $(basename "$deb")"; }

[ "$(dpkg-deb -f "$deb" Package)" = ostrel ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$OSTREL_VERSION" ] || fail "package version"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libqt6core6 libqt6widgets6 libqt6svg6 libsqlite3-0 libxcb1 libxkbcommon-x11-0 qt6-qpa-plugins; do
  grep -q "\b$library\b" <<<"$depends" || fail "the package does not depend on $library"
done

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/ostrel ./usr/share/applications/ostrel.desktop \
            ./usr/share/icons/hicolor/256x256/apps/ostrel.png ./usr/share/icons/hicolor/scalable/apps/ostrel.svg \
            ./usr/share/icons/hicolor/scalable/apps/ostrel-tray-symbolic.svg \
            ./usr/share/metainfo/local.ostrel.app.metainfo.xml ./usr/share/doc/ostrel/copyright; do
  grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done
owners=$(dpkg-deb -c "$deb" | awk '$2 != "root/root" {print $6, $2}')
[ -z "$owners" ] || fail "files not owned by root: $owners"

lintian --fail-on error --tag-display-limit 0 "$deb" | tee "$work/lintian.log" || fail "lintian found errors"
echo "ok: $(basename "$deb")"
