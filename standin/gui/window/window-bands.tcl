# The main window's bands (sourced by window.tcl): the status bar (the
# model's size, its hidden and locked objects, the selection, the last
# message, and the switches at its right), and the bands above and below
# each view's drawing (the view's name, the pointer's hint, the axes and the
# legend of the colours).
#
# This file's state, bands(...):
#   status     what the status line shows: the last message, or a help or
#              progress for a while
#   said       the last message, shown again when a menu closes or work ends
#   counts     the model's size, as the status bar shows it at its widest
#   flags      how many objects are hidden and locked, or ""
#   selection  what is selected, likewise
#   switches   the switches at the right of the status bar
#   whole      by field of the status bar: the text it shows in part
# Its procedures for the others: build_status, add_status_switch, say,
# show_status, show_said, show_counts, band_heights, draw_bands, fits_band,
# shorten_to_fit, cut_to_fit.
namespace eval ::standin::gui {
    variable bands
    array set bands {status "" said "" counts "" flags "" selection "" switches {} whole {}}
}

# ---- The status bar

# Its fields are cut short with "..." where the window is too narrow for
# them, and show their whole text in a tooltip.
proc ::standin::gui::build_status {} {
    ttk::frame .status -padding [px 6 2]
    ttk::label .status.counts
    ttk::separator .status.gap1 -orient vertical
    ttk::label .status.flags
    ttk::separator .status.gap3 -orient vertical
    ttk::label .status.selection
    ttk::separator .status.gap2 -orient vertical
    ttk::label .status.message -anchor w -width 1
    pack .status.counts -side left
    pack .status.gap1 -side left -fill y -padx [px 8]
    pack .status.selection -side left
    pack .status.gap2 -side left -fill y -padx [px 8]
    pack .status.message -side left -fill x -expand 1
    foreach w {counts flags selection message} {
        bind .status.$w <Enter> {::standin::gui::tip_over [list status %W] %X %Y [list ::standin::gui::status_tip %W]}
        bind .status.$w <Leave> ::standin::gui::tip_hide
    }
    bind .status <Configure> ::standin::gui::fit_status
    bind .status.message <Configure> ::standin::gui::fit_message
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
    show_status $bands(said)
}

# TEXT in the status line until the next message, or until show_said.
proc ::standin::gui::show_status {text} {
    variable bands
    set bands(status) $text
    fit_message
}

proc ::standin::gui::show_said {} {
    variable bands
    show_status $bands(said)
}

# The model's size, its hidden and locked objects, and the selection, as
# the view last followed them.
proc ::standin::gui::show_counts {} {
    variable bands
    set info [scene_summary]
    set bands(counts) "[plural [dict get $info objects] object], [plural [dict get $info vertices] vertex],\
        [plural [dict get $info surfaces] surface]"
    set bands(flags) [flagged_words {*}[tree_flagged]]
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

# "361 of 381 objects hidden, 2 locked", "2 of 381 objects locked", or
# nothing when no object is hidden or locked.
proc ::standin::gui::flagged_words {hidden locked total} {
    set of "of [plural $total object]"
    if {$hidden && $locked} {
        return "$hidden $of hidden, $locked locked"
    } elseif {$hidden || $locked} {
        return "[expr {$hidden + $locked}] $of [expr {$hidden ? "hidden" : "locked"}]"
    }
    return ""
}

proc ::standin::gui::object_name {id} {
    shown [dict get [standin info $id] name]
}

# Shows the model's size, its hidden and locked objects and the selection
# as fully as the status bar's width allows: a narrow window drops the
# selected objects' names, then all but the vertices from the size, then
# the count of all objects from the hidden and locked ones; past that the
# selection, then the hidden and locked objects, then the size are cut
# short.
proc ::standin::gui::fit_status {} {
    variable bands
    set flags $bands(flags)
    if {$flags ne "" && [winfo manager .status.flags] eq ""} {
        pack .status.flags -side left -after .status.gap1
        pack .status.gap3 -side left -fill y -padx [px 8] -after .status.flags
    } elseif {$flags eq "" && [winfo manager .status.flags] ne ""} {
        pack forget .status.flags .status.gap3
    }
    set gaps [expr {$flags eq "" ? 2 : 3}]
    set room [expr {[winfo width .status] - [px 12] - $gaps * [px 18] - [px 40]}]
    foreach w $bands(switches) {
        set room [expr {$room - [winfo reqwidth $w] - [px 18]}]
    }
    set counts $bands(counts)
    set selection $bands(selection)
    set short_selection [regsub { \(.*\)$} $selection ""]
    set short_counts [expr {[regexp {[^,]* vert[a-z]*} $counts vertices] ? [string trim $vertices] : $counts}]
    set short_flags [regsub { of [0-9]+ objects?} $flags ""]
    foreach {c f s} [list $counts $flags $selection $counts $flags $short_selection \
                         $short_counts $flags $short_selection $short_counts $short_flags $short_selection] {
        if {[font measure TkDefaultFont "$c$f$s"] <= $room} break
    }
    set texts [dict create counts $c flags $f selection $s]
    foreach field {selection flags counts} {
        set over [expr {[font measure TkDefaultFont [join [dict values $texts] ""]] - $room}]
        if {$over <= 0} break
        set text [dict get $texts $field]
        dict set texts $field [cut_to_fit TkDefaultFont $text [expr {[font measure TkDefaultFont $text] - $over}]]
    }
    foreach {field whole} [list counts $counts flags $flags selection $selection] {
        .status.$field configure -text [dict get $texts $field]
        dict set bands(whole) .status.$field $whole
    }
}

# The message as far as its field shows it.
proc ::standin::gui::fit_message {} {
    variable bands
    set w .status.message
    if {![winfo exists $w]} return
    dict set bands(whole) $w $bands(status)
    $w configure -text [cut_to_fit TkDefaultFont $bands(status) [winfo width $w]]
}

# TEXT in FONT within WIDTH pixels: whole, or its start followed by "...",
# or just "..." where not even a character fits.
proc ::standin::gui::cut_to_fit {font text width} {
    if {[font measure $font $text] <= $width} {
        return $text
    }
    # The longest start that fits with the dots, found by halving.
    set fits 0
    set fails [string length $text]
    while {$fails - $fits > 1} {
        set middle [expr {($fits + $fails) / 2}]
        if {[font measure $font "[string range $text 0 $middle-1]..."] <= $width} {
            set fits $middle
        } else {
            set fails $middle
        }
    }
    return "[string trimright [string range $text 0 $fits-1]]..."
}

# A field's tooltip: its whole text, when it shows only part of it.
proc ::standin::gui::status_tip {w} {
    variable bands
    if {![dict exists $bands(whole) $w] || [dict get $bands(whole) $w] eq [$w cget -text]} {
        return ""
    }
    dict get $bands(whole) $w
}

# ---- The view's bands

# The heights of the bands above and below the drawing, which follow the font.
proc ::standin::gui::band_heights {} {
    set line [font metrics TkDefaultFont -linespace]
    lassign [px 9 15] above below
    list [expr {$line + $above}] [expr {$line + $below}]
}

# The bands above and below view NAME's drawing: its name and what the
# pointer does, then the axes and the legend of the colours.  Every item is
# tagged pane_NAME, so that a view is drawn again alone.
proc ::standin::gui::draw_bands {name} {
    lassign [band_heights] band_top band_bottom
    set c .view
    lassign [pane $name] x0 y0 x1 y1
    set tags [list band pane_$name]
    set band [colour band]
    set grey [colour text]
    set low [expr {$y1 - $band_bottom}]
    $c create rectangle $x0 $y0 $x1 [expr {$y0 + $band_top}] -fill $band -outline "" -tags $tags
    $c create rectangle $x0 $low $x1 $y1 -fill $band -outline "" -tags $tags
    $c create line $x0 [expr {$y0 + $band_top}] $x1 [expr {$y0 + $band_top}] -fill #d4d8e0 -tags $tags
    $c create line $x0 $low $x1 $low -fill #d4d8e0 -tags $tags
    set mid [expr {$y0 + $band_top / 2}]
    set title [$c create text [expr {$x0 + 10}] $mid -anchor w -fill $grey -tags [list band label title_$name pane_$name]]
    set full [dict get {front "Front: X right, Y up" top "Top: X right, Z down" side "Side: Z left, Y up"
        3d "3D: drag to orbit"} $name]
    shorten_to_fit $c $title [list $full [lindex [split $full :] 0]] [expr {$x1 - [px 6]}]
    set pan [expr {$name eq "3d" ? "Shift-drag" : "Drag"}]
    set hint [$c create text [expr {$x1 - 10}] $mid -anchor e -fill $grey -tags [list band hint hint_$name pane_$name]]
    shorten_to_fit $c $hint [list "Wheel: zoom    $pan or middle button: pan    Ctrl-drag: select    F: fit" \
        "Wheel: zoom    $pan: pan    F: fit" "Wheel: zoom    F: fit"] $x1
    draw_axes $name [expr {$x0 + [px 22]}] [expr {$low + $band_bottom / 2}]
    draw_legend $name [expr {$x1 - 10}] [expr {$low + $band_bottom / 2}]
}

# The legend of the colours, ending at (x, y) in view NAME's lower band;
# a narrow view keeps the axes and drops the legend rather than overprint them.
proc ::standin::gui::draw_legend {name x y} {
    set c .view
    set grey [colour text]
    set tags [list band legend legend_$name pane_$name]
    foreach {key label} {mark "selected vertex" selected selected edge edge} {
        set id [$c create text $x $y -anchor e -fill $grey -text $label -tags $tags]
        set x [expr {[lindex [$c bbox $id] 0] - [px 6]}]
        set colour [colour $key]
        if {$key eq "mark"} {
            lassign [px 7 3 2] left right half
            $c create rectangle [expr {$x - $left}] [expr {$y - $half}] [expr {$x - $right}] [expr {$y + $half}] \
                -fill $colour -outline $colour -tags $tags
        } else {
            $c create line [expr {$x - [px 20]}] $y $x $y -fill $colour \
                -width [px [expr {$key eq "selected" ? 2 : 1}]] -tags $tags
        }
        set x [expr {$x - [px 38]}]
    }
    if {[lindex [$c bbox legend_$name] 0] < [lindex [$c bbox axes_$name] 2] + [px 8]} {
        $c delete legend_$name
    }
}

# The model's axes as view NAME turns them, from (x, y) in its lower band.
proc ::standin::gui::draw_axes {name x y} {
    lassign [view_axes $name] rx ry rz ux uy uz
    lassign [px 9 13 2] arm reach width
    set tags [list band axes axes_$name pane_$name]
    foreach axis {x y z} right [list $rx $ry $rz] up [list $ux $uy $uz] {
        set colour [colour $axis]
        set ex [expr {$x + $arm * $right}]
        set ey [expr {$y - $arm * $up}]
        .view create line $x $y $ex $ey -fill $colour -width $width -tags $tags
        if {hypot($right, $up) > 0.2} {
            .view create text [expr {$x + $reach * $right}] [expr {$y - $reach * $up}] -text [string toupper $axis] \
                -fill $colour -font TkSmallCaptionFont -tags $tags
        }
    }
}

# Whether the text ID in a band of the view C clears the band's other
# labels (tagged label) by a gap, and lies between the canvas's left and
# RIGHT.
proc ::standin::gui::fits_band {c id {right ""}} {
    lassign [$c bbox $id] x0 y0 x1 y1
    if {$x0 eq ""} {
        return 1
    }
    if {$right eq ""} {
        set right [winfo width $c]
    }
    if {$x0 < 0 || $x1 > $right} {
        return 0
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

# Gives the text ID the first of TEXTS with which it fits its band (ending
# before RIGHT), or none: a hint is dropped rather than printed over the
# view's name.
proc ::standin::gui::shorten_to_fit {c id texts {right ""}} {
    foreach text $texts {
        $c itemconfigure $id -text $text
        if {[fits_band $c $id $right]} return
    }
    $c itemconfigure $id -text ""
}
