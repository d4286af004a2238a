#!/bin/sh
# Bad input and hostile destinations, run through the real standin: for each
# case the exit status, the message, and the type, owner, mode, extended
# attributes (ACLs among them) and bytes of IN (in.ac), OUT (out.ac), the
# side view (o.svg) and one more file (other.ac) before and after. Files listed
# under "changes" must end up regular files that kept their owner, mode and
# attributes (or have the owner and mode under "after", when given); all
# others must be as they were, and no temporary file may be left anywhere in
# the case's folder. Cases for "nobody" drop root's privileges. A setup that
# cannot be made here calls skip with the reason.
#
# usage: bad_files.sh STANDIN MODEL.ac   (as root; exit 77 otherwise)
set -u
S=$1
MODEL=$2
[ "$(id -u)" = 0 ] || { echo "needs root to switch users"; exit 77; }
BASE=$(mktemp -d)
chmod 755 "$BASE"
unmount_under() {
    awk -v d="$1/" 'index($5, d) == 1 { print $5 }' /proc/self/mountinfo | sort -r | xargs -r -n1 umount
}
trap 'unmount_under "$BASE"; rm -rf "$BASE"' EXIT
ulimit -c 0  # the signals that dump core
# A copy of the program and its plug-in where an ordinary user may run them,
# wherever the build folder is.
mkdir "$BASE/bin"
cp "$S" "${S%/*}/rilo.p" "${S%/*}/rilo.tcl" "$BASE/bin/" || exit 1
S=$BASE/bin/standin
W="--freq-axis x --amp-axis y --frequency 1 --amplitude 0.1"
LONG=$(printf '%0251d' 0).ac
# 100 MB of address space, except under AddressSanitizer, which reserves terabytes.
LIMIT="prlimit --as=100000000"
ldd "$S" | grep -q libasan && LIMIT=
export S W LONG LIMIT

# A model of one object "r" under a group, with TRANSFORM in the group.
model() {
    printf 'AC3Db\nMATERIAL "m" rgb 1 1 1  amb 0 0 0  emis 0 0 0  spec 0 0 0  shi 1  trans 0\nOBJECT world\nkids 1\n'
    printf 'OBJECT group\nname "g"\n%s\nkids 1\nOBJECT poly\nname "r"\nnumvert 3\n%s\n%s\n%s\n' "$1" "$2" "$3" "$4"
    printf 'numsurf 1\nSURF 0x10\nmat %s\nrefs 3\n0 0 0\n1 0 0\n2 0 0\nkids 0\n' "${5:-0}"
}
# One triangle fan per name given, the Nth named object with N+2 vertices, so
# that the count moved tells which were selected.
named() {
    printf 'AC3Db\nMATERIAL "m" rgb 1 1 1  amb 0 0 0  emis 0 0 0  spec 0 0 0  shi 1  trans 0\nOBJECT world\nkids %s\n' $#
    verts=2
    for object; do
        verts=$((verts + 1))
        printf 'OBJECT poly\nname "%s"\nnumvert %s\n' "$object" $verts
        seq $verts | sed 's/.*/& 0 0/'
        printf 'numsurf 1\nSURF 0x10\nmat 0\nrefs 3\n0 0 0\n1 0 0\n2 0 0\nkids 0\n'
    done
}
# Waits (10 s at most) until process PID has stopped itself (RILO_TEST_STOP),
# or is gone.
stopped() {
    for _ in $(seq 200); do
        case $(ps -o stat= -p "$1" 2>/dev/null) in T* | '') return ;; esac
        sleep 0.05
    done
}
# Runs a command that stops itself with IN open (RILO_TEST_STOP=AT, "load"
# or "save"), makes CHANGE, and lets it go on: the change lands at that
# moment every time.
race() {
    race_at=$1 race_change=$2
    shift 2
    RILO_TEST_STOP=$race_at "$@" &
    race_pid=$!
    stopped $race_pid
    eval "$race_change"
    kill -CONT $race_pid
    wait $race_pid
}
# 40 chains of 998 nested groups, each ending in a triangle.
deep() {
    awk 'BEGIN { print "AC3Db\nOBJECT world\nkids 40"
        for (c = 0; c < 40; c++) for (d = 0; d < 998; d++) {
            print "OBJECT group\nname \"c" c "d" d "\"\nloc 0.5 0 0"
            if (d < 997) print "kids 1"
            else print "numvert 3\n0 0 0\n1 0 0\n0 1 0\nnumsurf 1\nSURF 0x10\nmat 0\nrefs 3\n0 0 0\n1 0 0\n2 0 0\nkids 0"
        } }' >"$1"
}

# What a file is and has, then after ";" what it holds.
state() {
    [ -L "$1" ] && printf 'link to %s, ' "$(readlink "$1")"
    if [ -e "$1" ]; then
        stat -L -c '%F %U:%G %a' "$1" | tr -d '\n'
        attrs=$(getfattr -d -m - -e hex --absolute-names "$1" 2>/dev/null | grep '=' | sort)
        [ -z "$attrs" ] || printf ' attrs %s:%s' "$(echo "$attrs" | cut -d= -f1 | paste -sd,)" "$(echo "$attrs" | cksum)"
        printf ';%s' "$(stat -L -c %s "$1")"
        # (a sparse file of gigabytes is told by its size)
        [ -f "$1" ] && [ "$(stat -L -c %s "$1")" -lt 100000000 ] && printf ' %s' "$(cksum <"$1")"
        echo
    else
        echo absent
    fi
}

failed=0
n=0
skip() { skipped=$*; }
FILES="in.ac out.ac o.svg other.ac"
# name | who | setup (as root, in the case's folder) | command | signal, then what is done before it is sent
# | status | message (ERE; none: no output) | changes | after
while IFS='|' read -r name who setup cmd sig status msg changes after; do
    case $name in '' | '#'*) continue ;; esac
    n=$((n + 1))
    during=
    case $sig in *' '*) during=${sig#* } ;; esac
    sig=${sig%% *} who=${who%% *} skipped=
    dir=$BASE/$n
    mkdir "$dir" && cd "$dir" && cp "$MODEL" in.ac && chmod 644 in.ac || exit 1
    eval "$setup"
    [ -z "$skipped" ] || { echo "SKIP $name: $skipped"; cd "$BASE" && unmount_under "$dir"; continue; }
    before=$(for f in $FILES; do state $f; done)
    [ -z "$sig" ] || cmd="RILO_TEST_STOP=rename env --default-signal=$sig $cmd"
    run="cd '$dir' && $cmd"
    [ "$who" = nobody ] && run="setpriv --reuid=nobody --regid=nogroup --clear-groups sh -c \"$(printf '%s' "$run" | sed 's/["$`\\]/\\&/g')\""
    if [ -z "$sig" ]; then
        eval "$run" >"$BASE/out" 2>&1
        got=$?
    else
        # The save stops once its temporary file is written, in the
        # foreground of a shell that tells how it ended; the signal waits
        # for it there, and is taken as it goes on.
        (eval "$run") >"$BASE/out" 2>&1 &
        pid=$!
        temp=
        for _ in $(seq 200); do
            temp=$(find . -name '.rilo-*') && [ -n "$temp" ] && break
            sleep 0.1
        done
        saving=$(echo "$temp" | cut -d- -f2)
        stopped "$saving"
        eval "$during"
        kill -"$sig" "$saving"
        kill -CONT "$saving"
        wait "$pid"
        got=$?
    fi
    cd "$BASE" || exit 1
    problems=""
    [ "$got" = "$status" ] || problems="$problems status $got, not $status;"
    if [ -z "$msg" ]; then
        [ ! -s "$BASE/out" ] || problems="$problems a message;"
    else
        grep -qE -- "$msg" "$BASE/out" || problems="$problems message;"
    fi
    i=0
    for f in $FILES; do
        i=$((i + 1))
        was=$(echo "$before" | sed -n ${i}p)
        now=$(state "$dir/$f")
        short=${f%%.*}
        [ "$f" = o.svg ] && short=svg
        case " $changes " in
        *" $short "*)
            case $now in *"regular file"*) ;; *) problems="$problems $f is $now;" ;; esac
            want=$(echo "$after" | sed -n "s/.*$short=\([^ ]*\) \([0-7]*\).*/\1 \2/p")
            if [ -n "$want" ]; then
                case $now in *"$want"*) ;; *) problems="$problems $f is $now, not $want;" ;; esac
            elif [ "$was" != absent ] && [ "${was%%;*}" != "${now%%;*}" ]; then
                problems="$problems $f was ${was%%;*}, now ${now%%;*};"
            fi
            ;;
        *) [ "$was" = "$now" ] || problems="$problems $f was $was, now $now;" ;;
        esac
    done
    [ -z "$(find "$dir" -name '.rilo-*')" ] || problems="$problems a temporary file is left;"
    unmount_under "$dir"
    if [ -n "$problems" ]; then
        failed=$((failed + 1))
        echo "FAIL $name:$problems"
        sed 's/^/    /' "$BASE/out"
    fi
done <<'EOF'
# Destinations: a new path or a regular file (a link to one is followed)
fifo out       |root  |mkfifo out.ac                       |$S apply in.ac out.ac $W                  | |1|out.ac: cannot save: it is a FIFO, not a regular file; left as it is||
device out     |root  |mknod out.ac c 1 3                  |$S apply in.ac out.ac $W                  | |1|it is a character device, not a regular file||
directory out  |root  |mkdir out.ac                        |$S apply in.ac out.ac $W                  | |1|it is a directory, not a regular file||
socket out     |root  |python3 -c 'import socket; socket.socket(socket.AF_UNIX).bind("out.ac")'|$S apply in.ac out.ac $W| |1|it is a socket||
link followed  |root  |echo old >real.ac; ln -s real.ac out.ac|$S apply in.ac out.ac $W               | |0|^moved .* wrote out.ac$|out|
dangling link  |root  |ln -s nowhere.ac out.ac             |$S apply in.ac out.ac $W                  | |1|out.ac: cannot save: it is a symbolic link to nothing||
link loop      |root  |ln -s out.ac out.ac                 |$S apply in.ac out.ac $W                  | |1|it is a symbolic link in a loop||
preview is in  |root  |ln -s in.ac o.svg                   |$S apply in.ac out.ac $W --preview o.svg  | |1|o.svg: cannot save the side view: it is the model in.ac; nothing written||
preview is out |root  |                                    |$S apply in.ac o.svg $W --preview ./o.svg | |1|it is the model o.svg||
preview no svg |root  |                                    |$S apply in.ac out.ac $W --preview out.ac | |1|out.ac: cannot save the side view: its name must end in .svg||
preview fifo   |root  |mkfifo o.svg                        |$S apply in.ac out.ac $W --preview o.svg  | |1|o.svg: cannot save: it is a FIFO||
out and preview|root  |                                    |$S apply in.ac out.ac $W --preview o.svg  | |0|wrote out.ac and o.svg$|out svg|
out, side view |root  |                                    |$S apply in.ac out.ac $W --side-view o.svg| |0|wrote out.ac and o.svg$|out svg|
in replaced    |root  |                                    |$S apply in.ac in.ac $W                   | |0|wrote in.ac$|in|
long out name  |root  |                                    |$S apply in.ac $LONG $W                   | |0|wrote 0+\.ac$||
# Nothing unreadable is written, nothing beyond single precision is read
rot halves x   |root  |model 'rot 0.5 0 0 0 1 0 0 0 1' '1 0 0' '2 1 0' '3 2 0' >in.ac|$S apply in.ac out.ac --freq-axis y --amp-axis x --frequency 0.25 --amplitude 3e38| |1|out.ac: cannot save vertex [0-9] of object 'r': its local x would be .*beyond single precision; nothing written||
singular rot   |root  |model 'rot 1 0 0 2 0 0 0 0 1' '1 0 0' '2 0 1' '3 0 2' >in.ac|$S apply in.ac out.ac --freq-axis z --amp-axis y --frequency 0.25 --amplitude 1| |1|out.ac: cannot save vertex [0-9] of object 'r': the rot of object 'g' is singular||
loc 1e39       |root  |model 'loc 1e39 0 0' '1 0 0' '2 0 0' '3 0 0' >in.ac|$S apply in.ac out.ac $W          | |1|^standin: in.ac:7: expected a number within single precision in loc of object 'g', found '1e39'$||
world overflow |root  |model 'loc 3e38 0 0' '3e38 0 0' '2 0 0' '3 0 0' >in.ac|$S apply in.ac out.ac $W        | |1|in.ac:9: expected world coordinates within single precision, found vertex 0 of object 'r'||
vertex 1e39    |root  |model 'loc 0 0 0' '1e39 0 0' '2 0 0' '3 0 0' >in.ac|$S apply in.ac out.ac $W          | |1|in.ac:12: expected a finite vertex coordinate within single precision in object 'r', found '1e39'||
# Memory in proportion to the file
deep tree      |root  |deep in.ac                          |$LIMIT $S apply in.ac out.ac $W          | |0|^moved 40 of 120 vertices in 39920 object|out|
# Owners and permissions
owner kept     |root  |cp in.ac out.ac; chown nobody:nogroup out.ac; chmod 640 out.ac|$S apply in.ac out.ac $W| |0|wrote out.ac|out|out=nobody:nogroup 640
read-only out  |root  |cp in.ac out.ac; chmod 444 out.ac   |$S apply in.ac out.ac $W                  | |1|out.ac: cannot save: you may not write it \(mode 0444, owner 0\); --force replaces it; left as it is||
forced         |root  |cp in.ac out.ac; chmod 444 out.ac   |$S apply in.ac out.ac $W --force          | |0|wrote out.ac|out|out=root:root 444
save refused   |root  |cp in.ac out.ac; chmod 444 out.ac   |$S -c 'standin load in.ac' -c 'standin save out.ac'| |1|you may not write it||
save forced    |root  |cp in.ac out.ac; chmod 444 out.ac   |$S -c 'standin load in.ac' -c 'standin save --force out.ac'| |0|^0$|out|out=root:root 444
other's file   |nobody|chmod 777 .; cp in.ac out.ac        |$S apply in.ac out.ac $W                  | |1|you may not write it \(mode 0644, owner 0\)||
owner not kept |nobody|chmod 777 .; cp in.ac out.ac; chmod 666 out.ac|$S apply in.ac out.ac $W        | |1|out.ac: cannot save: it belongs to user 0, and the new file could not be given to that user||
other's forced |nobody|chmod 777 .; cp in.ac out.ac        |$S apply in.ac out.ac $W --force          | |0|wrote out.ac|out|out=nobody:nogroup 644
own file       |nobody|chmod 777 .; cp in.ac out.ac; chown nobody out.ac; chmod 604 out.ac|$S apply in.ac out.ac $W| |0|wrote out.ac|out|out=nobody:nogroup 604
folder shut    |nobody|cp in.ac out.ac; chown nobody out.ac|$S apply in.ac out.ac $W                  | |1|^standin: out.ac: cannot save: you may not add files to its folder \. \(mode 0755, owner 0\), and a save writes a new file there first; left as it is$||
unreadable in  |nobody|chmod 777 .; chmod 600 in.ac       |$S apply in.ac out.ac $W                  | |1|^standin: in.ac: cannot load: open: Permission denied$||
# Interrupted saves: OUT as it was, no temporary file, the signal's status (and
# the shell's notice of it)
interrupt      |root  |cp in.ac out.ac; echo old >>out.ac  |$S apply in.ac out.ac $W                  |INT |130|||
terminate      |root  |cp in.ac out.ac; echo old >>out.ac  |$S apply in.ac out.ac $W                  |TERM|143|^Terminated$||
hang up        |root  |                                    |$S -c 'standin load in.ac' -c 'standin save out.ac'|HUP|129|^Hangup$||
# The command line
out forgotten  |root  |                                    |$S apply in.ac --additive $W              | |2|^standin: OUT.ac is required$||
unknown option |root  |                                    |$S apply in.ac out.ac $W --bogus          | |2|^standin: The following argument was not expected: --bogus$||
scripts in order|root |echo 'puts s' >s.tcl                  |$S -c 'puts -nonewline c' s.tcl -c 'puts " after"'| |0|^cs$||
save no file   |root  |                                    |$S -c 'standin save --force'             | |1|usage: standin save \?--force\? FILE.ac||
apply help     |root  |                                    |$S apply --help                           | |0|^  --force +replace an OUT.ac or side view||
empty number   |root  |                                    |$S apply in.ac out.ac --freq-axis x --amp-axis y --frequency "" --amplitude 1| |1|rilo : unable to parse  for frequency; nothing written||
overlapping    |root  |                                    |$S apply in.ac out.ac $W --select objects banner banner| |0|^moved [0-9]+ of 175 vertices in 1 object|out|
no such object |root  |                                    |$S apply in.ac out.ac $W --select objects zz| |1|^standin: in.ac: no object named 'zz'; nothing written$||
no such kind   |root  |                                    |$S apply in.ac out.ac $W --select edges zz| |2|^standin: expected all, objects, surfaces or vertices after --select, found 'edges'$||
# Input that cannot fit
device in      |root  |                                    |$S apply /dev/zero out.ac $W              | |1|^standin: /dev/zero: cannot load: not a regular file \(a device\)$||
fifo in        |root  |rm in.ac; mkfifo in.ac              |timeout 10 $S apply in.ac out.ac $W       | |1|^standin: in.ac: cannot load: not a regular file \(a FIFO\)$||
fifo in Open   |root  |rm in.ac; mkfifo in.ac              |timeout 10 $S -c 'standin load in.ac'     | |1|^in.ac: cannot load: not a regular file \(a FIFO\)$||
huge file      |root  |truncate -s 5G in.ac                |$S apply in.ac out.ac $W                  | |1|^standin: in.ac: cannot load: the file has 5368709120 bytes; files of more than 4294967294 bytes are not read$||
directory in   |root  |mkdir d.ac                          |$S apply d.ac out.ac $W                   | |1|d.ac: cannot load: not a regular file \(a folder\)$||
# Messages
nul in a token |root  |printf 'AC3Db\nOBJECT world\nkids 1\nOBJECT poly\nnumvert f\000\033x\nkids 0\n' >in.ac|$S apply in.ac out.ac $W| |1|in.ac:5: expected a whole number after numvert, found 'f\\x00\\x1bx'$||
mat beyond     |root  |model 'loc 0 0 0' '1 0 0' '2 0 0' '3 0 0' 5 >in.ac|$S apply in.ac out.ac $W          | |0|in.ac:17: warning: surface 0 of object 'r' uses material 5, but the file has 1 material|out|
# The command's refusals (docs/bad-input.md)
few parameters |root  |                                    |$S -c 'pjtrilo_go x y'                    | |0|Insufficient parameters passed to rilo utility||
refused, later |root  |                                    |$S -c 'for {set i 0} {$i < 5000} {incr i} {pjtrilo_go x y}' -c 'standin apply in.ac out.ac --freq-axis q --amp-axis y --frequency 1 --amplitude 1'| |1|^rilo : cannot interpret frequency axis q; nothing written$||
same axis      |root  |                                    |$S apply in.ac out.ac --freq-axis x --amp-axis X --frequency 1 --amplitude 1| |1|rilo : cannot apply frequency and amplitude to same axis; nothing written||
axis q         |root  |                                    |$S apply in.ac out.ac --freq-axis q --amp-axis y --frequency 1 --amplitude 1| |1|rilo : cannot interpret frequency axis q||
no number      |root  |                                    |$S apply in.ac out.ac $W --frequency abc  | |1|rilo : unable to parse abc for frequency||
Random offset  |root  |                                    |$S apply in.ac out.ac $W --offset Random  | |1|rilo : unable to parse Random for offset||
1e39 amplitude |root  |                                    |$S apply in.ac out.ac $W --amplitude 1e39 | |1|rilo : unable to parse 1e39 for amplitude||
no vertices    |root  |printf 'AC3Db\nOBJECT world\nkids 0\n' >in.ac|$S apply in.ac out.ac $W          | |1|rilo : no vertices selected; nothing written||
out of range   |root  |model 'loc 0 0 0' '3e38 3e38 0' '2 0 0' '3 0 0' >in.ac|$S apply in.ac out.ac --freq-axis x --amp-axis y --frequency 1 --amplitude 1e38| |1|rilo : the wave would take coordinates out of range||
odd folder     |root  |mkdir 'p [x] $y "q"'; cp "${S%/*}/rilo.p" "${S%/*}/rilo.tcl" 'p [x] $y "q"'|$S --plugins "$PWD/p [x] \$y \"q\"" -c 'llength [info procs pjtrilo_dialog]'| |0|^1$||
init no folder |root  |                                    |$S --no-init -c 'standin init -nodir; set a [llength [standin commands]]; standin init; list $a [llength [standin commands]]'| |0|^0 1$||
# Saves keep what the file had, follow links as the kernel would, and finish or clean up
link planted   |root  |chmod 1777 .; echo secret >other.ac; chmod 600 other.ac; ln -s other.ac out.ac; chown -h nobody out.ac|$S apply in.ac out.ac $W| |1|^standin: out.ac: cannot save: it is a symbolic link of user 65534 in \., a sticky folder anyone may write, where only the link's owner or the folder's may follow it; left as it is$||
link in chain  |root  |chmod 1777 .; echo secret >other.ac; ln -s other.ac x.ac; chown -h nobody x.ac; ln -s x.ac out.ac|$S apply in.ac out.ac $W --preview o.svg| |1|^standin: out.ac: cannot save: its link x\.ac is a symbolic link of user 65534 in \.||
preview planted|nobody|chmod 1777 .; echo old >other.ac; chown nobody other.ac; ln -s other.ac o.svg; chown -h daemon o.svg|$S apply in.ac out.ac $W --preview o.svg| |1|^standin: o.svg: cannot save: it is a symbolic link of user 1 in \., a sticky folder anyone may write, where only the link's owner or the folder's may follow it; left as it is$||
folder's link  |root  |chown nobody .; chmod 1777 .; echo old >other.ac; ln -s other.ac out.ac; chown -h nobody out.ac|$S apply in.ac out.ac $W| |0|wrote out.ac$|out other|
root's link    |nobody|chmod 1777 .; echo old >other.ac; chown nobody:nogroup other.ac; ln -s other.ac out.ac|$S apply in.ac out.ac $W| |0|wrote out.ac$|out other|
ACL and attrs  |root  |cp in.ac out.ac; setfacl -m g::-,u:nobody:rw out.ac; setfattr -n user.note -v kept out.ac; setfattr -n trusted.t -v 1 out.ac|$S apply in.ac out.ac $W| |0|wrote out.ac$|out|
ACL, nobody    |nobody|chmod 777 .; cp in.ac out.ac; chown nobody:nogroup out.ac; setfacl -m u:root:r,g::- out.ac; setfattr -n user.note -v x out.ac|$S -c 'standin load in.ac' -c 'standin save out.ac'| |0|^0$|out|
default ACL    |root  |cp in.ac out.ac; setfacl -d -m u:nobody:rwx .|$S apply in.ac out.ac $W --preview o.svg| |0|wrote out.ac and o.svg$|out svg|
set-id and caps|root  |cp in.ac out.ac; chown nobody out.ac; chmod 6755 out.ac; setcap cap_net_raw+ep out.ac|$S apply in.ac out.ac $W| |0|wrote out.ac$|out|
attr unreadable|nobody|chmod 777 .; cp in.ac out.ac; chmod 602 out.ac; setfattr -n user.x -v 1 out.ac|$S apply in.ac out.ac $W --force| |1|^standin: out.ac: cannot save: its extended attribute user.x cannot be read: Permission denied; left as it is$||
folder link    |root  |chmod 1777 .; echo secret >other.ac; ln -s . d; chown -h nobody d|$S apply in.ac d/other.ac $W| |1|^standin: d/other\.ac: cannot save: its link d is a symbolic link of user 65534 in \., a sticky folder||
link through it|root  |chmod 1777 .; echo secret >other.ac; ln -s . d; chown -h nobody d; ln -s d/other.ac out.ac|$S apply in.ac out.ac $W| |1|^standin: out\.ac: cannot save: its link d is a symbolic link of user 65534 in \.||
file planted   |root  |chmod 1777 .; cp in.ac out.ac; chown nobody out.ac|$S apply in.ac out.ac $W --force| |1|^standin: out.ac: cannot save: it is a file of user 65534 in \., a sticky folder anyone may write, where a file neither yours nor the folder owner's is not replaced; left as it is$||
sticky, other's|nobody|chmod 1777 .; cp in.ac out.ac; chmod 666 out.ac|$S apply in.ac out.ac $W --force| |1|^standin: out.ac: cannot save: it is a file of user 0 in \., a sticky folder, where only the file's owner or the folder's may replace it; left as it is$||
immutable out  |root  |cp in.ac out.ac; if ! chattr +i out.ac; then skip "chattr is not supported here"; fi|$S apply in.ac out.ac $W --force; r=$?; chattr -i out.ac; (exit $r)| |1|^standin: out.ac: cannot save: it is immutable \(chattr \+i\), so a save cannot replace it; left as it is$||
append-only dir|root  |cp in.ac out.ac; if ! chattr +a .; then skip "chattr is not supported here"; fi|$S apply in.ac out.ac $W; r=$?; chattr -a .; (exit $r)| |1|^standin: out.ac: cannot save: its folder \. is append-only \(chattr \+a\), where a save cannot put a new file in place; left as it is$||
odd out name   |root  |                                    |$S apply in.ac "$(printf 'x\n\033/o.ac')" $W| |1|^standin: x\\x0a\\x1b/o\.ac: cannot save: its folder x\\x0a\\x1b does not exist; nothing written$||
/proc in       |root  |                                    |$S apply /proc/self/status out.ac $W      | |1|^standin: /proc/self/status:1: expected the header AC3Db or AC3Dc, found 'Name:'$||
temp kept shut |root  |cp in.ac out.ac; chmod 600 out.ac   |race save 'stat -c %a .rilo-*' $S apply in.ac out.ac $W| |0|^600$|out|
hard link      |root  |cp in.ac out.ac; ln out.ac other.ac   |$S apply in.ac out.ac $W                  | |0|^out.ac: warning: only this name has the new model: the file had hard links, and 1 other name keeps the old one$|out|
size limit     |root  |cp in.ac out.ac; echo old >>out.ac  |prlimit --fsize=1000 $S apply in.ac out.ac $W| |1|^standin: out.ac: cannot save: write: File too large: this process may write files of at most 1000 bytes \(ulimit -f\)$||
quit           |root  |cp in.ac out.ac; echo old >>out.ac  |$S apply in.ac out.ac $W                  |QUIT|131|^Quit||
user signal    |root  |cp in.ac out.ac; echo old >>out.ac  |$S apply in.ac out.ac $W                  |USR1|138|^User defined signal 1$||
alarm          |root  |cp in.ac out.ac; echo old >>out.ac  |$S apply in.ac out.ac $W                  |ALRM|142|^Alarm clock$||
CPU limit      |root  |cp in.ac out.ac; echo old >>out.ac  |$S apply in.ac out.ac $W                  |XCPU|152|^CPU time limit exceeded||
real-time      |root  |                                    |$S -c 'standin load in.ac' -c 'standin save out.ac'|34|162|^Real-time signal 0$||
folder moved   |root  |mkdir d; cp in.ac d/out.ac          |$S apply in.ac d/out.ac $W                |TERM mv d e|143|^Terminated$||
no folder first|nobody|chmod 600 in.ac                     |$S apply in.ac nowhere/out.ac $W          | |1|^standin: nowhere/out.ac: cannot save: its folder nowhere does not exist; nothing written$||
write-only dir |nobody|chown nobody .; cp in.ac out.ac; chown nobody:nogroup out.ac; chmod 300 .|$S apply in.ac out.ac $W| |0|^moved .* wrote out.ac$|out|
read-only fs   |root  |mkdir ro; if ! mount -t tmpfs -o ro none ro; then skip "mounting is not permitted here"; fi|$S apply in.ac ro/out.ac $W| |1|^standin: ro/out.ac: cannot save: its folder ro is on a file system mounted read-only; nothing written$||
bind-mounted   |root  |cp in.ac out.ac; echo other >other.ac; if ! mount --bind other.ac out.ac; then skip "mount --bind is not permitted here"; fi|$S apply in.ac out.ac $W| |1|^standin: out.ac: cannot save: it is a mount point \(/.*/other\.ac of .* is mounted on it\), which a save cannot replace; left as it is$||
# IN cut short under the Tcl commands' load and save (races.sh races apply): refused, naming IN
cut in Open    |root  |                                    |race load 'truncate -s 100 in.ac' $S -c 'standin load in.ac'| |1|^in.ac: cannot load: the file was cut short while it was read; nothing loaded$|in|
cut, then save |root  |cp in.ac out.ac; echo old >>out.ac  |$S -c 'standin load in.ac' -c 'exec truncate -s 100 in.ac' -c 'standin save out.ac'| |1|^in.ac: cannot save: the file was cut short since it was loaded, and the model reads its text from it; load it again$|in|
cut in resave  |root  |cp in.ac out.ac; echo old >>out.ac  |race save 'truncate -s 100 in.ac' $S -c 'standin load in.ac' -c 'standin save out.ac'| |1|in.ac, which the model reads its text from, was cut short while it was copied|in|
# Names as written, file names that begin with -, the size limit, a side view XML can read
bracket name   |root  |named door '[door]' >in.ac           |$S apply in.ac out.ac $W --select objects '[door]'| |0|^moved [0-9]+ of 4 vertices in 1 object|out|
comma, space   |root  |named a b 'a,b' 'a b' >in.ac         |$S apply in.ac out.ac $W --select objects 'a,b' 'a b'| |0|^moved [0-9]+ of 11 vertices in 2 object|out|
dash names     |root  |named a -x --y '[a]' >in.ac          |$S apply in.ac out.ac $W --select objects a -- -x --y '[a]'| |0|^moved [0-9]+ of 18 vertices in 4 object|out|
dash names, Tcl|root  |named a -x '[a]' >in.ac              |$S -c "standin apply in.ac out.ac $W --select objects {[a]} -- -x"| |0|^moved [0-9]+ of 9 vertices in 2 object|out|
dashes alone   |root  |named -x >in.ac                      |$S apply in.ac out.ac $W -- -x             | |2|^standin: the names after -- need --select objects, surfaces or vertices$||
files after -- |root  |                                    |$S apply -- -in.ac -out.ac $W              | |2|^standin: IN\.ac is required; the words after -- are object names, -in\.ac among them: name the files before --, a file whose name begins with - as \./-in\.ac$||
dash file      |root  |                                    |$S apply -in.ac out.ac $W                 | |2|^standin: -in\.ac: no such option; a file whose name begins with - is named \./-in\.ac$||
dash file, Tcl |root  |                                    |$S -c "standin apply -in.ac out.ac $W"    | |1|^-in\.ac: no such option; a file whose name begins with - is named \./-in\.ac; usage||
dash file named|root  |cp in.ac ./-in.ac                   |$S apply ./-in.ac out.ac $W               | |0|wrote out.ac$|out|
4 GiB less 1   |root  |truncate -s 4294967295 in.ac        |$S apply in.ac out.ac $W                  | |1|^standin: in.ac: cannot load: the file has 4294967295 bytes; files of more than 4294967294 bytes are not read$||
svg of odd text|root  |cp in.ac "$(printf 'i\001\377n.ac')"|$S apply "$(printf 'i\001\377n.ac')" out.ac $W --amplitude "$(printf '0.1\002\300\257\355\240\200\357\277\276<&')" --offset random --preview o.svg && xmllint --noout o.svg| |0|wrote out.ac and o.svg$|out svg|
EOF
echo "$n cases, $failed failed"
[ "$failed" = 0 ]
