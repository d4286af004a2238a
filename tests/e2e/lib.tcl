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

# The bundled banner, and a new folder for a script's files.
set ::model [file normalize [file join [file dirname [info script]] .. .. examples banner.ac]]
proc scratch {name} {
    set dir [file join [expr {[info exists ::env(TMPDIR)] ? $::env(TMPDIR) : "/tmp"}] $name-[pid]]
    file mkdir $dir
    return $dir
}

# Writes TEXT to the file at PATH, and reads what a file holds, byte for byte.
proc write_text {path text} {
    set f [open $path wb]
    puts -nonewline $f $text
    close $f
}
proc read_text {path} {
    set f [open $path rb]
    set text [read $f]
    close $f
    return $text
}

# The text of a triangle object NAME with vertices at x0, x1 (y 0) and x2
# (y 1), and FLAGS ("hidden\n", "locked\n") after its name.
proc triangle {name {flags ""} {x0 0} {x1 1} {x2 0}} {
    return "OBJECT poly\nname \"$name\"\n${flags}numvert 3\n$x0 0 0\n$x1 0 0\n$x2 1 0\nnumsurf 1\nSURF 0x10\nmat 0\nrefs 3\n0 0 0\n1 0 0\n2 0 0\nkids 0\n"
}

# Driving the dialog, and its table of user actions.
source [file join [file dirname [info script]] .. script driving.tcl]

# Lets pending events run and the window redraw; a script whose work is
# scheduled for later (the live preview) sets ::settle_ms to wait for it.
set ::settle_ms 0
proc settle {} {
    update
    if {$::settle_ms} {
        after $::settle_ms
        update
    }
    update idletasks
}

# The canvas pixel where vertex INDEX of object ID is drawn, in the view
# the keys act on.
proc at {id index} {
    set slot [::standin::gui::slot_of [::standin::gui::view_name]]
    lmap c [::standin::view point $id $index $slot] {expr {int(floor($c))}}
}

# A click on the view at vertex INDEX of OBJECT (an id or a name), with the
# modifier STATE (1 Shift, 4 Control).
proc click {object index {state 0}} {
    settle
    lassign [at [expr {[string is integer $object] ? $object : [object_id $object]}] $index] x y
    event generate .view <ButtonPress-1> -x $x -y $y -state $state
    event generate .view <ButtonRelease-1> -x $x -y $y -state $state
    settle
}

# A Control-drag in the view from (x0, y0) to (x1, y1), with Shift too when ADD.
proc drag_box {x0 y0 x1 y1 {add 0}} {
    set state [expr {4 | $add}]
    set held [expr {$state | 256}]  ;# and the first button, as a drag's motion reports it
    event generate .view <ButtonPress-1> -x $x0 -y $y0 -state $state
    event generate .view <B1-Motion> -x [expr {($x0 + $x1) / 2}] -y [expr {($y0 + $y1) / 2}] -state $held
    event generate .view <B1-Motion> -x $x1 -y $y1 -state $held
    event generate .view <ButtonRelease-1> -x $x1 -y $y1 -state $state
    settle
}

# The rows ITEMS (o1, o2...) chosen in the tree of objects.
proc select_in_tree {items} {
    .main.objects.list selection set $items
    settle
}

# Tools > Rilo... opens the dialog; 1 once it shows.
proc open_dialog {} {
    .menubar.tools invoke Rilo...
    set shown [wait_until {[winfo exists .rilo] && [winfo viewable .rilo]}]
    settle
    return $shown
}

# The selection as the window's view sees it, {MODE ITEMS NAMES}, once the
# window has caught up with it.
proc selection {} {
    settle
    set info [::standin::view sync]
    ::standin::gui::changed
    settle
    list [dict get $info mode] [dict get $info items] [lmap id [dict get $info selected] {dict get [standin info $id] name}]
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
