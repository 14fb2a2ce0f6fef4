# The collector kit's converter for the nftables backend: reads "nft list table inet netreckon"
# and writes one chain's snapshot in the listing format of "iptables -L CHAIN -v -n -x" (title,
# column titles, a row per host), which netreckon reads unchanged. Rows come from the chain's
# host rules (counter and comment), from the elements of its sets of discovered hosts, and from
# the rules that count what no host took (keyed "!CAUSE:SUBNET"); the outgoing chain's rows
# include those of the chain that checks the sources of what comes in ("CHAIN_rpf"). Counters
# stay text: nft prints them to 2^64 - 1, beyond any awk number.
# Variables: chain (the chain to write), direction ("in": hosts as destination, "out": as
# source), mark (the mark rule's comment),
# previous (a file: the previous snapshot of this chain; a host it read above 0 that is missing
# now is written with 0, so that a report sees its counter start again), zero (a file, or empty:
# the counting rules that start from 0 and are written as 0, a line each, "CHAIN KEY": the
# chain, then the row's key, a not-counted row's with its cause, "!full:SUBNET"; only the lines
# of this chain count, as the other chain has rows of the same keys; elements of sets never
# start from 0).
function row(address, packets, bytes, comment,   bare, any, source, destination) {
  bare = address
  sub(/^![a-z]+:/, "", bare)
  any = index(bare, ":") ? "::/0" : "0.0.0.0/0"
  if (direction == "in") { source = any; destination = address } else { source = address; destination = any }
  line = sprintf("%8s %8s %-10s %-4s %-3s %-6s %-7s %-20s %-20s", packets, bytes, "", "all", "--", "*", "*",
                 source, destination)
  if (comment != "") line = line " /* " comment " */"
  rows[++count] = line
  seen[address] = 1
}
# A rule's counter: the word after "counter packets" (which = 2) or after its "bytes" (4). A
# word "packets" may come before it ("limit rate ... burst 64 packets").
function counter_of(words, n, which,   i) {
  for (i = 1; i + 4 <= n; i++) if (words[i] == "counter" && words[i + 1] == "packets" && words[i + 3] == "bytes") return words[i + which]
  return ""
}
function unquote(text) {
  gsub(/^"|"$/, "", text)
  return text
}
# The text after a word in a line, up to the next blank.
function after(words, n, word,   i) {
  for (i = 1; i < n; i++) if (words[i] == word) return words[i + 1]
  return ""
}
BEGIN {
  while (zero != "" && (getline start < zero) > 0)
    if (split(start, part, " ") == 2 && (part[1] == chain || (direction == "out" && part[1] == chain "_rpf")))
      starts[part[2]] = 1
}
{
  line = $0
  sub(/^[ \t]+/, "", line)
}
line ~ /^chain / {
  current = $2
  # The outgoing chain's rows include those of the chain that checks what comes in before it.
  in_chain = (current == chain || (direction == "out" && current == chain "_rpf"))
  next
}
line ~ /^set / {
  current_set = $2
  in_set = (index(current_set, chain "_v4_") == 1 || index(current_set, chain "_v6_") == 1)
  next
}
# The jumps to the chain, for the title's count of references.
line ~ ("(^| )jump " chain "$") { references++ }
# Set elements, over as many lines as nft wraps them to.
in_set && line ~ /^elements = \{/ { elements = 1; sub(/^elements = \{ */, "", line) }
in_set && elements {
  closing = (line ~ /\}$/)
  sub(/ *\}$/, "", line)
  n = split(line, items, /, */)
  for (i = 1; i <= n; i++) {
    if (items[i] == "") continue
    k = split(items[i], w, " ")
    element[++elements_count] = w[1]
    element_set[elements_count] = current_set
    element_packets[elements_count] = after(w, k, "packets")
    element_bytes[elements_count] = after(w, k, "bytes")
  }
  if (closing) { elements = 0; in_set = 0 }
  next
}
# The rule that fills an IPv6 set says whether its elements are addresses or /64 prefixes.
in_chain && match(line, "update @" chain "_v6_[0-9a-f_]+ ") && index(line, "& ffff:ffff:ffff:ffff::") {
  prefix64[substr(line, RSTART + 8, RLENGTH - 9)] = 1
}
line == "}" { in_chain = 0; in_set = 0; next }
in_chain && line ~ / counter packets / {
  if (index(line, "comment \"" mark "\"")) next
  k = split(line, w, " ")
  key = (direction == "in") ? "daddr" : "saddr"
  address = after(w, k, key)
  if (address == "") next
  comment = ""
  if (match(line, /comment ".*"$/)) comment = unquote(substr(line, RSTART + 8))
  # What a full set had no room for is keyed apart from every host ("!full:SUBNET": no address
  # begins with "!"), else a subnet's /64 row (IPV6_HOSTS=64) and it would be one row.
  if (comment == "not counted: set full") address = "!full:" address
  # What came for an address of a subnet that has not sent: a scan, or a host that only receives.
  if (comment == "not counted: unknown host") address = "!unknown:" address
  # What a client sent from more new addresses than its MAC address may bring.
  if (comment == "not counted: too many addresses") address = "!limit:" address
  # What came in on an interface the route back to its source does not leave by: made up.
  if (comment == "not counted: spoofed source") address = "!spoofed:" address
  # The "starts from 0" list names this chain's rows by the key written, cause prefix included.
  if (address in starts) row(address, "0", "0", comment)
  else row(address, counter_of(w, k, 2), counter_of(w, k, 4), comment)
}
END {
  for (i = 1; i <= elements_count; i++) {
    address = element[i]
    if ((element_set[i] in prefix64) && index(address, ":")) address = address "/64"
    row(address, element_packets[i], element_bytes[i], "")
  }
  # Hosts the previous snapshot read above 0 that are gone now (a table set up again): 0.
  if (previous != "") {
    while ((getline old < previous) > 0) {
      if (++old_lines <= 2) continue
      k = split(old, w, " ")
      if (k < 8 || w[2] == "0") continue
      address = (direction == "in") ? w[k] : w[k - 1]
      if (w[k] == "*/") {
        # A row with a comment: the addresses stand before it.
        for (i = 1; i <= k; i++) if (w[i] == "/*") break
        address = (direction == "in") ? w[i - 1] : w[i - 2]
      }
      if (address in seen || address ~ /^(0\.0\.0\.0|::)\/0$/) continue
      row(address, "0", "0", "")
    }
  }
  printf "Chain %s (%d references)\n", chain, references
  print "    pkts      bytes target     prot opt in     out     source               destination         "
  for (i = 1; i <= count; i++) print rows[i]
}
