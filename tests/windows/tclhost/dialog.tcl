# Run by ac3d_tcl: works the Rilo dialog as a user would, through the menu
# entry, its controls and OK, and lists the vertices each OK moved as float
# bit patterns ("CASE OBJECT INDEX X Y Z"), for comparison between systems.
#
#   ac3d_tcl PLUGIN-DIR dialog.tcl WINDOWING-SYSTEM
#
# Checks on the way go to standard error and fail the run: the script was
# sourced at initialisation, the dialog opens in Tk of the windowing system
# named (win32 or x11), OK closes it, saves one undo step and moves
# vertices, and no message is shown.
package require Tk
wm withdraw .
set failures 0
proc check {condition what} {
    if {![uplevel 1 [list expr $condition]]} {
        puts stderr "FAILED: $what"
        incr ::failures
    }
}

check {[info procs pjtrilo_dialog] ne ""} "initialisation sourced rilo.tcl: [host tcl_log]"
check {[tk windowingsystem] eq [lindex $argv 0]} "Tk draws with [tk windowingsystem], not [lindex $argv 0]"

set ribbon {}
for {set i 0} {$i < 60} {incr i} {
    lappend ribbon [expr {-3.0 + 0.137 * $i}] [expr {0.05 * ($i % 7)}] [expr {0.3 * sin($i)}]
}
host object ribbon $ribbon
host object plate {0 0 0  1 0.1 0.35  1.1 1 0.7  0.1 1.2 1.45  2.3 0.4 2.05  2.9 1.7 2.6}

# Each case: its name, the objects selected, and what the user sets: the
# two axes, the three entries as typed, the frequency's unit and the shape.
set cases {
    wave    {ribbon}       {x y 1.5 0.25 10 per_unit additive}
    across  {ribbon plate} {z x " 0.4 " 1.25 25 across curve}
    typed   {plate}        {y z 2.5e0 -0.75 -7.5 per_unit curve}
}
foreach {name objects settings} $cases {
    lassign $settings along move frequency amplitude offset unit shape
    host select {*}$objects
    set steps [llength [host undo]]
    set before [lmap object $objects {host vertices $object}]
    host choose Rilo...
    update
    set d .rilo.f
    check {[winfo ismapped .rilo]} "$name: the dialog is shown"
    $d.axes.freq_$along invoke
    $d.axes.amp_$move invoke
    foreach field {frequency amplitude offset} {
        $d.wave.$field delete 0 end
        $d.wave.$field insert 0 [set $field]
    }
    $d.wave.$unit invoke
    $d.shape.$shape invoke
    update
    $d.buttons.ok invoke
    update
    check {![winfo exists .rilo]} "$name: OK closes the dialog"
    check {[host undo] eq [concat [lrange [host undo] 0 end-1] rilo] && [llength [host undo]] == $steps + 1} \
        "$name: OK saves one undo step named rilo"
    check {[lmap object $objects {host vertices $object}] ne $before} "$name: the vertices moved"
    foreach object $objects {
        set index 0
        foreach vertex [host vertices $object] {
            puts "$name $object $index $vertex"
            incr index
        }
    }
}
check {[host messages] eq ""} "no messages: [host messages]"
if {$failures} {
    error "$failures checks failed"
}
