# What the pointer does in the main window's views (sourced by window.tcl):
# a click or a Control-drag selects, a drag orbits the 3D view or pans, the
# wheel zooms, a double-click on a view's title shows it alone; the view
# under the pointer is the one the keys act on.
#
# This file's state, pointer(...):
#   drag      the pointer's drag: start, last point, button, view, moved
#   wheeling  the wheel turned lately: the drawing may be coarse
#   rest      the wheel's rest scheduled
# Its procedures for the others: bind_pointer, moving, click, box_select.
namespace eval ::standin::gui {
    variable pointer
    array set pointer {drag {} wheeling 0 rest ""}
}

proc ::standin::gui::bind_pointer {c} {
    foreach button {1 2} {
        bind $c <ButtonPress-$button> [list ::standin::gui::press %x %y $button %s]
        bind $c <B$button-Motion> {::standin::gui::motion %x %y}
        bind $c <ButtonRelease-$button> {::standin::gui::release %x %y}
    }
    bind $c <Double-Button-1> {::standin::gui::double_press %x %y %s}
    bind $c <Motion> {::standin::gui::pointed %x %y}
    bind $c <Button-4> {::standin::gui::wheel %x %y 1.25}
    bind $c <Button-5> {::standin::gui::wheel %x %y 0.8}
    bind $c <MouseWheel> {::standin::gui::wheel %x %y [expr {%D > 0 ? 1.25 : 0.8}]}
}

proc ::standin::gui::press {x y button state} {
    variable pointer
    set name [view_at $x $y]
    use_view $name
    set pointer(drag) [dict create x $x y $y last [list $x $y] button $button shift [expr {$state & 1}] \
        control [expr {($state & 4) != 0}] view $name moved 0]
}

# A double-click on a view's title shows it alone, or the four again;
# elsewhere its second press is a press like any other (Tk gives it to
# this binding alone).
proc ::standin::gui::double_press {x y state} {
    variable pointer
    set name [view_at $x $y]
    lassign [pane $name] x0 y0
    if {$name ne "" && $y < $y0 + [lindex [band_heights] 0]} {
        set pointer(drag) {}
        toggle_view $name
        return
    }
    press $x $y 1 $state
}

# The view under the pointer is the one the keys act on.
proc ::standin::gui::pointed {x y} {
    use_view [view_at $x $y]
}

# A drag orbits the 3D view with the first button and pans with the
# middle button, with Shift held, or in the flat views; with Control it
# draws a box that selects what it holds when released.
proc ::standin::gui::motion {x y} {
    variable pointer
    set drag $pointer(drag)
    if {![dict size $drag] || [dict get $drag view] eq ""} return
    if {![dict get $drag moved] && hypot($x - [dict get $drag x], $y - [dict get $drag y]) < 4} return
    dict set pointer(drag) moved 1
    lassign [dict get $drag last] lx ly
    dict set pointer(drag) last [list $x $y]
    set name [dict get $drag view]
    if {[dict get $drag button] == 1 && [dict get $drag control]} {
        lassign [viewport $name] left top right bottom
        set x [expr {max($left, min($right, $x))}]
        set y [expr {max($top, min($bottom, $y))}]
        .view delete rubber
        .view create rectangle [dict get $drag x] [dict get $drag y] $x $y -dash {4 3} \
            -outline [colour selected] -width [expr {max(1, [px 1])}] -tags rubber
    } elseif {$name eq "3d" && [dict get $drag button] == 1 && ![dict get $drag shift]} {
        orbit [expr {$x - $lx}] [expr {$y - $ly}]
    } else {
        pan $name [expr {$x - $lx}] [expr {$y - $ly}]
    }
}

# A click selects (Shift adds, Control toggles); a Control drag selects by box.
proc ::standin::gui::release {x y} {
    variable pointer
    set drag $pointer(drag)
    set moved [expr {[dict size $drag] && [dict get $drag moved]}]
    if {[dict size $drag] && [dict get $drag button] == 1 && [dict get $drag view] ne ""} {
        set shift [dict get $drag shift]
        if {[dict get $drag control] && $moved} {
            .view delete rubber
            lassign [viewport [dict get $drag view]] left top right bottom
            box_select [dict get $drag x] [dict get $drag y] [expr {max($left, min($right, $x))}] \
                [expr {max($top, min($bottom, $y))}] $shift
            set moved 0
        } elseif {!$moved} {
            click $x $y [expr {[dict get $drag control] ? "toggle" : $shift}]
        }
    }
    set pointer(drag) {}
    if {$moved} {
        redraw_later [dict get $drag view]
    }
}

# Whether a view is moving: dragged, or the wheel turned lately.
proc ::standin::gui::moving {} {
    variable pointer
    expr {$pointer(wheeling) || ([dict size $pointer(drag)] && [dict get $pointer(drag) moved])}
}

# A notch of the wheel: the drawing may be coarse until the wheel rests.
proc ::standin::gui::wheel {x y factor} {
    variable pointer
    set name [view_at $x $y]
    if {$name eq ""} return
    use_view $name
    set pointer(wheeling) 1
    after cancel $pointer(rest)
    set pointer(rest) [after 200 [list ::standin::gui::wheel_rested $name]]
    zoom $name $x $y $factor
}

proc ::standin::gui::wheel_rested {name} {
    variable pointer
    set pointer(wheeling) 0
    redraw_later $name
}

# Selects what lies under (x, y) in the selection mode: ADD 1 adds it,
# toggle adds or removes it, 0 replaces the selection (a click on nothing
# clears it).
proc ::standin::gui::click {x y add} {
    variable pointer
    set mode [selection_mode]
    set name [view_at $x $y]
    if {$name eq ""} return
    lassign [viewport $name] left top right bottom
    if {$x < $left || $x > $right || $y < $top || $y > $bottom} return
    update idletasks
    set hit [::standin::view pick $mode $x $y [expr {max(6, [px 6])}]]
    if {$add eq "toggle"} {
        if {[llength $hit] && [::standin::view selected $mode {*}$hit]} {
            standin unpick $mode {*}$hit
        } elseif {[llength $hit]} {
            standin pick $mode {*}$hit
        }
        return
    }
    if {!$add} {
        standin select none
    }
    if {[llength $hit]} {
        standin pick $mode {*}$hit
    }
}

# Selects what the rectangle holds in the selection mode (objects with a
# vertex in it, surfaces wholly in it, vertices in it), adding to the
# selection with ADD.
proc ::standin::gui::box_select {x0 y0 x1 y1 add} {
    variable pointer
    update idletasks
    if {!$add} {
        standin select none
    }
    ::standin::view box [selection_mode] $x0 $y0 $x1 $y1
}
