#!/bin/sh
# Another program changes IN while `standin apply` works on it, at moments a
# seeded generator draws over the whole job, under a limit on file size.
# Each run must end within seconds, with status 0 and OUT the model of the
# first or last version of IN, or status 1, a message naming IN and OUT as
# it was; no temporary file is left.   usage: races.sh STANDIN [RUNS [SEED]]
set -u
S=$1 RUNS=${2:-200} SEED=${3:-1}
BASE=$(mktemp -d)
trap 'rm -rf "$BASE"' EXIT
cd "$BASE" || exit 1
W="--freq-axis x --amp-axis y --frequency 1 --amplitude 0.1"
# 3000 objects of 240 vertices (a save of some 150 ms); b has other
# coordinates of the same widths, to be written over a in place.
model() {
    awk -v k="$1" 'BEGIN { print "AC3Db\nMATERIAL \"m\" rgb 1 1 1 amb 0 0 0 emis 0 0 0 spec 0 0 0 shi 1 trans 0"
        print "OBJECT world\nkids 3000"
        for (o = 0; o < 3000; o++) {
            print "OBJECT poly\nnumvert 240"
            for (v = 0; v < 240; v++) printf "%.4f %.4f %.4f\n", (v + k) / 240, o / 3000, (v * k % 7) / 7
            print "numsurf 80"
            for (s = 0; s < 80; s++) print "SURF 0x10\nmat 0\nrefs 3\n" 3*s " 0 0\n" 3*s+1 " 1 0\n" 3*s+2 " 0 1"
            print "kids 0" } }'
}
model 0 >a.ac && model 3 >b.ac && echo old >old.ac || exit 1
start=$(date +%s%N)
"$S" apply a.ac a.out $W >/dev/null || exit 1
took=$((($(date +%s%N) - start) / 1000000)) size=$(stat -c %s a.ac)
changes='truncate | truncate -s $cut in.ac
extend   | echo OBJECT >>in.ac
rewrite  | dd status=none conv=notrunc if=b.ac of=in.ac
scribble | tr " \n" xy <a.ac | dd status=none conv=notrunc of=in.ac
rename   | cp b.ac new.ac && mv new.ac in.ac
remove   | rm in.ac'
kinds=$(printf '%s\n' "$changes" | wc -l)
# A line a run: the kind, the delay (up to 1.2 times the job), where a truncation cuts.
awk -v seed="$SEED" -v runs="$RUNS" -v kinds="$kinds" -v took="$took" -v size="$size" 'BEGIN { srand(seed)
    for (i = 0; i < runs; i++) printf "%d %.3f %d\n", i % kinds + 1, rand() * took * 1.2 / 1000, rand() * size }' >plan
failed=0 ok=0
# The plan has RUNS lines: the loop ends with it.
while read -r kind delay cut; do
    cp a.ac in.ac && cp old.ac out.ac || exit 1
    change=$(printf '%s\n' "$changes" | sed -n "${kind}p")
    prlimit --fsize=$((4 * size)) timeout -s KILL 20 "$S" apply in.ac out.ac $W >got 2>&1 &
    sleep "$delay"
    (eval "${change#*|}") 2>/dev/null
    wait $!
    status=$? problem=
    case $status in
    0) ok=$((ok + 1))
        cmp -s out.ac a.out || { [ -e in.ac ] && "$S" apply in.ac last.out $W >/dev/null 2>&1 && cmp -s out.ac last.out; } ||
            problem="OUT is of no version of IN" ;;
    # IN first, or first after OUT when OUT was made of its text.
    1) grep -qE '^standin: (in\.ac|out\.ac: cannot save: in\.ac)[:, ]' got || problem="the refusal does not name in.ac"
        cmp -s out.ac old.ac || problem="$problem; OUT changed" ;;
    *) problem="status $status" ;;
    esac
    [ -z "$(find . -name '.rilo-*')" ] || problem="$problem; a temporary file is left"
    [ -z "$problem" ] || { failed=$((failed + 1)) && echo "FAIL ${change%%|*}after ${delay}s: $problem" &&
        sed 's/^/    /' got && rm -f .rilo-*; }
done <plan
echo "$RUNS runs (seed $SEED, job $took ms, $kinds kinds): $ok saved, $failed failed"
[ "$failed" = 0 ]
