# The collector kit's thinning: reads the snapshots of one prefix dated before the cut-off, in
# time order (their names as arguments), and prints the names of those a report does not need
# for the same figures. A snapshot stays when it is the last of its day, when its rows name
# other rules (or in another order) than the one before or the one after it (a host came, went or came back), when
# any reading in it went down from the last one kept or goes down to the next (a reset, the
# kit's snapshots of 0), or when it is not a plain listing (a title of "(0 references)", a row
# that is no counter row, no rows): a report over what stays gives every figure it gives over
# all of them. Counters are kept as text: compared by length, then as text.
function le(a, b) { return length(a) < length(b) || (length(a) == length(b) && a <= b) }
FNR == 1 {
  files++
  name[files] = FILENAME
  stamp = FILENAME
  sub(/.*\//, "", stamp)
  day[files] = substr(stamp, length(stamp) - 13, 8)
  odd[files] = ($0 !~ /^Chain / || $0 ~ /\(0 references\)/)
  next
}
FNR == 2 { if ($0 !~ /pkts/ || $0 !~ /bytes/) odd[files] = 1; next }
{
  if (NF < 8 || $1 !~ /^[0-9]+$/ || $2 !~ /^[0-9]+$/) { odd[files] = 1; next }
  key = $0
  sub(/^ *[0-9]+ +[0-9]+ +/, "", key)
  gsub(/ +/, " ", key)
  if ((files, key) in bytes) {
    # Two rows of one rule (never written by the kit): a file that stays.
    odd[files] = 1
    next
  }
  bytes[files, key] = $2
  keys[files] = keys[files] SUBSEP key
  rows[files]++
}
END {
  for (i = 1; i <= files; i++) {
    keep = (i == 1 || i == files || day[i + 1] != day[i] || odd[i] || rows[i] == 0 ||
            keys[i] != keys[i - 1] || keys[i] != keys[i + 1] || odd[i - 1] || odd[i + 1])
    n = split(substr(keys[i], 2), list, SUBSEP)
    for (a = 1; a <= n && !keep; a++) {
      key = list[a]
      now = bytes[i, key]
      before = last[key]
      after = bytes[i + 1, key]
      if (!le(now, after)) keep = 1
      else if (before != "0" && !(le(before, now) && now != "0")) keep = 1
    }
    if (!keep) { print name[i]; continue }
    for (a = 1; a <= n; a++) last[list[a]] = bytes[i, list[a]]
  }
}
