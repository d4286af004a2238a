# The main window's live preview of the Rilo dialog's wave (sourced by
# window.tcl).
#
# While the plug-in's dialog is open, the model shows the wave for the values
# being edited: the window runs the plug-in's own command through the
# host's live preview (standin live run), whose undo step it keeps aside and
# puts back, bit for bit, before anything else (a command, an undo or redo,
# a save, a change) touches the scene.  The dialog tells the window what it
# does through the hooks it calls where a host defines them (the commands
# of ::rilo_host below; script/rilo.tcl lists them); the window tells it
# back through ::rilo::host_changed.  OK and Apply keep the live preview
# shown as the model's (standin live keep): they give exactly the wave
# shown, a random phase included.  The Live preview switch, at the right of
# the status bar, turns it off and on.
#
# What a live preview or an Apply was made for is a stamp: the parameters,
# the scene's version and the selection's.
#
# This file's state, live(...):
#   on       the Live preview switch
#   running  a live preview runs: its messages stay in the status line
#   dialog   the dialog's window while it is open
#   wanted   the parameters its values give, or {} while they cannot be sent
#   shown    the stamp of the live preview shown, or {}
#   applied  the stamp of the last Apply that put a wave on, or {}
#   after    the live preview scheduled, coalescing edits
#   placed   where the dialog was last put, {X Y} on the screen
#   kept     where the user moved the dialog, {X Y}, or {}: it opens there again
# Its procedures for the others: build_live_switch, live_running,
# live_follows; the hooks of ::rilo_host for the dialog.
namespace eval ::standin::gui {
    variable live
    array set live {on 1 running 0 dialog "" wanted {} shown {} applied {} after "" placed {} kept {}}
}

namespace eval ::rilo_host {}

proc ::rilo_host::opened {top} {
    ::standin::gui::dialog_opened $top
}

proc ::rilo_host::edited {parameters} {
    ::standin::gui::values_edited $parameters
}

proc ::rilo_host::applicable {} {
    ::standin::gui::applicable
}

proc ::rilo_host::run {parameters} {
    ::standin::gui::run_wave $parameters
}

proc ::rilo_host::closed {} {
    ::standin::gui::dialog_closed
}

proc ::rilo_host::selection {axis} {
    standin extent $axis
}

proc ::standin::gui::build_live_switch {} {
    ttk::checkbutton .status.live -text "Live preview" -takefocus 0 -variable ::standin::gui::live(on) \
        -command ::standin::gui::live_switched
    add_status_switch .status.live
}

proc ::standin::gui::live_running {} {
    variable live
    return $live(running)
}

# PARAMETERS on the model as it is now, with what is selected now.
proc ::standin::gui::stamp {parameters} {
    set now [standin versions]
    list $parameters [dict get $now scene] [dict get $now selection]
}

# A new dialog is placed where it hides the least of the model; it shows
# its values live.
proc ::standin::gui::dialog_opened {top} {
    variable live
    if {$live(dialog) eq $top} return
    set live(dialog) $top
    set live(applied) {}
    place_dialog $top
    bind $top <Destroy> {+::standin::gui::dialog_leaves %W}
    schedule_live_preview
}

# The dialog W is going: where it stands, when not where it was put, is
# where the user moved it, for the next time it opens.
proc ::standin::gui::dialog_leaves {w} {
    variable live
    if {$w ne [winfo toplevel $w]} return
    set at [dialog_position $w]
    if {$at ne $live(placed)} {
        set live(kept) $at
    }
}

proc ::standin::gui::dialog_position {w} {
    regexp {([+-]-?[0-9]+)([+-]-?[0-9]+)$} [wm geometry $w] - x y
    list [expr {$x}] [expr {$y}]
}

proc ::standin::gui::dialog_closed {} {
    variable live
    set live(dialog) ""
    set live(wanted) {}
    after cancel $live(after)
    # OK closes the dialog before it runs the wave: the live preview stays
    # until then, to be kept.
    after idle ::standin::gui::take_back_live_preview
}

# Places the dialog W where the user last moved it (on screen); else
# beside the main window, to its right or left, when the screen has room;
# else where it covers the least of the selection on screen.
proc ::standin::gui::place_dialog {w} {
    variable live
    if {![winfo viewable .]} return
    update idletasks
    set width [winfo reqwidth $w]
    set height [winfo reqheight $w]
    set gap 12  ;# room for the window manager's borders
    if {[llength $live(kept)]} {
        lassign $live(kept) x y
    } else {
        lassign [dialog_place $width $height $gap] x y
    }
    set x [expr {max(0, min($x, [winfo screenwidth $w] - $width))}]
    set y [expr {max(0, min($y, [winfo screenheight $w] - $height))}]
    set live(placed) [list $x $y]
    wm geometry $w +$x+$y
}

# Where a dialog WIDTH x HEIGHT goes: {X Y}.  Of the screen's corners and
# the main window's, the first that covers the least of the selection.
proc ::standin::gui::dialog_place {width height gap} {
    set screen_width [winfo screenwidth .]
    set screen_height [winfo screenheight .]
    set left [winfo rootx .]
    set top [winfo rooty .]
    set right [expr {$left + [winfo width .]}]
    set bottom [expr {$top + [winfo height .]}]
    if {$right + $gap + $width <= $screen_width} {
        return [list [expr {$right + $gap}] $top]
    }
    if {$left - $gap - $width >= 0} {
        return [list [expr {$left - $gap - $width}] $top]
    }
    set far_x [expr {$screen_width - $width}]
    set far_y [expr {$screen_height - $height - $gap}]
    set boxes [selection_boxes]
    set best {}
    foreach place [list [list 0 0] [list 0 $far_y] [list $far_x 0] [list $far_x $far_y] \
                       [list $left $top] [list [expr {$right - $width}] $top] \
                       [list $left [expr {$bottom - $height}]] \
                       [list [expr {$right - $width}] [expr {$bottom - $height}]]] {
        lassign $place x y
        set covered [covered_area [list $x $y [expr {$x + $width + $gap}] [expr {$y + $height + $gap}]] $boxes]
        if {$best eq "" || $covered < [lindex $best 0]} {
            set best [list $covered $x $y]
        }
    }
    lrange $best 1 2
}

# How much of the BOXES, {X0 Y0 X1 Y1} each, the box AREA covers.  A box
# is at least a pixel each way: a flat selection seen edge-on is a line.
proc ::standin::gui::covered_area {area boxes} {
    lassign $area ax0 ay0 ax1 ay1
    set covered 0
    foreach box $boxes {
        lassign $box x0 y0 x1 y1
        set x1 [expr {max($x1, $x0 + 1)}]
        set y1 [expr {max($y1, $y0 + 1)}]
        set w [expr {min($ax1, $x1) - max($ax0, $x0)}]
        set h [expr {min($ay1, $y1) - max($ay0, $y0)}]
        if {$w > 0 && $h > 0} {
            incr covered [expr {$w * $h}]
        }
    }
    return $covered
}

# The dialog's values may have changed: each change schedules one live
# preview, after the changes that follow at once.
proc ::standin::gui::values_edited {parameters} {
    variable live
    if {$parameters eq $live(wanted)} return
    set live(wanted) $parameters
    schedule_live_preview
}

# Apply is greyed while the model has the wave its values give: until they,
# the scene or the selection change.
proc ::standin::gui::applicable {} {
    variable live
    expr {$live(applied) eq "" || [stamp $live(wanted)] ne $live(applied)}
}

# OK or Apply: the live preview shown becomes the model's when it is of
# these values on this selection; else the command runs.  Answers 1: the
# dialog runs nothing itself.
proc ::standin::gui::run_wave {parameters} {
    variable live
    if {$live(applied) ne "" && [stamp $parameters] eq $live(applied)} {
        return 1
    }
    set steps [llength [standin history]]
    if {$live(shown) ne "" && [standin live] && [stamp $parameters] eq $live(shown)} {
        set live(shown) {}
        standin live keep
    } else {
        take_back_live_preview
        uplevel #0 [linsert $parameters 0 pjtrilo_go]
    }
    # A command that refused took no step: the values are still to apply.
    set live(applied) [expr {[llength [standin history]] > $steps ? [stamp $parameters] : {}}]
    return 1
}

proc ::standin::gui::schedule_live_preview {} {
    variable live
    after cancel $live(after)
    set live(after) [after 30 ::standin::gui::show_live_preview]
}

proc ::standin::gui::show_live_preview {} {
    variable live
    set live(after) ""
    if {!$live(on) || $live(dialog) eq ""} return
    set now [stamp $live(wanted)]
    if {![llength $live(wanted)] || $now eq $live(applied)} {
        take_back_live_preview
        return
    }
    # Nothing may change the scene while it is read or written.
    if {[busy]} {
        set live(after) [after 100 ::standin::gui::show_live_preview]
        return
    }
    set live(shown) {}
    set live(running) 1
    try {
        set refused [standin live run pjtrilo_go {*}$live(wanted)]
    } on error problem {
        set refused $problem
        say "No live preview: $problem"
    } finally {
        set live(running) 0
    }
    if {$refused eq ""} {
        set live(shown) $now
        say "Live preview of the wave: OK or Apply keeps it, Cancel takes it back"
    }
}

# Takes the live preview back, and schedules none.
proc ::standin::gui::take_back_live_preview {} {
    variable live
    set live(shown) {}
    after cancel $live(after)
    if {[standin live]} {
        standin live clear
    }
}

proc ::standin::gui::live_switched {} {
    variable live
    if {$live(on)} {
        schedule_live_preview
    } else {
        take_back_live_preview
    }
}

# The host changed from versions WAS to NOW while the dialog is open: a new
# scene or selection shows the wave live again, and may make Apply
# available again; so does a live preview the host took back for a save.
proc ::standin::gui::live_follows {was now} {
    variable live
    if {$live(dialog) eq ""} return
    set moved [versions_differ $was $now scene selection serial]
    if {$moved && [llength [info commands ::rilo::host_changed]]} {
        ::rilo::host_changed
    }
    if {$moved || ($live(shown) ne "" && [dict get $now live] == 0)} {
        set live(shown) {}
        schedule_live_preview
    }
}
