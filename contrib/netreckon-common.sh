# Shared by netreckon-chains and netreckon-snapshot (sourced, never run): the settings and their
# defaults, reading the config file as data and checking it, the log directory entered once,
# and checking host addresses and snapshot times.
# shellcheck shell=sh disable=SC2034

IN_CHAIN=NETRECKON_IN
OUT_CHAIN=NETRECKON_OUT
HOSTS=
LOG_DIR=/var/log/netreckon
IN_PREFIX=traffic_in_
OUT_PREFIX=traffic_out_
IPTABLES=iptables
IP6TABLES=ip6tables
IPTABLES_RESTORE=
IP6TABLES_RESTORE=
KEEP_DAYS=0
KEEP_DAILY=0
COUNT=
WAN_IF=
BACKEND=iptables
NFT=nft
SUBNETS=
IPV6_HOSTS=address
SET_SIZE=16384
TEXTFILE_DIR=
SET_TIMEOUT=1h
MAC_LIMIT=64
LOCK_DIR=/run/netreckon
CONFIG=/etc/netreckon.conf
# Seconds any iptables call waits for the xtables lock before it fails.
LOCK_WAIT=20
DRY_RUN=0
TIME_GIVEN=0
private=
# The stamp of the last snapshot placed in LOG_DIR by this run; empty while none was.
PLACED=
# 1 once this run found that traffic may have gone uncounted (see record_loss).
LOSS_FOUND=0
# The byte count this run gives the reset marks (the snapshot's stamp), and whether the kit's
# own last act was a clean stop (the shutdown's final snapshot, or "remove").
FRESH_MARK=
CLEAN_STOP=0
# Where the kit records each finding that traffic may have gone uncounted, and how many of the
# newest lines it keeps.
EVENTS=netreckon.events
EVENTS_KEPT=10000

# cron runs jobs with PATH=/usr/bin:/bin, where iptables is not.
case ":$PATH:" in
  *:/usr/sbin:*) ;;
  *) PATH=$PATH:/usr/local/sbin:/usr/sbin:/sbin ;;
esac

die() {
  echo "$PROGRAM: $*" >&2
  exit 1
}

warn() {
  echo "$PROGRAM: $*" >&2
}

# The config path of the command line, found before the other options so that they override it.
find_config_option() {
  CONFIG_GIVEN=0
  while [ $# -gt 0 ]; do
    if [ "$1" = --config ] && [ $# -gt 1 ]; then
      CONFIG=$2
      CONFIG_GIVEN=1
    fi
    shift
  done
}

# Reads shell-style KEY=value lines as data: quotes, spaces around "=", "export", trailing
# comments and CRLF line ends are understood; nothing is run. Any malformed line is an error.
# The grammar has one reader, netreckon-kit's (the report reads the same lines with it): it
# writes each value of a key the kit knows as an assignment in single quotes, each other key as
# a warning, and a malformed line as the one error, for the shell to eval.
read_config() {
  [ -r "$1" ] || die "cannot read config file $1"
  config_shell=$("$(kit_helper)" config "$1") || die "cannot read config file $1"
  eval "$config_shell"
}

# Reads the config file named on the command line, or the default one where it exists. It names
# the commands root runs: it must belong to root or to the user running this, and neither its
# group nor others may write to it.
load_config() {
  find_config_option "$@"
  if [ "$CONFIG_GIVEN" = 1 ] || [ -e "$CONFIG" ]; then
    [ -e "$CONFIG" ] || die "cannot read config file $CONFIG"
    check_private_file "$CONFIG" "the config file $CONFIG"
    read_config "$CONFIG"
  fi
}

# Refuses a file or folder that another account could have written: owned by neither root nor
# the running user, or writable by group or others.
check_private_file() { # path name
  owner=$(stat -L -c %u -- "$1") || die "cannot look at $2"
  mode=$(stat -L -c %a -- "$1") || die "cannot look at $2"
  [ "$owner" = "$(id -u)" ] || [ "$owner" = 0 ] ||
    die "refused: $2 belongs to user $owner, neither to $(id -un) nor to root; nothing done"
  case "$mode" in
    *[2367]? | *[2367]) die "refused: $2 can be written by its group or by others (mode $mode); nothing done" ;;
  esac
}

# The folders above a path, as it is written and as it resolves: none may be writable by an
# account other than root or the running user (a sticky folder of root's such as /tmp excepted:
# the owner of a sticky folder may still rename what others put in it), or that account could
# swap the log directory for another between the check and the writes.
check_ancestors() { # path [what it holds, and what could be swapped, for the message]
  ancestor_of=${2:-$LOG_DIR}
  ancestor_swap=${3:-the log directory}
  case "$1" in /*) ancestor_path=$1 ;; *) ancestor_path=$(pwd -P)/$1 ;; esac
  ancestor=
  ancestor_ifs=$IFS
  IFS=/
  set -- $ancestor_path
  IFS=$ancestor_ifs
  while [ $# -gt 1 ]; do
    [ -z "$1" ] || ancestor=$ancestor/$1
    shift
    [ -n "$1" ] || continue
    [ -d "${ancestor:-/}" ] || return 0
    owner=$(stat -L -c %u -- "${ancestor:-/}") || die "cannot look at ${ancestor:-/}"
    mode=$(stat -L -c %a -- "${ancestor:-/}") || die "cannot look at ${ancestor:-/}"
    [ "$owner" != 0 ] || case "$mode" in [1357]???) continue ;; esac
    if { [ "$owner" != 0 ] && [ "$owner" != "$(id -u)" ]; } || case "$mode" in *[2367]? | *[2367]) true ;; *) false ;; esac; then
      die "refused: ${ancestor:-/} above $ancestor_of can be changed by an account other than root (owner $owner, mode $mode), which could swap $ancestor_swap; nothing done"
    fi
  done
}

require_root() {
  [ "$(id -u)" = 0 ] || die "must be run as root"
}

# The values that are not hosts: chains, COUNT, WAN_IF.
check_settings() {
  for chain in "$IN_CHAIN" "$OUT_CHAIN"; do
    case "$chain" in '' | -* | *[!A-Za-z0-9_-]*) die "not a chain name: '$chain'" ;; esac
  done
  [ "$IN_CHAIN" != "$OUT_CHAIN" ] || die "IN_CHAIN and OUT_CHAIN are the same: $IN_CHAIN"
  case "$COUNT" in '' | accepted | all) ;; *) die "COUNT must be accepted or all: $COUNT" ;; esac
  case "$BACKEND" in iptables | nft) ;; *) die "BACKEND must be iptables or nft: $BACKEND" ;; esac
  case "$IPV6_HOSTS" in address | 64) ;; *) die "IPV6_HOSTS must be address or 64: $IPV6_HOSTS" ;; esac
  case "$SET_SIZE" in '' | 0* | *[!0-9]*) die "SET_SIZE must be a whole number from 1 to 16777216: $SET_SIZE" ;; esac
  [ "${#SET_SIZE}" -le 8 ] && [ "$SET_SIZE" -le 16777216 ] ||
    die "SET_SIZE must be a whole number from 1 to 16777216: $SET_SIZE"
  [ "$BACKEND" = nft ] || [ -z "$SUBNETS" ] || die "SUBNETS needs BACKEND=nft"
  # cron runs a job in the account's home: a relative folder would land there.
  case "$LOG_DIR" in /*) ;; *) die "LOG_DIR must be an absolute path: $LOG_DIR" ;; esac
  case "$TEXTFILE_DIR" in '' | /*) ;; *) die "TEXTFILE_DIR must be an absolute path: $TEXTFILE_DIR" ;; esac
  check_set_timeout
  case "$MAC_LIMIT" in '' | 0* | *[!0-9]*) die "MAC_LIMIT must be a whole number from 1 to 65536: $MAC_LIMIT" ;; esac
  [ "${#MAC_LIMIT}" -le 5 ] && [ "$MAC_LIMIT" -le 65536 ] ||
    die "MAC_LIMIT must be a whole number from 1 to 65536: $MAC_LIMIT"
  for interface in $WAN_IF; do
    case "$interface" in
      -* | *[!A-Za-z0-9_.@:+-]*) die "not an interface name in WAN_IF: '$interface'" ;;
    esac
    [ "${#interface}" -le 15 ] || die "not an interface name in WAN_IF (15 characters at most): '$interface'"
  done
}

# SET_TIMEOUT: minutes, hours or days ("90m", "1h", "2d"), from 15 minutes (three snapshots of
# the timer read an idle element before it goes) to 30 days.
check_set_timeout() {
  case "$SET_TIMEOUT" in
    [1-9]m | [1-9][0-9]m | [1-9][0-9][0-9]m | [1-9][0-9][0-9][0-9]m | [1-9][0-9][0-9][0-9][0-9]m) minutes=${SET_TIMEOUT%m} ;;
    [1-9]h | [1-9][0-9]h | [1-9][0-9][0-9]h) minutes=$((${SET_TIMEOUT%h} * 60)) ;;
    [1-9]d | [1-9][0-9]d) minutes=$((${SET_TIMEOUT%d} * 1440)) ;;
    *) minutes=0 ;;
  esac
  [ "$minutes" -ge 15 ] && [ "$minutes" -le 43200 ] ||
    die "SET_TIMEOUT must be minutes, hours or days (90m, 1h, 2d) from 15m to 30d: $SET_TIMEOUT"
}

# The hosts, one "FAMILY ADDRESS/PREFIX [NAME]" line each, into NORMALIZED; none is an error
# before anything changes.
load_hosts() {
  [ -n "$(printf '%s' "$HOSTS$SUBNETS" | tr -d ' \t')" ] || die "no hosts in $CONFIG"
  NORMALIZED=
  [ -z "$HOSTS" ] || NORMALIZED=$(normalize_hosts "$HOSTS") || die "nothing changed: fix the hosts above"
  NORMALIZED_SUBNETS=
  [ -z "$SUBNETS" ] || NORMALIZED_SUBNETS=$(normalize_hosts "$SUBNETS") ||
    die "nothing changed: fix the subnets above"
}

# Enters LOG_DIR once and works only with names relative to it from then on: swapping the path
# after the check (through a writable parent or a link) cannot turn root's writes elsewhere.
# Holds the folder's lock while the caller runs, and makes the private work folder. A dry run
# changes nothing on disk: it reads a folder that is there, else an empty one of its own, and
# works in a private folder outside.
enter_log_dir() {
  if [ "$DRY_RUN" = 1 ]; then
    private=$(mktemp -d) || die "cannot make a private folder"
    if [ ! -e "$LOG_DIR" ] && [ ! -L "$LOG_DIR" ]; then
      mkdir "$private/logs" && cd -P -- "$private/logs" || die "cannot make a private folder"
      return 0
    fi
  fi
  [ -e "$LOG_DIR" ] || [ -L "$LOG_DIR" ] || (umask 022 && mkdir -p -- "$LOG_DIR") || die "cannot create $LOG_DIR"
  check_ancestors "$LOG_DIR"
  cd -P -- "$LOG_DIR" 2>/dev/null || die "cannot enter $LOG_DIR"
  check_ancestors "$(pwd -P)"
  check_private_file . "$LOG_DIR"
  # Root writes only into a folder that nobody else can change under it.
  hold_lock
  [ "$DRY_RUN" = 1 ] || private=$(mktemp -d .snapshot.XXXXXX) || die "cannot write in $LOG_DIR"
}

# The value the kit gave the reset marks at its last run; empty when it never did.
kept_mark() {
  [ -f .mark ] && [ ! -L .mark ] || return 0
  head -c 32 .mark | tr -cd 0-9
}
keep_mark() {
  echo "$FRESH_MARK" >"$private/mark" && mv -T -f "$private/mark" .mark || die "cannot write $LOG_DIR/.mark"
}

# The stamp of the newest snapshot of a prefix before a stamp, if any.
newest_snapshot() { # prefix before
  newest_name=$(find . -mindepth 1 -maxdepth 1 -type f -name "$1*" -printf '%f\n' |
    "$(kit_helper)" snapshots "$1" "$2" | tail -n 1)
  echo "${newest_name#"$1"}"
}

# Appends one line to the events file: the stamp, the family, the two prefixes, the stamp of
# the last good snapshot (the window in which counts were lost runs from it to the stamp) and
# what was found. Written like a snapshot: in the private folder, flushed, then moved into place
# (never through a link); only the newest EVENTS_KEPT lines stay. Nothing before a first
# snapshot can have been lost.
record_loss() { # stamp family what
  last_good=$(newest_snapshot "$IN_PREFIX" "$1")
  [ -n "$last_good" ] || return 0
  LOSS_FOUND=1
  if [ -L "$EVENTS" ] || { [ -e "$EVENTS" ] && [ ! -f "$EVENTS" ]; }; then
    warn "refused: $LOG_DIR/$EVENTS is not a regular file; the loss since $last_good is not recorded"
    return 0
  fi
  {
    [ ! -f "$EVENTS" ] || tail -n "$((EVENTS_KEPT - 1))" "$EVENTS"
    printf '%s %s %s %s %s %s\n' "$1" "$2" "$IN_PREFIX" "$OUT_PREFIX" "$last_good" "$3"
  } >"$private/events" && sync "$private/events" 2>/dev/null && chmod 0644 "$private/events" &&
    mv -T -f "$private/events" "$EVENTS" || die "cannot write $LOG_DIR/$EVENTS"
}

# Keeps the lines of the events file whose window reaches the day OLDEST or later.
trim_events() { # oldest-day
  [ -f "$EVENTS" ] && [ ! -L "$EVENTS" ] || return 0
  "$(kit_helper)" events "$1" <"$EVENTS" >"$private/events" &&
    chmod 0644 "$private/events" && mv -T -f "$private/events" "$EVENTS" ||
    warn "cannot thin $LOG_DIR/$EVENTS"
}

# The names of the snapshots of a prefix dated before a day, in time order.
old_snapshots() { # prefix oldest-day-kept
  find . -mindepth 1 -maxdepth 1 -type f -name "$1*" -printf '%f\n' |
    "$(kit_helper)" snapshots "$1" "$2"
}

# After a snapshot: deletes those dated more than KEEP_DAILY days before today but each
# prefix's newest such one (the baseline of the oldest day kept), then thins those dated more
# than KEEP_DAYS days before today to what a report needs (see "netreckon-kit thin").
retain_snapshots() {
  for prefix in "$IN_PREFIX" "$OUT_PREFIX"; do
    if [ "$KEEP_DAILY" -gt 0 ]; then
      old_snapshots "$prefix" "$(date -d "today - $KEEP_DAILY days" +%Y%m%d)" | sed '$d' |
        xargs -r rm -f -- || warn "cannot delete every old snapshot in $LOG_DIR"
      [ "$prefix" != "$IN_PREFIX" ] || trim_events "$(date -d "today - $KEEP_DAILY days" +%Y%m%d)"
    fi
    if [ "$KEEP_DAYS" -gt 0 ]; then
      old_snapshots "$prefix" "$(date -d "today - $KEEP_DAYS days" +%Y%m%d)" >"$private/old"
      if [ -s "$private/old" ]; then
        "$(kit_helper)" thin <"$private/old" >"$private/thin" &&
          xargs -r rm -f -- <"$private/thin" || warn "cannot thin the old snapshots in $LOG_DIR"
      fi
    fi
  done
}

# A run's stamp: without a given time, the next free second (a snapshot of this second may
# exist); a given time that exists already is refused when the snapshot is placed.
free_stamp() {
  if [ "$TIME_GIVEN" = 0 ]; then
    while [ -e "$IN_PREFIX$STAMP" ] || [ -e "$OUT_PREFIX$STAMP" ] || [ -L "$IN_PREFIX$STAMP" ] ||
      [ -L "$OUT_PREFIX$STAMP" ]; do STAMP=$(next_stamp "$STAMP"); done
  fi
  FRESH_MARK=$STAMP
  if [ -e .removed ] || [ -e .stopped ]; then CLEAN_STOP=1; fi
}

# The lock that keeps two runs apart is a file only root can open, in a folder only root can
# enter: flock needs nothing but an open file, so a lock that another account can read is a
# lock that account can hold, and stop every snapshot with.
hold_lock() {
  case "$LOCK_DIR" in /*) ;; *) die "LOCK_DIR must be an absolute path: $LOCK_DIR" ;; esac
  # A dry run waits for a run that holds the lock, but makes neither the folder nor the file.
  if [ "$DRY_RUN" = 1 ]; then
    [ -d "$LOCK_DIR" ] && [ ! -L "$LOCK_DIR" ] && [ -f "$LOCK_DIR/lock" ] && [ ! -L "$LOCK_DIR/lock" ] || return 0
    exec 9<"$LOCK_DIR/lock" || return 0
    flock -w "$LOCK_WAIT" 9 || die "another netreckon-chains or netreckon-snapshot still runs"
    return 0
  fi
  [ -d "$LOCK_DIR" ] || (umask 077 && mkdir -p -- "$LOCK_DIR") || die "cannot create $LOCK_DIR"
  check_ancestors "$LOCK_DIR" "$LOCK_DIR" "the lock"
  [ ! -L "$LOCK_DIR" ] || die "refused: $LOCK_DIR is a symbolic link; nothing done"
  owner=$(stat -c %u -- "$LOCK_DIR") || die "cannot look at $LOCK_DIR"
  mode=$(stat -c %a -- "$LOCK_DIR") || die "cannot look at $LOCK_DIR"
  [ "$owner" = "$(id -u)" ] ||
    die "refused: $LOCK_DIR belongs to user $owner, not to $(id -un); nothing done"
  case "$mode" in
    *[1-7]? | *[1-7]) die "refused: others can enter $LOCK_DIR (mode $mode): make it 0700; nothing done" ;;
  esac
  lock_umask=$(umask)
  umask 077
  exec 9>>"$LOCK_DIR/lock" || die "cannot write in $LOCK_DIR"
  umask "$lock_umask"
  flock -w "$LOCK_WAIT" 9 || die "another netreckon-chains or netreckon-snapshot still runs"
}

cleanup() {
  [ -z "$private" ] || rm -rf "$private"
}

# A snapshot time: 14 digits, a real local date and time.
stamp_moment() { # stamp
  echo "$1" | sed 's/^\(....\)\(..\)\(..\)\(..\)\(..\)\(..\)$/\1-\2-\3 \4:\5:\6/'
}
check_stamp() { # stamp
  case "$1" in
    [0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]) ;;
    *) die "the time must be 14 digits, YYYYMMDDHHMMSS: $1" ;;
  esac
  [ "$(date -d "$(stamp_moment "$1")" +%Y%m%d%H%M%S 2>/dev/null || true)" = "$1" ] ||
    die "not a real local date and time: $1"
}

# Prints "4 ADDRESS/PREFIX [NAME]" or "6 ADDRESS/PREFIX [NAME]" per HOSTS entry, as the firewall
# prints it (netreckon-kit reads it with the system's address parser and printer, the
# firewall's own); fails naming each entry that is no valid address or is listed twice, and
# warns of a subnet that holds another entry. The caller runs with globbing off (set -f), so an
# entry such as 10.9.9.? stays as written.
normalize_hosts() {
  # shellcheck disable=SC2086
  printf '%s\n' $1 | "$(kit_helper)" hosts
}

# The snapshot names: two different prefixes of letters, digits, '.', '_' and '-'.
check_prefixes() {
  for prefix in "$IN_PREFIX" "$OUT_PREFIX"; do
    case "$prefix" in
      '') die "a snapshot prefix is empty: set IN_PREFIX and OUT_PREFIX" ;;
      *[!A-Za-z0-9._-]*) die "a snapshot prefix may hold only letters, digits, '.', '_' and '-': $prefix" ;;
    esac
  done
  # netreckon compares names ignoring case: equal prefixes would read every file both ways.
  [ "$(printf '%s' "$IN_PREFIX" | tr 'A-Z' 'a-z')" != "$(printf '%s' "$OUT_PREFIX" | tr 'A-Z' 'a-z')" ] ||
    die "IN_PREFIX and OUT_PREFIX are the same ($IN_PREFIX): the outgoing snapshot would overwrite the incoming one"
}

# KEEP_DAYS: a whole number of days from 0 to 36500.
check_keep_days() {
  case "$KEEP_DAYS" in '' | *[!0-9]*) die "KEEP_DAYS must be a whole number of days from 0 to 36500: $KEEP_DAYS" ;; esac
  days=$(printf '%s' "$KEEP_DAYS" | sed 's/^0*//')
  [ "${#days}" -le 5 ] && [ "${days:-0}" -le 36500 ] ||
    die "KEEP_DAYS must be a whole number of days from 0 to 36500: $KEEP_DAYS"
  KEEP_DAYS=${days:-0}
  case "$KEEP_DAILY" in '' | *[!0-9]*) die "KEEP_DAILY must be a whole number of days from 0 to 36500: $KEEP_DAILY" ;; esac
  days=$(printf '%s' "$KEEP_DAILY" | sed 's/^0*//')
  [ "${#days}" -le 5 ] && [ "${days:-0}" -le 36500 ] ||
    die "KEEP_DAILY must be a whole number of days from 0 to 36500: $KEEP_DAILY"
  KEEP_DAILY=${days:-0}
}

# The helper built from the report's own sources: installed beside this file; NETRECKON_KIT
# names another (the tests' build).
kit_helper() {
  echo "${NETRECKON_KIT:-$KIT_LIB/netreckon-kit}"
}

# Publishes the counters of the last snapshot placed for a monitoring system's textfile
# collector: netreckon.prom in TEXTFILE_DIR, written under a temporary name there and renamed,
# never through a link, and only into a folder of root's that nobody else can write, reached by
# the path as written (a link on the way could lead root's write elsewhere). Any failure is said
# and changes nothing else: the snapshot stands.
publish_metrics() { # healthy (1, or 0 after a loss found)
  [ -n "$TEXTFILE_DIR" ] && [ -n "$PLACED" ] || return 0
  seconds=$(date -d "$(stamp_moment "$PLACED")" +%s) &&
    "$(kit_helper)" metrics "$IN_PREFIX$PLACED" "$OUT_PREFIX$PLACED" "$seconds" "$1" \
      >"$private/prom" 2>"$private/err" || {
    warn "counters not published to $TEXTFILE_DIR: $(cat "$private/err")"
    return 0
  }
  (
    exec 7<"$private/prom"
    cd -P -- "$TEXTFILE_DIR" 2>/dev/null || { warn "cannot enter $TEXTFILE_DIR: counters not published"; exit 0; }
    [ "$(pwd -P)" = "${TEXTFILE_DIR%/}" ] ||
      { warn "refused: $TEXTFILE_DIR leads through a link to $(pwd -P): counters not published"; exit 0; }
    owner=$(stat -c %u .) && mode=$(stat -c %a .) || exit 0
    if [ "$owner" != 0 ] || case "$mode" in *[2367]? | *[2367]) true ;; *) false ;; esac; then
      warn "refused: $TEXTFILE_DIR must belong to root and not be writable by group or others (owner $owner, mode $mode): counters not published"
      exit 0
    fi
    temporary=$(mktemp .netreckon.prom.XXXXXX) || { warn "cannot write in $TEXTFILE_DIR: counters not published"; exit 0; }
    if cat <&7 >"$temporary" && chmod 0644 "$temporary" && mv -fT -- "$temporary" netreckon.prom; then
      exit 0
    fi
    rm -f -- "$temporary"
    warn "cannot write $TEXTFILE_DIR/netreckon.prom: counters not published"
  )
}
