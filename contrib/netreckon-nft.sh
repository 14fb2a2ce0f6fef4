# Shared by netreckon-chains and netreckon-snapshot (sourced, never run): the nftables backend
# (BACKEND=nft). The kit keeps one table of its own, "table inet netreckon", and never touches
# another: the two chains with the kit's names (listed hosts as rules, each subnet of SUBNETS
# as a dynamic set with a counter per address or /64 found in it, plus a rule that counts what
# a full set had no room for), a chain that checks the sources of what comes in before the
# outgoing chain, and base chains on the input, output and forward hooks whose priority
# follows COUNT. It is made, changed and replaced in one "nft -f" transaction each (a
# changed config changes only what changed, planned by netreckon-kit nft-plan); snapshots are
# converted to the listing format of iptables by netreckon-kit nft-listing, so netreckon reads
# them unchanged.
# shellcheck shell=sh disable=SC2034,SC2154

NFT_TABLE=netreckon

nft_run() { # arguments...
  # shellcheck disable=SC2086
  $NFT "$@"
}

# The set of a chain's subnet: CHAIN_v4_10_0_0_0_24, CHAIN_v6_2001_db8_1___64 (the subnet as
# written, '.', ':' and '/' as '_': one name per subnet, whatever else is listed).
nft_set_name() { # chain family subnet
  printf '%s_v%s_%s\n' "$1" "$2" "$(printf '%s' "$3" | tr '.:/' '___')"
}

# The set of a subnet's addresses that have sent: CHAIN_known_v4_10_0_0_0_24 (the outgoing chain's).
nft_known_set() { # subnet family
  nft_set_name "${OUT_CHAIN}_known" "$2" "$1"
}

# The chain that checks the sources of what comes in before the outgoing chain counts it.
nft_checked_chain() {
  echo "${OUT_CHAIN}_rpf"
}

# The table as the config asks for it, as "nft -f" input.
nft_wanted_text() {
  # Never more hosts than a report reads: the bound is the report's own, from its code.
  listed_count=$(printf '%s\n' "$NORMALIZED" | grep -c . || true)
  bound=$(printf '%s\n' "$NORMALIZED_SUBNETS" | "$(kit_helper)" nft-bound "$SET_SIZE" "$IPV6_HOSTS" "$listed_count") ||
    die "${bound:-netreckon-kit nft-bound failed}; nothing changed"
  if [ "$COUNT" = all ]; then priority="filter - 10"; else priority=security; fi
  subnets4=$(printf '%s\n' "$NORMALIZED_SUBNETS" | sed -n 's/^4 \([^ ]*\).*/\1/p' | tr '\n' ' ')
  subnets6=$(printf '%s\n' "$NORMALIZED_SUBNETS" | sed -n 's/^6 \([^ ]*\).*/\1/p' | tr '\n' ' ')
  listed4=$(family_hosts 4 | sed 's/=.*//' | tr '\n' ' ')
  listed6=$(family_hosts 6 | sed 's/=.*//' | tr '\n' ' ')
  echo "table inet $NFT_TABLE {"
  # One set per subnet and direction, so that one subnet cannot fill another's; an element that
  # carried nothing for SET_TIMEOUT goes, after snapshots have read its last counts.
  for chain in "$IN_CHAIN" "$OUT_CHAIN"; do
    for subnet in $subnets4; do
      echo "  set $(nft_set_name "$chain" 4 "$subnet") { type ipv4_addr; size $SET_SIZE; flags dynamic,timeout; timeout $SET_TIMEOUT; counter; }"
    done
    for subnet in $subnets6; do
      echo "  set $(nft_set_name "$chain" 6 "$subnet") { type ipv6_addr; size $SET_SIZE; flags dynamic,timeout; timeout $SET_TIMEOUT; counter; }"
    done
  done
  # The addresses that have sent, without counters: looking an element up in a set with
  # counters adds the packet to that element's counter.
  for subnet in $subnets4; do
    echo "  set $(nft_known_set "$subnet" 4) { type ipv4_addr; size $SET_SIZE; flags dynamic,timeout; timeout $SET_TIMEOUT; }"
  done
  for subnet in $subnets6; do
    echo "  set $(nft_known_set "$subnet" 6) { type ipv6_addr; size $SET_SIZE; flags dynamic,timeout; timeout $SET_TIMEOUT; }"
  done
  # The MAC addresses that brought new hosts to a subnet's outgoing set, each with its limit.
  for subnet in $subnets4; do
    echo "  set $(nft_set_name "${OUT_CHAIN}_macs" 4 "$subnet") { type ether_addr; size $SET_SIZE; flags dynamic,timeout; timeout 1h; }"
  done
  for subnet in $subnets6; do
    echo "  set $(nft_set_name "${OUT_CHAIN}_macs" 6 "$subnet") { type ether_addr; size $SET_SIZE; flags dynamic,timeout; timeout 1h; }"
  done
  for chain in "$IN_CHAIN" "$OUT_CHAIN"; do
    if [ "$chain" = "$IN_CHAIN" ]; then match=daddr; else match=saddr; fi
    echo "  chain $chain {"
    echo "    meta length 0-19 counter packets 1 bytes 1 comment \"$MARK\""
    for family in 4 6; do
      if [ "$family" = 4 ]; then protocol=ip; else protocol=ip6; fi
      for host in $(family_hosts "$family"); do
        case "$host" in
          *=*) echo "    $protocol $match ${host%%=*} counter comment \"${host#*=}\"" ;;
          *) echo "    $protocol $match $host counter" ;;
        esac
      done
    done
    # A listed host inside a subnet is counted by its own rule only: the set skips it.
    for family in 4 6; do
      if [ "$family" = 4 ]; then
        protocol=ip subnets=$subnets4 listed=$listed4 key="ip $match"
      else
        protocol=ip6 subnets=$subnets6 listed=$listed6 key="ip6 $match"
        [ "$IPV6_HOSTS" != 64 ] || key="ip6 $match & ffff:ffff:ffff:ffff::"
      fi
      for subnet in $subnets; do
        skip=
        [ -z "${listed% }" ] || skip=" $protocol $match != { $(echo "${listed% }" | sed 's/ /, /g') }"
        # An incoming host is only made for an address that has sent (it is in the outgoing
        # set): scanning the subnet from outside fills no set, its traffic counts apart.
        known='' remember=''
        if [ "$chain" = "$OUT_CHAIN" ]; then
          remember=" update @$(nft_known_set "$subnet" "$family") { $key }"
          # A host already there is counted; a new one only while the MAC address it came
          # from has made fewer than MAC_LIMIT an hour: one client cannot fill the set with
          # made-up addresses of its own subnet (the router's own packets have no MAC address
          # and pass). What it sends beyond counts apart.
          echo "    $protocol $match $subnet$skip $key @$(nft_known_set "$subnet" "$family") update @$(nft_set_name "$chain" "$family" "$subnet") { $key }$remember return"
          echo "    $protocol $match $subnet$skip update @$(nft_set_name "${OUT_CHAIN}_macs" "$family" "$subnet") { ether saddr limit rate over $MAC_LIMIT/hour burst $MAC_LIMIT packets } counter return comment \"not counted: too many addresses\""
        else
          known=" $key @$(nft_known_set "$subnet" "$family")"
        fi
        echo "    $protocol $match $subnet$skip$known update @$(nft_set_name "$chain" "$family" "$subnet") { $key }$remember return"
        echo "    $protocol $match $subnet$skip$known counter return comment \"not counted: set full\""
        [ -z "$known" ] || echo "    $protocol $match $subnet$skip counter return comment \"not counted: unknown host\""
      done
    done
    echo "  }"
  done
  # What comes in (forward, input) reaches the outgoing chain through a reverse-path check: a
  # source of a subnet that the route back would not reach through the interface it came in on
  # was made up outside the subnet's link (the internet, a client of another subnet), and
  # counts in the subnet's row of spoofed sources, never for a host and never as a new element.
  # The router's own packets (output, where nft refuses fib) go to the outgoing chain directly.
  echo "  chain $(nft_checked_chain) {"
  for subnet in $subnets4; do
    echo "    ip saddr $subnet fib saddr . iif oif missing counter return comment \"not counted: spoofed source\""
  done
  for subnet in $subnets6; do
    echo "    ip6 saddr $subnet fib saddr . iif oif missing counter return comment \"not counted: spoofed source\""
  done
  echo "    jump $OUT_CHAIN"
  echo "  }"
  if [ -n "$WAN_IF" ]; then
    interfaces=$(for interface in $WAN_IF; do printf '"%s", ' "$(echo "$interface" | sed 's/+$/*/')"; done)
    interfaces=${interfaces%, }
    echo "  chain forward {"
    echo "    type filter hook forward priority $priority; policy accept;"
    echo "    iifname { $interfaces } jump $IN_CHAIN"
    echo "    oifname { $interfaces } jump $(nft_checked_chain)"
    echo "  }"
  else
    for hook in input output forward; do
      echo "  chain $hook {"
      echo "    type filter hook $hook priority $priority; policy accept;"
      # The router's packets to itself pass output and then input from lo: counted in output.
      if [ "$hook" = input ]; then not_lo='iifname != "lo" '; else not_lo=; fi
      echo "    ${not_lo}jump $IN_CHAIN"
      if [ "$hook" = output ]; then echo "    jump $OUT_CHAIN"; else echo "    ${not_lo}jump $(nft_checked_chain)"; fi
      echo "  }"
    done
  fi
  echo "}"
}

# A listing as compared: counters and set elements left out (see "netreckon-kit nft-structure").
nft_structure() {
  "$(kit_helper)" nft-structure
}

# The newest snapshot of a prefix in the log folder, if any.
nft_previous() { # prefix
  find . -mindepth 1 -maxdepth 1 -type f -name "$1*" -printf '%f\n' |
    "$(kit_helper)" snapshots "$1" "" | tail -n 1
}

# Writes one snapshot of both chains from one listing of the table. ZERO "all" writes every
# row as 0, another file the rows of the counting rules of the addresses it lists. With
# OPTIONAL 1, a missing table means no snapshot (status 1).
nft_write_snapshot() { # stamp zero optional
  if ! listing=$(nft_run list table inet "$NFT_TABLE" 2>"$private/err"); then
    [ "$3" = 0 ] || return 1
    die "$NFT list table inet $NFT_TABLE failed: $(cat "$private/err")"
  fi
  full=0
  for direction in in out; do
    if [ "$direction" = in ]; then chain=$IN_CHAIN prefix=$IN_PREFIX; else chain=$OUT_CHAIN prefix=$OUT_PREFIX; fi
    previous=$(nft_previous "$prefix")
    starts=
    [ "$2" = all ] || starts=$2
    printf '%s\n' "$listing" | "$(kit_helper)" nft-listing "$chain" "$direction" "$MARK" "$previous" "$starts" \
      >"$private/$direction" || die "cannot write $private/$direction"
    if [ "$2" = all ]; then
      "$(kit_helper)" zero-rows <"$private/$direction" >"$private/zero" &&
        mv "$private/zero" "$private/$direction" || die "cannot write $private/$direction"
    fi
    if [ -n "$previous" ] && nft_set_filled "$previous" "$private/$direction"; then full=1; fi
  done
  # Hosts a full set had no room for are billed to no host of their own: a loss for the bill.
  [ "$full" = 0 ] || record_loss "$1" IPv4+IPv6 "set full"
  place_snapshot "$1"
}

# Whether a "not counted: set full" row grew from one snapshot of a chain to the next
# (counters compared as text, see "netreckon-kit nft-set-filled").
nft_set_filled() { # previous-file new-file
  "$(kit_helper)" nft-set-filled "$1" "$2"
}

# Loads the wanted table in one transaction (made if missing, then replaced: every counter of
# it starts from 0) and keeps what it asked for and how nft lists it, to compare with later.
nft_load() { # wanted-file
  {
    echo "table inet $NFT_TABLE {}"
    echo "delete table inet $NFT_TABLE"
    cat "$1"
  } >"$private/load"
  nft_run -f "$private/load" 2>"$private/err" ||
    die "$NFT -f failed, nothing changed: $(cat "$private/err")"
  nft_keep_loaded "$1"
}

# Keeps what the kit asked for and how nft lists it, to compare with later.
nft_keep_loaded() { # wanted-file
  nft_run -t list table inet "$NFT_TABLE" | nft_structure >"$private/listed" ||
    die "$NFT list table inet $NFT_TABLE failed"
  cp "$1" .nft-wanted.new && mv .nft-wanted.new .nft-wanted && mv "$private/listed" .nft-listed ||
    die "cannot write in $LOG_DIR"
}

# Plans the change from the table loaded last to the wanted one in place (netreckon-kit
# nft-plan) into $private/change and $private/starts; fails where the table must be replaced.
nft_plan_change() {
  "$(kit_helper)" nft-plan "$NFT_TABLE" .nft-wanted "$private/wanted" "$private/handles" >"$private/plan" ||
    return 1
  sed -n 's/^C //p' "$private/plan" >"$private/change" && sed -n 's/^Z //p' "$private/plan" >"$private/starts" ||
    die "cannot write in $LOG_DIR"
}

# Gives each mark rule the byte count FRESH_MARK, in one transaction, and keeps the value. With
# LISTED 1 nothing changed since the listing with handles in $private/handles; else the table
# is listed again (without the sets' elements: every listing fetches them, and they are many).
nft_set_marks() { # listed
  [ "$DRY_RUN" = 0 ] || return 0
  if [ "$1" = 0 ]; then
    nft_run -a -t list table inet "$NFT_TABLE" >"$private/handles" 2>"$private/err" ||
      die "$NFT list table inet $NFT_TABLE failed: $(cat "$private/err")"
  fi
  "$(kit_helper)" nft-marks "$NFT_TABLE" "$IN_CHAIN" "$OUT_CHAIN" "$MARK" "$FRESH_MARK" \
    <"$private/handles" >"$private/marks" || die "cannot write in $LOG_DIR"
  [ ! -s "$private/marks" ] || nft_run -f "$private/marks" 2>"$private/err" || die "$NFT -f failed: $(cat "$private/err")"
  keep_mark
}

# The sequence's check for the table: where the config asks for changes, they are planned in
# place (a snapshot of what is there, then one in which the new counting rules read 0); where
# the table is missing or was changed, it is replaced (a snapshot of what is there, then one in
# which every row reads 0); where only the counters were reset, the rows as 0, then the rows as
# read; where saved counters were loaded back (a restore, a boot file), the table is replaced at
# once and every row written as 0, so that nothing is billed twice. With no hosts ("remove"),
# a last snapshot and the table goes.
nft_check() {
  CHANGE=0
  RESET=0
  NFT_REPLACE=0
  if [ -z "$NORMALIZED$NORMALIZED_SUBNETS" ]; then
    CHANGE=1
    if nft_run list table inet "$NFT_TABLE" >/dev/null 2>&1; then BEFORE=-; fi
    return 0
  fi
  lost=
  nft_wanted_text >"$private/wanted"
  replace=0
  # The table without its sets' elements (-t): what is compared and checked needs none of them.
  : >"$private/now"
  listed=1
  nft_run -a -t list table inet "$NFT_TABLE" >"$private/handles" 2>"$private/err" || listed=0
  [ "$listed" = 0 ] || sed 's/ # handle [0-9]*$//' "$private/handles" >"$private/now" || die "cannot write in $LOG_DIR"
  if [ "$listed" = 0 ]; then
    # Only a table that is not there is made anew: any other failure stops the run, which
    # must never replace a table whose readings it could not keep first.
    grep -q 'No such file or directory' "$private/err" ||
      die "$NFT list table inet $NFT_TABLE failed: $(cat "$private/err")"
    FINDINGS="table inet $NFT_TABLE missing"
    [ ! -f .nft-wanted ] || [ "$CLEAN_STOP" = 1 ] || lost="table gone"
    replace=1
  elif [ ! -f .nft-wanted ] || ! cmp -s "$private/wanted" .nft-wanted; then
    FINDINGS="the config asks for another table"
    replace=1
    # The table as the kit loaded it is changed in place: every rule and set that stays keeps
    # counting through the change.
    if [ -f .nft-wanted ] && nft_structure <"$private/now" | cmp -s - .nft-listed && nft_plan_change; then
      FINDINGS="the config asks for changes to the table"
      replace=2
    fi
  elif ! nft_structure <"$private/now" | cmp -s - .nft-listed; then
    FINDINGS="table inet $NFT_TABLE was changed"
    lost="table changed"
    replace=1
  fi
  # Only the kit writes the marks' bytes: 0 is a reset, any other value it did not write came
  # back from a save.
  reset=0
  kept=$(kept_mark)
  if [ -s "$private/now" ] && grep -q "comment \"$MARK\"" "$private/now"; then
    marks=$(grep "comment \"$MARK\"" "$private/now" | sed -n 's/.*counter packets [0-9]* bytes \([0-9]*\) .*/\1/p' | sort -u)
    for bytes in $marks; do
      [ "$bytes" != "${kept:-1}" ] || continue
      if [ "$bytes" = 0 ] && [ "$reset" = 0 ]; then reset=1; elif [ "$bytes" != 0 ]; then reset=2; fi
    done
  fi
  if [ "$reset" = 2 ]; then
    FINDINGS="${FINDINGS:+$FINDINGS; }saved counters were restored (a restore or a reload): every counter set to 0, not billed again"
    lost=${lost:+$lost; }"saved counters restored"
    replace=1
  elif [ "$reset" = 1 ]; then
    FINDINGS="${FINDINGS:+$FINDINGS; }the counters were reset (nft reset, a restore or a reload)"
    lost=${lost:+$lost; }"counters reset"
  fi
  # Restored counters are never kept: the table is replaced.
  [ "$reset" != 2 ] || [ "$replace" != 2 ] || replace=1
  NFT_REPLACE=$replace
  [ "$replace" = 0 ] || CHANGE=1
  RESET=$reset
  LOST=$lost
  LOST_FAMILIES=IPv4+IPv6
  # Counters reset behind the kit's back: the rows as 0 first, then as read (the traffic since
  # the reset). A table replaced: the rows as read. Restored counters are never read.
  if [ -s "$private/now" ] && [ "$reset" != 2 ]; then
    [ "$reset" != 1 ] || BEFORE=all
    if [ "$replace" = 1 ] || [ "$reset" = 0 ]; then BEFORE="$BEFORE -"; fi
  fi
}

# Makes the change the check planned (a dry run prints it): in place, then the new counting
# rules read 0; the table replaced, then every row reads 0; the table taken away.
nft_change() {
  if [ -z "$NORMALIZED$NORMALIZED_SUBNETS" ]; then
    if [ "$DRY_RUN" = 1 ]; then
      echo "delete table inet $NFT_TABLE"
    elif nft_run list table inet "$NFT_TABLE" >/dev/null 2>&1; then
      nft_run delete table inet "$NFT_TABLE" 2>"$private/err" ||
        die "$NFT delete table failed: $(cat "$private/err")"
    fi
    return 0
  fi
  if [ "$DRY_RUN" = 1 ]; then
    if [ "$NFT_REPLACE" = 2 ]; then cat "$private/change"; elif [ "$NFT_REPLACE" = 1 ]; then cat "$private/wanted"; fi
    return 0
  fi
  if [ "$NFT_REPLACE" = 2 ]; then
    nft_run -f "$private/change" 2>"$private/err" || die "$NFT -f failed, nothing changed: $(cat "$private/err")"
    nft_keep_loaded "$private/wanted"
    AFTER=starts
    LISTED=0
  elif [ "$NFT_REPLACE" = 1 ]; then
    nft_load "$private/wanted"
    AFTER=all
    LISTED=0
  else
    AFTER=-
  fi
}

# A snapshot (see nft_write_snapshot): ZERO "all" every row as 0, "-" as read, another word the
# rows of the rules that start from 0 listed in $private/ZERO.
nft_snapshot() { # stamp zero optional
  case "$2" in
    -) nft_write_snapshot "$1" "" "$3" ;;
    all) nft_write_snapshot "$1" all "$3" ;;
    *) nft_write_snapshot "$1" "$private/$2" "$3" ;;
  esac
}

# Renews the marks; after "remove", forgets the table and the marks.
nft_keep() {
  if [ -z "$NORMALIZED$NORMALIZED_SUBNETS" ]; then
    [ "$DRY_RUN" = 1 ] || rm -f .nft-wanted .nft-listed .mark
    return 0
  fi
  nft_set_marks "$LISTED"
}
