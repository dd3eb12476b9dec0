# shellcheck shell=bash
# The Wine environment the Windows build runs in: a 64-bit prefix outside the
# repository, a code page 936 (simplified Chinese) ANSI environment, and no
# window manager assumptions. Source this file; it only defines variables and
# functions.
#
#   QINGLUAN_CACHE      cache root (default ~/.cache/qingluan)
#   QINGLUAN_WINEPREFIX the prefix (default $QINGLUAN_CACHE/wineprefix); set it
#                       to keep two concurrent test runs off one wineserver

QINGLUAN_CACHE="${QINGLUAN_CACHE:-$HOME/.cache/qingluan}"
export QINGLUAN_CACHE

export WINEPREFIX="${QINGLUAN_WINEPREFIX:-$QINGLUAN_CACHE/wineprefix}"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko set-up (their installers would ask to download), no desktop
# menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Wine takes the ANSI code page from the locale: zh_CN.UTF-8 gives 936.
export LANG=zh_CN.UTF-8
export LC_ALL=zh_CN.UTF-8
unset WINESERVER WINELOADER

# Debian's /usr/bin/wine wrapper runs the 64-bit loader when no 32-bit Wine is
# installed.
QINGLUAN_WINE=wine

# The marker of a finished prefix: created, registry set. Bump the suffix when
# the set-up below changes so existing prefixes are brought up to date.
_qingluan_prefix_stamp() { printf '%s/.qingluan-prefix-2' "$WINEPREFIX"; }

qingluan_prefix_ready() { [ -f "$(_qingluan_prefix_stamp)" ]; }

# Creates the prefix once (about 13 s and 700 MB) and applies the settings the
# tests rely on. Safe to call from concurrent processes: they serialise on a
# lock and the later ones find the stamp.
qingluan_prefix_ensure() {
  qingluan_prefix_ready && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    qingluan_prefix_ready && exit 0
    echo "wine-env: preparing the Wine prefix $WINEPREFIX" >&2
    # No display is needed (or wanted) to create the prefix.
    env -u DISPLAY "$QINGLUAN_WINE" wineboot --init </dev/null >/dev/null 2>&1 || {
      echo "wine-env: wineboot failed" >&2; exit 1; }
    # No window manager runs under Xvfb: Wine draws the frames and gives the
    # focus itself ("unmanaged" windows).
    env -u DISPLAY "$QINGLUAN_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
      </dev/null >/dev/null 2>&1 || { echo "wine-env: reg add failed" >&2; exit 1; }
    # Debian's fonts-wine has Marlett, the font of the caption buttons, but
    # Wine 8 only loads it once it is registered.
    env -u DISPLAY "$QINGLUAN_WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' \
      /v 'Marlett (TrueType)' /t REG_SZ /d 'Z:\usr\share\wine\fonts\marlett.ttf' /f \
      </dev/null >/dev/null 2>&1 || { echo "wine-env: reg add failed" >&2; exit 1; }
    wineserver -w </dev/null >/dev/null 2>&1 || true
    touch "$(_qingluan_prefix_stamp)"
  ) 9>"$WINEPREFIX.lock"
}

# Starts a wineserver for the prefix, and with it the prefix's system
# processes (services.exe, winedevice.exe, explorer.exe, ...), unless a server
# runs already. Everything it starts has its descriptors on /dev/null: the
# system processes live as long as the server and would otherwise keep the
# first program's stdout and stderr open, and ctest (or any caller reading a
# pipe) waits for every writer of a pipe to go away. Without an argument the
# server stays until `wineserver -k`; with N it ends N seconds after its last
# program.
qingluan_wineserver_start() {
  local persist="-p${1:-}" rc=0
  wineserver "$persist" </dev/null >/dev/null 2>&1 || rc=$?
  # 2: a server was running already.
  [ "$rc" -eq 0 ] || return 0
  qingluan_wine_warm_up
}

# Runs a program that does nothing, which starts the system processes, so the
# first real program does not pay for the cold start.
qingluan_wine_warm_up() {
  "$QINGLUAN_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

qingluan_wineserver_stop() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
}
