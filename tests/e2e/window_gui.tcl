# The main window (standin --gui MODEL.ac): the model opened from the command
# line and from the File menu, drawn, selected by clicking, waved through the
# dialog, undone and saved, the unsaved-changes question, and the view
# following the window's size.  Run with examples/banner.ac as the model.
source [file join [file dirname [info script]] lib.tcl]
windows_under_test

set model [file normalize [file join [file dirname [info script]] .. .. examples banner.ac]]
set work [file join [expr {[info exists ::env(TMPDIR)] ? $::env(TMPDIR) : "/tmp"}] window_gui-[pid]]
file mkdir $work

proc settle {} {
    update
    update idletasks
}

proc object_id {name} {
    foreach id [standin objects] {
        if {[dict get [standin info $id] name] eq $name} {
            return $id
        }
    }
    error "no object $name"
}

# Clicks at where vertex INDEX of object NAME is drawn, with Shift when ADD.
proc click_vertex {name index {add 0}} {
    settle
    lassign [::standin::view point [object_id $name] $index] x y
    set x [expr {round($x)}]
    set y [expr {round($y)}]
    set state [expr {$add ? 1 : 0}]
    event generate .view <ButtonPress-1> -x $x -y $y -state $state
    event generate .view <ButtonRelease-1> -x $x -y $y -state $state
    settle
}

# The scene's selection as the view sees it: {MODE ITEMS NAMES}.
proc selection {} {
    set info [::standin::view sync]
    ::standin::gui::changed
    settle
    list [dict get $info mode] [dict get $info items] [lmap id [dict get $info selected] {dict get [standin info $id] name}]
}

# The box around every edge drawn, and the viewport it must stay in.
proc drawn_box {} {
    settle
    lassign [.view bbox edge selected] x0 y0 x1 y1
    list [list $x0 $y0 $x1 $y1] [::standin::gui::viewport]
}

# Whether the drawing lies in the viewport and fills it across one of its dimensions.
proc fits {} {
    lassign [drawn_box] box port
    lassign $box x0 y0 x1 y1
    lassign $port left top right bottom
    # bbox grows each side by a pixel or two for the line width.
    set inside [expr {$x0 >= $left - 2 && $y0 >= $top - 2 && $x1 <= $right + 2 && $y1 <= $bottom + 2}]
    set filled [expr {max(($x1 - $x0) / double($right - $left), ($y1 - $y0) / double($bottom - $top))}]
    expr {$inside && $filled > 0.8}
}

test window-opened {the model named on the command line is open, drawn and listed} {
    settle
    set tree .main.objects.list
    set names {}
    foreach item [$tree children {}] {
        lappend names [$tree item $item -text] [lmap child [$tree children $item] {$tree item $child -text}]
    }
    list [wm title .] $names [expr {[llength [.view find withtag edge]] > 0}] [fits] $::standin::gui::counts
} {{banner.ac - standin} {flagpole {pole banner}} 1 1 {3 objects, 183 vertices, 150 surfaces}}

test window-view-words {the view command words a bad word as the standin command does} {
    lmap call {{axes 0 up} {point 1 x} {pick edges 0 0} {turn}} {
        catch {::standin::view {*}$call} message
        lindex [split $message :] 0
    }
} {{expected a number, found 'up'} {expected an integer, found 'x'} {expected objects, surfaces or vertices, found 'edges'} {unknown subcommand 'turn'}}

test window-click {a click selects what is under it in the selection mode; Shift adds} {
    set result {}
    foreach {mode clicks expected} {
        objects {{banner 30 0}} {objects 1 banner}
        objects {{pole 4 0} {banner 30 1}} {objects 2 {pole banner}}
        objects {{banner 30 0} {banner 31 1}} {objects 1 banner}
        vertices {{banner 30 0} {banner 31 1}} {vertices 2 banner}
        vertices {{pole 0 0}} {vertices 1 pole}
    } {
        ::standin::gui::set_mode $mode
        foreach click $clicks {
            click_vertex {*}$click
        }
        lappend result [expr {[selection] eq $expected ? "ok" : "$mode $clicks: [selection]"}]
    }
    set tree [lmap item [.main.objects.list selection] {.main.objects.list item $item -text}]
    ::standin::gui::set_mode objects
    lappend result $tree [selection]
} {ok ok ok ok ok pole {objects 1 pole}}

test window-mode-switch {switching the mode takes the selection over; the tree selects objects} {
    click_vertex banner 30
    ::standin::gui::set_mode vertices
    set vertices [selection]
    ::standin::gui::set_mode objects
    set objects [selection]
    .main.objects.list selection set [list o[object_id pole]]
    settle
    list $vertices $objects [selection]
} {{vertices 175 banner} {objects 1 banner} {objects 1 pole}}

test window-wave-undo {the dialog's wave marks the model changed; undo brings it back unmarked} {
    set banner [object_id banner]
    set start [standin get $banner]
    click_vertex banner 30
    .menubar.tools invoke Rilo...
    settle
    set ::rilo::ui(amp_axis) z
    .rilo.f.buttons.ok invoke
    settle
    set waved [expr {[standin get $banner] ne $start}]
    set titles [list [wm title .]]
    .menubar.edit invoke Undo
    settle
    list $waved $titles [wm title .] [expr {[standin get $banner] eq $start}]
} {1 {{banner.ac* - standin}} {banner.ac - standin} 1}

test window-save-as {Save As writes through standin save; the saved file reads back as shown} {
    .menubar.tools invoke Rilo...
    settle
    .rilo.f.buttons.ok invoke
    settle
    set shown [standin get [object_id banner]]
    set before [wm title .]
    set path [file join $::work waved.ac]
    proc ::tk_getSaveFile {args} [list return $path]
    .menubar.file invoke "Save As..."
    settle
    set after [wm title .]
    ::standin::gui::open_model $path
    settle
    set f [open $path]
    set head [read $f 5]
    close $f
    # Coordinates go back through the objects' placements, hence the tolerance.
    list $before $after [near [standin get [object_id banner]] $shown 1e-5] $head
} {{banner.ac* - standin} {waved.ac - standin} 1 AC3Db}

# Answers the unsaved-changes question with CHOICE once it shows.
proc answer {choice {tries 250}} {
    if {[winfo exists .unsaved.f.$choice]} {
        lappend ::asked [.unsaved.f.text cget -text]
        .unsaved.f.$choice invoke
    } elseif {$tries > 0} {
        after 20 [list answer $choice [expr {$tries - 1}]]
    }
}

test window-open-menu {File > Open asks before dropping changes: Cancel keeps them, Discard opens} {
    proc ::tk_getOpenFile {args} [list return $::model]
    set ::asked {}
    set result {}
    click_vertex banner 30
    foreach choice {cancel discard} {
        .menubar.tools invoke Rilo...
        settle
        .rilo.f.buttons.ok invoke
        settle
        after 20 [list answer $choice]
        .menubar.file invoke Open...
        settle
        lappend result $choice [wm title .] [llength [standin history]]
    }
    list $::asked $result
} {{{Save the changes to waved.ac?} {Save the changes to waved.ac?}} {cancel {waved.ac* - standin} 1 discard {banner.ac - standin} 0}}

test window-open-refused {a file that cannot be read is reported and the model stays} {
    set bad [file join $::work bad.ac]
    set f [open $bad w]
    puts $f "not a model"
    close $f
    proc ::tk_getOpenFile {args} [list return $bad]
    .menubar.file invoke Open...
    settle
    set shown [winfo exists .message]
    destroy .message
    list $shown [wm title .] [llength [standin objects]]
} {1 {banner.ac - standin} 3}

test window-view {the view refits to the window's size and on F; the wheel zooms; the views switch} {
    set result {}
    foreach {geometry} {700x450 1100x760} {
        wm geometry . $geometry
        settle
        lappend result [fits]
    }
    lassign [lindex [drawn_box] 0] x0 y0 x1 y1
    set width [expr {$x1 - $x0}]
    lassign [::standin::gui::viewport] left top right bottom
    event generate .view <Button-4> -x [expr {($left + $right) / 2}] -y [expr {($top + $bottom) / 2}]
    settle
    lassign [lindex [drawn_box] 0] x0 y0 x1 y1
    lappend result [expr {$x1 - $x0 > $width * 1.2}]
    event generate .view <Key-f>
    focus -force .view
    event generate .view <Key-f>
    settle
    lappend result [fits]
    foreach view {front top side 3d} {
        ::standin::gui::show $view
        settle
        lappend result [fits]
    }
    set result
} {1 1 1 1 1 1 1 1}

file delete -force $work
finish
