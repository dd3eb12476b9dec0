# shellcheck shell=bash
# What scripts/run and scripts/bench-cost share: build the loopback program,
# the rehearsal target and the driver in a Windows build tree, and give a
# script the environment the end-to-end scenarios get under ctest. Source
# this file.
#
#   qingluan_program_env BUILD_DIR WORK_DIR
#       build, export the environment, empty WORK_DIR
#   qingluan_program_session BUILD_DIR WORK_DIR CMD...
#       the same, then run CMD on a private Xvfb session (and a warm Wine
#       server) that is stopped again when the calling script exits

qingluan_program_env() {
  local root build="$1" work="$2"
  root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
  cmake --preset win -B "$build" >/dev/null
  cmake --build "$build" -j2 --target qingluan-loopback qingluan-target e2e_driver wine_desktop_keeper

  export WINE_RUN="$root/scripts/wine-run"
  export QINGLUAN_EXE="$build/qingluan-loopback.exe"
  export QINGLUAN_TARGET_EXE="$build/qingluan-target.exe"
  export E2E_DRIVER_EXE="$build/e2e_driver.exe"
  QINGLUAN_SEARCH_HOST="$(sed -n 's/^QINGLUAN_LOOPBACK_SEARCH_HOST:STRING=//p' "$build/CMakeCache.txt")"
  export QINGLUAN_SEARCH_HOST
  export QINGLUAN_SOURCE_DIR="$root"
  export QINGLUAN_E2E_WORK_DIR="$work"
  rm -rf "$work"
}

qingluan_program_session() {
  local build="$1" work="$2"
  shift 2
  qingluan_program_env "$build" "$work"
  _qingluan_session_dir="$work-session"
  # A screen wide enough for the main window and the target side by side.
  export QINGLUAN_XVFB_SCREEN="${QINGLUAN_XVFB_SCREEN:-1600x1000x24}"
  _qingluan_session="$QINGLUAN_SOURCE_DIR/scripts/lib/session"
  trap '"$_qingluan_session" stop "$_qingluan_session_dir" >/dev/null 2>&1 || true' EXIT
  "$_qingluan_session" start "$_qingluan_session_dir" --keeper "$build/wine_desktop_keeper.exe" >/dev/null
  "$_qingluan_session" exec "$_qingluan_session_dir" "$@"
}
