# Shell functions shared by the scripts that run Wine (sourced, not executed).

# Wine's 64-bit loader, called directly. The /usr/bin/wine front end starts the 32-bit
# loader first, which on a host without native 32-bit execution runs under emulation and
# costs close to a minute per process; the 64-bit loader still starts 32-bit programs
# (through that same path) when it is handed one.
MORVEX_WINE=/usr/lib/wine/wine64
MORVEX_WINESERVER=/usr/lib/wine/wineserver64

# morvex_native32: true where this host runs 32-bit code natively. scripts/setup.sh registers
# qemu for 32-bit Linux code only where the kernel cannot run it; with that handler in place
# the 32-bit loader does run, but emulated. (cmake/MorvexTesting.cmake checks the same.)
morvex_native32() {
  local qemu=/proc/sys/fs/binfmt_misc/qemu-i386
  if [ -e "$qemu" ] && grep -qx enabled "$qemu" 2>/dev/null; then return 1; fi
  /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# morvex_wine_env PREFIX: the environment every Wine process of this project runs in.
morvex_wine_env() {
  mkdir -p "$1"
  WINEPREFIX=$(cd "$1" && pwd)
  export WINEPREFIX
  export WINEARCH=win64
  export WINEDEBUG=-all
  # Never ask for Mono or Gecko: there is no network, and nothing of ours needs them. No menu
  # entries on the host's desktop either, for the shortcuts that the package tests install.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}

# morvex_wine_prefix: creates the prefix once and makes sure a persistent wineserver runs.
# Two processes that meet a brand-new prefix would both initialise it and one would fail,
# so creation happens under a lock. Wine's long-lived processes must not inherit the lock's
# descriptor (fd 9), or the lock would stay held after we are done; nor our stdout/stderr,
# or CTest would wait for them to exit.
morvex_wine_prefix() {
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/.morvex-ready" ]; then
    "$MORVEX_WINE" wineboot --init 9>&- </dev/null >/dev/null 2>&1
    "$MORVEX_WINESERVER" -w 9>&- </dev/null >/dev/null 2>&1 || true
    touch "$WINEPREFIX/.morvex-ready"
  fi
  # Dialogs are laid out in units of their font, "MS Shell Dlg" = Tahoma. Without Tahoma Wine
  # falls back to a wider font and every dialog grows by a sixth. Debian's fonts-wine ships
  # Wine's Tahoma, but this Wine does not find it where the package puts it. Marlett draws
  # the caption buttons (minimise, close); without it they show as letters.
  for font in tahoma.ttf tahomabd.ttf marlett.ttf; do
    if [ -f "/usr/share/wine/fonts/$font" ] && [ -d "$WINEPREFIX/drive_c/windows/Fonts" ] &&
       [ ! -e "$WINEPREFIX/drive_c/windows/Fonts/$font" ]; then
      ln -s "/usr/share/wine/fonts/$font" "$WINEPREFIX/drive_c/windows/Fonts/$font"
    fi
  done
  # Exit status 0: no server ran, this one is new. The first Wine process of a server
  # starts Wine's services, which live as long as the server and inherit that process's
  # stderr; start them from a throw-away process with its output on /dev/null, so that
  # they never hold a test's output pipe open.
  if "$MORVEX_WINESERVER" -p30 9>&- </dev/null >/dev/null 2>&1; then
    "$MORVEX_WINE" cmd.exe /c exit 9>&- </dev/null >/dev/null 2>&1 || true
  fi
  flock -u 9
  exec 9>&-
}

# morvex_wine_stop: stops the prefix's wineserver, if one runs, and waits until it is gone.
# Wine's desktop belongs to the server and keeps the X display it was started on, and the
# server reads the DPI only when it starts: a run on another display or at another DPI
# needs a server of its own.
morvex_wine_stop() {
  "$MORVEX_WINESERVER" -k >/dev/null 2>&1 || true
  "$MORVEX_WINESERVER" -w >/dev/null 2>&1 || true
}

# morvex_wine_restart: a new server for the prefix, ready as after morvex_wine_prefix.
morvex_wine_restart() {
  morvex_wine_stop
  morvex_wine_prefix
}

# morvex_wine_screen DPI: the screen for a DPI, "WIDTHxHEIGHT": 1024 x 768 at 96 DPI, grown
# in proportion (0 is the default, 96).
morvex_wine_screen() {
  local scale=$1
  [ "$scale" != 0 ] || scale=96
  echo "$((1024 * scale / 96))x$((768 * scale / 96))"
}

# morvex_wine_dpi REMOTE DPI: sets Wine's DPI (LogPixels; 0 removes the setting) and the
# size of the Wine desktop to that DPI's screen, through tests/e2e's morvex_remote.exe, and
# restarts the server so that both take effect.
morvex_wine_dpi() {
  "$MORVEX_WINE" "$1" dpi "$2" || return 1
  "$MORVEX_WINE" "$1" desktop-size "$(morvex_wine_screen "$2")" || return 1
  morvex_wine_restart
}
