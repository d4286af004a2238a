# Shared by the end-to-end scripts that run inside the stand-in.
package require tcltest 2
namespace import ::tcltest::*
configure -verbose {body error}

# A clean scene and empty records.
proc fresh {} {
    standin new
    foreach what {messages debug tcllog misuse} { standin $what clear }
}

# An object with vertices at (x, y, 0) for each pair in POINTS; returns its id.
proc row {name points {parent {}}} {
    set id [standin object $name {*}$parent]
    foreach {x y} $points { standin vertex $id $x $y 0 }
    return $id
}

# The y coordinates of an object's vertices.
proc ys {id} {
    set out {}
    foreach {x y z} [standin get $id] { lappend out $y }
    return $out
}

# True when two lists of numbers agree within TOLERANCE.
proc near {actual expected {tolerance 2e-6}} {
    if {[llength $actual] != [llength $expected]} { return 0 }
    foreach a $actual e $expected {
        if {abs($a - $e) > $tolerance} { return 0 }
    }
    return 1
}

# The id of the object named NAME.
proc object_id {name} {
    foreach id [standin objects] {
        if {[dict get [standin info $id] name] eq $name} {
            return $id
        }
    }
    error "no object $name"
}

# Ends the script with a failing status when any test failed or the module
# broke one of the host's rules.
proc finish {} {
    set failed $::tcltest::numTests(Failed)
    if {[llength [standin misuse]]} {
        puts "host rules broken: [join [standin misuse] {; }]"
        incr failed
    }
    # With Tk loaded, cleanupTests ends the program itself, with status 0,
    # unless the run counts as interactive.
    testConstraint interactive 1
    cleanupTests
    exit [expr {$failed > 0}]
}

# For the scripts that drive the windows: an error in an event handler fails
# the run instead of waiting in a dialog, a run that never ends fails after a
# minute, and messages appear in a window that does not wait.
proc windows_under_test {} {
    interp bgerror {} {apply {{message options} {
        puts stderr "background error: [dict get $options -errorinfo]"
        exit 1
    }}}
    after 60000 {puts stderr "the script did not finish"; exit 1}
    set ::standin::gui::modal_messages 0
}
