# The collector kit's planner for one address family: compares the accounting setup that is
# there with the one the config asks for and prints what brings the first to the second, as
# iptables-restore input that keeps every counter of a rule that stays.
# Input, a line each:
#   "W TABLE LINE"  a wanted line of TABLE, as "iptables -S" prints it: "-N CHAIN",
#                   "-A CHAIN RULE" for the two chains, "-A HOOK MATCH -j CHAIN" for the jumps
#                   (in the order they must open the hook chain)
#   "A TABLE LINE"  a line of "iptables -t TABLE -v -S" as it is now (any chain)
# Variables: in_chain, out_chain, mark (the comment of the reset mark rule), trust_mark (0 where
# the family's command cannot set counters: the mark's then say nothing), kept (the byte count
# the kit gave the marks at its last snapshot; empty: 1, as kits before it set them), fresh (the
# byte count a new mark rule starts with).
# Output:
#   "R TABLE LINE"  a line of the restore input of TABLE ("*TABLE" and "COMMIT" are the
#                   caller's); "[1:FRESH] -A ..." for a new mark rule, whose counters tell a reset
#   "N CHAIN RULE"  a host rule that starts from 0 (new or replaced)
#   "F TEXT"        a finding, for the one line that says what was out of order
#   "X CHAIN"       the counters of CHAIN's rules were reset since its mark was set
#   "Z CHAIN"       and they hold values the kit did not see grow (a restore of saved counters)
#   "G"             the chains hold no rule but marks, or are not there at all
#   "E"             the setup holds rows (a listing of it now is worth keeping)
function ours(chain) { return chain == in_chain || chain == out_chain }
# A line as compared: no counters, no quotes (iptables quotes some comments, names never hold
# a quote or a blank).
function plain(line) {
  gsub(/ -c [0-9]+ [0-9]+/, "", line)
  gsub(/"/, "", line)
  return line
}
function target(line,   n, w) {
  n = split(line, w, " ")
  if (n >= 2 && (w[n - 1] == "-j" || w[n - 1] == "-g")) return w[n]
  return ""
}
function note(text) { if (!(text in noted)) { noted[text] = 1; print "F " text } }
$1 == "W" {
  table = $2
  line = substr($0, length($1) + length($2) + 3)
  wanted_table[table] = 1
  tables[table] = 1
  split(line, w, " ")
  if (w[1] == "-N") { want_chain[table, w[2]] = 1; next }
  if (ours(w[2])) {
    want_rules[table, w[2]]++
    want_rule[table, w[2], want_rules[table, w[2]]] = line
  } else {
    if (!((table, w[2]) in want_hook_n)) { hooks[++hook_count] = table SUBSEP w[2] }
    want_hook[table, w[2], ++want_hook_n[table, w[2]]] = line
  }
  next
}
$1 == "A" {
  table = $2
  line = substr($0, length($1) + length($2) + 3)
  tables[table] = 1
  split(line, w, " ")
  if (w[1] == "-N" && ours(w[2])) { have_chain[table, w[2]] = 1; next }
  if (w[1] != "-A") next
  if (ours(w[2])) {
    have_rules[table, w[2]]++
    have_rule[table, w[2], have_rules[table, w[2]]] = line
    if (index(line, "--comment " mark) == 0) has_rows = 1
    next
  }
  # Every rule of a chain other than ours, in order: the jumps must open their hook chains.
  chain_rules[table, w[2]]++
  chain_rule[table, w[2], chain_rules[table, w[2]]] = line
  if (ours(target(line))) jumps[table] = jumps[table] SUBSEP line
  next
}
END {
  if (has_rows) print "E"
  else print "G"
  for (table in tables) {
    wanted = (table in wanted_table)
    # Jumps: the wanted ones open each hook chain, in order, and there is no other.
    jumps_right = 1
    if (!wanted && jumps[table] != "") jumps_right = 0
    if (wanted) {
      for (h = 1; h <= hook_count; h++) {
        split(hooks[h], k, SUBSEP)
        if (k[1] != table) continue
        for (i = 1; i <= want_hook_n[table, k[2]]; i++)
          if (plain(chain_rule[table, k[2], i]) != plain(want_hook[table, k[2], i])) jumps_right = 0
        expected[table] += want_hook_n[table, k[2]]
      }
      if (split(substr(jumps[table], 2), found, SUBSEP) != expected[table] + 0) jumps_right = 0
    }
    if (!jumps_right) {
      if (!wanted) note("chains moved out of the " table " table")
      else if (((table, in_chain) in have_chain) && ((table, out_chain) in have_chain))
        note("the jumps to the chains were not in place")
      n = split(substr(jumps[table], 2), found, SUBSEP)
      for (i = 1; i <= n; i++) {
        line = found[i]
        gsub(/ -c [0-9]+ [0-9]+/, "", line)
        print "R " table " -D " substr(line, 4)
      }
    }
    for (c = 1; c <= 2; c++) {
      chain = c == 1 ? in_chain : out_chain
      if (!wanted) {
        if ((table, chain) in have_chain) { print "R " table " -F " chain; print "R " table " -X " chain }
        continue
      }
      if (!((table, chain) in have_chain)) {
        note("chain " chain " missing")
        print "R " table " :" chain " - [0:0]"
      }
      # Each rule there that is wanted stays, counters and all (of a rule there twice, the
      # first); the others go: a rule there twice by its number, from the last, the others as
      # written.
      delete left
      delete times
      for (i = 1; i <= want_rules[table, chain]; i++) left[plain(want_rule[table, chain, i])]++
      for (i = 1; i <= have_rules[table, chain]; i++) times[plain(have_rule[table, chain, i])]++
      numbered = ""
      later = ""
      for (i = 1; i <= have_rules[table, chain]; i++) {
        line = have_rule[table, chain, i]
        key = plain(line)
        if (index(key, "--comment " mark) && (left[key] + 0) > 0 && trust_mark) {
          # Only the kit writes the mark's bytes, anew at every snapshot: any other value came
          # from somewhere else. 0 is a reset (the counters read since are traffic); another
          # value is a restore of saved counters, which must never be billed again.
          bytes = (match(line, / -c [0-9]+ [0-9]+( |$)/) ? substr(line, RSTART, RLENGTH) : "")
          sub(/^ -c [0-9]+ /, "", bytes)
          sub(/ $/, "", bytes)
          if (bytes != (kept == "" ? "1" : kept)) {
            reset = 1
            print "X " chain
            if (bytes != "0") { restored = 1; print "Z " chain }
          }
          left[key]--
          continue
        }
        if ((left[key] + 0) > 0) { left[key]--; continue }
        extra++
        if (times[key] > 1) { numbered = i " " numbered; continue }
        gsub(/ -c [0-9]+ [0-9]+/, "", line)
        later = later "R " table " -D " substr(line, 4) "\n"
      }
      n = split(numbered, number, " ")
      for (i = 1; i <= n; i++) print "R " table " -D " chain " " number[i]
      printf "%s", later
      for (i = 1; i <= want_rules[table, chain]; i++) {
        line = want_rule[table, chain, i]
        key = plain(line)
        if ((left[key] + 0) == 0) continue
        left[key]--
        if (index(key, "--comment " mark)) {
          if ((table, chain) in have_chain) missing++
          print "R " table " [1:" fresh "] " line
          continue
        }
        if ((table, chain) in have_chain) missing++
        print "R " table " " line
        print "N " line
      }
    }
    if (wanted && !jumps_right) {
      for (h = hook_count; h >= 1; h--) {
        split(hooks[h], k, SUBSEP)
        if (k[1] != table) continue
        for (i = want_hook_n[table, k[2]]; i >= 1; i--)
          print "R " table " -I " k[2] " 1 " substr(want_hook[table, k[2], i], length(k[2]) + 5)
      }
    }
  }
  if (missing) note(missing " rule" (missing > 1 ? "s" : "") " missing")
  if (extra) note(extra " rule" (extra > 1 ? "s" : "") " not asked for")
  if (restored) note("saved counters were restored (a restore or a reload): every counter set to 0, not billed again")
  else if (reset) note("the counters were reset (iptables -Z, a restore or a reload)")
}
