#!/bin/bash
# The player's journeys through the two delivered 32-bit programs, run inside
# the emulated i386 guest (scripts/guest/run-journeys) under the guest's
# 32-bit Wine, on a private X display, by real X input (xdotool) only. What
# the launcher shows is read by window_probe.exe, our own i686 program.
#
# The job directory holds this script and bin/ with starter-de.exe,
# starter-en.exe, recorder.exe and window_probe.exe. Results go to out/:
# "results" has one line per journey, "PASS build journey" or
# "FAIL build journey [step]: what was wrong" (several lines for several
# faults); beside it the journeys' screenshots and Wine logs.
#
#   journeys.sh             all journeys of both programs
#   journeys.sh BUILD NAME  one journey (as the whole run starts each one)
set -u
JOB=$(cd "$(dirname "$0")" && pwd)
BIN=$JOB/bin
OUT=$JOB/out
WORK=${JOURNEY_WORK:-/tmp/journeys}
WINE=${WINE:-/usr/lib/wine/wine}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver32}
export WINEPREFIX=${WINEPREFIX:-/var/lib/velmora/wine}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=${JOURNEY_WINEDEBUG:-fixme-all}
# How long one journey may take, and how long its waits for a window may.
JOURNEY_LIMIT=${JOURNEY_LIMIT:-180}
WINDOW_WAIT_MS=${WINDOW_WAIT_MS:-120000}
STEP_WAIT_MS=${STEP_WAIT_MS:-45000}
JOURNEYS="roster-new-delete links-and-keyboard start-game"
# DirectInput's data format records as the 32-bit build lays them out: a
# DIDATAFORMAT of 24 bytes, DIOBJECTDATAFORMAT records of 16.
FORMAT_SIZE=${FORMAT_SIZE:-24} OBJECT_SIZE=${OBJECT_SIZE:-16}
mkdir -p "$OUT" "$WORK"

# Progress lines reach the host through the guest's console.
progress() {
  echo "$*" >>"$OUT/progress"
  if [ -w /dev/console ] && [ -z "${JOURNEY_NO_CONSOLE:-}" ]; then
    echo "velmora-guest: $*" >/dev/console
  else
    echo "journeys: $*" >&2
  fi
}

windows_path() { echo "Z:${1//\//\\}"; }
hex_of() { od -An -v -tx1 | tr -d ' \n'; }

screenshot() {
  xwd -root -silent 2>/dev/null | xwdtopnm 2>/dev/null | pnmtopng >"$OUT/$1.png" 2>/dev/null
}

# ---------------------------------------------------------------------------
# One journey: BUILD and NAME, its installation directory, its failures.

BUILD= NAME= INSTALL= STEP= FAILED=0 LAUNCHER_PID=

step() {
  STEP=$1
  echo "$STEP" >"$WORK/$BUILD-$NAME.step"
}
fail() {
  echo "FAIL $BUILD $NAME [$STEP]: $*" >>"$OUT/results"
  FAILED=1
}
# A failure after which the journey cannot go on.
fatal() {
  fail "$@"
  screenshot "$BUILD-$NAME-failed"
  end_journey
}
expect_eq() {  # WHAT ACTUAL EXPECTED
  [ "$2" = "$3" ] || fail "$1: expected '$3', got '$2'"
}

# The probe serves one look per request over two FIFOs for the whole journey.
start_probe() {
  rm -f "$WORK/probe.in" "$WORK/probe.out"
  mkfifo "$WORK/probe.in" "$WORK/probe.out"
  "$WINE" "$BIN/window_probe.exe" serve <"$WORK/probe.in" >"$WORK/probe.out" \
    2>>"$OUT/$BUILD-$NAME.probe.log" &
  PROBE_PID=$!
  echo "$PROBE_PID" >"$WORK/$BUILD-$NAME.probe-pid"
  exec {PROBE_W}>"$WORK/probe.in"
  exec {PROBE_R}<"$WORK/probe.out"
}
stop_probe() {
  [ -n "${PROBE_PID:-}" ] || return 0
  echo quit >&"$PROBE_W" 2>/dev/null
  exec {PROBE_W}>&- {PROBE_R}<&-
  for _ in $(seq 1 50); do kill -0 "$PROBE_PID" 2>/dev/null || break; sleep 0.2; done
  kill -9 "$PROBE_PID" 2>/dev/null
  wait "$PROBE_PID" 2>/dev/null
  PROBE_PID=
}

# look CONDITION... : waits in the probe until the conditions hold (for at
# most STEP_WAIT_MS unless a timeout= is given) and fills LOOK. False when
# they did not hold in time.
declare -A LOOK
look() {
  local words="$*" line limit
  [[ $words == *timeout=* ]] || words="$words timeout=$STEP_WAIT_MS"
  limit=$(( $(echo "$words" | sed 's/.*timeout=\([0-9]*\).*/\1/') / 1000 + 60 ))
  LOOK=()
  echo "$words" >&"$PROBE_W" || return 1
  while IFS= read -r -t "$limit" -u "$PROBE_R" line; do
    line=${line%$'\r'}
    [ "$line" = end ] && break
    LOOK[${line%%=*}]=${line#*=}
  done
  [ "${LOOK[result]:-}" = ok ]
}
items() {
  local i list=()
  for ((i = 0; i < ${LOOK[items]:-0}; i++)); do list+=("${LOOK[item.$i]}"); done
  local IFS=,
  echo "${list[*]}"
}

centre_of() { local l t r b; read -r l t r b <<<"$1"; echo "$(( (l + r) / 2 )) $(( (t + b) / 2 ))"; }
click_at() { xdotool mousemove --sync $1 click 1; }
click_control() {
  local rect=${LOOK[control.$1]:-}
  [ -n "$rect" ] || fatal "no control $1 to click"
  click_at "$(centre_of "$rect")"
}
# Keys go to the X window under the pointer: rest it on the launcher's
# window, in its bottom left corner, away from every control.
pointer_onto_launcher() {
  local l t r b
  read -r l t r b <<<"${LOOK[window]:-}"
  xdotool mousemove --sync $((l + 5)) $((b - 5))
}

make_installation() {  # SETTINGS_BYTES (printf format)
  INSTALL=$WORK/$BUILD-$NAME
  rm -rf "$INSTALL"
  mkdir -p "$INSTALL/game" "$INSTALL/anleitung"
  cp "$BIN/starter-$BUILD.exe" "$INSTALL/"
  cp "$BIN/recorder.exe" "$INSTALL/game/game.exe"
  echo "<html><body>Velmora</body></html>" >"$INSTALL/anleitung/anleitung.html"
  printf "$1" >"$INSTALL/velmora.cfg"
  export VELMORA_RECORD_FILE
  VELMORA_RECORD_FILE=$(windows_path "$INSTALL/records.txt")
}
# Complete records only: each ends with an empty line.
records_count() {
  local count
  count=$(grep -c '^$' "$INSTALL/records.txt" 2>/dev/null)
  echo "${count:-0}"
}
wait_for_records() {  # COUNT SECONDS
  local n
  for ((n = 0; n < $2 * 5; n++)); do
    [ "$(records_count)" -ge "$1" ] && return 0
    sleep 0.2
  done
  return 1
}
record_value() {  # INDEX(1-based) KEY
  awk -v want="$1" -v key="$2=" '
    /^process=/ { n++ }
    n == want && index($0, key) == 1 { print substr($0, length(key) + 1); exit }' \
    "$INSTALL/records.txt" | tr -d '\r'
}
settings_hex() { hex_of <"$INSTALL/velmora.cfg"; }
expect_settings() {  # PRINTF_FORMAT
  local expected
  expected=$(printf "$1" | hex_of)
  expect_eq "velmora.cfg (hex)" "$(settings_hex)" "$expected"
}

start_launcher() {
  step "start $BUILD"
  (cd "$INSTALL" && exec env WINEDEBUG="$WINEDEBUG,${LAUNCHER_DEBUG:-}" \
    "$WINE" "starter-$BUILD.exe" >"$OUT/$BUILD-$NAME.wine.log" 2>&1) &
  LAUNCHER_PID=$!
  echo "$LAUNCHER_PID" >"$WORK/$BUILD-$NAME.pid"
  start_probe
  step "window appears"
  look launcher timeout=$WINDOW_WAIT_MS || fatal "the launcher's window did not appear"
  screenshot "$BUILD-$NAME-window"
  expect_eq "window title" "${LOOK[title]:-}" "Velmora Starter"
}
# Waits for the launcher's process to end and checks its exit code.
expect_launcher_ends() {
  local n
  for ((n = 0; n < 300; n++)); do
    kill -0 "$LAUNCHER_PID" 2>/dev/null || break
    sleep 0.2
  done
  if kill -0 "$LAUNCHER_PID" 2>/dev/null; then
    fatal "the launcher did not end within 60 s"
  fi
  wait "$LAUNCHER_PID"
  local rc=$?
  LAUNCHER_PID=
  expect_eq "exit code" "$rc" 0
}

end_journey() {
  stop_probe
  if [ -n "$LAUNCHER_PID" ] && kill -0 "$LAUNCHER_PID" 2>/dev/null; then
    kill -9 "$LAUNCHER_PID" 2>/dev/null
  fi
  [ "$FAILED" = 0 ] && echo "PASS $BUILD $NAME" >>"$OUT/results"
  exit "$FAILED"
}

texts_of() {
  case $BUILD in
    de) DELETE_TITLE="Löschen" DELETE_QUESTION="Soll der Charakter wirklich gelöscht werden?"
        NEW_TITLE="Charakter Name" PREFIX="-nj -d STARTER_USED -d GER " ;;
    en) DELETE_TITLE="Delete" DELETE_QUESTION="Do you really want to delete this Character?"
        NEW_TITLE="Character name" PREFIX="-nj -d STARTER_USED " ;;
  esac
}

# ---------------------------------------------------------------------------
# The journeys.

# A prepared roster shows with its selection; Delete answered Yes removes the
# chosen character's line and its folder's plain files; New with a typed
# name appends it; a click on Quit ends with 0 and the expected file. The
# DirectInput keyboard is set up on the way (Wine's dinput trace).
journey_roster-new-delete() {
  make_installation '\x01Anna\r\nBert\r\nCarl\r\n'
  mkdir -p "$INSTALL/game/Bert" "$INSTALL/game/Carl"
  echo "level 3" >"$INSTALL/game/Bert/savegame.dat"
  echo "notes" >"$INSTALL/game/Bert/notes.txt"
  echo "level 7" >"$INSTALL/game/Carl/savegame.dat"
  LAUNCHER_DEBUG=trace+dinput start_launcher

  step "prepared roster"
  expect_eq "combo box items" "$(items)" "Anna,Bert,Carl"
  expect_eq "selection" "${LOOK[selection]:-}" 1

  step "Delete, answered Yes"
  click_control 7
  look dialog || fatal "no message box after Delete"
  expect_eq "message box title" "${LOOK[dialog.title]:-}" "$DELETE_TITLE"
  expect_eq "message box text" "${LOOK[dialog.text]:-}" "$DELETE_QUESTION"
  [ -n "${LOOK[dialog.button.6]:-}" ] || fatal "the message box has no Yes button"
  click_at "$(centre_of "${LOOK[dialog.button.6]:-}")"
  look no-dialog items=2 || fatal "after Yes: items '$(items)', message box still there: ${LOOK[dialog]:-}"
  expect_eq "combo box items" "$(items)" "Anna,Carl"
  [ -e "$INSTALL/game/Bert/savegame.dat" ] && fail "game/Bert/savegame.dat is still there"
  [ -e "$INSTALL/game/Bert/notes.txt" ] && fail "game/Bert/notes.txt is still there"
  [ -e "$INSTALL/game/Carl/savegame.dat" ] || fail "game/Carl/savegame.dat is gone"
  [ -e "$INSTALL/game/game.exe" ] || fail "game/game.exe is gone"

  step "New, with a typed name"
  click_control 6
  look requester || fatal "no requester after New"
  expect_eq "requester title" "${LOOK[requester.title]:-}" "$NEW_TITLE"
  local l t r b
  read -r l t r b <<<"${LOOK[requester.window]:-}"
  xdotool mousemove --sync $(( (l + r) / 2 )) $((t + 5))
  xdotool type --delay 150 "Dora"
  xdotool key Return
  look no-requester items=3 || fatal "after typing Dora and Return: items '$(items)'"
  expect_eq "combo box items" "$(items)" "Anna,Carl,Dora"
  screenshot "$BUILD-$NAME-after-new"

  step "Quit"
  click_control 5
  expect_launcher_ends
  expect_settings '\x00Anna\r\nCarl\r\nDora\r\n'

  step "DirectInput keyboard"
  # The one place of hand-written COM calls: Wine's dinput trace shows each
  # call as DirectInput received it, so a wrong calling convention, vtable
  # slot or record layout of this build shows as a missing or wrong line.
  local log=$OUT/$BUILD-$NAME.wine.log expected
  local key='{55728220-d33c-11cf-bfc7-444553540000}'
  while IFS= read -r expected; do
    grep -Eq "$expected" "$log" || fail "not in Wine's dinput trace: $expected"
  done <<EOF
trace:dinput:DirectInputCreateEx .* version 0x700, iid \{9a4cb684-236d-11d3-8e9d-00c04f6844ae\}
trace:dinput:dinput7_CreateDeviceEx .* guid \{6f1d2b61-d5a0-11cf-bfc7-444553540000\}, iid \{57d7c6bc-2356-11d3-8e9d-00c04f6844ae\}
trace:dinput:dinput_device_SetDataFormat user format .* dwSize $FORMAT_SIZE, dwObjsize $OBJECT_SIZE, dwFlags 0x2, dwDataSize 256, dwNumObjs 256,
trace:dinput:dinput_device_SetDataFormat +0: object .* pguid $key, dwOfs 0, dwType 0x8000000c, dwFlags 0\$
trace:dinput:dinput_device_SetDataFormat +255: object .* pguid $key, dwOfs 0xff, dwType 0x8000ff0c, dwFlags 0\$
trace:dinput:dinput_device_Unacquire
trace:dinput:dinput_device_SetCooperativeLevel .* hwnd 0+, flags 0x2\.
trace:dinput:dinput_device_Release .* ref 0\.
trace:dinput:dinput7_Release .* refcount to 0\.
trace:dinput:DllMain .* reason 0,
EOF
  grep -q "trace:dinput:dinput_device_Acquire" "$log" && fail "the keyboard device was acquired"
  if grep -Eq "^wine: Unhandled|err:seh|page fault" "$log"; then
    fail "Wine reports a crash: $(grep -Em1 "^wine: Unhandled|err:seh|page fault" "$log")"
  fi
  end_journey
}

# Manual and Website reach the handlers registered in the prefix, the
# launcher stays; then Tab alone moves the focus to Quit and Space presses it.
journey_links-and-keyboard() {
  make_installation '\x00Anna\r\n'
  start_launcher
  local recorder
  recorder=$(windows_path "$BIN/recorder.exe")

  step "Manual"
  click_control 3
  wait_for_records 1 60 || fatal "Manual opened nothing within 60 s"
  expect_eq "handler's command line" "$(record_value 1 'command line')" \
    "\"$recorder\" \"$(windows_path "$INSTALL")\\anleitung\\anleitung.html\""

  step "Website"
  click_control 4
  wait_for_records 2 60 || fatal "Website opened nothing within 60 s"
  expect_eq "handler's command line" "$(record_value 2 'command line')" \
    "\"$recorder\" \"https://www.velmora.example\""
  look launcher || fatal "the launcher is gone after the links"

  step "Tab to Quit"
  pointer_onto_launcher
  # One press at a time: the next goes only once the focus has moved, so a
  # slow guest cannot make the presses overtake Quit.
  local presses focus
  look launcher || fatal "the launcher is gone"
  for ((presses = 1; presses <= 12; presses++)); do
    focus=${LOOK[focus]:-}
    [ "$focus" = 5 ] && break
    xdotool key Tab
    look not-focus="$focus" || fatal "Tab did not move the focus from $focus"
    echo "Tab: focus $focus -> ${LOOK[focus]:-}" >>"$OUT/$BUILD-$NAME.focus"
  done
  [ "${LOOK[focus]:-}" = 5 ] || fatal "Tab never reached Quit (focus stayed on ${LOOK[focus]:-?})"

  step "Space on Quit"
  xdotool key space
  expect_launcher_ends
  expect_settings '\x00Anna\r\n'
  expect_eq "records" "$(records_count)" 2
  end_journey
}

# Start launches the game stand-in in game\ with the chosen character, and
# the launcher ends having saved the selection.
journey_start-game() {
  make_installation '\x01Anna\r\nBert\r\n'
  start_launcher
  expect_eq "selection" "${LOOK[selection]:-}" 1

  step "Start"
  click_control 2
  expect_launcher_ends
  wait_for_records 1 60 || fatal "the game was not started within 60 s"
  local game
  game=$(windows_path "$INSTALL")\\game
  expect_eq "game's command line" "$(record_value 1 'command line')" \
    "\"$game\\game.exe\" ${PREFIX}-dir Bert -pl Bert"
  expect_eq "game's working directory" "$(record_value 1 directory)" "$game"
  expect_settings '\x01Anna\r\nBert\r\n'
  end_journey
}

# ---------------------------------------------------------------------------

run_journey() {
  BUILD=$1 NAME=$2
  texts_of
  "journey_$NAME"
}

if [ $# -eq 2 ]; then
  # A probe that died must fail a look, not end the journey silently.
  trap '' PIPE
  run_journey "$1" "$2"
fi

# The whole run: display, Wine, then every journey in a process of its own
# with a time limit.
: >"$OUT/results"
fail_all() {  # STEP MESSAGE: nothing can run
  for build in de en; do
    for name in $JOURNEYS; do
      echo "FAIL $build $name [$1]: $2" >>"$OUT/results"
      progress "result: FAIL $build $name [$1]: $2"
    done
  done
  exit 1
}
progress "X display"
display=${JOURNEY_DISPLAY:-:1}
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$OUT/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
export DISPLAY=$display
[ -e "/tmp/.X11-unix/X${display#:}" ] ||
  fail_all "X display" "Xvfb did not start: $(tail -n 3 "$OUT/xvfb.log" | tr '\n' ' ')"

progress "Wine start"
started=$(date +%s)
windows_bin=$(windows_path "$BIN")
cat >"$WORK/handlers.reg" <<EOF
REGEDIT4

[HKEY_CLASSES_ROOT\\http\\shell\\open\\command]
@="\\"${windows_bin//\\/\\\\}\\\\recorder.exe\\" \\"%1\\""

[HKEY_CLASSES_ROOT\\https\\shell\\open\\command]
@="\\"${windows_bin//\\/\\\\}\\\\recorder.exe\\" \\"%1\\""

[HKEY_CLASSES_ROOT\\.html]
@="htmlfile"

[HKEY_CLASSES_ROOT\\htmlfile\\shell\\open\\command]
@="\\"${windows_bin//\\/\\\\}\\\\recorder.exe\\" \\"%1\\""
EOF
"$WINESERVER" -p 2>/dev/null
if ! timeout 300 "$WINE" regedit /S "$(windows_path "$WORK/handlers.reg")" >"$OUT/wine-start.log" 2>&1; then
  progress "Wine did not start within 300 s"
  fail_all "Wine start" "Wine did not start within 300 s"
fi
timeout 60 "$WINE" reg query 'HKCR\https\shell\open\command' >>"$OUT/wine-start.log" 2>&1
progress "Wine started in $(( $(date +%s) - started )) s"

hung=0
for build in de en; do
  for name in $JOURNEYS; do
    if [ "$hung" -ge 2 ]; then
      # Two journeys in a row that did not end: the rest would not either,
      # and waiting for each would only delay the report.
      echo "FAIL $build $name [not run]: two journeys before it hung" >>"$OUT/results"
      progress "result: FAIL $build $name [not run]: two journeys before it hung"
      continue
    fi
    progress "journey $build $name"
    began=$(date +%s)
    timeout -k 10 "$JOURNEY_LIMIT" "$0" "$build" "$name"
    rc=$?
    if [ $rc = 124 ] || [ $rc = 137 ]; then
      echo "FAIL $build $name [$(cat "$WORK/$build-$name.step" 2>/dev/null)]: no end within $JOURNEY_LIMIT s" >>"$OUT/results"
      screenshot "$build-$name-hung"
      hung=$((hung + 1))
    else
      hung=0
    fi
    # A launcher or probe of a journey that was cut off must not stay.
    for pid in $(cat "$WORK/$build-$name.pid" "$WORK/$build-$name.probe-pid" 2>/dev/null); do
      kill -9 "$pid" 2>/dev/null
    done
    if ! grep -q "^[A-Z]* $build $name\b" "$OUT/results"; then
      echo "FAIL $build $name [$(cat "$WORK/$build-$name.step" 2>/dev/null)]: ended without a result (rc $rc)" >>"$OUT/results"
    fi
    # The results go to the console as well: should the host have to stop the
    # machine, they are not lost with the results disk.
    grep "^[A-Z]* $build $name\b" "$OUT/results" | while IFS= read -r line; do
      progress "result: $line"
    done
    progress "journey $build $name: $(( $(date +%s) - began )) s"
  done
done
"$WINESERVER" -k 2>/dev/null
exit 0
