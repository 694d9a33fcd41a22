#!/usr/bin/env bash
# cmake --install into a scratch DESTDIR: the files land where a Linux program
# keeps them, the installed program runs from anywhere, and the manual page,
# the menu entry and the icons are valid.
#   install_test.sh BUILD_DIR SOURCE_DIR
build=$1 source=$2
. "$source/tests/packaging/common.sh"

root="$scratch/root"
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
for f in bin/vortexel share/vortexel/script.txt share/doc/vortexel/README.md \
         share/doc/vortexel/copyright share/doc/vortexel/docs/script.md \
         share/man/man6/vortexel.6.gz share/applications/vortexel.desktop; do
  [ -f "$root/usr/$f" ] || fail "not installed: /usr/$f"
done
[ -x "$root/usr/bin/vortexel" ] || fail "/usr/bin/vortexel is not executable"
check_installed_program "$root/usr/bin/vortexel" "$root/usr/share/vortexel"

# The README's pictures and links resolve inside the installed documentation.
for link in $(grep -o '](docs/[^)]*)' "$root/usr/share/doc/vortexel/README.md" | sed 's/^](//; s/)$//'); do
  [ -f "$root/usr/share/doc/vortexel/$link" ] || fail "README links to $link, which is not installed"
done

# The manual page renders without a warning and names every option of --help.
warnings=$(MANWIDTH=80 man --warnings -l "$root/usr/share/man/man6/vortexel.6.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man page warnings: $warnings"
page=$(zcat "$root/usr/share/man/man6/vortexel.6.gz")
for option in $("$root/usr/bin/vortexel" --help | grep -o -- '--[a-z][a-z=-]*' | sort -u); do
  expect_in "$page" "$(printf '%s' "$option" | sed 's/-/\\-/g')"
done
for word in SDL_AUDIODRIVER SDL_VIDEODRIVER editoren_sind_fuer_clickscener.txt \
            share/vortexel "EXIT STATUS" EXAMPLES; do
  expect_in "$page" "$word"
done

# The menu entry validates and names an icon that is installed at every size.
desktop-file-validate "$root/usr/share/applications/vortexel.desktop" || fail "desktop entry"
# A menu start's working directory is the home folder: its own ~/data must not
# hide the installed demo.
expect_line "$root/usr/share/applications/vortexel.desktop" "Exec=vortexel --data /usr/share/vortexel"
icon=$(sed -n 's/^Icon=//p' "$root/usr/share/applications/vortexel.desktop")
sizes=0
for png in "$root"/usr/share/icons/hicolor/*/apps/"$icon".png; do
  dir=$(basename "$(dirname "$(dirname "$png")")")
  [ "$(png_size "$png")" = "$dir" ] || fail "$png is $(png_size "$png"), not $dir"
  sizes=$((sizes + 1))
done
[ "$sizes" -ge 5 ] || fail "icon '$icon' installed at $sizes sizes"
finish
