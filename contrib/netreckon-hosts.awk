# The collector kit's host normaliser: reads one HOSTS entry a line, ADDRESS[/PREFIX][=NAME],
# and prints "4 ADDRESS/PREFIX [NAME]" or "6 ADDRESS/PREFIX [NAME]" in the form that the listing
# and "iptables -S" print (host bits cleared, IPv6 compressed in lower case). A wrong entry is
# named on standard error and makes the exit status 1, and so does a host listed twice (the same
# address and prefix, named or not: its traffic would be counted twice); a subnet that holds
# another listed host is warned about, since the all-hosts totals then count that host's
# traffic twice. A prefix of length 0 (every address) is no host.
function fail(why) {
  print "invalid host address " $0 ": " why > "/dev/stderr"
  bad = 1
  return 1
}
function isdec(s) { return s ~ /^(0|[1-9][0-9]?[0-9]?)$/ }
# A prefix length as iptables reads it: decimal without a leading zero (a leading zero makes it
# octal there), at most the family's width.
function islen(s, most) { return s ~ /^[1-9][0-9]*$/ && s + 0 <= most }
# Once per address and prefix: the first entry that gave it.
function once(   key) {
  key = entry
  if (key in first) return fail("the same host as " first[key])
  first[key] = $0
  return 0
}
function hex(s,   i, v) {
  v = 0
  s = tolower(s)
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
      out = out (out ~ /:$/ ? "" : ":") int(w[6] / 256) "." (w[6] % 256) "." int(w[7] / 256) "." (w[7] % 256)
      break
    }
    sep = (out == "" || out ~ /:$/) ? "" : ":"
    out = out sep sprintf("%x", w[i])
  }
  return out
}
# Keeps an entry for the containment check: its family, prefix length and 16-bit words.
function remember(family, length_, words,   i) {
  count++
  fam[count] = family
  plen[count] = length_
  text[count] = entry
  for (i = 0; i < 8; i++) word[count, i] = words[i]
}
# True when entry b lies inside entry a's prefix.
function inside(a, b,   i, keep, step) {
  if (fam[a] != fam[b] || plen[a] >= plen[b]) return 0
  for (i = 0; i < 8; i++) {
    keep = plen[a] - 16 * i
    if (keep <= 0) return 1
    step = keep < 16 ? pow2(16 - keep) : 1
    if (word[b, i] - word[b, i] % step != word[a, i]) return 0
  }
  return 1
}
NF == 0 { next }
{
  addr = $0; len = ""; name = ""
  if (index(addr, "=")) {
    name = substr(addr, index(addr, "=") + 1)
    addr = substr(addr, 1, index(addr, "=") - 1)
    if (name !~ /^[A-Za-z0-9._-]+$/ || length(name) > 32) {
      if (fail("a name is 1 to 32 letters, digits, '.', '_' or '-'")) next
    }
    if (name == "netreckon-reset-mark") { if (fail("the kit's own mark rule bears that name")) next }
  }
  if (index(addr, "/")) { len = substr(addr, index(addr, "/") + 1); addr = substr(addr, 1, index(addr, "/") - 1) }
  if (index(addr, ":") == 0) {
    if (split(addr, p, ".") != 4 || !isdec(p[1]) || !isdec(p[2]) || !isdec(p[3]) || !isdec(p[4]) ||
        p[1] > 255 || p[2] > 255 || p[3] > 255 || p[4] > 255) { if (fail("not an IPv4 address")) next }
    if (len == "") len = 32
    if (!islen(len, 32)) { if (fail("not a prefix length from 1 to 32")) next }
    v = ((p[1] * 256 + p[2]) * 256 + p[3]) * 256 + p[4]
    v -= v % pow2(32 - len)
    entry = sprintf("%d.%d.%d.%d/%d", int(v / 16777216), int(v / 65536) % 256, int(v / 256) % 256, v % 256, len)
    for (i = 0; i < 8; i++) w[i] = 0
    w[6] = int(v / 65536); w[7] = v % 65536
    if (once()) next
    remember(4, len + 96, w)
    print "4 " entry (name == "" ? "" : " " name)
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
  if (!islen(len, 128)) { if (fail("not a prefix length from 1 to 128")) next }
  for (i = 0; i < 8; i++) {
    keep = len - 16 * i
    if (keep <= 0) w[i] = 0
    else if (keep < 16) w[i] -= w[i] % pow2(16 - keep)
  }
  entry = v6text(w) "/" len
  if (once()) next
  remember(6, len, w)
  print "6 " entry (name == "" ? "" : " " name)
}
END {
  # Only a subnet can hold another entry: one pass over all entries per subnet.
  for (a = 1; a <= count; a++)
    if (plen[a] < 128)
      for (b = 1; b <= count; b++)
        if (a != b && inside(a, b))
        print "warning: " text[a] " holds " text[b] ": the all-hosts totals count its traffic twice" > "/dev/stderr"
  exit bad
}
