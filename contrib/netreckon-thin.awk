# The collector kit's thinning: reads the snapshots of one prefix dated before the cut-off, in
# time order (their names as arguments), and prints the names of those a report does not need
# for the same figures. A snapshot stays when it is the last of its day, when its rows name
# other rules (or in another order) than the one before or the one after it (a host came, went or came back), when
# any reading in it went down from the last one kept or goes down to the next (a reset, the
# kit's snapshots of 0), or when it is not a plain listing (a title of "(0 references)", a row
# that is no counter row, no rows): a report over what stays gives every figure it gives over
# all of them. Counters are kept as text: compared by length, then as text.
# A snapshot is decided as soon as the one after it is read, and rows are compared by their
# place: a snapshot is only thinned when its rules are those of the ones before and after it, in
# the same order, so the last one kept has them too. Two snapshots' rows are held (in the slots
# A and B, taking turns), the work grows with the rows read, and no array grows past one
# snapshot's rows: large string-keyed arrays slow awk down more than in proportion.
function le(a, b) { return length(a) < length(b) || (length(a) == length(b) && a <= b) }
# Whether a snapshot's rules repeat a rule (never written by the kit): one that stays.
function repeats(keys, n,   a, seen) {
  for (a = 1; a <= n; a++) {
    if (keys[a] in seen) return 1
    seen[keys[a]] = 1
  }
  return 0
}
# Decides the current snapshot (C, its readings in cb) between the one before (P) and the one
# after (N, nb).
function decide(cb, nb,   keep, a, now, before, after) {
  keep = (current == 1 || Nday != Cday || Codd || Crows == 0 || Podd || Nodd || !Csame || !Nsame)
  for (a = 1; a <= Crows && !keep; a++) {
    now = cb[a]
    after = nb[a]
    # le() written out: this runs once a row.
    if (length(now) > length(after) || (length(now) == length(after) && now > after)) keep = 1
    else if ((before = last[a]) != "0" && !(le(before, now) && now != "0")) keep = 1
  }
  if (!keep) { print Cname; return }
  split("", last)
  for (a = 1; a <= Crows; a++) last[a] = cb[a]
}
# The snapshot just read (N) is complete: decide the one before it, then move both back a place.
function finish() {
  Nsame = Nsame && files >= 2 && Nrows == Crows
  # The same rules as a snapshot without a repeated rule repeat none.
  if (!Nsame || Cdup) Ndup = (slot ? repeats(Bk, Nrows) : repeats(Ak, Nrows))
  if (Ndup) Nodd = 1
  if (files >= 2) { if (slot) decide(Ab, Bb); else decide(Bb, Ab) }
  Podd = Codd
  Crows = Nrows; Codd = Nodd; Cday = Nday; Cname = Nname; Csame = Nsame; Cdup = Ndup
  current = files
  slot = 1 - slot
}
FNR == 1 {
  if (files >= 1) finish()
  files++
  Nname = FILENAME
  stamp = FILENAME
  sub(/.*\//, "", stamp)
  Nday = substr(stamp, length(stamp) - 13, 8)
  Nodd = ($0 !~ /^Chain / || $0 ~ /\(0 references\)/)
  Nrows = 0
  Nsame = 1
  Ndup = 0
  if (slot) { split("", Bk); split("", Bb) } else { split("", Ak); split("", Ab) }
  next
}
FNR == 2 { if ($0 !~ /pkts/ || $0 !~ /bytes/) Nodd = 1; next }
{
  if (NF < 8 || $1 !~ /^[0-9]+$/ || $2 !~ /^[0-9]+$/) { Nodd = 1; next }
  bytes = $2
  # The rule without its counters, blanks evened out (the columns widen with the counters).
  $1 = ""
  $2 = ""
  key = $0
  Nrows++
  if (slot) {
    Bk[Nrows] = key
    Bb[Nrows] = bytes
    if (Nsame && (Nrows > Crows || Ak[Nrows] != key)) Nsame = 0
  } else {
    Ak[Nrows] = key
    Ab[Nrows] = bytes
    if (Nsame && (Nrows > Crows || Bk[Nrows] != key)) Nsame = 0
  }
}
# The last snapshot stays: it is never decided.
END { if (files >= 1) finish() }
