# The main window's view (sourced by window.tcl): the model drawn by
# ::standin::view into a photo image on the canvas, with the bands of labels
# around it, the cameras, the pointer, and selection by clicks and boxes.

# ---- The view

proc ::standin::gui::canvas_size {} {
    set width [winfo width .view]
    set height [winfo height .view]
    if {$width < 2 || ![winfo ismapped .view]} {
        return [list [winfo reqwidth .view] [winfo reqheight .view]]
    }
    return [list $width $height]
}

# Where the model is drawn: the canvas less the bands for labels, whose
# heights follow the font.
proc ::standin::gui::viewport {} {
    variable band_top
    variable band_bottom
    set line [font metrics TkDefaultFont -linespace]
    lassign [px 9 15 10 4] above below side gap
    set band_top [expr {$line + $above}]
    set band_bottom [expr {$line + $below}]
    lassign [canvas_size] width height
    return [list $side [expr {$band_top + $gap}] [expr {$width - $side}] \
        [expr {max($band_top + $gap + 1, $height - $band_bottom - $gap)}]]
}

# A view's camera as ::standin::view takes it: angles, scale and centre.
proc ::standin::gui::camera_words {name} {
    variable camera
    set c $camera($name)
    return [list [dict get $c az] [dict get $c el] [dict get $c scale] {*}[dict get $c centre]]
}

# Fits the cameras that ask for it, and keeps the others' framing when the canvas changes size.
proc ::standin::gui::frame_cameras {} {
    variable camera
    variable size
    variable view
    set now [canvas_size]
    set ratio [expr {min([lindex $now 0], [lindex $now 1]) / double(max(1, min([lindex $size 0], [lindex $size 1])))}]
    set resized [expr {$now ne $size}]
    set size $now
    foreach name [array names camera] {
        if {[dict get $camera($name) fitted] && ($resized || [dict get $camera($name) due])} {
            dict set camera($name) due 1
        } elseif {$resized} {
            dict set camera($name) scale [expr {[dict get $camera($name) scale] * $ratio}]
        }
    }
    if {[dict get $camera($view) due]} {
        lassign [::standin::view fit [dict get $camera($view) az] [dict get $camera($view) el] {*}[viewport] \
            {*}[in_perspective]] scale x y z
        dict set camera($view) scale $scale
        dict set camera($view) centre [list $x $y $z]
        dict set camera($view) due 0
    }
}

proc ::standin::gui::draw {} {
    variable view
    variable info
    variable colours
    variable drawn {}
    set c .view
    if {![winfo exists $c]} return
    $c delete all
    frame_cameras
    if {[dict get $info vertices] == 0} {
        lassign [canvas_size] width height
        $c create text [expr {$width / 2}] [expr {$height / 2}] -fill [dict get $colours text] -justify center \
            -text "Empty scene\nFile > Open... (Ctrl+O) opens a model" -tags empty
    } else {
        if {"::standin::gui::picture" ni [image names]} {
            image create photo ::standin::gui::picture
        }
        set port [viewport]
        set start [clock microseconds]
        set drawn [::standin::view draw ::standin::gui::picture {*}[camera_words $view] {*}$port {*}[draw_options]]
        note_time [expr {([clock microseconds] - $start) / 1000.0}]
        $c create image [lindex $port 0] [lindex $port 1] -anchor nw -image ::standin::gui::picture -tags picture
    }
    draw_bands
}

proc ::standin::gui::draw_options {} {
    variable style
    variable grid
    list -style $style -perspective [llength [in_perspective]] -grid $grid -grain [grain] \
        -line [expr {max(1, [px 1])}] -mark [expr {max(2, [px 2])}]
}

# {perspective} when the view shown is (only 3D may be), else {}.
proc ::standin::gui::in_perspective {} {
    variable view
    variable perspective
    expr {$view eq "3d" && $perspective ? "perspective" : ""}
}

# The 3D view fitted to the model fits it again in its new projection.
proc ::standin::gui::perspective_changed {} {
    variable camera
    if {[dict get $camera(3d) fitted]} {
        dict set camera(3d) due 1
    }
    redraw_later
}

# Whether the view is moving: dragged, or the wheel turned lately.
proc ::standin::gui::moving {} {
    variable drag
    variable wheeling
    expr {$wheeling || ([dict size $drag] && [dict get $drag moved])}
}

# While the view moves, a large model is drawn smaller and shown enlarged,
# so that it follows the pointer: the grain grows while a drawing takes
# longer than about 35 ms, and shrinks again when it is quick.
proc ::standin::gui::grain {} {
    variable motion_grain
    expr {[moving] ? $motion_grain : 1}
}

proc ::standin::gui::note_time {ms} {
    variable motion_grain
    if {![moving]} {
        set motion_grain [expr {$ms > 35 ? 2 : 1}]
    } elseif {$ms > 35 && $motion_grain < 3} {
        incr motion_grain
    } elseif {$ms < 10 && $motion_grain > 1} {
        incr motion_grain -1
    }
}

# The bands above and below the drawing: the view's name and what the
# pointer does, then the axes and the legend of the colours.
proc ::standin::gui::draw_bands {} {
    variable view
    variable colours
    variable band_top
    variable band_bottom
    viewport
    set c .view
    lassign [canvas_size] width height
    set band [dict get $colours band]
    set grey [dict get $colours text]
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
        set colour [dict get $colours $key]
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
    variable view
    variable camera
    variable colours
    lassign [::standin::view axes [dict get $camera($view) az] [dict get $camera($view) el]] rx ry rz ux uy uz
    lassign [px 9 13 2] arm reach width
    foreach axis {x y z} right [list $rx $ry $rz] up [list $ux $uy $uz] {
        set colour [dict get $colours $axis]
        set ex [expr {$x + $arm * $right}]
        set ey [expr {$y - $arm * $up}]
        .view create line $x $y $ex $ey -fill $colour -width $width -tags {band axes}
        if {hypot($right, $up) > 0.2} {
            .view create text [expr {$x + $reach * $right}] [expr {$y - $reach * $up}] -text [string toupper $axis] \
                -fill $colour -font TkSmallCaptionFont -tags {band axes}
        }
    }
}

# Shows one of the views, fitting it when it has not been shown since the model opened.
proc ::standin::gui::show {name} {
    variable view $name
    redraw_later
}

proc ::standin::gui::fit {} {
    variable camera
    variable view
    dict set camera($view) fitted 1
    dict set camera($view) due 1
    redraw_later
}

# Frames what is selected (Shift+F): its box fills the view; nothing
# selected rings the bell.
proc ::standin::gui::frame_selection {} {
    variable camera
    variable view
    update idletasks
    set c $camera($view)
    set fitted [::standin::view fit [dict get $c az] [dict get $c el] {*}[viewport] selection {*}[in_perspective]]
    if {![llength $fitted]} {
        bell
        return
    }
    lassign $fitted scale x y z
    dict set camera($view) scale $scale
    dict set camera($view) centre [list $x $y $z]
    dict set camera($view) fitted 0
    dict set camera($view) due 0
    redraw_later
}

# Every camera fits the model at its next drawing.
proc ::standin::gui::fit_all {} {
    variable camera
    foreach name [array names camera] {
        dict set camera($name) fitted 1
        dict set camera($name) due 1
    }
}

# ---- The pointer in the view

proc ::standin::gui::bind_view {c} {
    bind $c <Configure> ::standin::gui::resized
    foreach button {1 2} {
        bind $c <ButtonPress-$button> [list ::standin::gui::press %x %y $button %s]
        bind $c <B$button-Motion> {::standin::gui::motion %x %y}
        bind $c <ButtonRelease-$button> {::standin::gui::release %x %y}
    }
    bind $c <Button-4> {::standin::gui::wheel %x %y 1.25}
    bind $c <Button-5> {::standin::gui::wheel %x %y 0.8}
    bind $c <MouseWheel> {::standin::gui::wheel %x %y [expr {%D > 0 ? 1.25 : 0.8}]}
}

# The view drawn for this size already (the tree's pane settled before
# the drawing, say) is not drawn again.
proc ::standin::gui::resized {} {
    variable size
    if {[canvas_size] ne $size} {
        redraw_later
    }
}

proc ::standin::gui::press {x y button state} {
    variable drag [dict create x $x y $y last [list $x $y] button $button shift [expr {$state & 1}] \
        control [expr {($state & 4) != 0}] moved 0]
}

# A drag orbits the 3D view with the first button and pans with the
# middle button, with Shift held, or in the flat views; with Control it
# draws a box that selects what it holds when released.
proc ::standin::gui::motion {x y} {
    variable drag
    variable view
    if {![dict size $drag]} return
    if {![dict get $drag moved] && hypot($x - [dict get $drag x], $y - [dict get $drag y]) < 4} return
    dict set drag moved 1
    lassign [dict get $drag last] lx ly
    dict set drag last [list $x $y]
    if {[dict get $drag button] == 1 && [dict get $drag control]} {
        .view delete rubber
        .view create rectangle [dict get $drag x] [dict get $drag y] $x $y -dash {4 3} \
            -outline [dict get $::standin::gui::colours selected] -width [expr {max(1, [px 1])}] -tags rubber
    } elseif {$view eq "3d" && [dict get $drag button] == 1 && ![dict get $drag shift]} {
        orbit [expr {$x - $lx}] [expr {$y - $ly}]
    } else {
        pan [expr {$x - $lx}] [expr {$y - $ly}]
    }
}

# A click selects (Shift adds, Control toggles); a Control drag selects by box.
proc ::standin::gui::release {x y} {
    variable drag
    set moved [expr {[dict size $drag] && [dict get $drag moved]}]
    if {[dict size $drag] && [dict get $drag button] == 1} {
        set shift [dict get $drag shift]
        if {[dict get $drag control] && $moved} {
            .view delete rubber
            box_select [dict get $drag x] [dict get $drag y] $x $y $shift
            set moved 0
        } elseif {!$moved} {
            click $x $y [expr {[dict get $drag control] ? "toggle" : $shift}]
        }
    }
    set drag {}
    if {$moved} {
        redraw_later
    }
}

# A notch of the wheel: the drawing may be coarse until the wheel rests.
proc ::standin::gui::wheel {x y factor} {
    variable wheeling 1
    after cancel ::standin::gui::wheel_rested
    after 200 ::standin::gui::wheel_rested
    zoom $x $y $factor
}

proc ::standin::gui::wheel_rested {} {
    variable wheeling 0
    redraw_later
}

proc ::standin::gui::orbit {dx dy} {
    variable camera
    dict with camera(3d) {
        set az [expr {fmod($az - 0.5 * $dx, 360.0)}]
        set el [expr {max(-90.0, min(90.0, $el + 0.5 * $dy))}]
        set fitted 0
    }
    redraw_later
}

# Moves the model with the pointer: the centre goes the other way.
proc ::standin::gui::pan {dx dy} {
    variable camera
    variable view
    set c $camera($view)
    lassign [::standin::view axes [dict get $c az] [dict get $c el]] rx ry rz ux uy uz
    set s [dict get $c scale]
    set centre [lmap k [dict get $c centre] r [list $rx $ry $rz] u [list $ux $uy $uz] {
        expr {$k - ($r * $dx - $u * $dy) / $s}
    }]
    dict set camera($view) centre $centre
    dict set camera($view) fitted 0
    redraw_later
}

# Zooms by FACTOR, keeping the model point under (x, y) where it is.
proc ::standin::gui::zoom {x y factor} {
    variable camera
    variable view
    set c $camera($view)
    lassign [viewport] left top right bottom
    set mx [expr {($left + $right) / 2.0}]
    set my [expr {($top + $bottom) / 2.0}]
    set s [dict get $c scale]
    set s2 [expr {max(1e-9, min(1e12, $s * $factor))}]
    set k [expr {1.0 / $s - 1.0 / $s2}]
    lassign [::standin::view axes [dict get $c az] [dict get $c el]] rx ry rz ux uy uz
    set centre [lmap p [dict get $c centre] r [list $rx $ry $rz] u [list $ux $uy $uz] {
        expr {$p + ($r * ($x - $mx) - $u * ($y - $my)) * $k}
    }]
    dict set camera($view) centre $centre
    dict set camera($view) scale $s2
    dict set camera($view) fitted 0
    redraw_later
}

# ---- Selection

# Selects what lies under (x, y) in the selection mode: ADD 1 adds it,
# toggle adds or removes it, 0 replaces the selection (a click on nothing
# clears it).
proc ::standin::gui::click {x y add} {
    variable mode
    lassign [viewport] left top right bottom
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
    variable mode
    update idletasks
    if {!$add} {
        standin select none
    }
    ::standin::view box $mode $x0 $y0 $x1 $y1
}

# Selects the objects IDS, with what is below them, in the selection mode:
# around what is hidden or locked below them.
proc ::standin::gui::select_objects {ids} {
    variable mode
    if {![llength $ids]} {
        standin select none
        return
    }
    standin select tree $mode {*}$ids
}

# What the host's select all takes: everything neither hidden nor locked.
proc ::standin::gui::select_all {} {
    variable mode
    standin select all $mode
}

proc ::standin::gui::set_mode {name} {
    variable mode $name
    mode_changed
}

# A new selection mode takes over what is selected: the objects that hold
# a selection, or all the surfaces or vertices of the selected objects.
proc ::standin::gui::mode_changed {} {
    variable mode
    variable info
    update idletasks
    if {[dict get $info mode] ne $mode && [llength [dict get $info selected]]} {
        select_objects [dict get $info selected]
    }
    show_counts
}
