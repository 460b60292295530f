# Turns a logic capture written as CSV (one row a sample, a column a channel, the first
# column bit 0 of the word) into log lines TIME:HEXWORD, one per change, time in ns.
# Usage: awk -f csv2log.awk capture.csv > capture.log
BEGIN { FS = ","; ns = 0; n = 0; last = -1 }
/^; Samplerate:/ {
    rate = $0
    sub(/^; Samplerate: */, "", rate)
    split(rate, part, " ")
    scale = part[2] == "GHz" ? 1e9 : part[2] == "MHz" ? 1e6 : part[2] == "kHz" ? 1e3 : 1
    ns = 1e9 / (part[1] * scale)
    next
}
/^;/ || /^logic/ || NF == 0 { next }
{
    if (ns == 0) { print "csv2log: no samplerate line before the samples" > "/dev/stderr"; exit 1 }
    word = 0
    for (i = NF; i >= 1; --i) word = word * 2 + ($i + 0)
    if (word != last) printf "%d:%x\n", n * ns, word
    last = word
    ++n
}
