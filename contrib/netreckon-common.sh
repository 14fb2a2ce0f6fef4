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

# Prints "4 ADDRESS/PREFIX" or "6 ADDRESS/PREFIX" per host, each in the form the listing and
# "-S" print it (host bits cleared, IPv6 compressed in lower case); fails naming the first host
# that is no valid address of its family.
normalize_hosts() {
  # shellcheck disable=SC2086
  printf '%s\n' $1 | awk '
    function fail(why) { print "invalid host address " $0 ": " why > "/dev/stderr"; bad = 1; return 1 }
    function isdec(s) { return s ~ /^(0|[1-9][0-9]?[0-9]?)$/ }
    function hex(s,   i, v) {
      v = 0; s = tolower(s)
      for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
      return v
    }
    function pow2(n,   v) { v = 1; while (n-- > 0) v *= 2; return v }
    function v6text(w,   i, best, bestlen, run, start, out, sep) {
      best = -1; bestlen = 0; run = 0
      for (i = 0; i < 8; i++) {
        if (w[i] == 0) { if (run == 0) start = i; run++; if (run > bestlen) { bestlen = run; best = start } }
        else run = 0
      }
      if (bestlen < 2) best = -1
      out = ""
      for (i = 0; i < 8; i++) {
        if (i == best) { out = out "::"; i += bestlen - 1; continue }
        if (i == 6 && best == 0 && (bestlen == 6 || (bestlen == 5 && w[5] == 65535))) {
          out = out (out ~ /:$/ ? "" : ":") int(w[6] / 256) "." (w[6] % 256) "." int(w[7] / 256) "." (w[7] % 256); break
        }
        sep = (out == "" || out ~ /:$/) ? "" : ":"
        out = out sep sprintf("%x", w[i])
      }
      return out
    }
    NF == 0 { next }
    {
      addr = $0; len = ""
      if (index(addr, "/")) { len = substr(addr, index(addr, "/") + 1); addr = substr(addr, 1, index(addr, "/") - 1) }
      if (index(addr, ":") == 0) {
        if (split(addr, p, ".") != 4 || !isdec(p[1]) || !isdec(p[2]) || !isdec(p[3]) || !isdec(p[4]) ||
            p[1] > 255 || p[2] > 255 || p[3] > 255 || p[4] > 255) { if (fail("not an IPv4 address")) next }
        if (len == "") len = 32
        if (len !~ /^[0-9]+$/ || len + 0 > 32) { if (fail("prefix length over 32")) next }
        v = ((p[1] * 256 + p[2]) * 256 + p[3]) * 256 + p[4]
        v -= v % pow2(32 - len)
        printf "4 %d.%d.%d.%d/%d\n", int(v / 16777216), int(v / 65536) % 256, int(v / 256) % 256, v % 256, len
        next
      }
      if (addr ~ /[.]/) {
        tail = addr; sub(/.*:/, "", tail)
        if (split(tail, p, ".") != 4 || !isdec(p[1]) || !isdec(p[2]) || !isdec(p[3]) || !isdec(p[4]) ||
            p[1] > 255 || p[2] > 255 || p[3] > 255 || p[4] > 255) { if (fail("not an IPv6 address")) next }
        addr = substr(addr, 1, length(addr) - length(tail)) sprintf("%x:%x", p[1] * 256 + p[2], p[3] * 256 + p[4])
      }
      if (addr !~ /^[0-9A-Fa-f:]+$/ || addr ~ /:::/ || gsub(/::/, "&", addr) > 1) { if (fail("not an IPv6 address")) next }
      head = addr; rest = ""
      if (index(addr, "::")) { head = substr(addr, 1, index(addr, "::") - 1); rest = substr(addr, index(addr, "::") + 2) }
      nh = (head == "") ? 0 : split(head, h, ":")
      nr = (rest == "") ? 0 : split(rest, r, ":")
      if (index(addr, "::") ? nh + nr > 7 : nh != 8) { if (fail("not an IPv6 address")) next }
      for (i = 0; i < 8; i++) w[i] = 0
      for (i = 1; i <= nh; i++) { if (h[i] !~ /^[0-9A-Fa-f]([0-9A-Fa-f]?[0-9A-Fa-f]?[0-9A-Fa-f]?)$/) { if (fail("not an IPv6 address")) next }; w[i - 1] = hex(h[i]) }
      for (i = 1; i <= nr; i++) { if (r[i] !~ /^[0-9A-Fa-f]([0-9A-Fa-f]?[0-9A-Fa-f]?[0-9A-Fa-f]?)$/) { if (fail("not an IPv6 address")) next }; w[8 - nr + i - 1] = hex(r[i]) }
      if (len == "") len = 128
      if (len !~ /^[0-9]+$/ || len + 0 > 128) { if (fail("prefix length over 128")) next }
      for (i = 0; i < 8; i++) {
        keep = len - 16 * i
        if (keep <= 0) w[i] = 0
        else if (keep < 16) w[i] -= w[i] % pow2(16 - keep)
      }
      print "6 " v6text(w) "/" len
    }
    END { exit bad }'
}
