#!/bin/bash
# Installs the build into a temporary prefix and checks what a desktop
# expects there: the desktop entry and the AppStream file pass their
# validators, the icons have their sizes, the systemd units verify, the
# manual page and the bash completion work, and the desktop binary answers
# --help and --version without a display. Then builds the Debian package from the same build
# folder (into a temporary folder) and reads its control fields and files.
#
#   install_package.sh CMAKE CPACK BUILD_FOLDER
set -u
cmake="$1" cpack="$2" build="$3"

for tool in desktop-file-validate appstreamcli dpkg-deb dpkg-shlibdeps file; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
fail() { echo "FAIL: $*"; exit 1; }
id=org.reviewkeeper.ReviewKeeper
started=$SECONDS

prefix="$work/prefix"
"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; fail "cmake --install failed"; }

for file in bin/reviewkeeper bin/reviewkeeper-cli share/applications/$id.desktop \
  share/metainfo/$id.metainfo.xml share/man/man1/reviewkeeper-cli.1 share/man/man1/reviewkeeper.1 \
  share/bash-completion/completions/reviewkeeper-cli; do
  [ -s "$prefix/$file" ] || fail "$file was not installed"
done
for size in 16 22 24 32 48 64 128 256 512; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
  [ -f "$icon" ] || fail "no ${size}x${size} icon"
  file -b "$icon" | grep -q "^PNG image data, $size x $size," || fail "$(file "$icon")"
done

desktop-file-validate "$prefix/share/applications/$id.desktop" ||
  fail "desktop-file-validate rejected the desktop entry"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" ||
  fail "appstreamcli rejected the metainfo file"

# The manual pages: well-formed roff that names every command.
man1="$prefix/share/man/man1"
for page in reviewkeeper-cli.1 reviewkeeper.1; do
  head -1 "$man1/$page" | grep -q '^\.TH ' || fail "$page has no .TH line"
  if command -v groff >/dev/null; then
    warnings=$(groff -man -Tutf8 -ww -z "$man1/$page" 2>&1)
    [ -z "$warnings" ] || fail "groff warns about $page: $warnings"
  fi
done
for section in NAME SYNOPSIS COMMANDS OPTIONS "EXIT STATUS" ENVIRONMENT FILES; do
  grep -q "^\.SH \"\?$section\"\?$" "$man1/reviewkeeper-cli.1" || fail "no $section section"
done
for command in search add remove update products reviews ratings gaps config; do
  grep -q "fB$command\\\\fP\|^\.BR* $command\b" "$man1/reviewkeeper-cli.1" ||
    fail "the manual page does not describe $command"
done

# The completion: valid bash that completes commands and a command's options.
completion="$prefix/share/bash-completion/completions/reviewkeeper-cli"
bash -n "$completion" || fail "the completion is not valid bash"
complete_words() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMPREPLY=()
    _reviewkeeper_cli; echo "${COMPREPLY[*]}"' _ "$completion" "$@"
}
[ "$(complete_words reviewkeeper-cli up)" = update ] || fail "\"up\" does not complete to update"
[ "$(complete_words reviewkeeper-cli reviews 1 --mark)" = --mark-read ] ||
  fail "reviews' --mark-read does not complete"
[ "$(complete_words reviewkeeper-cli search x --kinds ios,po)" = ios,podcast ] ||
  fail "search's --kinds does not complete"

# The systemd user units, verified where systemd-analyze is at hand; the
# service's bare command is pointed at this prefix's companion for it.
units="$prefix/lib/systemd/user"
for unit in reviewkeeper-update.service reviewkeeper-update.timer; do
  [ -s "$units/$unit" ] || fail "$unit was not installed"
done
if command -v systemd-analyze >/dev/null; then
  mkdir -p "$work/units" "$work/runtime" && chmod 700 "$work/runtime"
  sed "s|^ExecStart=reviewkeeper-cli |ExecStart=$prefix/bin/reviewkeeper-cli |" \
    "$units/reviewkeeper-update.service" >"$work/units/reviewkeeper-update.service"
  cp "$units/reviewkeeper-update.timer" "$work/units/"
  XDG_RUNTIME_DIR="$work/runtime" systemd-analyze --user --man=no verify \
    "$work/units/reviewkeeper-update.timer" "$work/units/reviewkeeper-update.service" ||
    fail "systemd-analyze rejected the units"
else
  echo "systemd-analyze is not installed: the units are not verified"
fi

# --help and --version need no display.
for option in --help --version; do
  output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/reviewkeeper" $option 2>&1)
  status=$?
  [ $status -eq 0 ] || { echo "$output"; fail "reviewkeeper $option exited with $status"; }
  case $option in
  --help) grep -q -- '--gallery' <<<"$output" || { echo "$output"; fail "no options in --help"; } ;;
  --version) [ "$output" = "ReviewKeeper 0.1.0" ] || fail "reviewkeeper --version printed \"$output\"" ;;
  esac
done
"$prefix/bin/reviewkeeper-cli" --version | grep -q '^reviewkeeper-cli 0\.1\.0$' ||
  fail "reviewkeeper-cli --version"
echo "installed files checked after $((SECONDS - started)) s"

# The package, built beside (not inside) the build folder.
packages="$work/packages"
(cd "$work" && "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$packages") \
  >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$packages"/reviewkeeper_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { cat "$work/cpack.log"; fail "cpack wrote no reviewkeeper_*.deb"; }
echo "built $(basename "$deb") after $((SECONDS - started)) s"

[ "$(dpkg-deb -f "$deb" Package)" = reviewkeeper ] || fail "Package: $(dpkg-deb -f "$deb" Package)"
[ "$(dpkg-deb -f "$deb" Version)" = 0.1.0 ] || fail "Version: $(dpkg-deb -f "$deb" Version)"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libqt6core6 libqt6widgets6 libqt6network6 libqt6charts6 libqt6svg6 libsqlite3 libicu; do
  grep -q "$library" <<<"$depends" || fail "Depends lacks $library"
done

dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$work/contents"
for file in /usr/bin/reviewkeeper /usr/bin/reviewkeeper-cli /usr/share/applications/$id.desktop \
  /usr/share/metainfo/$id.metainfo.xml /usr/share/icons/hicolor/16x16/apps/$id.png \
  /usr/share/icons/hicolor/512x512/apps/$id.png /usr/share/man/man1/reviewkeeper-cli.1 \
  /usr/share/bash-completion/completions/reviewkeeper-cli \
  /usr/lib/systemd/user/reviewkeeper-update.service /usr/lib/systemd/user/reviewkeeper-update.timer; do
  grep -qx "$file" "$work/contents" || fail "the package lacks $file"
done
# Only the two programs are executables: no test, benchmark or tool.
programs=$(grep '^/usr/bin/.' "$work/contents" | sort | tr '\n' ' ')
[ "$programs" = "/usr/bin/reviewkeeper /usr/bin/reviewkeeper-cli " ] ||
  fail "unexpected programs in the package: $programs"
if grep -E 'tst_|bench|fakestore|iconsizes|artwork' "$work/contents"; then
  fail "the package holds test or tool files"
fi
echo "PASS after $((SECONDS - started)) s"
