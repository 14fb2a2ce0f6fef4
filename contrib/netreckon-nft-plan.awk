# The collector kit's planner for a changed config on the nftables backend: compares the table
# the kit loaded last (its "nft -f" text) with the one the config asks for now, and prints the
# "nft -f" commands that change only what changed, every rule and set that stays kept with its
# counters and elements. Three files, in order: the text loaded last, the text wanted now, and
# "nft -a list table inet netreckon" (whose rules stand in the order of the text loaded last).
# Variable: table (the table's name).
# Output, a line each:
#   "C COMMAND"   a command of the transaction, in order
#   "Z CHAIN KEY" a counting rule that starts from 0, by its chain and the key of its row (its
#                 address, or "!CAUSE:SUBNET" for a row of what no host took): both chains have
#                 rows of one key, and a rule made anew in one leaves the other's counting on
# Exits 3 (nothing printed) where the table must be replaced: its chains were renamed, or its
# rules do not stand as the text loaded last put them.
function trim(line) {
  sub(/^[ \t]+/, "", line)
  sub(/[ \t]+$/, "", line)
  return line
}
# The address a counting rule's row shows: the first after daddr or saddr, without /32 or /128.
function row_address(rule,   n, w, i) {
  n = split(rule, w, " ")
  for (i = 1; i < n; i++) {
    if (w[i] == "daddr" || w[i] == "saddr") {
      sub(/\/(32|128)$/, "", w[i + 1])
      return w[i + 1]
    }
  }
  return ""
}
# The key of a counting rule's row: its address, or "!CAUSE:SUBNET" for a row of what no host
# took (as netreckon-nft.awk writes it), so that a new one starts from 0 alone.
function row_key(rule,   address) {
  address = row_address(rule)
  if (index(rule, "comment \"not counted: set full\"")) return "!full:" address
  if (index(rule, "comment \"not counted: unknown host\"")) return "!unknown:" address
  if (index(rule, "comment \"not counted: too many addresses\"")) return "!limit:" address
  if (index(rule, "comment \"not counted: spoofed source\"")) return "!spoofed:" address
  return address
}
# Reads one "nft -f" text of the kit (file 1 or 2) into sets, chains and their rules.
function read_text(which, line,   w) {
  line = trim(line)
  if (line == "" || line ~ /^table /) return
  if (line == "}") { chain = ""; return }
  if (line ~ /^set /) {
    split(line, w, " ")
    set_line[which, w[2]] = line
    if (!((which, w[2]) in set_seen)) { set_seen[which, w[2]] = 1; set_order[which, ++set_count[which]] = w[2] }
    return
  }
  if (line ~ /^chain /) {
    split(line, w, " ")
    chain = w[2]
    chain_order[which, ++chain_count[which]] = chain
    chain_seen[which, chain] = 1
    return
  }
  if (line ~ /^type filter hook /) { header[which, chain] = line; base[which, chain] = 1; return }
  rule[which, chain, ++rules[which, chain]] = line
}
FILENAME == ARGV[1] { read_text(1, $0); next }
FILENAME == ARGV[2] { read_text(2, $0); next }
# The listing: the handle of each rule, in order, per chain.
{
  line = trim($0)
  if (line ~ /^set .* \{/) { in_set = 1; next }
  if (in_set) { if (line == "}") in_set = 0; next }
  if (line ~ /^chain /) { split(line, w, " "); listed_chain = w[2]; next }
  if (line == "}") { listed_chain = ""; next }
  if (listed_chain == "" || line ~ /^type filter hook /) next
  if (match(line, /# handle [0-9]+$/)) handle[listed_chain, ++handles[listed_chain]] = substr(line, RSTART + 9)
}
END {
  # The counting chains (the chains without a hook) must keep their names, and every chain
  # loaded last must still hold its rules, one handle each.
  for (i = 1; i <= chain_count[1]; i++) {
    c = chain_order[1, i]
    if (handles[c] + 0 != rules[1, c] + 0) exit 3
    if (!((1, c) in base) && !((2, c) in chain_seen)) exit 3
  }
  for (i = 1; i <= chain_count[2]; i++) {
    c = chain_order[2, i]
    if (!((2, c) in base) && !((1, c) in chain_seen)) exit 3
  }
  # Sets: one that stays as it is keeps its elements; another is made anew, and every rule
  # that updates it or looks an element up in it with it.
  for (i = 1; i <= set_count[1]; i++) {
    s = set_order[1, i]
    if (set_line[1, s] != set_line[2, s] || set_key(1, s) != set_key(2, s)) renewed["@" s] = 1
  }
  # Hook chains: one whose lines change is made anew (it holds only jumps, no counter).
  for (i = 1; i <= chain_count[1]; i++) {
    c = chain_order[1, i]
    if (!((1, c) in base)) continue
    same = ((2, c) in base) && header[1, c] == header[2, c] && rules[1, c] == rules[2, c]
    for (k = 1; same && k <= rules[1, c]; k++) if (rule[1, c, k] != rule[2, c, k]) same = 0
    if (!same) { print "C delete chain inet " table " " c; remade[c] = 1 }
    else kept_chain[c] = 1
  }
  # Counting chains: the rules loaded last that stand, in order, in the new text stay; the
  # others go, by their handles.
  for (i = 1; i <= chain_count[2]; i++) {
    c = chain_order[2, i]
    if ((2, c) in base) continue
    from = 1
    for (k = 1; k <= rules[2, c]; k++) {
      keep_of[c, k] = 0
      if (updates_renewed(rule[2, c, k])) continue
      for (j = from; j <= rules[1, c]; j++) {
        if (rule[1, c, j] == rule[2, c, k]) { keep_of[c, k] = j; kept_old[c, j] = 1; from = j + 1; break }
      }
    }
    for (j = 1; j <= rules[1, c]; j++)
      if (!((c, j) in kept_old)) print "C delete rule inet " table " " c " handle " handle[c, j]
  }
  for (i = 1; i <= set_count[1]; i++) {
    s = set_order[1, i]
    if (("@" s) in renewed) print "C delete set inet " table " " s
  }
  for (i = 1; i <= set_count[2]; i++) {
    s = set_order[2, i]
    if (set_line[1, s] != set_line[2, s] || ("@" s) in renewed) print "C add " substr(set_line[2, s], 1, 4) "inet " table " " substr(set_line[2, s], 5)
  }
  # New rules stand where the new text puts them: before the next rule that stays, or last.
  for (i = 1; i <= chain_count[2]; i++) {
    c = chain_order[2, i]
    if ((2, c) in base) continue
    for (k = 1; k <= rules[2, c]; k++) {
      if (keep_of[c, k]) continue
      next_kept = ""
      for (j = k + 1; j <= rules[2, c] && next_kept == ""; j++)
        if (keep_of[c, j]) next_kept = handle[c, keep_of[c, j]]
      if (next_kept != "") print "C insert rule inet " table " " c " position " next_kept " " rule[2, c, k]
      else print "C add rule inet " table " " c " " rule[2, c, k]
      if (index(rule[2, c, k], " counter")) print "Z " c " " row_key(rule[2, c, k])
    }
  }
  for (i = 1; i <= chain_count[2]; i++) {
    c = chain_order[2, i]
    if (!((2, c) in base) || (c in kept_chain)) continue
    print "C add chain inet " table " " c " { " header[2, c] " }"
    for (k = 1; k <= rules[2, c]; k++) print "C add rule inet " table " " c " " rule[2, c, k]
  }
}
# What the rules of a text put into a set ("update @SET { KEY } ..."): elements made by another
# key (addresses, or /64 prefixes) do not belong in it.
function set_key(which, name,   c, k, text, found) {
  found = ""
  for (c = 1; c <= chain_count[which]; c++) {
    for (k = 1; k <= rules[which, chain_order[which, c]]; k++) {
      text = rule[which, chain_order[which, c], k]
      if (index(text, "update @" name " ")) found = found substr(text, index(text, "update @" name " ")) "\n"
    }
  }
  return found
}
# Whether a rule updates a set that is made anew, or looks an element up in it.
function updates_renewed(text,   r) {
  for (r in renewed) if (index(text, r " ")) return 1
  return 0
}
