# Shared by netreckon-chains and netreckon-snapshot (sourced, never run): the iptables backend
# (BACKEND=iptables). Two chains per family, one rule per host, jumped to from the hook chains;
# the setup there is listed with "iptables -S", planned by "netreckon-kit plan" and changed in
# one iptables-restore transaction per family that keeps every counter of a rule that stays.
# The helper reads every listing and plan (chain-listing, restore, mark-number); the shell
# holds the lock, calls the commands and moves the files.
# The four functions the sequence in netreckon-setup.sh calls come last.
# shellcheck shell=sh disable=SC2034,SC2154

MARK_MATCH="-m length --length 0:19 -m comment --comment $MARK"

family_command() { # family
  if [ "$1" = 4 ]; then echo "$IPTABLES"; else echo "$IP6TABLES"; fi
}

# The restore command of a family: the configured one, else the command with "-restore" after
# its last word ("iptables-legacy-restore", or a wrapper's "wrap iptables-restore").
restore_command() { # family
  if [ "$1" = 4 ]; then set -- 4 "$IPTABLES_RESTORE" "$IPTABLES"; else set -- 6 "$IP6TABLES_RESTORE" "$IP6TABLES"; fi
  if [ -n "$2" ]; then echo "$2"; else echo "$3-restore"; fi
}

# Every call waits for the xtables lock at most LOCK_WAIT seconds, then fails.
xt() { # family arguments...
  xt_command=$(family_command "$1")
  shift
  # shellcheck disable=SC2086
  $xt_command -w "$LOCK_WAIT" "$@"
}

count_table() {
  if [ "$COUNT" = all ]; then echo filter; else echo security; fi
}

# The wanted lines of a family, as "iptables -S" prints them (see "netreckon-kit plan").
wanted_lines() { # family
  hosts=$(family_hosts "$1")
  [ -n "$hosts" ] || return 0
  table=$(count_table)
  for chain in "$IN_CHAIN" "$OUT_CHAIN"; do
    echo "W $table -N $chain"
    echo "W $table -A $chain $MARK_MATCH"
    if [ "$chain" = "$IN_CHAIN" ]; then match=-d; else match=-s; fi
    for host in $hosts; do
      case "$host" in
        *=*) echo "W $table -A $chain $match ${host%%=*} -m comment --comment ${host#*=}" ;;
        *) echo "W $table -A $chain $match $host" ;;
      esac
    done
  done
  if [ -n "$WAN_IF" ]; then
    for interface in $WAN_IF; do
      echo "W $table -A FORWARD -i $interface -j $IN_CHAIN"
      echo "W $table -A FORWARD -o $interface -j $OUT_CHAIN"
    done
  else
    # A packet passes one of the three: traffic forwarded, to the router and from it all count
    # once. The router's packets to itself pass OUTPUT and then INPUT from lo: counted in OUTPUT.
    echo "W $table -A INPUT ! -i lo -j $IN_CHAIN"
    echo "W $table -A INPUT ! -i lo -j $OUT_CHAIN"
    for hook in OUTPUT FORWARD; do
      echo "W $table -A $hook -j $IN_CHAIN"
      echo "W $table -A $hook -j $OUT_CHAIN"
    done
  fi
}

# A family is looked at where it has hosts, or where its command answers (its chains may be
# left from hosts no longer listed).
family_used() { # family
  [ -n "$(family_hosts "$1")" ] && return 0
  command=$(family_command "$1")
  command -v "${command%% *}" >/dev/null 2>&1 && xt "$1" -t filter -n -L INPUT >/dev/null 2>&1
}

# Whether a family keeps the counters the mark rule is given: ip6tables on nf_tables (1.8.9) sets
# no counters at all, so there a reset by "ip6tables -Z" cannot be seen.
mark_counts() { # family
  if [ "$1" = 6 ] && xt 6 -V 2>/dev/null | grep -q nf_tables; then echo 0; else echo 1; fi
}

# Writes the plan of a family to $private/plan.FAMILY; fails with iptables' own message when
# the table of a family with hosts cannot be listed.
plan_family() { # family
  : >"$private/plan.$1"
  : >"$private/wanted.$1"
  family_used "$1" || return 0
  wanted_lines "$1" >"$private/state" || die "cannot write in $LOG_DIR"
  cp "$private/state" "$private/wanted.$1" || die "cannot write in $LOG_DIR"
  # Read in this shell, not in a pipeline: a listing that fails (the lock not free in time)
  # must stop the run, never leave a plan that makes what is there anew.
  for table in filter security; do
    if listing=$(xt "$1" -t "$table" -v -S 2>"$private/err"); then
      printf '%s\n' "$listing" | sed "s/^/A $table /" >>"$private/state" || die "cannot write in $LOG_DIR"
    elif [ "$table" = "$(count_table)" ] && [ -s "$private/state" ]; then
      die "$(family_command "$1") -t $table -S failed: $(cat "$private/err")"
    elif xt "$1" -t "$table" -n -L "$IN_CHAIN" >/dev/null 2>&1; then
      die "$(family_command "$1") -t $table -S failed: $(cat "$private/err")"
    fi
  done
  "$(kit_helper)" plan "$IN_CHAIN" "$OUT_CHAIN" "$MARK" "$(mark_counts "$1")" "$(kept_mark)" "$FRESH_MARK" \
    <"$private/state" >"$private/plan.$1" || die "cannot plan the changes"
}

plan_has() { # pattern
  grep -q "$1" "$private/plan.4" "$private/plan.6"
}

# The restore input of a plan, one section per table that changes.
restore_input() { # family
  "$(kit_helper)" restore <"$private/plan.$1"
}

# Applies the plan of a family in one transaction: all of it or nothing.
apply_family() { # family
  grep -q '^R ' "$private/plan.$1" || return 0
  command=$(restore_command "$1")
  if [ "$DRY_RUN" = 1 ]; then
    echo "# $command --noflush --counters"
    restore_input "$1"
    return 0
  fi
  # shellcheck disable=SC2086
  restore_input "$1" | $command --noflush --counters --wait="$LOCK_WAIT" 2>"$private/err" ||
    die "$command failed, nothing of IPv$1 changed: $(cat "$private/err")"
}

# Gives the mark rule of each chain the byte count FRESH_MARK, in every family with hosts that
# keeps the counters it is given, and keeps the value in .mark for the next run to compare. The
# rules' numbers come from a listing of the chain alone: in the plans' listings a comment of
# another chain's rule may hold line breaks. A listing that fails or shows no mark stops the
# run: a kept value that no mark holds would read as a restore at the next run.
set_marks() {
  [ "$DRY_RUN" = 0 ] || return 0
  for family in 4 6; do
    [ -s "$private/wanted.$family" ] || continue
    [ "$(mark_counts "$family")" = 1 ] || continue
    table=$(count_table)
    for chain in "$IN_CHAIN" "$OUT_CHAIN"; do
      listing=$(xt "$family" -t "$table" -S "$chain" 2>"$private/err") ||
        die "$(family_command "$family") -S $chain failed: $(cat "$private/err")"
      number=$(printf '%s\n' "$listing" | "$(kit_helper)" mark-number "$chain" "$MARK") ||
        die "netreckon-kit mark-number failed"
      [ -n "$number" ] || die "$(family_command "$family") -S $chain: no mark rule to renew"
      # shellcheck disable=SC2086
      xt "$family" -t "$table" -R "$chain" "$number" $MARK_MATCH -c 1 "$FRESH_MARK" 2>"$private/err" ||
        die "$(family_command "$family") -R $chain failed: $(cat "$private/err")"
    done
  done
  keep_mark
}

# Sets the counters of every rule of the chains to 0 in both families, each family in one
# transaction: restored values are never read into a snapshot.
zero_chains() {
  for family in 4 6; do
    family_used "$family" || continue
    command=$(restore_command "$family")
    for table in filter security; do
      for chain in "$IN_CHAIN" "$OUT_CHAIN"; do
        xt "$family" -t "$table" -n -L "$chain" >/dev/null 2>&1 || continue
        printf '%s\n' "*$table" "-Z $chain" COMMIT
      done
    done >"$private/zero"
    [ -s "$private/zero" ] || continue
    # shellcheck disable=SC2086
    $command --noflush --counters --wait="$LOCK_WAIT" <"$private/zero" 2>"$private/err" ||
      die "$command failed to set the counters to 0: $(cat "$private/err")"
  done
}

# The table that holds a chain of a family now: the wanted one first.
chain_table() { # family chain
  for table in "$(count_table)" filter security; do
    if xt "$1" -t "$table" -n -L "$2" >/dev/null 2>&1; then
      echo "$table"
      return 0
    fi
  done
  return 1
}

# Appends the listing of one chain of one family to a file, the header only into an empty file;
# rows of the mark rule are left out, rows of rules that start from 0 (the file ZERO: lines "all
# CHAIN" or the plan's "N" lines; empty: none) are written as 0 (see "netreckon-kit
# chain-listing"). Fails with the command's own message unless the listing is
# complete and every byte of it was written.
list_chain() { # family chain file zero optional
  table=$(chain_table "$1" "$2") || return 0
  if ! listing=$(xt "$1" -t "$table" -L "$2" -v -n -x 2>"$private/err"); then
    die "$(family_command "$1") -L $2 failed: $(cat "$private/err")"
  fi
  # A chain emptied behind the kit's back (iptables -F) adds nothing to the snapshot before
  # the change, not even its title.
  if [ "$5" = 1 ] && ! printf '%s\n' "$listing" | tail -n +3 | grep -vqF "/* $MARK */"; then
    return 0
  fi
  first=$(printf '%s\n' "$listing" | sed -n 1p)
  second=$(printf '%s\n' "$listing" | sed -n 2p)
  case "$first" in "Chain $2 "*) ;; *) die "$(family_command "$1") -L $2: the listing has no chain title" ;; esac
  case "$second" in *pkts*bytes*) ;; *) die "$(family_command "$1") -L $2: the listing has no column titles" ;; esac
  header=1
  [ ! -s "$3" ] || header=0
  printf '%s\n' "$listing" | "$(kit_helper)" chain-listing "$2" "$MARK" "$header" "$4" >>"$3" ||
    die "cannot write $3"
}

# What the plans found that may have let traffic go uncounted, into LOST and LOST_FAMILIES:
# counters reset or restored; chains that held rules at the last run and are gone (unless the
# kit's own last act was a clean stop); rules or jumps gone from a setup the config still asks
# for. A change the config asked for is no loss.
iptables_losses() {
  lost=
  families=
  for family in 4 6; do
    found=
    if grep -q '^X ' "$private/plan.$family"; then
      if grep -q '^Z ' "$private/plan.$family"; then found="saved counters restored"; else found="counters reset"; fi
    elif [ -s ".setup.$family" ] && grep -q '^G$' "$private/plan.$family"; then
      [ "$CLEAN_STOP" = 1 ] || found="chains gone"
    elif [ -s ".setup.$family" ] && sed -n 's/^W //p' "$private/wanted.$family" | cmp -s - ".setup.$family" &&
      grep -q -e '^F .*missing' -e '^F .*jumps' "$private/plan.$family"; then
      found="rules or jumps gone"
    fi
    [ -n "$found" ] || continue
    families=${families:+$families+}IPv$family
    case "; $lost; " in *"; $found; "*) ;; *) lost=${lost:+$lost; }$found ;; esac
  done
  LOST=$lost
  LOST_FAMILIES=$families
}

# Plans both families (see plan_family) and says what the sequence is to do.
iptables_check() {
  for family in 4 6; do plan_family "$family"; done
  CHANGE=0
  RESET=0
  ! plan_has '^R ' || CHANGE=1
  ! plan_has '^X ' || RESET=1
  ! plan_has '^Z ' || RESET=2
  [ "$CHANGE" = 1 ] || [ "$RESET" != 0 ] || return 0
  FINDINGS=
  for family in 4 6; do
    while IFS= read -r line; do
      case "$line" in "F "*) FINDINGS="${FINDINGS:+$FINDINGS; }IPv$family: ${line#F }" ;; esac
    done <"$private/plan.$family"
  done
  iptables_losses
  # Rows there are snapshotted first, those of reset counters as 0; restored ones never.
  if [ "$RESET" != 2 ] && plan_has '^E$'; then
    for family in 4 6; do sed -n 's/^X /all /p' "$private/plan.$family" >"$private/before.$family"; done
    BEFORE=before
  fi
}

# Applies the plans, each family in one transaction (a dry run prints them); counters restored
# from a save are set to 0 first. The snapshot after it writes the new rules as 0 (and every
# rule, after a restore).
iptables_change() {
  if [ "$DRY_RUN" = 0 ] && [ "$RESET" = 2 ]; then zero_chains; fi
  for family in 4 6; do apply_family "$family"; done
  [ "$DRY_RUN" = 0 ] || return 0
  for family in 4 6; do
    sed -n 's/^N //p' "$private/plan.$family" >"$private/after.$family"
    if [ "$RESET" = 2 ]; then printf '%s\n' "all $IN_CHAIN" "all $OUT_CHAIN" >>"$private/after.$family"; fi
  done
  AFTER=after
}

# Writes one snapshot of both chains and both families under STAMP. ZERO names the files that
# say which rows start from 0 ($private/ZERO.4 and .6, see list_chain); "-" none. With OPTIONAL 1
# (the snapshots around a change), a direction with no rows in any family means no snapshot
# (status 1), else it is an error.
iptables_snapshot() { # stamp zero optional
  rm -f "$private/in" "$private/out"
  for family in 4 6; do
    if [ "$2" = - ]; then zero=; else zero=$private/$2.$family; fi
    family_used "$family" || continue
    list_chain "$family" "$IN_CHAIN" "$private/in" "$zero" "$3"
    list_chain "$family" "$OUT_CHAIN" "$private/out" "$zero" "$3"
  done
  for file in in out; do
    if [ ! -s "$private/$file" ]; then
      [ "$3" = 0 ] || return 1
      die "no chain $([ "$file" = in ] && echo "$IN_CHAIN" || echo "$OUT_CHAIN") to list: run netreckon-chains add"
    fi
  done
  place_snapshot "$1"
}

# Renews the marks (see set_marks) and keeps the wanted lines of each family as set up, for the
# next run to tell a loss from a change.
iptables_keep() {
  set_marks
  [ "$DRY_RUN" = 0 ] || return 0
  for family in 4 6; do
    sed -n 's/^W //p' "$private/wanted.$family" >"$private/setup" 2>/dev/null || : >"$private/setup"
    mv -T -f "$private/setup" ".setup.$family" || die "cannot write in $LOG_DIR"
  done
}
