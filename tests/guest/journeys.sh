#!/bin/bash
# The player's journeys through the two delivered 32-bit programs, run inside
# the emulated i386 guest (scripts/guest/run-journeys) under the guest's
# 32-bit Wine, on a private X display, by real X input (xdotool) only. What
# the launcher shows is read by window_probe.exe, our own i686 program, which
# also holds files open as another program would.
#
# The job directory holds this script and bin/ with starter-de.exe,
# starter-en.exe, recorder.exe and window_probe.exe. Results go to out/:
# "results" has one line per journey, "PASS build journey" or
# "FAIL build journey [step]: what was wrong" (several lines for several
# faults); beside it the journeys' screenshots and Wine logs.
#
#   journeys.sh             all journeys of both programs
#   journeys.sh BUILD NAME  one journey, as the whole run starts each one
#                           (with the run's probe serving it)
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
JOURNEY_LIMIT=${JOURNEY_LIMIT:-240}
WINDOW_WAIT_MS=${WINDOW_WAIT_MS:-120000}
STEP_WAIT_MS=${STEP_WAIT_MS:-45000}
# The journeys and the builds they run in. The two programs differ only in
# the texts of their boxes, the numbers of their layout and the game's
# arguments. Every text and the game's arguments are read in both builds
# (roster-new-delete, start-game, second-launcher); the layout's numbers are
# checked in both on the 64-bit build, and the clicks here go where the probe
# finds the controls. The others see nothing that differs between the
# builds and run in one only, to keep the run short, spread over both.
JOURNEYS="
roster-new-delete de en
links-and-keyboard en
start-game de en
second-launcher de en
shop-mode de
guards de
big-roster en
session-end en
foreign-folder de
"
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
# The shared steps. A journey is BUILD and NAME, its installation directory,
# the launchers it started (by a label of its own), its failures.

BUILD= NAME= INSTALL= STEP= FAILED=0
# The label of a journey's only launcher, and of the one the steps address.
FIRST=launcher CURRENT=launcher
declare -A LAUNCHER_PID    # label: the Unix process that runs it under Wine
declare -A LAUNCHER_ID     # label: its Windows process id while it runs

# Each step's start goes to out/steps too, to show where a run's time goes.
step() {
  STEP=$1
  echo "$STEP" >"$WORK/$BUILD-$NAME.step"
  echo "$EPOCHREALTIME $BUILD $NAME $STEP" >>"$OUT/steps"
}
fail() {
  echo "FAIL $BUILD $NAME [$STEP]: $*" >>"$OUT/results"
  [ "$FAILED" = 1 ] || screenshot "$BUILD-$NAME-failed"
  FAILED=1
}
# A failure after which the journey cannot go on.
fatal() {
  fail "$@"
  end_journey
}
expect_eq() {  # WHAT ACTUAL EXPECTED
  [ "$2" = "$3" ] || fail "$1: expected '$3', got '$2'"
}

# One probe serves every journey of the run, one request at a time over two
# FIFOs: its start under the guest's Wine takes seconds. The run keeps both
# ends of the FIFOs open, so that a journey's own ends come and go; after a
# journey that failed it starts anew, so that no answer or held file of that
# journey is left for the next.
start_probe() {
  rm -f "$WORK/probe.in" "$WORK/probe.out"
  mkfifo "$WORK/probe.in" "$WORK/probe.out"
  "$WINE" "$BIN/window_probe.exe" <"$WORK/probe.in" >"$WORK/probe.out" \
    2>>"$OUT/probe.log" &
  PROBE_PID=$!
  exec {PROBE_W}>"$WORK/probe.in" {PROBE_R}<"$WORK/probe.out"
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
# A journey's own ends, and what it leaves: no file held.
open_probe() {
  exec {PROBE_W}>"$WORK/probe.in" {PROBE_R}<"$WORK/probe.out"
}
close_probe() {
  probe HOLDING release
  exec {PROBE_W}>&- {PROBE_R}<&-
}

# probe ANSWER WORD... : one request; the key=value lines of its answer go
# to the array ANSWER. False unless the answer says ok in time.
declare -A LOOK HOLDING
probe() {
  local -n answer=$1
  shift
  local words="$*" line limit=60
  [[ $words == *timeout=* ]] && limit=$(( $(echo "$words" | sed 's/.*timeout=\([0-9]*\).*/\1/') / 1000 + 60 ))
  answer=()
  echo "$words" >&"$PROBE_W" || return 1
  while IFS= read -r -t "$limit" -u "$PROBE_R" line; do
    line=${line%$'\r'}
    [ "$line" = end ] && break
    answer[${line%%=*}]=${line#*=}
  done
  [ "${answer[result]:-}" = ok ]
}
# look CONDITION... : waits in the probe until the conditions hold for the
# current launcher (for at most STEP_WAIT_MS unless a timeout= is given),
# reading all its items or, where the journey set ITEMS_AT, only those.
ITEMS_AT=
look() {
  local id=${LAUNCHER_ID[$CURRENT]:-} words="$*"
  [[ $words == *timeout=* ]] || words="$words timeout=$STEP_WAIT_MS"
  probe LOOK $words ${id:+process=$id} ${ITEMS_AT:+items-at=$ITEMS_AT}
}
items() {
  local i list=()
  for ((i = 0; i < ${LOOK[items]:-0}; i++)); do list+=("${LOOK[item.$i]}"); done
  local IFS=,
  echo "${list[*]}"
}
expect_items() {  # ITEMS (comma-separated)
  expect_eq "combo box items" "$(items)" "$1"
}
# How many items a comma-separated list holds.
length_of() {  # ITEMS
  if [ -z "$1" ]; then echo 0; else echo $(( $(tr -cd , <<<"$1" | wc -c) + 1 )); fi
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

# A fresh installation: the build's program, the recording stand-in as the
# game, the manual and velmora.cfg with SETTINGS_BYTES (printf format), in
# the folder FOLDER under the work directory (default: one for the journey).
# The following steps use it.
make_installation() {  # SETTINGS_BYTES [FOLDER]
  local folder=${2:-$BUILD-$NAME}
  rm -rf "${WORK:?}/$folder"
  mkdir -p "$WORK/$folder/game" "$WORK/$folder/anleitung"
  cp "$BIN/starter-$BUILD.exe" "$WORK/$folder/"
  cp "$BIN/recorder.exe" "$WORK/$folder/game/game.exe"
  echo "<html><body>Velmora</body></html>" >"$WORK/$folder/anleitung/anleitung.html"
  printf "$1" >"$WORK/$folder/velmora.cfg"
  use_installation "$folder"
}
# The installation in FOLDER is the one that launchers start in, whose
# records and velmora.cfg the following steps read.
use_installation() {  # FOLDER
  INSTALL=$WORK/$1
  use_records "$INSTALL/records.txt"
}
# The file the game and the handlers record into, and the steps read.
use_records() {  # PATH
  RECORDS=$1
  export VELMORA_RECORD_FILE
  VELMORA_RECORD_FILE=$(windows_path "$RECORDS")
}
# A folder name that makes the installation's Windows path LENGTH characters.
folder_of_length() {  # LENGTH
  local start=$BUILD-$NAME- base
  base=$(windows_path "$WORK")\\
  printf '%s%*s' "$start" $(($1 - ${#base} - ${#start})) "" | tr ' ' d
}
# Complete records only: each ends with an empty line.
records_count() {
  local count
  count=$(grep -c '^$' "$RECORDS" 2>/dev/null)
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
    "$RECORDS" | tr -d '\r'
}
# The handler's command line for a web address or document, as recorded.
expect_opened() {  # INDEX WHAT
  wait_for_records "$1" 60 || fatal "nothing was opened within 60 s"
  expect_eq "handler's command line" "$(record_value "$1" 'command line')" \
    "\"$(windows_path "$BIN/recorder.exe")\" \"$2\""
}
expect_settings() {  # PRINTF_FORMAT
  expect_eq "velmora.cfg (hex)" "$(hex_of <"$INSTALL/velmora.cfg")" "$(printf "$1" | hex_of)"
}

# "label: " before a step's name, but for a journey's only launcher.
who() { [ "$1" = "$FIRST" ] || echo "$1: "; }
wine_log() {  # [LABEL]
  local label=${1:-$FIRST}
  [ "$label" = "$FIRST" ] && label=
  echo "$OUT/$BUILD-$NAME${label:+-$label}.wine.log"
}
# Starts the build's program in the installation, as LABEL (which the
# following steps then address), with ARGS; waits for nothing.
launch() {  # LABEL [ARGS...]
  local label=$1
  shift
  (cd "$INSTALL" && exec env WINEDEBUG="$WINEDEBUG,${LAUNCHER_DEBUG:-}" \
    "$WINE" "starter-$BUILD.exe" "$@" >"$(wine_log "$label")" 2>&1) &
  LAUNCHER_PID[$label]=$!
  unset "LAUNCHER_ID[$label]"
  CURRENT=$label
  echo "$!" >>"$WORK/$BUILD-$NAME.pid"
}
# Starts a launcher and waits for its window, which is told from those of
# the launchers still running by its process.
start_launcher() {  # [LABEL [ARGS...]]
  local label=${1:-$FIRST} others
  [ $# -gt 0 ] && shift
  step "start $BUILD$([ "$label" = "$FIRST" ] || echo " as $label")"
  others=$(IFS=,; echo "${LAUNCHER_ID[*]}")
  launch "$label" "$@"
  step "$(who "$label")window appears"
  probe LOOK launcher ${others:+not-process=$others} ${ITEMS_AT:+items-at=$ITEMS_AT} timeout=$WINDOW_WAIT_MS ||
    fatal "the launcher's window did not appear"
  LAUNCHER_ID[$label]=${LOOK[process]}
  screenshot "$BUILD-$NAME$([ "$label" = "$FIRST" ] || echo "-$label")-window"
  expect_eq "window title" "${LOOK[title]:-}" "Velmora Starter"
}
# Makes LABEL the launcher that the following steps address.
use_launcher() {  # LABEL
  CURRENT=$1
  look launcher || fatal "the launcher $1 is gone"
}
# Waits for the launchers (default: the current one) to end and checks their
# exit codes.
expect_launchers_end() {  # [LABEL...]
  local label n rc
  for label in "${@:-$CURRENT}"; do
    for ((n = 0; n < 300; n++)); do
      kill -0 "${LAUNCHER_PID[$label]}" 2>/dev/null || break
      sleep 0.2
    done
    kill -0 "${LAUNCHER_PID[$label]}" 2>/dev/null &&
      fatal "$(who "$label")the launcher did not end within 60 s"
    wait "${LAUNCHER_PID[$label]}"
    rc=$?
    unset "LAUNCHER_PID[$label]" "LAUNCHER_ID[$label]"
    expect_eq "$(who "$label")exit code" "$rc" 0
  done
}
quit_launcher() {
  step "$(who "$CURRENT")Quit"
  look launcher || fatal "the launcher is gone before Quit"
  click_control 5
  expect_launchers_end
}
# The session ends as Windows ends it: every window is asked and told. What
# counts is that the launchers end by themselves, not what wineboot makes of
# a program that ends while it is being told.
end_session() {  # LABEL...
  step "the session ends"
  timeout 120 "$WINE" wineboot --end-session >>"$(wine_log wineboot)" 2>&1
  echo "wineboot --end-session: exit code $?" >>"$(wine_log wineboot)"
  expect_launchers_end "$@"
}

# The message box of the current launcher: waits for it (or, given, for
# another condition such as other-dialog=HANDLE), checks its title and text
# and that it has the BUTTONS (1 OK, 2 Cancel, 4 Retry, 6 Yes).
expect_box() {  # TITLE TEXT "BUTTON..." [CONDITION]
  local button
  look "${4:-dialog}" || fatal "no message box '$2'"
  expect_eq "message box title" "${LOOK[dialog.title]:-}" "$1"
  expect_eq "message box text" "${LOOK[dialog.text]:-}" "$2"
  for button in $3; do
    [ -n "${LOOK[dialog.button.$button]:-}" ] || fatal "the message box has no button $button"
  done
}
# Presses a button of the box just looked at and, unless its launcher goes
# on with the box or ends, waits for the box to go.
answer_box() {  # BUTTON [stays]
  click_at "$(centre_of "${LOOK[dialog.button.$1]:-}")"
  [ "${2:-}" = stays ] && return
  look no-dialog || fatal "the message box stayed after button $1"
}
# New with a typed name, which then ends the list.
new_character() {  # NAME LIST_AFTER
  step "New, with a typed name"
  look launcher || fatal "the launcher is gone"
  click_control 6
  look requester || fatal "no requester after New"
  expect_eq "requester title" "${LOOK[requester.title]:-}" "$NEW_TITLE"
  local l t r b
  read -r l t r b <<<"${LOOK[requester.window]:-}"
  xdotool mousemove --sync $(( (l + r) / 2 )) $((t + 5))
  xdotool type --delay 150 "$1"
  xdotool key Return
  look no-requester items="$(length_of "$2")" || fatal "after typing $1 and Return: items '$(items)'"
  expect_items "$2"
}
# Delete of the selected character, answered Yes.
delete_selected() {  # LIST_AFTER
  step "Delete, answered Yes"
  look launcher || fatal "the launcher is gone"
  click_control 7
  expect_box "$DELETE_TITLE" "$DELETE_QUESTION" 6
  answer_box 6
  look items="$(length_of "$1")" || fatal "after Yes: items '$(items)'"
  expect_items "$1"
}
# Another program holds the file open for reading, without delete sharing.
hold_file() {  # PATH
  step "another program holds ${1##*/}"
  probe HOLDING hold "$(windows_path "$1")" ||
    fatal "the file could not be held: error ${HOLDING[error]:-?}"
}
release_file() {
  step "the other program lets go"
  probe HOLDING release || fatal "the probe did not let go of the file"
}

end_journey() {
  local label
  step "end"
  close_probe
  for label in "${!LAUNCHER_PID[@]}"; do
    kill -9 "${LAUNCHER_PID[$label]}" 2>/dev/null
  done
  [ "$FAILED" = 0 ] && echo "PASS $BUILD $NAME" >>"$OUT/results"
  exit "$FAILED"
}

texts_of() {
  case $BUILD in
    de) DELETE_TITLE="Löschen" DELETE_QUESTION="Soll der Charakter wirklich gelöscht werden?"
        NEW_TITLE="Charakter Name" PREFIX="-nj -d STARTER_USED -d GER " ERROR_TITLE="Fehler"
        CANNOT_SAVE="Änderungen an der Charakterliste können nicht gespeichert werden."
        SAVE_FAILED="Die Charakterliste konnte nicht gespeichert werden." ;;
    en) DELETE_TITLE="Delete" DELETE_QUESTION="Do you really want to delete this Character?"
        NEW_TITLE="Character name" PREFIX="-nj -d STARTER_USED " ERROR_TITLE="Error"
        CANNOT_SAVE="Changes to the character list cannot be saved."
        SAVE_FAILED="The character list could not be saved." ;;
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
  expect_items "Anna,Bert,Carl"
  expect_eq "selection" "${LOOK[selection]:-}" 1

  delete_selected "Anna,Carl"
  [ -e "$INSTALL/game/Bert/savegame.dat" ] && fail "game/Bert/savegame.dat is still there"
  [ -e "$INSTALL/game/Bert/notes.txt" ] && fail "game/Bert/notes.txt is still there"
  [ -e "$INSTALL/game/Carl/savegame.dat" ] || fail "game/Carl/savegame.dat is gone"
  [ -e "$INSTALL/game/game.exe" ] || fail "game/game.exe is gone"

  new_character Dora "Anna,Carl,Dora"
  screenshot "$BUILD-$NAME-after-new"

  quit_launcher
  expect_settings '\x00Anna\r\nCarl\r\nDora\r\n'

  step "DirectInput keyboard"
  # The one place of hand-written COM calls: Wine's dinput trace shows each
  # call as DirectInput received it, so a wrong calling convention, vtable
  # slot or record layout of this build shows as a missing or wrong line.
  local log expected
  log=$(wine_log)
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

# Manual, Website and Buy reach the handlers registered in the prefix, one
# page a click, and the launcher stays; then Tab alone moves the focus to
# Quit and Space presses it.
journey_links-and-keyboard() {
  make_installation '\x00Anna\r\n'
  start_launcher

  step "Manual"
  click_control 3
  expect_opened 1 "$(windows_path "$INSTALL")\\anleitung\\anleitung.html"

  step "Website"
  click_control 4
  expect_opened 2 "https://www.velmora.example"

  step "Buy"
  click_control 10
  expect_opened 3 "https://www.velmora.example/vlm.php"
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
  expect_launchers_end
  expect_settings '\x00Anna\r\n'
  expect_eq "records" "$(records_count)" 3
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
  expect_launchers_end
  wait_for_records 1 60 || fatal "the game was not started within 60 s"
  local game
  game=$(windows_path "$INSTALL")\\game
  expect_eq "game's command line" "$(record_value 1 'command line')" \
    "\"$game\\game.exe\" ${PREFIX}-dir Bert -pl Bert"
  expect_eq "game's working directory" "$(record_value 1 directory)" "$game"
  expect_settings '\x01Anna\r\nBert\r\n'
  end_journey
}

# In an installation folder of 250 characters, while another program reads
# velmora.cfg, Quit tells in the build's language that the list could not be
# saved and offers Retry and Cancel; Retry tells again while the file is
# still held. A launcher started meanwhile (the lock holds up to the end of
# the save) shows the characters, says that changes cannot be saved and
# leaves the file as the first one leaves it, whatever the player does in
# it. Retry once the file is free saves.
journey_second-launcher() {
  make_installation '\x01Anna\r\nBert\r\n' "$(folder_of_length 250)"
  start_launcher first
  hold_file "$INSTALL/velmora.cfg"
  step "first: Quit while the file is held"
  click_control 5
  expect_box "$ERROR_TITLE" "$SAVE_FAILED" "4 2"
  step "first: Retry while the file is still held"
  answer_box 4 stays
  expect_box "$ERROR_TITLE" "$SAVE_FAILED" "4 2" other-dialog="${LOOK[dialog.handle]}"

  start_launcher second
  expect_box "$ERROR_TITLE" "$CANNOT_SAVE" 1
  answer_box 1
  expect_items "Anna,Bert"
  release_file
  delete_selected "Anna"
  quit_launcher
  expect_settings '\x01Anna\r\nBert\r\n'

  use_launcher first
  step "first: Retry once the file is free"
  look dialog || fatal "the first launcher's box is gone"
  answer_box 4 stays
  expect_launchers_end
  expect_settings '\x00Anna\r\nBert\r\n'
  end_journey
}

# -BUY as the first parameter opens the shop page and ends with 0, neither
# reading nor writing velmora.cfg: its bytes and time stay, and none is made
# where there is none. The two launchers run at the same time, in two
# installations. (-buy starts the launcher as usual: see guards.)
journey_shop-mode() {
  step "-BUY, in two installations at once"
  make_installation '' "$BUILD-$NAME-without"
  rm "$INSTALL/velmora.cfg"
  launch without -BUY
  make_installation '\x01Anna\r\n'
  touch -d '2001-02-03 04:05:06' "$INSTALL/velmora.cfg"
  local time
  time=$(stat -c %Y "$INSTALL/velmora.cfg")
  launch with -BUY
  step "-BUY"
  expect_launchers_end with
  expect_opened 1 "https://www.velmora.example/vlm.php"
  expect_settings '\x01Anna\r\n'
  expect_eq "velmora.cfg's time" "$(stat -c %Y "$INSTALL/velmora.cfg")" "$time"
  step "-BUY without velmora.cfg"
  use_installation "$BUILD-$NAME-without"
  expect_launchers_end without
  expect_opened 1 "https://www.velmora.example/vlm.php"
  [ -e "$INSTALL/velmora.cfg" ] && fail "velmora.cfg was made"
  end_journey
}

# What the launcher leaves alone. Started with -buy (which is not the shop
# mode's -BUY) it shows its window as usual. A symbolic link planted after
# the start at the name it would use for its save file: the save takes
# another name, the link's target stays whole. Anna and anna are listed and
# game\Anna holds a save: deleting anna takes the line but keeps the file,
# which another listed name reaches as well.
journey_guards() {
  make_installation '\x01Anna\r\nanna\r\n'
  mkdir -p "$INSTALL/game/Anna" "$WORK/$BUILD-$NAME-outside"
  echo "level 9" >"$INSTALL/game/Anna/save.dat"
  echo precious >"$WORK/$BUILD-$NAME-outside/save.dat"
  start_launcher launcher -buy
  expect_items "Anna,anna"
  expect_eq "selection" "${LOOK[selection]:-}" 1
  step "a link at the save file's name"
  local link
  link=$INSTALL/$(printf 'vlm%08X.tmp' "${LOOK[process]}")
  ln -s "$WORK/$BUILD-$NAME-outside/save.dat" "$link"
  delete_selected "Anna"
  [ -e "$INSTALL/game/Anna/save.dat" ] || fail "game/Anna/save.dat is gone"
  quit_launcher
  expect_eq "the link's target" "$(cat "$WORK/$BUILD-$NAME-outside/save.dat")" precious
  [ -L "$link" ] || fail "the link is gone"
  expect_settings '\x00Anna\r\n'
  expect_eq "records" "$(records_count)" 0
  end_journey
}

# 100,000 characters are all listed and written back byte for byte at Quit.
journey_big-roster() {
  make_installation ''
  { printf '\x00'; awk 'BEGIN { for (i = 1; i <= 100000; i++) printf "Held %06d%s\r\n", i, (i % 1000 ? "" : " L\366we") }'; } \
    >"$INSTALL/velmora.cfg"
  cp "$INSTALL/velmora.cfg" "$WORK/$BUILD-$NAME.cfg"
  # Another process reads each item with messages of its own: a few will do.
  ITEMS_AT=0,999,54321,99999
  start_launcher
  step "all listed"
  look items=100000 || fatal "items: ${LOOK[items]:-none}"
  expect_eq "first item" "${LOOK[item.0]:-}" "Held 000001"
  expect_eq "item 999" "${LOOK[item.999]:-}" "Held 001000 Löwe"
  expect_eq "item 54321" "${LOOK[item.54321]:-}" "Held 054322"
  expect_eq "last item" "${LOOK[item.99999]:-}" "Held 100000 Löwe"
  quit_launcher
  [ "$(sha256sum <"$INSTALL/velmora.cfg")" = "$(sha256sum <"$WORK/$BUILD-$NAME.cfg")" ] ||
    fail "velmora.cfg was not written back byte for byte: $(stat -c %s "$INSTALL/velmora.cfg") bytes"
  end_journey
}

# The session ends under two launchers in two installations, each with a
# new character: each ends by itself with 0 and its velmora.cfg holds the
# character. (Their windows lie on top of each other: the one below is used
# first.)
journey_session-end() {
  make_installation '\x00Bert\r\n' "$BUILD-$NAME-other"
  start_launcher other
  new_character Yan "Bert,Yan"
  make_installation '\x00Anna\r\n'
  start_launcher
  new_character Dora "Anna,Dora"
  end_session launcher other
  expect_settings '\x00Anna\r\nDora\r\n'
  use_installation "$BUILD-$NAME-other"
  expect_settings '\x00Bert\r\nYan\r\n'
  end_journey
}

# An installation folder whose name Windows-1252 cannot spell (full-width
# letters), beside the folder of its look-alike: Delete and Start reach this
# installation's files only. The records go to a folder the code page can
# spell, since the recorder finds its file by that page.
journey_foreign-folder() {
  local twin=$BUILD-$NAME-VEL own=$BUILD-$NAME-\xEF\xBC\xB6\xEF\xBC\xA5\xEF\xBC\xAC folder
  own=$(printf "$own")
  for folder in "$twin" "$own"; do
    make_installation '\x00Anna\r\nBert\r\n' "$folder"
    mkdir -p "$INSTALL/game/Anna"
    echo "$folder" >"$INSTALL/game/Anna/save.dat"
  done
  use_records "$WORK/$BUILD-$NAME-records.txt"
  start_launcher
  delete_selected "Bert"
  [ -e "$INSTALL/game/Anna/save.dat" ] && fail "this installation's game/Anna/save.dat stayed"
  [ -e "$WORK/$twin/game/Anna/save.dat" ] || fail "the twin's game/Anna/save.dat is gone"
  quit_launcher
  start_launcher
  step "Start"
  click_control 2
  expect_launchers_end
  wait_for_records 1 60 || fatal "the game was not started within 60 s"
  expect_eq "game's command line" "$(record_value 1 'wide command line')" \
    "\"$(windows_path "$INSTALL")\\game\\game.exe\" ${PREFIX}-dir Bert -pl Bert"
  expect_eq "game's working directory" "$(record_value 1 'wide directory')" \
    "$(windows_path "$INSTALL")\\game"
  end_journey
}

# ---------------------------------------------------------------------------

run_journey() {
  BUILD=$1 NAME=$2
  texts_of
  open_probe
  "journey_$NAME"
}

if [ $# -eq 2 ]; then
  # A probe that died must fail a look, not end the journey silently.
  trap '' PIPE
  run_journey "$1" "$2"
fi

# The runs in order: "build journey" lines, each build's journeys together;
# only the journeys named in the job's file "wanted" when there is one.
runs() {
  local build name builds wanted
  wanted=$(cat "$JOB/wanted" 2>/dev/null)
  for build in de en; do
    while read -r name builds; do
      [ -z "$wanted" ] || [[ " $wanted " == *" $name "* ]] || continue
      [[ " $builds " == *" $build "* ]] && echo "$build $name"
    done <<<"$JOURNEYS"
  done
}

# The whole run: display, Wine, then every journey in a process of its own
# with a time limit.
: >"$OUT/results"
fail_all() {  # STEP MESSAGE: nothing can run
  runs | while read -r build name; do
    echo "FAIL $build $name [$1]: $2" >>"$OUT/results"
    progress "result: FAIL $build $name [$1]: $2"
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
progress "Wine started in $(( $(date +%s) - started )) s"

hung=0
runs >"$WORK/runs"
while read -r build name; do
  if [ "$hung" -ge 2 ]; then
    # Two journeys in a row that did not end: the rest would not either,
    # and waiting for each would only delay the report.
    echo "FAIL $build $name [not run]: two journeys before it hung" >>"$OUT/results"
    progress "result: FAIL $build $name [not run]: two journeys before it hung"
    continue
  fi
  progress "journey $build $name"
  began=$(date +%s)
  [ -n "${PROBE_PID:-}" ] && kill -0 "$PROBE_PID" 2>/dev/null || start_probe
  timeout -k 10 "$JOURNEY_LIMIT" "$0" "$build" "$name" </dev/null
  rc=$?
  [ $rc = 0 ] || stop_probe
  if [ $rc = 124 ] || [ $rc = 137 ]; then
    echo "FAIL $build $name [$(cat "$WORK/$build-$name.step" 2>/dev/null)]: no end within $JOURNEY_LIMIT s" >>"$OUT/results"
    screenshot "$build-$name-hung"
    hung=$((hung + 1))
  else
    hung=0
  fi
  # A launcher of a journey that was cut off must not stay.
  for pid in $(cat "$WORK/$build-$name.pid" 2>/dev/null); do
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
done <"$WORK/runs"
stop_probe
"$WINESERVER" -k 2>/dev/null
exit 0
