# The main window's view (sourced by window.tcl): the model drawn by
# ::standin::view into a photo image on the canvas (its bands: window-bands.tcl),
# the cameras, the View menu and the toolbar, the pointer, and selection.
#
# This file's state, view(...):
#   name         the view shown: front, top, side or 3d
#   mode         what a click selects: objects, surfaces or vertices
#   style        wireframe, shaded or edges (shaded with edges)
#   perspective  the 3D view in perspective
#   grid         the ground grid drawn
#   all_edges    shaded with edges: every object's edges, not only the selection's
#   info         what ::standin::view sync last said: the model's size and selection
#   drawn        what ::standin::view draw last said
#   size         the canvas size the cameras were set for
#   drag         the pointer's drag: start, last point, button, moved
#   wheeling     the wheel turned lately: the drawing may be coarse
#   grain        canvas pixels per pixel of the drawing while the view moves
#   axes         the last camera's angles and the axes ::standin::view gave for them
#   camera,NAME  each view's camera: azimuth and elevation in degrees, pixels per model
#                unit, the model point at the middle, fitted since or to be (due)
#   colours      the colours of the view and its bands
# Its procedures for the others: build_view, build_toolbar, fill_view_menu,
# add_selection_entries, follow_scene, scene_summary, selection_mode, view_name,
# view_axes, colour, canvas_size, viewport, draw, fit, fit_all, show,
# frame_selection, click, box_select, zoom, orbit, select_objects, select_all, set_mode.
namespace eval ::standin::gui {
    variable view
    array set view {name 3d mode objects style edges perspective 0 grid 1 all_edges 0 info {} drawn {} size {0 0}
        drag {} wheeling 0 grain 1 axes {}}
    foreach {name az el} {front 0 0 top 0 90 side -90 0 3d -35 25} {
        set view(camera,$name) [dict create az $az el $el scale 1 centre {0 0 0} fitted 1 due 1]
    }
    # The drawing's own colours come from the view; the bands and axes add theirs.
    set view(colours) [dict merge [::standin::view colours] \
        [dict create band #eef0f4 text #505866 x #d03030 y #2e9a3e z #2f62d0]]
}

proc ::standin::gui::build_view {c} {
    canvas $c -background [colour background] -highlightthickness 0 -width 640 -height 480 -cursor crosshair
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

proc ::standin::gui::build_toolbar {} {
    ttk::frame .tool -padding [px 6 4]
    ttk::label .tool.view_label -text View:
    pack .tool.view_label -side left -padx [px 0 4]
    foreach {name label} {front Front top Top side Side 3d 3D} {
        ttk::radiobutton .tool.$name -text $label -value $name -style Toolbutton -takefocus 0 \
            -variable ::standin::gui::view(name) -command ::standin::gui::redraw_later
        pack .tool.$name -side left
    }
    ttk::button .tool.fit -text Fit -style Toolbutton -takefocus 0 -command ::standin::gui::fit
    pack .tool.fit -side left -padx [px 6 0]
    ttk::separator .tool.gap -orient vertical
    pack .tool.gap -side left -fill y -padx [px 10]
    ttk::label .tool.mode_label -text Select:
    pack .tool.mode_label -side left -padx [px 0 4]
    foreach name {objects surfaces vertices} {
        ttk::radiobutton .tool.$name -text [string totitle $name] -value $name -style Toolbutton \
            -takefocus 0 -variable ::standin::gui::view(mode) -command ::standin::gui::mode_changed
        pack .tool.$name -side left
    }
}

proc ::standin::gui::fill_view_menu {m} {
    foreach {label value key} {"Front (X, Y)" front 1 "Top (X, Z)" top 2 "Side (Z, Y)" side 3 "3D" 3d 4} {
        $m add radiobutton -label $label -value $value -accelerator $key \
            -variable ::standin::gui::view(name) -command ::standin::gui::redraw_later
    }
    $m add separator
    foreach {label value} {Wireframe wireframe Shaded shaded "Shaded with edges" edges} {
        $m add radiobutton -label $label -value $value -variable ::standin::gui::view(style) \
            -command ::standin::gui::redraw_later
    }
    $m add checkbutton -label Perspective -variable ::standin::gui::view(perspective) \
        -command ::standin::gui::perspective_changed
    $m add checkbutton -label Grid -variable ::standin::gui::view(grid) -command ::standin::gui::redraw_later
    $m add checkbutton -label "Edges on all objects" -variable ::standin::gui::view(all_edges) \
        -command ::standin::gui::redraw_later
    $m add separator
    $m add command -label "Fit to the model" -underline 0 -accelerator F -command ::standin::gui::fit
    $m add command -label "Frame the selection" -accelerator Shift+F -command ::standin::gui::frame_selection
}

# Edit > Select all, Select none and the selection modes.
proc ::standin::gui::add_selection_entries {m} {
    $m add command -label "Select all" -underline 7 -accelerator Ctrl+A -command ::standin::gui::select_all
    $m add command -label "Select none" -underline 7 -accelerator Esc -command {standin select none}
    $m add separator
    foreach {label value key} {Objects objects F5 Surfaces surfaces F6 Vertices vertices F7} {
        $m add radiobutton -label "Select $label" -underline 7 -value $value -accelerator $key \
            -variable ::standin::gui::view(mode) -command ::standin::gui::mode_changed
    }
}

# ---- The view

# The view follows the scene: its objects, their flags and the selection.
proc ::standin::gui::follow_scene {} {
    variable view
    set view(info) [::standin::view sync]
    follow_looks
}

# The model's size and selection as the view last followed them: objects,
# vertices, surfaces, edges, mode, selected (the objects holding a
# selection) and items.
proc ::standin::gui::scene_summary {} {
    variable view
    return $view(info)
}

proc ::standin::gui::selection_mode {} {
    variable view
    return $view(mode)
}

proc ::standin::gui::view_name {} {
    variable view
    return $view(name)
}

proc ::standin::gui::colour {key} {
    variable view
    dict get $view(colours) $key
}

# The screen's right and up in the model, for the view shown: asked of
# ::standin::view once for each camera's angles.
proc ::standin::gui::view_axes {} {
    variable view
    set c $view(camera,$view(name))
    set angles [list [dict get $c az] [dict get $c el]]
    if {[lindex $view(axes) 0] ne $angles} {
        set view(axes) [list $angles [::standin::view axes {*}$angles]]
    }
    lindex $view(axes) 1
}

proc ::standin::gui::canvas_size {} {
    set width [winfo width .view]
    set height [winfo height .view]
    if {$width < 2 || ![winfo ismapped .view]} {
        return [list [winfo reqwidth .view] [winfo reqheight .view]]
    }
    return [list $width $height]
}

# Where the model is drawn: the canvas less the bands for labels.
proc ::standin::gui::viewport {} {
    lassign [band_heights] band_top band_bottom
    lassign [px 10 4] side gap
    lassign [canvas_size] width height
    return [list $side [expr {$band_top + $gap}] [expr {$width - $side}] \
        [expr {max($band_top + $gap + 1, $height - $band_bottom - $gap)}]]
}

# A view's camera as ::standin::view takes it: angles, scale and centre.
proc ::standin::gui::camera_words {name} {
    variable view
    set c $view(camera,$name)
    return [list [dict get $c az] [dict get $c el] [dict get $c scale] {*}[dict get $c centre]]
}

# Fits the cameras that ask for it, and keeps the others' framing when the canvas changes size.
proc ::standin::gui::frame_cameras {} {
    variable view
    set now [canvas_size]
    set size $view(size)
    set ratio [expr {min([lindex $now 0], [lindex $now 1]) / double(max(1, min([lindex $size 0], [lindex $size 1])))}]
    set resized [expr {$now ne $size}]
    set view(size) $now
    foreach name {front top side 3d} {
        if {[dict get $view(camera,$name) fitted] && ($resized || [dict get $view(camera,$name) due])} {
            dict set view(camera,$name) due 1
        } elseif {$resized} {
            dict set view(camera,$name) scale [expr {[dict get $view(camera,$name) scale] * $ratio}]
        }
    }
    set name $view(name)
    if {[dict get $view(camera,$name) due]} {
        lassign [::standin::view fit [dict get $view(camera,$name) az] [dict get $view(camera,$name) el] \
            {*}[viewport] {*}[in_perspective]] scale x y z
        dict set view(camera,$name) scale $scale
        dict set view(camera,$name) centre [list $x $y $z]
        dict set view(camera,$name) due 0
    }
}

proc ::standin::gui::draw {} {
    variable view
    set view(drawn) {}
    set c .view
    if {![winfo exists $c]} return
    $c delete all
    frame_cameras
    if {[dict get $view(info) vertices] == 0} {
        lassign [canvas_size] width height
        $c create text [expr {$width / 2}] [expr {$height / 2}] -fill [colour text] -justify center \
            -text "Empty scene\nFile > Open... (Ctrl+O) opens a model" -tags empty
    } else {
        if {"::standin::gui::picture" ni [image names]} {
            image create photo ::standin::gui::picture
        }
        set port [viewport]
        set start [clock microseconds]
        set view(drawn) [::standin::view draw ::standin::gui::picture {*}[camera_words $view(name)] {*}$port \
            {*}[draw_options]]
        note_time [expr {([clock microseconds] - $start) / 1000.0}]
        $c create image [lindex $port 0] [lindex $port 1] -anchor nw -image ::standin::gui::picture -tags picture
    }
    draw_bands
}

proc ::standin::gui::draw_options {} {
    variable view
    list -style $view(style) -perspective [llength [in_perspective]] -grid $view(grid) -grain [grain] \
        -line [expr {max(1, [px 1])}] -mark [expr {max(2, [px 2])}] -edges [expr {$view(all_edges) ? "all" : "selected"}]
}

# {perspective} when the view shown is (only 3D may be), else {}.
proc ::standin::gui::in_perspective {} {
    variable view
    expr {$view(name) eq "3d" && $view(perspective) ? "perspective" : ""}
}

# The 3D view fitted to the model fits it again in its new projection.
proc ::standin::gui::perspective_changed {} {
    variable view
    if {[dict get $view(camera,3d) fitted]} {
        dict set view(camera,3d) due 1
    }
    redraw_later
}

# Whether the view is moving: dragged, or the wheel turned lately.
proc ::standin::gui::moving {} {
    variable view
    expr {$view(wheeling) || ([dict size $view(drag)] && [dict get $view(drag) moved])}
}

# While the view moves, a large model is drawn smaller and shown enlarged,
# so that it follows the pointer: the grain grows while a drawing takes
# longer than about 35 ms, and shrinks again when it is quick.
proc ::standin::gui::grain {} {
    variable view
    expr {[moving] ? $view(grain) : 1}
}

proc ::standin::gui::note_time {ms} {
    variable view
    if {![moving]} {
        set view(grain) [expr {$ms > 35 ? 2 : 1}]
    } elseif {$ms > 35 && $view(grain) < 3} {
        incr view(grain)
    } elseif {$ms < 10 && $view(grain) > 1} {
        incr view(grain) -1
    }
}

# Shows one of the views, fitting it when it has not been shown since the model opened.
proc ::standin::gui::show {name} {
    variable view
    set view(name) $name
    redraw_later
}

proc ::standin::gui::fit {} {
    variable view
    dict set view(camera,$view(name)) fitted 1
    dict set view(camera,$view(name)) due 1
    redraw_later
}

# Frames what is selected (Shift+F): its box fills the view; nothing
# selected rings the bell.
proc ::standin::gui::frame_selection {} {
    variable view
    update idletasks
    set name $view(name)
    set c $view(camera,$name)
    set fitted [::standin::view fit [dict get $c az] [dict get $c el] {*}[viewport] selection {*}[in_perspective]]
    if {![llength $fitted]} {
        bell
        return
    }
    lassign $fitted scale x y z
    recentre [list $x $y $z] $scale
    dict set view(camera,$name) due 0
}

# Every camera fits the model at its next drawing.
proc ::standin::gui::fit_all {} {
    variable view
    foreach name {front top side 3d} {
        dict set view(camera,$name) fitted 1
        dict set view(camera,$name) due 1
    }
}

# ---- The pointer in the view

# The view drawn for this size already (the tree's pane settled before
# the drawing, say) is not drawn again.
proc ::standin::gui::resized {} {
    variable view
    if {[canvas_size] ne $view(size)} {
        redraw_later
    }
}

proc ::standin::gui::press {x y button state} {
    variable view
    set view(drag) [dict create x $x y $y last [list $x $y] button $button shift [expr {$state & 1}] \
        control [expr {($state & 4) != 0}] moved 0]
}

# A drag orbits the 3D view with the first button and pans with the
# middle button, with Shift held, or in the flat views; with Control it
# draws a box that selects what it holds when released.
proc ::standin::gui::motion {x y} {
    variable view
    set drag $view(drag)
    if {![dict size $drag]} return
    if {![dict get $drag moved] && hypot($x - [dict get $drag x], $y - [dict get $drag y]) < 4} return
    dict set view(drag) moved 1
    lassign [dict get $drag last] lx ly
    dict set view(drag) last [list $x $y]
    if {[dict get $drag button] == 1 && [dict get $drag control]} {
        .view delete rubber
        .view create rectangle [dict get $drag x] [dict get $drag y] $x $y -dash {4 3} \
            -outline [colour selected] -width [expr {max(1, [px 1])}] -tags rubber
    } elseif {$view(name) eq "3d" && [dict get $drag button] == 1 && ![dict get $drag shift]} {
        orbit [expr {$x - $lx}] [expr {$y - $ly}]
    } else {
        pan [expr {$x - $lx}] [expr {$y - $ly}]
    }
}

# A click selects (Shift adds, Control toggles); a Control drag selects by box.
proc ::standin::gui::release {x y} {
    variable view
    set drag $view(drag)
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
    set view(drag) {}
    if {$moved} {
        redraw_later
    }
}

# A notch of the wheel: the drawing may be coarse until the wheel rests.
proc ::standin::gui::wheel {x y factor} {
    variable view
    set view(wheeling) 1
    after cancel ::standin::gui::wheel_rested
    after 200 ::standin::gui::wheel_rested
    zoom $x $y $factor
}

proc ::standin::gui::wheel_rested {} {
    variable view
    set view(wheeling) 0
    redraw_later
}

proc ::standin::gui::orbit {dx dy} {
    variable view
    dict with view(camera,3d) {
        set az [expr {fmod($az - 0.5 * $dx, 360.0)}]
        set el [expr {max(-90.0, min(90.0, $el + 0.5 * $dy))}]
        set fitted 0
    }
    redraw_later
}

# Moves the model with the pointer: the centre goes the other way.
proc ::standin::gui::pan {dx dy} {
    variable view
    set c $view(camera,$view(name))
    set s [dict get $c scale]
    recentre [lmap k [dict get $c centre] d [in_model $dx $dy] {expr {$k - $d / $s}}] $s
}

# Zooms by FACTOR, keeping the model point under (x, y) where it is.
proc ::standin::gui::zoom {x y factor} {
    variable view
    set c $view(camera,$view(name))
    lassign [viewport] left top right bottom
    set mx [expr {($left + $right) / 2.0}]
    set my [expr {($top + $bottom) / 2.0}]
    set s [dict get $c scale]
    set s2 [expr {max(1e-9, min(1e12, $s * $factor))}]
    set k [expr {1.0 / $s - 1.0 / $s2}]
    recentre [lmap p [dict get $c centre] d [in_model [expr {$x - $mx}] [expr {$y - $my}]] {expr {$p + $d * $k}}] $s2
}

# (A, B) pixels right and down in the view shown, as a move in the model
# at one pixel per unit.
proc ::standin::gui::in_model {a b} {
    set axes [view_axes]
    lmap r [lrange $axes 0 2] u [lrange $axes 3 5] {expr {$r * $a - $u * $b}}
}

# The view shown at CENTRE and SCALE, framed by hand: no longer fitted.
proc ::standin::gui::recentre {centre scale} {
    variable view
    dict set view(camera,$view(name)) centre $centre
    dict set view(camera,$view(name)) scale $scale
    dict set view(camera,$view(name)) fitted 0
    redraw_later
}

# ---- Selection

# Selects what lies under (x, y) in the selection mode: ADD 1 adds it,
# toggle adds or removes it, 0 replaces the selection (a click on nothing
# clears it).
proc ::standin::gui::click {x y add} {
    variable view
    set mode $view(mode)
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
    variable view
    update idletasks
    if {!$add} {
        standin select none
    }
    ::standin::view box $view(mode) $x0 $y0 $x1 $y1
}

# Selects the objects IDS, with what is below them, in the selection mode:
# around what is hidden or locked below them.
proc ::standin::gui::select_objects {ids} {
    variable view
    if {![llength $ids]} {
        standin select none
        return
    }
    standin select tree $view(mode) {*}$ids
}

# What the host's select all takes: everything neither hidden nor locked.
proc ::standin::gui::select_all {} {
    variable view
    standin select all $view(mode)
}

proc ::standin::gui::set_mode {name} {
    variable view
    set view(mode) $name
    mode_changed
}

# A new selection mode takes over what is selected: the objects that hold
# a selection, or all the surfaces or vertices of the selected objects.
proc ::standin::gui::mode_changed {} {
    variable view
    update idletasks
    if {[dict get $view(info) mode] ne $view(mode) && [llength [dict get $view(info) selected]]} {
        select_objects [dict get $view(info) selected]
    }
    show_counts
}
