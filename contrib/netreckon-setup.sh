# Shared by netreckon-chains and netreckon-snapshot (sourced, never run): the one sequence that
# brings the accounting setup to what the config asks for, whatever the backend: check, a
# snapshot of what is there, the change in one transaction per family (or table), a snapshot in
# which every counter that starts again reads 0. Each backend gives four functions, named for
# it: BACKEND_check, BACKEND_snapshot, BACKEND_change and BACKEND_keep (netreckon-iptables.sh,
# netreckon-nft.sh). The caller has loaded the config, checked it, and entered LOG_DIR.
# shellcheck shell=sh disable=SC2034,SC2154

# A never-matching rule (no IP packet is shorter than 20 bytes) at the top of each chain whose
# byte count the kit sets anew at every snapshot and keeps in LOG_DIR/.mark: anything else that
# sets the chains' counters (iptables -Z, nft reset, a restore of any save, with counters or
# without, a reload) sets it to a value the kit did not write, and the next snapshot says so.
MARK=netreckon-reset-mark

# The hosts of one family, a word each: ADDRESS/PREFIX or ADDRESS/PREFIX=NAME.
family_hosts() { # family
  printf '%s\n' "$NORMALIZED" | sed -n -e "s/^$1 \([^ ]*\) \([^ ]*\)\$/\1=\2/p" -e "s/^$1 \([^ ]*\)\$/\1/p"
}

# The table the chains belong in: "accepted" counts after the filter's verdict (the security
# table runs after filter), "all" before any filter rule. Without COUNT, a setup that is there
# keeps its place and a new one counts what was accepted.
resolve_count() {
  [ -z "$COUNT" ] || return 0
  COUNT=accepted
  [ "$BACKEND" = iptables ] || return 0
  for family in 4 6; do
    if xt "$family" -t filter -n -L "$IN_CHAIN" >/dev/null 2>&1; then COUNT=all; fi
  done
}

# Brings the setup to what the config asks for (with no hosts, as "remove": to none). Where
# something changes, first a snapshot of what is there (its rows as 0 first where the counters
# were reset behind the kit's back), then the change, then a snapshot where every counter that
# starts again reads 0: a report sees each of them. Counters restored from a save are never
# read: what they held was billed before. The marks get their fresh value either way.
# What BACKEND_check sets: FINDINGS ("; "-separated, empty when all was in order), CHANGE (1
# when something is to be changed), RESET (1 counters reset, 2 saved counters restored), LOST
# and LOST_FAMILIES (a finding of lost traffic for the events file, empty for none), BEFORE
# (the snapshots to write before the change, a word each as BACKEND_snapshot reads it).
# BACKEND_change sets AFTER (the snapshot after the change; empty: none) and LISTED (1 when
# the check's listing still holds). Sets WROTE (1 when the snapshot after the change was
# written).
sync_setup() { # stamp
  stamp=$1
  WROTE=0
  FINDINGS=
  LOST=
  LOST_FAMILIES=
  BEFORE=
  AFTER=
  LISTED=1
  "${BACKEND}_check"
  if [ "$CHANGE" = 0 ] && [ "$RESET" = 0 ]; then
    "${BACKEND}_keep"
    return 0
  fi
  # A dry run prints the change and makes it nowhere.
  if [ "$DRY_RUN" = 1 ]; then
    "${BACKEND}_change"
    return 0
  fi
  [ -z "$LOST" ] || record_loss "$stamp" "$LOST_FAMILIES" "$LOST"
  for before in $BEFORE; do
    if "${BACKEND}_snapshot" "$stamp" "$before" 1; then stamp=$(next_stamp "$stamp"); fi
  done
  "${BACKEND}_change"
  if [ -n "$AFTER" ] && "${BACKEND}_snapshot" "$stamp" "$AFTER" 1; then WROTE=1; fi
  "${BACKEND}_keep"
  return 0
}

# Moves a finished file to its name, never over anything: a snapshot is never overwritten.
place() { # file target
  if [ -e "$2" ] || [ -L "$2" ]; then
    die "refused: $2 exists already (a second snapshot in the same second?); nothing changed"
  fi
  mv -T -n "$1" "$2" && [ ! -e "$1" ]
}

# The stamp of a snapshot that must come after STAMP: the next second, waited for unless the
# time was given.
next_stamp() { # stamp
  if [ "$TIME_GIVEN" = 1 ]; then
    seconds=$(date -d "$(stamp_moment "$1")" +%s)
    date -d "@$((seconds + 1))" +%Y%m%d%H%M%S
  else
    while [ "$(date +%Y%m%d%H%M%S)" -le "$1" ]; do sleep 0.2; done
    date +%Y%m%d%H%M%S
  fi
}

# Moves the two finished files of a snapshot ($private/in and out) to their names: flushed to
# disk first (on a full file system a write can fail unnoticed), both or neither.
place_snapshot() { # stamp
  for file in in out; do
    sync "$private/$file" 2>/dev/null || die "cannot flush $file to disk"
    chmod 0644 "$private/$file"
  done
  place "$private/in" "$IN_PREFIX$1" || die "cannot move the snapshot to $LOG_DIR/$IN_PREFIX$1"
  if ! place "$private/out" "$OUT_PREFIX$1"; then
    rm -f "$IN_PREFIX$1"
    die "cannot move the snapshot to $LOG_DIR/$OUT_PREFIX$1"
  fi
  sync . 2>/dev/null || true
  PLACED=$1
  return 0
}
