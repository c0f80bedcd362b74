#!/usr/bin/env bash
# Builds the .deb and checks what a Linux desktop gets from it: every file in its place, a valid
# menu entry and software-centre metadata, voice files recognised by the MIME database and offered
# to Skerrow, and, from a tree installed into a scratch DESTDIR, the command-line tool running and
# the window program finding its help file through the link in bin/.
#
# Usage: check-package.sh BUILD_DIR SCRATCH_DIR VERSION HAVE_WINDOW_PROGRAM HAVE_CLI
# (the last two are 1 or 0: what this build makes, and so what the package must hold)
set -uo pipefail

build=$1
scratch=$2
version=$3
have_gui=$4
have_cli=$5
app_id=io.skerrow.Skerrow

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
# check DESCRIPTION COMMAND...: runs the command, counts a failure when it fails.
check() {
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

rm -rf "$scratch"
mkdir -p "$scratch"
scratch=$(cd "$scratch" && pwd)

# ---- the package ----
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/deb" >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log"
    fail "cpack builds the .deb"
    exit 1
fi
debs=("$scratch"/deb/skerrow_"$version"_*.deb)
if [ ! -f "${debs[0]}" ]; then
    ls -l "$scratch/deb"
    fail "cpack names the package skerrow_${version}_<arch>.deb"
    exit 1
fi
deb=${debs[0]}
pass "built $(basename "$deb")"

dpkg-deb -c "$deb" >"$scratch/contents.txt"
has_path() { grep -qE " \./$1( -> .*)?\$" "$scratch/contents.txt"; }

expected=(usr/share/doc/skerrow/copyright usr/share/doc/skerrow/changelog.gz)
if [ "$have_gui" = 1 ]; then
    expected+=(usr/bin/skerrow
        "usr/share/applications/$app_id.desktop"
        "usr/share/metainfo/$app_id.metainfo.xml"
        "usr/share/mime/packages/$app_id.xml"
        "usr/share/icons/hicolor/scalable/apps/$app_id.svg"
        usr/share/man/man1/skerrow.1.gz)
    for size in 16 32 48 64 128 256; do
        expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
    done
fi
if [ "$have_cli" = 1 ]; then
    expected+=(usr/bin/skerrow-cli usr/share/man/man1/skerrow-cli.1.gz)
fi
for path in "${expected[@]}"; do
    check "the package holds /$path" has_path "$path"
done

if [ "$have_gui" = 1 ]; then
    # bin/skerrow must be a relative link; the real program and its help sit where it points.
    link=$(sed -nE 's|^l.* \./usr/bin/skerrow -> (.*)$|\1|p' "$scratch/contents.txt")
    case "$link" in
        /* | "") fail "/usr/bin/skerrow is a relative link (it is '${link:-not a link}')" ;;
        *)
            pass "/usr/bin/skerrow links to $link"
            real=$(realpath -m "/usr/bin/$link")
            real=${real#/}
            check "the package holds the real program /$real" grep -qE "^-rwx.* \./$real\$" "$scratch/contents.txt"
            check "the package holds /$(dirname "$real")/Skerrow.hlp beside the real program" \
                has_path "$(dirname "$real")/Skerrow.hlp"
            ;;
    esac
    check "no help file in /usr/bin, where an unresolved link would look" \
        test -z "$(grep -E ' \./usr/bin/Skerrow\.hlp$' "$scratch/contents.txt")"
fi

# Caches belong to the desktop's own packages (their triggers rebuild them); shipping one would clash.
check "the package holds no desktop caches" \
    test -z "$(grep -E '/(mime\.cache|mimeinfo\.cache|icon-theme\.cache)$' "$scratch/contents.txt")"

# Debian's own checker: no error and no warning, but one thing. The project has no mail address
# to give, and a made-up one would be worse than none, so the Maintainer field and the changelog's
# trailer name the developers without one; lintian reports that once for each place.
allowed_tags='^E: skerrow: (malformed-contact Maintainer |bogus-mail-host-in-debian-changelog )'
if lintian_out=$(lintian --fail-on none "$deb" 2>"$scratch/lintian.err"); then
    unexpected=$(grep -E '^[EW]: ' <<<"$lintian_out" | grep -vE "$allowed_tags" || true)
    if [ -z "$unexpected" ]; then
        pass "lintian reports nothing but the missing maintainer address"
    else
        echo "$unexpected"
        fail "lintian reports nothing but the missing maintainer address"
    fi
else
    cat "$scratch/lintian.err"
    fail "lintian runs on the package"
fi

field() { dpkg-deb -f "$deb" "$1"; }
check "Section is sound" test "$(field Section)" = sound
check "Maintainer is Skerrow developers" test "$(field Maintainer)" = "Skerrow developers"
depends=$(field Depends)
echo "Depends: $depends"
needed=(shared-mime-info hicolor-icon-theme libc6)
if [ "$have_gui" = 1 ]; then
    needed+=(libqt6svg6 libqt6widgets6 libqt6gui6 libqt6core6)
fi
for package in "${needed[@]}"; do
    check "Depends names $package" grep -qE "(^|, )$package( |,|\$)" <<<"$depends"
done

# ---- what the desktop reads from the package ----
pkgroot=$scratch/pkgroot
dpkg-deb -x "$deb" "$pkgroot"

if [ "$have_gui" = 1 ]; then
    desktop=$pkgroot/usr/share/applications/$app_id.desktop
    check "desktop-file-validate accepts the menu entry" desktop-file-validate "$desktop"
    check "the menu entry's icon is the installed one" grep -qx "Icon=$app_id" "$desktop"
    check "the menu entry starts one program for all the files opened together" grep -qx "Exec=skerrow %F" "$desktop"
    check "appstreamcli accepts the metadata" \
        appstreamcli validate --pedantic --no-net "$pkgroot/usr/share/metainfo/$app_id.metainfo.xml"
    check "the metadata launches the menu entry" \
        grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" \
        "$pkgroot/usr/share/metainfo/$app_id.metainfo.xml"
    for size in 16 32 48 64 128 256; do
        png=$pkgroot/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png
        check "the ${size}x${size} icon is a PNG of that size" \
            grep -q "PNG image data, $size x $size," <<<"$(file "$png")"
    done
    for page in skerrow skerrow-cli; do
        man=$pkgroot/usr/share/man/man1/$page.1.gz
        [ -f "$man" ] || continue
        check "the $page man page is gzip data with a title line" \
            grep -q '^\.TH' <<<"$(gzip -dc "$man")"
    done

    if [ "$have_cli" = 1 ]; then
        cli_page=$(gzip -dc "$pkgroot/usr/share/man/man1/skerrow-cli.1.gz")
        for command in $("$pkgroot/usr/bin/skerrow-cli" --help |
            awk '/^Commands:$/ { on = 1; next } on && /^$/ { exit } on { print $1 }'); do
            check "the skerrow-cli man page has a section on '$command'" grep -qx ".SS $command" <<<"$cli_page"
        done
    fi

    # The file types, as a file manager sees them once the shared-mime-info trigger has run.
    export XDG_DATA_HOME=$scratch/empty-home
    export XDG_DATA_DIRS=$pkgroot/usr/share:/usr/share
    check "update-mime-database accepts the file types" \
        update-mime-database "$pkgroot/usr/share/mime"
    check "the database describes a .1bk as a VL1 voice bank" \
        grep -q '<comment>VL1 voice bank</comment>' "$pkgroot/usr/share/mime/application/x-skerrow-bank.xml"
    update-desktop-database "$pkgroot/usr/share/applications"

    samples=$scratch/samples
    mkdir -p "$samples"
    # A voice file of SLOTS slots: a head of 3072 bytes (slot count at byte 50, one name in the
    # directory at 1024), then one zero block per slot.
    make_voice_file() {
        local path=$1 slots=$2
        {
            head -c 50 /dev/zero | tr '\0' 'P'
            printf "\\x$(printf %02x "$slots")"
            head -c 973 /dev/zero
            printf 'Voice One '
            head -c $((2048 - 10)) /dev/zero
            head -c $((3072 * slots)) /dev/zero
        } >"$path"
    }
    make_voice_file "$samples/strings.1bk" 16
    make_voice_file "$samples/FLUTE.1VC" 1
    make_voice_file "$samples/everything.avc" 128
    make_voice_file "$samples/bank-without-extension" 16
    # Plain text that happens to hold 0x80 (inside a UTF-8 dash) at byte 50 stays text.
    { head -c 48 /dev/zero | tr '\0' 'a'; printf '\xe2\x80\x94 notes\n'; } >"$samples/notes"

    content_type() { gio info -a standard::content-type "$1" | sed -n 's/^ *standard::content-type: //p'; }
    expect_type() {
        local file=$1 want=$2 got
        got=$(content_type "$samples/$file")
        if [ "$got" = "$want" ]; then pass "$file is $want"; else fail "$file is $want (got '$got')"; fi
    }
    expect_type strings.1bk application/x-skerrow-bank
    expect_type FLUTE.1VC application/x-skerrow-voice
    expect_type everything.avc application/x-skerrow-allvoices
    expect_type bank-without-extension application/x-skerrow-bank
    expect_type notes text/plain
    # GIO drops a menu entry whose program is not on PATH, so this also proves the link works.
    check "file managers offer Skerrow for a voice bank" \
        grep -q "$app_id.desktop" <<<"$(PATH=$pkgroot/usr/bin:$PATH gio mime application/x-skerrow-bank)"
    unset XDG_DATA_HOME XDG_DATA_DIRS
fi

# ---- the tree installed from the build, run where it lies ----
root=$scratch/root
if ! DESTDIR=$root cmake --install "$build" --prefix /usr >"$scratch/install.log" 2>&1; then
    cat "$scratch/install.log"
    fail "cmake --install into a scratch DESTDIR"
    exit 1
fi
pass "installed into a scratch DESTDIR"

if [ "$have_gui" = 1 ]; then
    # Installed straight into a prefix (no DESTDIR), the install refreshes the caches itself.
    direct=$scratch/direct
    if env -u DESTDIR cmake --install "$build" --prefix "$direct" >"$scratch/direct-install.log" 2>&1; then
        check "a direct install builds the MIME database of its prefix" test -f "$direct/share/mime/mime.cache"
        check "a direct install offers Skerrow for voice banks" \
            grep -q "^application/x-skerrow-bank=$app_id.desktop;" "$direct/share/applications/mimeinfo.cache"
    else
        cat "$scratch/direct-install.log"
        fail "cmake --install into a prefix"
    fi
fi

if [ "$have_cli" = 1 ]; then
    if out=$("$root/usr/bin/skerrow-cli" --version 2>&1) && grep -qF "$version" <<<"$out"; then
        pass "the installed skerrow-cli --version reports $version"
    else
        fail "the installed skerrow-cli --version reports $version (said: $out)"
    fi
fi

if [ "$have_gui" = 1 ]; then
    # The help lookup is checked the way a user meets it:
    # start the installed program through its bin/ link on a private display, close the About
    # window, choose Help > Help and look for the help window. With the help file taken away the
    # same steps must open nothing, which shows the window came from the file beside the program.
    real=$(readlink -f "$root/usr/bin/skerrow")
    check "the installed link resolves inside the installed tree" test "${real#"$root"/}" != "$real"
    help_file=$(dirname "$real")/Skerrow.hlp
    check "the help file lies beside the real program" test -f "$help_file"

    display_fd_file=$scratch/display
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_fd_file" >"$scratch/xvfb.log" 2>&1 &
    xvfb_pid=$!
    trap 'kill "$xvfb_pid" 2>/dev/null' EXIT
    for _ in $(seq 50); do
        [ -s "$display_fd_file" ] && break
        sleep 0.1
    done
    export DISPLAY=:$(head -n1 "$display_fd_file")
    unset QT_QPA_PLATFORM
    XDG_RUNTIME_DIR=$scratch/runtime
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
    export XDG_RUNTIME_DIR

    # Prints "shown" when Help > Help opened a help window, "none" when it did not, or the step
    # that could not be taken.
    try_help_command() {
        local log=$1 pid about main result=none
        "$root/usr/bin/skerrow" >"$log" 2>&1 &
        pid=$!
        about=$(timeout 30 xdotool search --all --sync --onlyvisible --pid "$pid" --name '^About$' 2>/dev/null | head -n1)
        if [ -z "$about" ]; then
            result="no About window at start-up"
        else
            xdotool mousemove --window "$about" 250 70 click 1
            for _ in $(seq 50); do
                xdotool search --all --onlyvisible --pid "$pid" --name '^About$' >/dev/null 2>&1 || break
                sleep 0.1
            done
            main=$(timeout 30 xdotool search --all --sync --onlyvisible --pid "$pid" --name '^Skerrow \(' 2>/dev/null | head -n1)
            if [ -z "$main" ]; then
                result="no main window after the About window"
            else
                timeout 10 xdotool windowfocus --sync "$main"
                xdotool key alt+h
                sleep 0.5
                xdotool key h
                if timeout 6 xdotool search --all --sync --onlyvisible --pid "$pid" --name 'Help' >/dev/null 2>&1; then
                    result=shown
                elif ! kill -0 "$pid" 2>/dev/null; then
                    result="the program ended"
                fi
            fi
        fi
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
        echo "$result"
    }

    result=$(try_help_command "$scratch/skerrow-with-help.log")
    if [ "$result" = shown ]; then
        pass "Help > Help in the installed program shows the help"
    else
        cat "$scratch/skerrow-with-help.log"
        fail "Help > Help in the installed program shows the help ($result)"
    fi
    mv "$help_file" "$help_file.away"
    result=$(try_help_command "$scratch/skerrow-without-help.log")
    mv "$help_file.away" "$help_file"
    if [ "$result" = none ]; then
        pass "without its help file the installed program opens no help window and keeps running"
    else
        cat "$scratch/skerrow-without-help.log"
        fail "without its help file the installed program opens no help window and keeps running ($result)"
    fi
fi

if [ "$have_gui" = 1 ]; then
    # What a file manager does with a voice file: start the menu entry for it. A second file
    # opened the same way goes to the window already open, which makes it its source.
    launch() { PATH=$root/usr/bin:$PATH gio launch "$pkgroot/usr/share/applications/$app_id.desktop" "$1"; }
    launch "$samples/strings.1bk" >"$scratch/skerrow-launched.log" 2>&1
    about=$(timeout 30 xdotool search --sync --onlyvisible --name '^About$' 2>/dev/null | head -n1)
    if [ -n "$about" ]; then
        xdotool mousemove --window "$about" 250 70 click 1
    fi
    if timeout 30 xdotool search --sync --onlyvisible --name '^Skerrow \(strings\.1bk\)$' >/dev/null 2>&1; then
        pass "opened from its menu entry, Skerrow shows the file as its source"
        launch "$samples/everything.avc" >>"$scratch/skerrow-launched.log" 2>&1
        # The program started for the second file lives a moment and ends; an X error about one
        # of its windows vanishing mid-search makes xdotool fail, so each look is tried again.
        windows=
        for _ in $(seq 150); do
            if xdotool search --onlyvisible --name '^Skerrow \(everything\.avc\)$' >/dev/null 2>&1; then
                windows=$(xdotool search --onlyvisible --name '^Skerrow \(' 2>/dev/null | wc -l) &&
                    [ "$windows" = 1 ] && break
            fi
            sleep 0.2
        done
        if [ "$windows" = 1 ]; then
            pass "a second file opened from the menu entry becomes the source of the same window"
        else
            cat "$scratch/skerrow-launched.log"
            xdotool search --onlyvisible --name 'Skerrow' getwindowname %@ 2>&1 || true
            fail "a second file opened from the menu entry becomes the source of the same window ($windows windows)"
        fi
    else
        cat "$scratch/skerrow-launched.log"
        fail "opened from its menu entry, Skerrow shows the file as its source"
    fi
    # gio leaves the program to run on its own: end it by the process id its window gives.
    for window in $(xdotool search --onlyvisible --name '^Skerrow \('); do
        kill "$(xdotool getwindowpid "$window")" 2>/dev/null
    done
fi

echo "packaging checks: $failures failed"
[ "$failures" -eq 0 ]
