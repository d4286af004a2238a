# The main window's bands (sourced by window.tcl): the status bar (the
# model's size, the selection, the last message, and the switches at its
# right), and the bands above and below the view's drawing (the view's
# name, the pointer's hint, the axes and the legend of the colours).
#
# This file's state, bands(...):
#   status     what the status line shows: the last message, or a help or
#              progress for a while
#   said       the last message, shown again when a menu closes or work ends
#   counts     the model's size, as the status bar shows it at its widest
#   selection  what is selected, likewise
#   switches   the switches at the right of the status bar
# Its procedures for the others: build_status, add_status_switch, say,
# show_status, show_said, show_counts, band_heights, draw_bands, fits_band.
namespace eval ::standin::gui {
    variable bands
    array set bands {status "" said "" counts "" selection "" switches {}}
}

# ---- The status bar

proc ::standin::gui::build_status {} {
    ttk::frame .status -padding [px 6 2]
    ttk::label .status.counts
    ttk::separator .status.gap1 -orient vertical
    ttk::label .status.selection
    ttk::separator .status.gap2 -orient vertical
    ttk::label .status.message -anchor w -width 1 -textvariable ::standin::gui::bands(status)
    pack .status.counts -side left
    pack .status.gap1 -side left -fill y -padx [px 8]
    pack .status.selection -side left
    pack .status.gap2 -side left -fill y -padx [px 8]
    pack .status.message -side left -fill x -expand 1
    bind .status <Configure> ::standin::gui::fit_status
}

# Puts the switch W (a checkbutton) at the right of the status bar.
proc ::standin::gui::add_status_switch {w} {
    variable bands
    ttk::separator ${w}_gap -orient vertical
    pack $w -side right -before .status.counts
    pack ${w}_gap -side right -fill y -padx [px 8] -before .status.counts
    lappend bands(switches) $w
}

# The last message, in the status bar: one line, whatever names it holds.
proc ::standin::gui::say {text} {
    variable bands
    set bands(said) [shown $text]
    set bands(status) $bands(said)
}

# TEXT in the status line until the next message, or until show_said.
proc ::standin::gui::show_status {text} {
    variable bands
    set bands(status) $text
}

proc ::standin::gui::show_said {} {
    variable bands
    set bands(status) $bands(said)
}

# The model's size and the selection, as the view last followed them.
proc ::standin::gui::show_counts {} {
    variable bands
    set info [scene_summary]
    set bands(counts) "[plural [dict get $info objects] object], [plural [dict get $info vertices] vertex],\
        [plural [dict get $info surfaces] surface]"
    set mode [dict get $info mode]
    set items [dict get $info items]
    set objects [llength [dict get $info selected]]
    if {$items == 0} {
        set bands(selection) "Selecting [selection_mode]: none selected"
    } elseif {$mode eq "objects"} {
        set names [lmap id [lrange [dict get $info selected] 0 2] {object_name $id}]
        if {$objects > 3} {
            lappend names ...
        }
        set bands(selection) "Selected: [plural $items object] ([join $names {, }])"
    } else {
        set kind [expr {$mode eq "surfaces" ? "surface" : "vertex"}]
        set bands(selection) "Selected: [plural $items $kind] in [plural $objects object]"
    }
    fit_status
}

proc ::standin::gui::object_name {id} {
    shown [dict get [standin info $id] name]
}

# Shows the model's size and the selection as fully as the status bar's
# width allows: a narrow window drops the selected objects' names, then
# all but the vertices from the size, rather than cut a label off.
proc ::standin::gui::fit_status {} {
    variable bands
    set room [expr {[winfo width .status] - [px 12] - 2 * [px 18] - [px 40]}]
    foreach w $bands(switches) {
        set room [expr {$room - [winfo reqwidth $w] - [px 18]}]
    }
    set counts $bands(counts)
    set selection $bands(selection)
    set short_selection [regsub { \(.*\)$} $selection ""]
    set short_counts [expr {[regexp {[^,]* vert[a-z]*} $counts vertices] ? [string trim $vertices] : $counts}]
    foreach {c s} [list $counts $selection $counts $short_selection $short_counts $short_selection] {
        if {[font measure TkDefaultFont "$c$s"] <= $room} break
    }
    .status.counts configure -text $c
    .status.selection configure -text $s
}

# ---- The view's bands

# The heights of the bands above and below the drawing, which follow the font.
proc ::standin::gui::band_heights {} {
    set line [font metrics TkDefaultFont -linespace]
    lassign [px 9 15] above below
    list [expr {$line + $above}] [expr {$line + $below}]
}

# The bands above and below the drawing: the view's name and what the
# pointer does, then the axes and the legend of the colours.
proc ::standin::gui::draw_bands {} {
    lassign [band_heights] band_top band_bottom
    set view [view_name]
    set c .view
    lassign [canvas_size] width height
    set band [colour band]
    set grey [colour text]
    set low [expr {$height - $band_bottom}]
    $c create rectangle 0 0 $width $band_top -fill $band -outline "" -tags band
    $c create rectangle 0 $low $width $height -fill $band -outline "" -tags band
    $c create line 0 $band_top $width $band_top -fill #d4d8e0 -tags band
    $c create line 0 $low $width $low -fill #d4d8e0 -tags band
    set name [dict get {front "Front: X right, Y up" top "Top: X right, Z down" side "Side: Z left, Y up"
        3d "3D: drag to orbit"} $view]
    $c create text 10 [expr {$band_top / 2}] -anchor w -fill $grey -text $name -tags {band label}
    set pan [expr {$view eq "3d" ? "Shift-drag" : "Drag"}]
    set hint [$c create text [expr {$width - 10}] [expr {$band_top / 2}] -anchor e -fill $grey -tags {band hint}]
    shorten_to_fit $c $hint [list "Wheel: zoom    $pan or middle button: pan    Ctrl-drag: select    F: fit" \
        "Wheel: zoom    $pan: pan    F: fit" "Wheel: zoom    F: fit"]
    draw_axes [px 22] [expr {$low + $band_bottom / 2}]
    set x [expr {$width - 10}]
    set y [expr {$low + $band_bottom / 2}]
    foreach {key label} {mark "selected vertex" selected selected edge edge} {
        set id [$c create text $x $y -anchor e -fill $grey -text $label -tags {band legend}]
        set x [expr {[lindex [$c bbox $id] 0] - [px 6]}]
        set colour [colour $key]
        if {$key eq "mark"} {
            lassign [px 7 3 2] left right half
            $c create rectangle [expr {$x - $left}] [expr {$y - $half}] [expr {$x - $right}] [expr {$y + $half}] \
                -fill $colour -outline $colour -tags {band legend}
        } else {
            $c create line [expr {$x - [px 20]}] $y $x $y -fill $colour \
                -width [px [expr {$key eq "selected" ? 2 : 1}]] -tags {band legend}
        }
        set x [expr {$x - [px 38]}]
    }
    # A narrow view keeps the axes and drops the legend rather than overprint them.
    if {[lindex [$c bbox legend] 0] < [lindex [$c bbox axes] 2] + [px 8]} {
        $c delete legend
    }
}

# The model's axes as the view turns them, from (x, y) in the lower band.
proc ::standin::gui::draw_axes {x y} {
    lassign [view_axes] rx ry rz ux uy uz
    lassign [px 9 13 2] arm reach width
    foreach axis {x y z} right [list $rx $ry $rz] up [list $ux $uy $uz] {
        set colour [colour $axis]
        set ex [expr {$x + $arm * $right}]
        set ey [expr {$y - $arm * $up}]
        .view create line $x $y $ex $ey -fill $colour -width $width -tags {band axes}
        if {hypot($right, $up) > 0.2} {
            .view create text [expr {$x + $reach * $right}] [expr {$y - $reach * $up}] -text [string toupper $axis] \
                -fill $colour -font TkSmallCaptionFont -tags {band axes}
        }
    }
}

# Whether the text ID in a band of the view C clears the band's other
# labels (tagged label) by a gap, and begins inside the canvas.
proc ::standin::gui::fits_band {c id} {
    lassign [$c bbox $id] x0 y0 x1 y1
    if {$x0 eq "" || $x0 < 0} {
        return [expr {$x0 eq ""}]
    }
    set gap [px 12]
    foreach other [$c find withtag label] {
        if {$other == $id} continue
        lassign [$c bbox $other] a0 b0 a1 b1
        if {$x0 < $a1 + $gap && $a0 < $x1 + $gap && $y0 < $b1 && $b0 < $y1} {
            return 0
        }
    }
    return 1
}

# Gives the text ID the first of TEXTS with which it fits its band, or
# none: a hint is dropped rather than printed over the view's name.
proc ::standin::gui::shorten_to_fit {c id texts} {
    foreach text $texts {
        $c itemconfigure $id -text $text
        if {[fits_band $c $id]} return
    }
    $c itemconfigure $id -text ""
}
