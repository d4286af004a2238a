# The main window's views (sourced by window.tcl): the model seen from the
# top, the front, the side and in 3D, in a grid of four or one of them alone,
# each drawn by ::standin::view into a photo image on the canvas (their
# bands: window-bands.tcl; what the pointer does: window-pointer.tcl); the
# cameras, the View menu and the toolbar, and selection.
#
# This file's state, view(...):
#   shown        the views shown: four, or the name of the one shown alone
#   name         the view the keys act on: the one under the pointer, or last used
#   mode         what a click selects: objects, surfaces or vertices
#   style        wireframe, shaded or edges (shaded with edges)
#   perspective  the 3D view in perspective
#   grid         the ground grid drawn
#   all_edges    shaded with edges: every object's edges, not only the selection's
#   info         what ::standin::view sync last said: the model's size and selection
#   drawn,NAME   what ::standin::view draw last said of view NAME
#   canvas       the canvas size the views were last laid out for
#   size,NAME    the size view NAME's camera was set for
#   grain        canvas pixels per pixel of the drawing while a view moves
#   axes,NAME    the angles of NAME's camera and the axes ::standin::view gave for them
#   camera,NAME  each view's camera: azimuth and elevation in degrees, pixels per model
#                unit, the model point at the middle, fitted since or to be (due)
#   colours      the colours of the view and its bands
# Its procedures for the others: build_view, build_toolbar, fill_view_menu,
# add_selection_entries, bind_view_keys, follow_scene, scene_summary,
# selection_mode, view_name, use_view, views_shown, pane, view_at, view_axes,
# colour, canvas_size, viewport, slot_of, selection_boxes, draw, fit, fit_all,
# show, toggle_view, frame_selection, zoom, orbit, pan, select_objects,
# select_all, set_mode.
namespace eval ::standin::gui {
    variable view
    array set view {shown four name 3d mode objects style edges perspective 0 grid 1 all_edges 0 info {}
        canvas {0 0} grain 1 colours {}}
    foreach {name az el} {front 0 0 top 0 90 side -90 0 3d -35 25} {
        set view(camera,$name) [dict create az $az el $el scale 1 centre {0 0 0} fitted 1 due 1]
        set view(drawn,$name) {}
        set view(size,$name) {0 0}
        set view(axes,$name) {}
    }
    # The drawing's own colours come from the view; the bands and axes add theirs.
    set view(colours) [dict merge [::standin::view colours] \
        [dict create band #eef0f4 text #505866 x #d03030 y #2e9a3e z #2f62d0]]
}

# The grid of four: each view's column and row, and the slot of
# ::standin::view that keeps its drawing for picking.  Top above front and
# side beside it, as drawings are laid out: X lines up down the left
# column, Y across the lower row.
proc ::standin::gui::view_places {} {
    return {top {0 0 0} 3d {1 0 1} front {0 1 2} side {1 1 3}}
}

# The slot of ::standin::view that keeps view NAME's drawing.
proc ::standin::gui::slot_of {name} {
    lindex [dict get [view_places] $name] 2
}

proc ::standin::gui::build_view {c} {
    canvas $c -background [colour background] -highlightthickness 0 -width 640 -height 480 -cursor crosshair
    bind $c <Configure> ::standin::gui::resized
    bind_pointer $c
}

proc ::standin::gui::build_toolbar {} {
    ttk::frame .tool -padding [px 6 4]
    foreach {name label} {four Four top Top front Front side Side 3d 3D} {
        ttk::radiobutton .tool.$name -text $label -value $name -style Toolbutton -takefocus 0 \
            -variable ::standin::gui::view(shown) -command ::standin::gui::shown_changed
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
    foreach {label value key} {"Four views" four 0 "Top (X, Z)" top 1 "Front (X, Y)" front 2 "Side (Z, Y)" side 3
        "3D" 3d 4} {
        $m add radiobutton -label $label -value $value -accelerator $key \
            -variable ::standin::gui::view(shown) -command ::standin::gui::shown_changed
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
    $m add command -label "Zoom in" -accelerator + -command {::standin::gui::zoom_key 1.25}
    $m add command -label "Zoom out" -accelerator - -command {::standin::gui::zoom_key 0.8}
    $m add command -label "Fit to the model" -underline 0 -accelerator F -command ::standin::gui::fit
    $m add command -label "Frame the selection" -accelerator Shift+F -command ::standin::gui::frame_selection
    $m add command -label "Fit all views" -accelerator Ctrl+F -command {::standin::gui::fit all}
    $m add command -label "Frame the selection in all views" -accelerator Ctrl+Shift+F \
        -command {::standin::gui::frame_selection all}
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

# The views' keys, on the main window: they act on the view under the
# pointer, or with Control on all views.  The keys typed into an entry stay
# there (the window's entries' habits, window.tcl).
proc ::standin::gui::bind_view_keys {} {
    foreach {key name} {0 four 1 top 2 front 3 side 4 3d} {
        bind . <Key-$key> [list ::standin::gui::toggle_view $name]
    }
    foreach key {f Home} {
        bind . <Key-$key> ::standin::gui::fit
    }
    bind . <Key-F> ::standin::gui::frame_selection
    bind . <Control-f> {::standin::gui::fit all}
    bind . <Control-F> {::standin::gui::frame_selection all}
    foreach {key factor} {plus 1.25 equal 1.25 KP_Add 1.25 minus 0.8 KP_Subtract 0.8} {
        bind . <Key-$key> [list ::standin::gui::zoom_key $factor]
    }
}

# ---- The views

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

# View NAME is the one the keys act on (none: as it was).
proc ::standin::gui::use_view {name} {
    variable view
    if {$name ne ""} {
        set view(name) $name
    }
}

proc ::standin::gui::views_shown {} {
    variable view
    if {$view(shown) eq "four"} {
        return [dict keys [view_places]]
    }
    return [list $view(shown)]
}

proc ::standin::gui::colour {key} {
    variable view
    dict get $view(colours) $key
}

# The screen's right and up in the model, for view NAME: asked of
# ::standin::view once for each camera's angles.
proc ::standin::gui::view_axes {{name ""}} {
    variable view
    if {$name eq ""} {
        set name $view(name)
    }
    set c $view(camera,$name)
    set angles [list [dict get $c az] [dict get $c el]]
    if {[lindex $view(axes,$name) 0] ne $angles} {
        set view(axes,$name) [list $angles [::standin::view axes {*}$angles]]
    }
    lindex $view(axes,$name) 1
}

proc ::standin::gui::canvas_size {} {
    set width [winfo width .view]
    set height [winfo height .view]
    if {$width < 2 || ![winfo ismapped .view]} {
        return [list [winfo reqwidth .view] [winfo reqheight .view]]
    }
    return [list $width $height]
}

# The canvas rectangle {X0 Y0 X1 Y1} of view NAME with its bands: a
# quarter of the canvas in the grid of four, a pixel apart, or all of it.
proc ::standin::gui::pane {{name ""}} {
    variable view
    if {$name eq ""} {
        set name $view(name)
    }
    lassign [canvas_size] width height
    if {$view(shown) ne "four"} {
        return [list 0 0 $width $height]
    }
    lassign [dict get [view_places] $name] column row
    set half_x [expr {$width / 2}]
    set half_y [expr {$height / 2}]
    set x0 [expr {$column ? $half_x + 1 : 0}]
    set y0 [expr {$row ? $half_y + 1 : 0}]
    list $x0 $y0 [expr {$column ? $width : $half_x}] [expr {$row ? $height : $half_y}]
}

# The view whose pane holds (x, y) on the canvas, or "".
proc ::standin::gui::view_at {x y} {
    foreach name [views_shown] {
        lassign [pane $name] x0 y0 x1 y1
        if {$x >= $x0 && $x < $x1 && $y >= $y0 && $y < $y1} {
            return $name
        }
    }
    return ""
}

# Where view NAME's model is drawn: its pane less the bands for labels.
proc ::standin::gui::viewport {{name ""}} {
    lassign [pane $name] x0 y0 x1 y1
    lassign [band_heights] band_top band_bottom
    lassign [px 10 4] side gap
    set top [expr {$y0 + $band_top + $gap}]
    return [list [expr {$x0 + $side}] $top [expr {max($x0 + $side + 1, $x1 - $side)}] \
        [expr {max($top + 1, $y1 - $band_bottom - $gap)}]]
}

# Where the selection lies on the screen: a box {X0 Y0 X1 Y1} in the
# screen's pixels for each view shown that draws some of it.
proc ::standin::gui::selection_boxes {} {
    if {![winfo exists .view] || ![winfo ismapped .view]} {
        return {}
    }
    set x [winfo rootx .view]
    set y [winfo rooty .view]
    set boxes {}
    foreach name [views_shown] {
        set box [::standin::view shown [slot_of $name]]
        if {[llength $box]} {
            lassign $box x0 y0 x1 y1
            lappend boxes [list [expr {$x + $x0}] [expr {$y + $y0}] [expr {$x + $x1}] [expr {$y + $y1}]]
        }
    }
    return $boxes
}

# A view's camera as ::standin::view takes it: angles, scale and centre.
proc ::standin::gui::camera_words {name} {
    variable view
    set c $view(camera,$name)
    return [list [dict get $c az] [dict get $c el] [dict get $c scale] {*}[dict get $c centre]]
}

# Fits view NAME's camera when it asks for it, and keeps its framing when
# its pane changes size.
proc ::standin::gui::frame_camera {name} {
    variable view
    lassign [viewport $name] left top right bottom
    set now [list [expr {$right - $left}] [expr {$bottom - $top}]]
    set size $view(size,$name)
    set view(size,$name) $now
    if {$now ne $size} {
        if {[dict get $view(camera,$name) fitted]} {
            dict set view(camera,$name) due 1
        } else {
            set ratio [expr {min(max(1, [lindex $now 0]), max(1, [lindex $now 1])) /
                double(max(1, min([lindex $size 0], [lindex $size 1])))}]
            dict set view(camera,$name) scale [expr {[dict get $view(camera,$name) scale] * $ratio}]
        }
    }
    if {[dict get $view(camera,$name) due]} {
        lassign [::standin::view fit [dict get $view(camera,$name) az] [dict get $view(camera,$name) el] \
            $left $top $right $bottom {*}[in_perspective $name]] scale x y z
        dict set view(camera,$name) scale $scale
        dict set view(camera,$name) centre [list $x $y $z]
        dict set view(camera,$name) due 0
    }
}

# Draws the views PANES (all, or the names of those that moved).
proc ::standin::gui::draw {{panes all}} {
    variable view
    set c .view
    if {![winfo exists $c]} return
    if {$panes eq "all"} {
        $c delete all
        set panes [views_shown]
        if {[llength $panes] > 1} {
            lassign [canvas_size] width height
            $c create rectangle 0 0 $width $height -fill #c8ccd4 -outline "" -tags frame
        }
    }
    foreach name $panes {
        if {$name ni [views_shown]} continue
        $c delete pane_$name
        draw_view $name
    }
}

proc ::standin::gui::draw_view {name} {
    variable view
    set view(drawn,$name) {}
    set c .view
    frame_camera $name
    lassign [pane $name] x0 y0 x1 y1
    $c create rectangle $x0 $y0 $x1 $y1 -fill [colour background] -outline "" -tags [list pane_$name]
    if {[dict get $view(info) vertices] == 0} {
        $c create text [expr {($x0 + $x1) / 2}] [expr {($y0 + $y1) / 2}] -fill [colour text] -justify center \
            -text "Empty scene\nFile > Open... (Ctrl+O) opens a model" -tags [list empty pane_$name]
    } else {
        set picture ::standin::gui::picture_$name
        if {$picture ni [image names]} {
            image create photo $picture
        }
        set port [viewport $name]
        set start [clock microseconds]
        set view(drawn,$name) [::standin::view draw $picture {*}[camera_words $name] {*}$port \
            {*}[draw_options $name]]
        note_time [expr {([clock microseconds] - $start) / 1000.0}]
        $c create image [lindex $port 0] [lindex $port 1] -anchor nw -image $picture -tags [list picture pane_$name]
    }
    draw_bands $name
}

proc ::standin::gui::draw_options {name} {
    variable view
    list -style $view(style) -perspective [llength [in_perspective $name]] -grid $view(grid) -grain [grain] \
        -line [expr {max(1, [px 1])}] -mark [expr {max(2, [px 2])}] \
        -slot [slot_of $name] -edges [expr {$view(all_edges) ? "all" : "selected"}]
}

# {perspective} when view NAME is drawn in perspective (only 3D may be), else {}.
proc ::standin::gui::in_perspective {name} {
    variable view
    expr {$name eq "3d" && $view(perspective) ? "perspective" : ""}
}

# The 3D view fitted to the model fits it again in its new projection.
proc ::standin::gui::perspective_changed {} {
    variable view
    if {[dict get $view(camera,3d) fitted]} {
        dict set view(camera,3d) due 1
    }
    redraw_later 3d
}

# While a view moves, a large model is drawn smaller and shown enlarged,
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

# Shows view NAME alone, or the four with NAME four.
proc ::standin::gui::show {name} {
    variable view
    set view(shown) $name
    shown_changed
}

# Shows view NAME alone, or the four again when it is shown alone already.
proc ::standin::gui::toggle_view {name} {
    variable view
    show [expr {$view(shown) eq $name ? "four" : $name}]
}

proc ::standin::gui::shown_changed {} {
    variable view
    if {$view(shown) ne "four"} {
        set view(name) $view(shown)
    }
    redraw_later
}

# The views a key acts on: all those shown, or the one under the pointer.
proc ::standin::gui::views_for {which} {
    variable view
    expr {$which eq "all" ? [views_shown] : [list $view(name)]}
}

proc ::standin::gui::fit {{which one}} {
    variable view
    foreach name [views_for $which] {
        dict set view(camera,$name) fitted 1
        dict set view(camera,$name) due 1
        redraw_later $name
    }
}

# Frames what is selected (Shift+F): its box fills the view; nothing
# selected rings the bell.
proc ::standin::gui::frame_selection {{which one}} {
    variable view
    update idletasks
    foreach name [views_for $which] {
        set c $view(camera,$name)
        set fitted [::standin::view fit [dict get $c az] [dict get $c el] {*}[viewport $name] selection \
            {*}[in_perspective $name]]
        if {![llength $fitted]} {
            bell
            return
        }
        lassign $fitted scale x y z
        recentre $name [list $x $y $z] $scale
        dict set view(camera,$name) due 0
    }
}

# Every camera fits the model at its next drawing.
proc ::standin::gui::fit_all {} {
    variable view
    foreach name [dict keys [view_places]] {
        dict set view(camera,$name) fitted 1
        dict set view(camera,$name) due 1
    }
}

# + and -: the view under the pointer zooms about its middle.
proc ::standin::gui::zoom_key {factor} {
    variable view
    lassign [viewport] left top right bottom
    zoom $view(name) [expr {($left + $right) / 2.0}] [expr {($top + $bottom) / 2.0}] $factor
}

# ---- Moving the views

# The views drawn for this size already (the tree's pane settled before
# the drawing, say) are not drawn again.
proc ::standin::gui::resized {} {
    variable view
    if {[canvas_size] ne $view(canvas)} {
        set view(canvas) [canvas_size]
        redraw_later
    }
}

proc ::standin::gui::orbit {dx dy} {
    variable view
    dict with view(camera,3d) {
        set az [expr {fmod($az - 0.5 * $dx, 360.0)}]
        set el [expr {max(-90.0, min(90.0, $el + 0.5 * $dy))}]
        set fitted 0
    }
    redraw_later 3d
}

# Moves the model in view NAME with the pointer: the centre goes the other way.
proc ::standin::gui::pan {name dx dy} {
    variable view
    set c $view(camera,$name)
    set s [dict get $c scale]
    recentre $name [lmap k [dict get $c centre] d [in_model $name $dx $dy] {expr {$k - $d / $s}}] $s
}

# Zooms view NAME by FACTOR, keeping the model point under (x, y) where it is.
proc ::standin::gui::zoom {name x y factor} {
    variable view
    set c $view(camera,$name)
    lassign [viewport $name] left top right bottom
    set mx [expr {($left + $right) / 2.0}]
    set my [expr {($top + $bottom) / 2.0}]
    set s [dict get $c scale]
    set s2 [expr {max(1e-9, min(1e12, $s * $factor))}]
    set k [expr {1.0 / $s - 1.0 / $s2}]
    recentre $name [lmap p [dict get $c centre] d [in_model $name [expr {$x - $mx}] [expr {$y - $my}]] \
        {expr {$p + $d * $k}}] $s2
}

# (A, B) pixels right and down in view NAME, as a move in the model at one
# pixel per unit.
proc ::standin::gui::in_model {name a b} {
    set axes [view_axes $name]
    lmap r [lrange $axes 0 2] u [lrange $axes 3 5] {expr {$r * $a - $u * $b}}
}

# View NAME at CENTRE and SCALE, framed by hand: no longer fitted.
proc ::standin::gui::recentre {name centre scale} {
    variable view
    dict set view(camera,$name) centre $centre
    dict set view(camera,$name) scale $scale
    dict set view(camera,$name) fitted 0
    redraw_later $name
}

# ---- Selection

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
