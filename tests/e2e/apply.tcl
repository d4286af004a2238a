# Model files through the real module: standin load/save and standin apply.
source [file join [file dirname [info script]] lib.tcl]

set root [file dirname [file dirname [file dirname [file normalize [info script]]]]]
set banner [file join $root examples banner.ac]
set tmp [file join [temporaryDirectory] apply-[pid]]
file mkdir $tmp

# name -> coordinates of every object of the scene
proc coordinates {} {
    set out {}
    foreach id [standin objects] { dict set out [dict get [standin info $id] name] [standin get $id] }
    return $out
}

# The coordinates of one axis (0, 1, 2) from a flat list of x y z.
proc axis {flat k} {
    set out {}
    foreach {x y z} $flat { lappend out [lindex [list $x $y $z] $k] }
    return $out
}

set wave {--select objects banner --freq-axis x --amp-axis z --frequency 0.75 --amplitude 0.12}

test apply-same-as-in-scene {apply writes what the command does to the loaded scene} {
    fresh
    standin load $banner
    standin select objects banner
    pjtrilo_go x z 0.75 0.12 0 1 1
    set expected [coordinates]
    standin apply $banner $tmp/out.ac {*}$wave
    standin load $tmp/out.ac
    set got [coordinates]
    set b0 [dict get $expected banner]
    set b1 [dict get $got banner]
    list [expr {[dict get $got pole] eq [dict get $expected pole]}] \
        [expr {[axis $b1 0] eq [axis $b0 0] && [axis $b1 1] eq [axis $b0 1]}] [near [axis $b1 2] [axis $b0 2] 1e-6]
} {1 1 1}

test apply-refused {a parameter the command refuses: its message, and no file} {
    fresh
    set r [catch {standin apply $banner $tmp/bad.ac --freq-axis q --amp-axis z --frequency 1 --amplitude 1} msg]
    list $r $msg [file exists $tmp/bad.ac]
} {1 {rilo : cannot interpret frequency axis q; nothing written} 0}

test apply-unknown-object {selecting an object the model lacks fails before anything is written} {
    fresh
    set r [catch {standin apply $banner $tmp/bad.ac --select objects flag --freq-axis x --amp-axis z --frequency 1 --amplitude 1} msg]
    list $r $msg [file exists $tmp/bad.ac]
} [list 1 "$banner: no object named 'flag'; nothing written" 0]

test apply-side-view {the side view holds both layers and names the axes} {
    fresh
    standin apply $banner $tmp/out.ac {*}$wave --preview $tmp/side.svg
    set f [open $tmp/side.svg]
    set svg [read $f]
    close $f
    lmap word {>before< >after< {x (frequency axis)} {z (amplitude axis)}} { expr {[string first $word $svg] >= 0} }
} {1 1 1 1}

test save-after-set {a vertex set in the scene is saved and reads back} {
    fresh
    standin load $banner
    set id [lindex [standin objects] end]
    standin set $id 3 1.25 2.5 -0.375
    list [standin save $tmp/set.ac] [standin load $tmp/set.ac] [lrange [standin get $id] 9 11]
} {1 {objects 3 vertices 183 surfaces 150 repairs {}} {1.25 2.5 -0.375}}

test load-repaired {a repaired model: each repair by its line, and the scene not as its file} {
    fresh
    write_text $tmp/bom.ac "\xef\xbb\xbf[read_text $banner]"
    list [dict get [standin load $tmp/bom.ac] repairs] [dict get [standin file] modified]
} [list [list "$tmp/bom.ac:1: warning: skipped a UTF-8 byte order mark"] 1]

test command-line {standin apply from the shell: a summary, or one line of error and status 1} {
    set exe [info nameofexecutable]
    set ok [exec $exe apply $banner $tmp/cli.ac {*}$wave 2>@1]
    set r [catch {exec $exe apply $banner $tmp/cli2.ac --freq-axis x --amp-axis x --frequency 1 --amplitude 1} err]
    list [string match "moved * vertices in 1 object(s); wrote $tmp/cli.ac" $ok] $r $err [file exists $tmp/cli2.ac]
} {1 1 {standin: rilo : cannot apply frequency and amplitude to same axis; nothing written} 0}

test command-line-words {the selection by pattern, the nearest names, the numbers read in part, the usage's help} {
    set axes {--freq-axis x --amp-axis z}
    set result {}
    foreach {words lines} [list \
        {--match p* --frequency 1 --amplitude 1} {{moved * vertices in 1 object(s)*}} \
        {--match {[bf]*} ?ole --frequency 1 --amplitude 1} {{moved * of 183 vertices in 3 object(s)*}} \
        {--match P* --frequency 1 --amplitude 1} [list "standin: $banner: no object name matches 'P*' (did you mean 'pole'?); nothing written"] \
        {--select objects Banner --frequency 1 --amplitude 1} [list "standin: $banner: no object named 'Banner' (did you mean 'banner'?); nothing written"] \
        {--select all --match p* --frequency 1 --amplitude 1} {{standin: --select all takes no names and no --match} {(standin apply --help lists its options)}} \
        {--frequency 1 --amplitude 10cm --offset {5 }} {"standin: warning: --amplitude '10cm': the text 'cm' after the number is ignored" "standin: warning: --offset '5 ': the text ' ' after the number is ignored" {moved *}} \
        {--frequency 1e --amplitude 1 --offset random} {"standin: warning: --frequency '1e': the text 'e' after the number is ignored" {moved *}} \
        {--frequency 1x --amplitude x} {{standin: rilo : unable to parse x for amplitude; nothing written}} \
        {--frequency 1} {{standin: --amplitude is required} {(standin apply --help lists its options)}}] {
        catch {exec [info nameofexecutable] apply $banner $tmp/words.ac {*}$axes {*}$words 2>@1} out
        set got [lsearch -all -inline -exact -not [split $out \n] "child process exited abnormally"]
        lappend result [expr {[llength $got] == [llength $lines] &&
            [lsearch -exact [lmap line $got pattern $lines {string match $pattern $line}] 0] < 0}]
    }
    set result
} {1 1 1 1 1 1 1 1 1}

file delete -force $tmp
finish
