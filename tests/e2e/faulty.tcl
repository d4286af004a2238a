# Run with a faulty build of the module: the host must record the fault.
source [file join [file dirname [info script]] lib.tcl]

set fault [lindex $argv 0]
set expected [dict get {
    list_free {{selection list never released (2 nodes)}}
    add_undoable_vertex_positions {{coordinate changed without an undo step} {selection list never released (3 nodes)}}
} $fault]

test caught "the host records the missing $fault" {
    fresh
    set a [row a {0 0 0.25 0}]
    set b [row b {0.5 0}]
    standin select objects a b
    pjtrilo_go x y 1 1 0 1 1
    set seen [standin misuse]
    standin misuse clear
    set seen
} $expected

finish
