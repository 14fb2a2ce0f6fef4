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
CONFIG=/etc/netreckon.conf
# Seconds any iptables call waits for the xtables lock before it fails.
LOCK_WAIT=20
DRY_RUN=0
SNAPSHOTS=1
TIME_GIVEN=0
private=

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
read_config() {
  [ -r "$1" ] || die "cannot read config file $1"
  cr=$(printf '\r')
  number=0
  while IFS= read -r line || [ -n "$line" ]; do
    number=$((number + 1))
    line=${line%"$cr"}
    line=${line#"${line%%[![:space:]]*}"}
    case "$line" in '' | '#'*) continue ;; esac
    case "$line" in export[[:space:]]*) line=${line#export}; line=${line#"${line%%[![:space:]]*}"} ;; esac
    case "$line" in *=*) ;; *) die "$1:$number: not a KEY=value line: $line" ;; esac
    key=${line%%=*}
    key=${key%"${key##*[![:space:]]}"}
    rest=${line#*=}
    rest=${rest#"${rest%%[![:space:]]*}"}
    case "$key" in '' | [0-9]* | *[!A-Za-z0-9_]*) die "$1:$number: not a variable name: $key" ;; esac
    case "$rest" in
      \"*)
        rest=${rest#\"}
        case "$rest" in *\"*) ;; *) die "$1:$number: unterminated quote" ;; esac
        value=${rest%%\"*}
        rest=${rest#*\"}
        ;;
      \'*)
        rest=${rest#\'}
        case "$rest" in *\'*) ;; *) die "$1:$number: unterminated quote" ;; esac
        value=${rest%%\'*}
        rest=${rest#*\'}
        ;;
      *)
        value=${rest%%[[:space:]]*}
        rest=${rest#"$value"}
        case "$value" in *[\"\']*) die "$1:$number: a quote inside a value: $value" ;; esac
        ;;
    esac
    rest=${rest#"${rest%%[![:space:]]*}"}
    case "$rest" in
      '' | '#'*) ;;
      *) die "$1:$number: text after the value (quote a value with blanks): $rest" ;;
    esac
    case "$key" in
      IN_CHAIN) IN_CHAIN=$value ;;
      OUT_CHAIN) OUT_CHAIN=$value ;;
      HOSTS) HOSTS=$value ;;
      LOG_DIR) LOG_DIR=$value ;;
      IN_PREFIX) IN_PREFIX=$value ;;
      OUT_PREFIX) OUT_PREFIX=$value ;;
      IPTABLES) IPTABLES=$value ;;
      IP6TABLES) IP6TABLES=$value ;;
      IPTABLES_RESTORE) IPTABLES_RESTORE=$value ;;
      IP6TABLES_RESTORE) IP6TABLES_RESTORE=$value ;;
      KEEP_DAYS) KEEP_DAYS=$value ;;
      KEEP_DAILY) KEEP_DAILY=$value ;;
      COUNT) COUNT=$value ;;
      WAN_IF) WAN_IF=$value ;;
      *) warn "$1:$number: unknown key $key (ignored)" ;;
    esac
  done <"$1"
}

# Reads the config file named on the command line, or the default one where it exists. It names
# the commands root runs: it must belong to root or to the user running this, and neither its
# group nor others may write to it.
load_config() {
  find_config_option "$@"
  CONFIG_READ=0
  if [ "$CONFIG_GIVEN" = 1 ] || [ -e "$CONFIG" ]; then
    [ -e "$CONFIG" ] || die "cannot read config file $CONFIG"
    check_private_file "$CONFIG" "the config file $CONFIG"
    read_config "$CONFIG"
    CONFIG_READ=1
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
  for interface in $WAN_IF; do
    case "$interface" in
      -* | *[!A-Za-z0-9_.@:+-]*) die "not an interface name in WAN_IF: '$interface'" ;;
    esac
    [ "${#interface}" -le 15 ] || die "not an interface name in WAN_IF (15 characters at most): '$interface'"
  done
}

# The hosts, one "FAMILY ADDRESS/PREFIX [NAME]" line each, into NORMALIZED; none is an error
# before anything changes.
load_hosts() {
  [ -n "$(printf '%s' "$HOSTS" | tr -d ' \t')" ] || die "no hosts in $CONFIG"
  NORMALIZED=$(normalize_hosts "$HOSTS") || die "nothing changed: fix the hosts above"
}

# Enters LOG_DIR once and works only with names relative to it from then on: swapping the path
# after the check (through a writable parent or a link) cannot turn root's writes elsewhere.
# Holds the folder's lock while the caller runs, and makes the private work folder.
enter_log_dir() {
  [ -e "$LOG_DIR" ] || [ -L "$LOG_DIR" ] || (umask 022 && mkdir -p -- "$LOG_DIR") || die "cannot create $LOG_DIR"
  cd -P -- "$LOG_DIR" 2>/dev/null || die "cannot enter $LOG_DIR"
  check_private_file . "$LOG_DIR"
  # Root writes only into a folder that nobody else can change under it.
  exec 9>>.lock || die "cannot write in $LOG_DIR"
  flock -w "$LOCK_WAIT" 9 || die "another netreckon-chains or netreckon-snapshot still runs in $LOG_DIR"
  private=$(mktemp -d .snapshot.XXXXXX) || die "cannot write in $LOG_DIR"
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

# Prints "4 ADDRESS/PREFIX [NAME]" or "6 ADDRESS/PREFIX [NAME]" per HOSTS entry (see
# netreckon-hosts.awk beside this file); fails naming each entry that is no valid address.
# The caller runs with globbing off (set -f), so an entry such as 10.9.9.? stays as written.
normalize_hosts() {
  # shellcheck disable=SC2086
  printf '%s\n' $1 | awk -f "$KIT_LIB/netreckon-hosts.awk"
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
