# The window's speed, measured in standin --gui: what the user waits for
# after a click, a wheel notch, an orbit step, an Apply and an Undo, each
# until the X server has answered (the drawing sent and taken), and the
# view's memory per vertex; for a model of many small objects (LAYOUT
# wide), also the window ready after opening it, a pick in the tree and
# Ctrl+A in each selection mode.  bench/window-bench.sh runs it on a
# private display:
#   standin --gui window_bench.tcl -- MODEL.ac [RUNS [WARMUPS [LAYOUT]]]
lassign $argv model runs warmups layout
if {$model eq ""} {
    puts stderr "usage: standin --gui window_bench.tcl -- MODEL.ac \[RUNS \[WARMUPS \[LAYOUT\]\]\]"
    exit 2
}
if {$runs eq ""} {set runs 15}
if {$warmups eq ""} {set warmups 2}
set ::standin::gui::modal_messages 0
interp bgerror {} {apply {{message options} {
    puts stderr "background error: [dict get $options -errorinfo]"
    exit 1
}}}

# The action done, the window's redraw that follows it, and a request
# that waits for the server's reply.
proc settle {} {
    update
    winfo pointerxy .
}

# Milliseconds of each of RUNS times SCRIPT after WARMUPS untimed ones;
# BEFORE runs untimed ahead of each, and the time is taken once UNTIL has
# run after it.
proc timed {script {before {}} {until settle}} {
    set out {}
    for {set i 0} {$i < $::warmups + $::runs} {incr i} {
        uplevel #0 $before
        settle
        set start [clock microseconds]
        uplevel #0 $script
        uplevel #0 $until
        if {$i >= $::warmups} {
            lappend out [expr {([clock microseconds] - $start) / 1000.0}]
        }
    }
    return $out
}

proc quantile {sorted q} {
    set at [expr {$q * ([llength $sorted] - 1)}]
    set low [expr {int(floor($at))}]
    set high [expr {min($low + 1, [llength $sorted] - 1)}]
    set a [lindex $sorted $low]
    expr {$a + ($at - $low) * ([lindex $sorted $high] - $a)}
}

# median min max iqr
proc summary {values} {
    set s [lsort -real $values]
    list [quantile $s 0.5] [lindex $s 0] [lindex $s end] [expr {[quantile $s 0.75] - [quantile $s 0.25]}]
}

proc rss_kib {} {
    set f [open /proc/self/status]
    set text [read $f]
    close $f
    regexp -line {^VmRSS:\s+(\d+)} $text -> kib
    return $kib
}

proc centre {} {
    lassign [::standin::gui::viewport 3d] left top right bottom
    list [expr {($left + $right) / 2}] [expr {($top + $bottom) / 2}]
}

# ---- Open the model and draw it once

wm geometry . 980x640
settle
set before [rss_kib]
set start [clock microseconds]
standin load $model
set loaded [rss_kib]
set vertices 0
foreach id [standin objects] {
    incr vertices [dict get [standin info $id] vertices]
}
# The window redraws after a standin command; Control+F fits the new model
# in all four views.  The measures are taken in the 3D view of the four.
::standin::gui::show four
focus -force .view
event generate .view <Control-f>
settle
set first_draw [expr {([clock microseconds] - $start) / 1000.0}]
# A textured model is timed with its texture shown, not with the colours
# of one that could not be read.
if {$layout eq "textured" && [string match "cannot read*" $::standin::gui::bands(status)]} {
    puts stderr $::standin::gui::bands(status)
    exit 1
}
set drawn [rss_kib]
if {[catch {::standin::view memory} bytes]} {
    set bytes [expr {($drawn - $loaded) * 1024.0}]
    set memory_from "RSS growth of the first draw"
} else {
    set memory_from "::standin::view memory"
}
set per_vertex [expr {$bytes / max(1, $vertices)}]
set objects [llength [standin objects]]

# ---- The measures

# A click on a vertex of the object in the middle of the list (or the
# first after it with vertices: not a group), in the selection mode the
# window starts in.
foreach target [lrange [standin objects] [expr {$objects / 2}] end] {
    if {[dict get [standin info $target] vertices] > 0} break
}
set index [expr {[dict get [standin info $target] vertices] / 2}]
set slot [::standin::gui::slot_of 3d]
lassign [::standin::view point $target $index $slot] x y
set x [expr {round($x)}]
set y [expr {round($y)}]
set result(click) [timed {
    event generate .view <ButtonPress-1> -x $x -y $y
    event generate .view <ButtonRelease-1> -x $x -y $y
} {standin select none}]
# Each measure checks that its action did what it says, as the user would
# see it (the status bar, where a vertex is drawn), so that a binding that
# went away cannot pass as fast.
if {![string match "Selected:*" [.status.selection cget -text]]} {
    puts stderr "the click selected nothing"
    exit 1
}
standin select none
settle

# Wheel notches, in and out in turn, about the middle of the view.
lassign [centre] cx cy
set notch 0
set seen [::standin::view point $target $index $slot]
set result(wheel) [timed {
    event generate .view [expr {[incr notch] % 2 ? "<Button-4>" : "<Button-5>"}] -x $cx -y $cy
}]
if {[::standin::view point $target $index $slot] eq $seen && $notch % 2} {
    puts stderr "the wheel did not zoom"
    exit 1
}

# Orbit steps during one drag in the 3D view.
settle
set seen [::standin::view point $target $index $slot]
event generate .view <ButtonPress-1> -x $cx -y $cy
event generate .view <Motion> -x [expr {$cx + 8}] -y $cy -state 256
set step 0
set result(orbit) [timed {
    incr step
    event generate .view <Motion> -x [expr {$cx + 8 + 6 * $step}] -y [expr {$cy + 2 * ($step % 5)}] -state 256
}]
event generate .view <ButtonRelease-1> -x [expr {$cx + 8 + 6 * $step}] -y $cy
settle
if {[::standin::view point $target $index $slot] eq $seen} {
    puts stderr "the drag did not orbit"
    exit 1
}

# Apply to everything, then Undo (Ctrl+Z), each with its redraw.
standin select all
settle
set result(apply) {}
set result(undo) {}
for {set i 0} {$i < $warmups + $runs} {incr i} {
    set start [clock microseconds]
    pjtrilo_go x y 1 0.1 0 0 1
    settle
    set applied [expr {([clock microseconds] - $start) / 1000.0}]
    set start [clock microseconds]
    event generate .view <Control-z>
    settle
    set undone [expr {([clock microseconds] - $start) / 1000.0}]
    if {[llength [standin history]] != 0} {
        puts stderr "Ctrl+Z did not take the wave back"
        exit 1
    }
    if {$i >= $warmups} {
        lappend result(apply) $applied
        lappend result(undo) $undone
    }
}

set measures {
    click "click to select" 150
    wheel "wheel notch" 100
    orbit "orbit step" 50
    apply "Apply + redraw" 250
    undo "Undo + redraw" 250
}

# ---- Many small objects: the tree, Ctrl+A, opening

if {$layout eq "wide"} {
    standin select none
    settle
    # The middle object's row selected in the tree, as a click on it does.
    set result(pick) [timed {.main.objects.list selection set o$target} {standin select none}]
    if {[dict get [::standin::view sync] selected] ne $target} {
        puts stderr "the pick in the tree did not select object $target"
        exit 1
    }
    foreach mode {objects surfaces vertices} {
        standin select none
        ::standin::gui::set_mode $mode
        settle
        set result(all_$mode) [timed {event generate . <Control-a>} {standin select none}]
        set info [::standin::view sync]
        if {[dict get $info mode] ne $mode || [dict get $info items] == 0} {
            puts stderr "Ctrl+A selected no $mode"
            exit 1
        }
    }
    standin select none
    ::standin::gui::set_mode objects
    # The model opened into an empty window as File > Open does: until it
    # is drawn with the first rows of its tree and takes input (the rest of
    # the tree filling a slice at a time between events), and until the
    # tree is filled.
    set result(filled) [timed {::standin::gui::open_model $model} {standin new}]
    set result(ready) [timed {::standin::gui::open_model $model} {standin new; settle} {
        update idletasks
        winfo pointerxy .
    }]
    settle
    if {[dict get [::standin::view sync] objects] != $objects || ![.main.objects.list exists o$target]} {
        puts stderr "the model opened again is not in the window"
        exit 1
    }
    lappend measures ready "ready after open" 500 filled "tree filled" 1000 pick "tree pick" 100 \
        all_objects "Ctrl+A objects" 300 \
        all_surfaces "Ctrl+A surfaces" 300 all_vertices "Ctrl+A vertices" 300
}

# ---- The report

puts [format "%s: %d vertices in %d object(s), %s, Tk %s, %d runs after %d warm-ups" \
    [file tail $model] $vertices $objects [wm geometry .] [info patchlevel] $runs $warmups]
puts [format "opened and first drawn in %.0f ms; RSS %.0f MiB loaded, %.0f MiB drawn" \
    $first_draw [expr {$loaded / 1024.0}] [expr {$drawn / 1024.0}]]
puts [format "%-18s %9s %9s %9s %9s %9s  %s" measure median min max IQR target ""]
set line [list window_bench vertices=$vertices objects=$objects]
set met 0
foreach {key label limit} $measures {
    lassign [summary $result($key)] median low high iqr
    set ok [expr {$median <= $limit}]
    incr met $ok
    puts [format "%-18s %9.1f %9.1f %9.1f %9.1f %9s  %s" $label $median $low $high $iqr "<= $limit ms" \
        [expr {$ok ? "met" : "NOT met"}]]
    lappend line [format "%s_ms=%.1f" $key $median] [format "%s_iqr_ms=%.1f" $key $iqr]
}
# A textured model's bytes hold its texture (4 a texel) and each corner's
# place on it (8 a corner), besides the images: at 10^5 vertices, some 150.
set most [expr {$layout eq "textured" ? 200 : 100}]
set ok [expr {$per_vertex <= $most}]
incr met $ok
puts [format "%-18s %9.1f %39s  %s   (%s)" "view bytes/vertex" $per_vertex "<= $most" \
    [expr {$ok ? "met" : "NOT met"}] $memory_from]
lappend line [format "view_bytes_per_vertex=%.1f" $per_vertex] "met=$met/[expr {[llength $measures] / 3 + 1}]"
puts [join $line " "]
exit 0
