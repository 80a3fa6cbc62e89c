# The AppStream metadata as built passes the validator without the network, names the desktop
# entry it describes and carries the project's version as its latest release.
here=$(dirname "$0")
source "$here/common.sh"
metainfo="$OSTREL_BUILD_DIR/data/local.ostrel.app.metainfo.xml"
appstreamcli validate --no-net --explain "$metainfo" || fail "appstreamcli refused $metainfo"
grep -qF '<launchable type="desktop-id">ostrel.desktop</launchable>' "$metainfo" \
  || fail "$metainfo does not name ostrel.desktop"
grep -qF "<release version=\"$OSTREL_VERSION\"" "$metainfo" || fail "$metainfo lacks release $OSTREL_VERSION"
echo "ok: $metainfo"
