# The administrator's way: count the folders of the records in the counting
# window (this month of this year, plus last month's days after today's day)
# with ASCII case folding, and print the best three as "hits<TAB>folder".
# Run with LC_ALL=C so that tolower folds ASCII letters only.
BEGIN {
  FS = "\t"
  cmd = "date +%Y-%m-%d"; cmd | getline today; close(cmd)
  y = substr(today, 1, 4) + 0; m = substr(today, 6, 2) + 0; d = substr(today, 9, 2) + 0
  pm = (m == 1) ? 12 : m - 1
}
/^#/ || NF < 4 { next }
{
  ry = substr($1, 1, 4) + 0; rm = substr($1, 6, 2) + 0; rd = substr($1, 9, 2) + 0
  if (ry != y) next
  if (rm != m && !(rm == pm && rd > d)) next
  p = $3
  i = index(p, "->")
  if (i) p = substr(p, 1, i - 1)
  f = match(p, /.*\\/) ? substr(p, 1, RLENGTH) : ""
  k = tolower(f)
  if (!(k in hits)) name[k] = f
  hits[k]++
}
END {
  sort = "sort -t '\t' -k1,1nr | head -n 3"
  for (k in hits) print hits[k] "\t" name[k] | sort
  close(sort)
}
