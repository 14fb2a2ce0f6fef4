# Shared by netreckon-chains and netreckon-snapshot (sourced, never run): the settings and their
# defaults, reading the config file as data, and checking host addresses.
# shellcheck shell=sh disable=SC2034

IN_CHAIN=NETRECKON_IN
OUT_CHAIN=NETRECKON_OUT
HOSTS=
LOG_DIR=/var/log/netreckon
IN_PREFIX=traffic_in_
OUT_PREFIX=traffic_out_
IPTABLES=iptables
IP6TABLES=ip6tables
KEEP_DAYS=0
CONFIG=/etc/netreckon.conf

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
      KEEP_DAYS) KEEP_DAYS=$value ;;
      *) warn "$1:$number: unknown key $key (ignored)" ;;
    esac
  done <"$1"
}

# Reads the config file named on the command line, or the default one where it exists.
load_config() {
  find_config_option "$@"
  if [ "$CONFIG_GIVEN" = 1 ] || [ -e "$CONFIG" ]; then
    read_config "$CONFIG"
  fi
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
}
