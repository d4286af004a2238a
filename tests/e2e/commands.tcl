# pjtrilo_go through Tcl: refused calls change nothing, good calls move the
# selection as one undo step.
source [file join [file dirname [info script]] lib.tcl]

proc scene {} {
    fresh
    set a [row a {0 5 0.125 5 0.25 5 0.375 5 0.5 5}]
    standin select objects a
    return $a
}

test refused {each bad call shows exactly its message and changes nothing} {
    set a [scene]
    set before [standin get $a]
    set shown {}
    foreach call {
        {x y 1 1 0 1}
        {x X 1 1 0 1 1}
        {w y 1 1 0 1 1}
        {x v 1 1 0 1 1}
        {x y one 1 0 1 1}
        {x y 1 {} 0 1 1}
        {x y 1 1 Random 1 1}
        {x y 1e39 1 0 1 1}
    } {
        standin messages clear
        pjtrilo_go {*}$call
        lappend shown [standin messages]
    }
    list $shown [standin debug] [standin history] [expr {[standin get $a] eq $before}] [standin counts]
} [list [list \
    {{Insufficient parameters passed to rilo utility}} \
    {{rilo : cannot apply frequency and amplitude to same axis}} \
    {{rilo : cannot interpret frequency axis w}} \
    {{rilo : cannot interpret amplitude axis v}} \
    {{rilo : unable to parse one for frequency}} \
    {{rilo : unable to parse  for amplitude}} \
    {{rilo : unable to parse Random for offset}} \
    {{rilo : unable to parse 1e39 for frequency}}] {} {} 1 {bbox 0 redraw 0 status 0 remake 0 lists 0}]

test per-unit {one cycle per unit, absolute} {
    set a [scene]
    pjtrilo_go x y 1 2 0 0 1
    list [near [ys $a] [list 5 [expr {5 + sqrt(2)}] 7 [expr {5 + sqrt(2)}] 5]] [standin history] [standin counts]
} {1 rilo {bbox 1 redraw 1 status 1 remake 0 lists 5}}

test across-then-undo {one cycle across the selection; undo restores the exact text} {
    set a [scene]
    set before [standin get $a]
    pjtrilo_go X Y 1 2 0 0 0
    set moved [near [ys $a] {5 7 5 3 5}]
    list $moved [standin undo] [expr {[standin get $a] eq $before}] [standin history]
} {1 rilo 1 {}}

test additive {the wave adds to the existing shape} {
    fresh
    set a [row a {0 5 0.125 6 0.25 7 0.375 8 0.5 9}]
    standin select all
    pjtrilo_go x y 1 2 0 1 0
    near [ys $a] {5 8 7 6 9}
} 1

test subdivided {a subdivided object in the selection is rebuilt once} {
    fresh
    set a [row a {0 0 1 0}]
    set b [row b {2 0} $a]
    standin subdivided $b 1
    standin select objects a
    pjtrilo_go x y 0.3 1 0 1 1
    list [dict get [standin counts] remake] [standin tcllog]
} {1 {{ac3d remake_subdivisions}}}

test modes {surfaces and vertices of named objects} {
    fresh
    set a [row a {0 0 0.25 0 0.5 0}]
    standin surface $a 0 1
    standin select surfaces a
    pjtrilo_go x y 1 1 0 1 1
    set surfaces [near [ys $a] {0 1 0}]
    standin undo
    standin pick vertices $a 2 1
    pjtrilo_go x y 1 1 0 1 1
    list $surfaces [near [ys $a] {0 0 1}] [standin mode]
} {1 1 vertices}

test pick-words {pick and unpick check every word before they change the selection; all takes every item} {
    fresh
    set a [row a {0 0 0.25 0 0.5 0 0.75 0 1 0}]
    set result {}
    foreach {calls expected} {
        {{pick vertices $a 0 1 9}} {{{object 1 has no vertex 9}} objects {}}
        {{pick vertices $a all}} {{} vertices {0 1 2 3 4}}
        {{pick vertices $a 3 x}} {{{expected an integer, found 'x'}} objects {}}
        {{pick vertices $a all} {unpick vertices $a 1 9} {unpick vertices $a 1} {unpick objects $a}}
        {{{object 1 has no vertex 9}} vertices {0 2 3 4}}
    } {
        standin select none
        set errors {}
        foreach call $calls {
            if {[catch {standin {*}[subst $call]} message]} {lappend errors $message}
        }
        # A wave that moves every vertex it is given.
        pjtrilo_go x y 0.1 1 10 1 1
        set i -1
        set moved [lmap y [ys $a] {expr {abs([incr i; set y]) > 1e-9 ? $i : [continue]}}]
        if {[llength [standin history]]} {standin undo}
        set got [list $errors [standin mode] $moved]
        lappend result [expr {$got eq $expected ? "ok" : "$calls: $got"}]
    }
    set result
} {ok ok ok ok}

test extent {where the vertices a command would move lie along an axis, the model's even under a live preview} {
    fresh
    set a [row a {0 5 0.125 5 0.25 5 0.375 5 0.5 5}]
    row b {0.5 1 2 1 2 3} $a
    standin surface $a 0 1
    set result {}
    foreach {calls axis expected} {
        {{select none}} x {}
        {{select objects b}} x {low 0.5 high 2 vertices 3 spacing 1.5}
        {{select objects a}} x {low 0 high 2 vertices 8 spacing 0.4}
        {{select objects a}} y {low 1 high 5 vertices 8 spacing 2.0}
        {{select objects a} {live run pjtrilo_go y x 1 3 25 1 1}} x {low 0 high 2 vertices 8 spacing 0.4}
        {{select surfaces a}} x {low 0 high 0.125 vertices 2 spacing 0.125}
        {{pick vertices $a 4 3}} x {low 0.375 high 0.5 vertices 2 spacing 0.125}
    } {
        foreach call $calls {
            standin {*}[subst $call]
        }
        set got [standin extent $axis]
        standin live clear
        lappend result [expr {$got eq $expected ? "ok" : "$calls $axis: $got"}]
    }
    set result
} {ok ok ok ok ok ok ok}

test no-selection {nothing selected: the trace, then one message} {
    fresh
    row a {0 0}
    standin select none
    pjtrilo_go x y 1 1 0 1 1
    list [standin messages] [string match "Rilo:*" [standin debug]] [standin history]
} {{{rilo : no vertices selected}} 1 {}}

test bad-words {a word the standin command cannot use: "expected ..., found '...'", its error code the kind, nothing changed} {
    set a [scene]
    set before [standin get $a]
    set shown {}
    set codes {}
    foreach call [list \
        [list vertex $a 0 q 0] [list set $a x 0 0 0] [list subdivided $a perhaps] {select corners a} \
        [list pick edges $a 0] {select objects zz} {select objects A} {menu invoke Nothing} bogus get {load nowhere.ac} \
        {extent q}] {
        catch {standin {*}$call} message options
        lappend shown [lindex [split $message :] 0]
        lappend codes [lindex [dict get $options -errorcode] 1]
    }
    list $shown $codes [expr {[standin get $a] eq $before}]
} [list [list \
    "expected a coordinate, found 'q'" "expected an integer, found 'x'" "expected a boolean, found 'perhaps'" \
    "expected objects, surfaces or vertices, found 'corners'" "expected objects, surfaces or vertices, found 'edges'" \
    "no object named 'zz'" "no object named 'A' (did you mean 'a'?)" "no menu entry 'Nothing'" "unknown subcommand 'bogus'" \
    usage nowhere.ac "expected x, y or z, found 'q'"] \
    {REFUSED REFUSED REFUSED REFUSED REFUSED REFUSED REFUSED REFUSED USAGE USAGE MODEL REFUSED} 1]

finish
