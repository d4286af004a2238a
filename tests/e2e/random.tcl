# Random phases through the test build of the module, whose tick the script sets.
source [file join [file dirname [info script]] lib.tcl]

# The phase draw, as the module makes it.
proc draw {seed} {
    set state [expr {($seed * 214013 + 2531011) & 0xFFFFFFFF}]
    expr {(($state >> 16) & 0x7FFF) % 100}
}

test per-owner {each object in list order takes the next draw} {
    fresh
    set a [row a {0 0 0.25 0}]
    set b [row b {0.5 0}]
    standin select objects a b
    standin tick 100
    pjtrilo_go x y 1 1 random 1 1
    set oa [expr {[draw 107] * 0.01}]
    set ob [expr {[draw 114] * 0.01}]
    set pi2 [expr {2 * acos(-1)}]
    list [near [ys $a] [list [expr {sin($pi2 * $oa)}] [expr {sin($pi2 * (0.25 + $oa))}]]] \
         [near [ys $b] [list [expr {sin($pi2 * (0.5 + $ob))}]]] \
         [regexp {Offset = ([0-9.]+)} [standin debug] -> shown] [expr {abs($shown - [draw 100] * 0.01) < 1e-6}]
} {1 1 1 1}

test reproducible {the same tick gives the same bits} {
    set runs {}
    foreach round {1 2} {
        fresh
        set a [row a {0 1 0.3 2 0.7 3 1.9 4}]
        standin select all
        standin tick 4000000000
        pjtrilo_go x y 0.77 1.5 random 0 0
        lappend runs [standin get $a]
    }
    expr {[lindex $runs 0] eq [lindex $runs 1]}
} 1

finish
