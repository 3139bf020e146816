# Sourced: how the emulated i386 machine is started, for the image's first
# boot and for every run. qemu's software CPU (TCG): these hosts have no KVM.
# With -cpu max the guest kernel turns SMAP on, and 32-bit Wine's iret then
# faults in the kernel: -smap avoids it. One processor: with two (each a
# host thread) a Wine program took 13 s to start instead of 4 s while other
# work kept the host's two cores busy, and was no quicker when it did not.
# The machine powers itself off; a kernel panic reboots, and -no-reboot
# turns that into qemu's end as well.
#   guest_machine KERNEL INITRD SERIAL_LOG -drive ... [more qemu arguments]
guest_machine() {
  local kernel=$1 initrd=$2 serial=$3
  shift 3
  qemu-system-i386 -machine pc -accel tcg -cpu max,-smap -smp 1 -m 2048 \
    -display none -monitor none -serial "file:$serial" -nic none -no-reboot \
    -kernel "$kernel" -initrd "$initrd" \
    -append "console=ttyS0 panic=-1 quiet loglevel=4 tsc=reliable" \
    "$@"
}

# The guest's progress lines ("velmora-guest: ...") in its console log LOG
# since the last call, complete lines only and without the prefix, into
# PROGRESS_NEW. The log is read once, so that lines arriving meanwhile come
# with the next call.
PROGRESS_SHOWN=0 PROGRESS_NEW=
read_progress() {  # LOG
  local complete
  complete=$(tr -dc '\n' <"$1" | wc -c)
  PROGRESS_NEW=$(head -n "$complete" "$1" | grep '^velmora-guest:' |
    tail -n +$((PROGRESS_SHOWN + 1)) | sed 's/^velmora-guest: //; s/\r$//' || true)
  [ -z "$PROGRESS_NEW" ] || PROGRESS_SHOWN=$((PROGRESS_SHOWN + $(echo "$PROGRESS_NEW" | wc -l)))
}
