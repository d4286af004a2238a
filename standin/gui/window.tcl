# The stand-in's main window (standin --gui).  gui.cpp loads Tk, sources
# this file and calls ::standin::gui::build once the plug-in is loaded.
#
# The window opens, shows and saves one model: a view (front, top, side or
# 3D) that ::standin::view draws into a photo image, the model's objects in
# a tree, and a status bar.  The scene itself is driven through the
# standin command, as scripts drive it.
#
# What the window shows of the model's file (its name, and the * of unsaved
# changes) it asks of the host each time (standin file), so it follows the
# scene however it changes: the menus, the keys, the plug-in, or a script.
#
# ::standin::gui::modal_messages chooses how the plug-in's messages appear:
# 1 (the default) shows each one in a tk_messageBox that waits to be
# dismissed, as the modeller does; 0 shows it in the window .message, which
# does not wait, for scripts that drive the windows themselves.
namespace eval ::standin::gui {
    variable modal_messages 1
    variable view 3d           ;# front, top, side or 3d
    variable mode objects      ;# what a click selects: objects, surfaces or vertices
    variable status ""         ;# the last message, in the status bar
    variable counts ""         ;# the model's size, in the status bar
    variable selection ""      ;# what is selected, in the status bar
    variable summary ""        ;# the last message, shown again when a menu closes
    variable info {}           ;# what ::standin::view sync last said
    variable pending 0         ;# a redraw is scheduled
    variable drawing 0         ;# a redraw is running
    variable stale 1           ;# the scene changed since the view last copied it
    variable depth 0           ;# the undo steps when the view last copied the scene
    variable version -1        ;# the scene's version then
    variable work {}           ;# a load or save under way: label, start, auto, shown, focus, cancel
    variable cancelled 0       ;# the last load or save was cancelled
    variable tree_key ""       ;# the objects the tree shows, as standin tree gave them
    variable tree_rows {}      ;# the same, by id
    variable tree_width 0      ;# what the tree's columns need, in pixels
    variable quiet 0           ;# the tree's selection is being set from the scene
    variable drag {}           ;# the pointer's drag: start, last point, button, moved
    variable motion_grain 1    ;# canvas pixels per pixel of the drawing while the view moves
    variable style edges       ;# wireframe, shaded or edges (shaded with edges)
    variable perspective 0     ;# the 3D view in perspective
    variable grid 1            ;# the ground grid drawn
    variable drawn {}          ;# what ::standin::view draw last said
    variable wheeling 0        ;# the wheel turned lately: the drawing may be coarse
    variable answer ""         ;# the choice made in a dialog that asks
    variable size {0 0}        ;# the canvas size the cameras were set for

    # Each view's camera: azimuth and elevation in degrees, pixels per model
    # unit, the model point at the middle, and whether it was fitted since.
    variable camera
    foreach {name az el} {front 0 0 top 0 90 side -90 0 3d -35 25} {
        set camera($name) [dict create az $az el $el scale 1 centre {0 0 0} fitted 1 due 1]
    }
    # Bands above and below the drawing, kept free of geometry for labels.
    variable band_top 24
    variable band_bottom 30
    variable colours [dict create background #fbfbfd band #eef0f4 edge #36507a selected #e4572e \
        mark #c0160f text #505866 x #d03030 y #2e9a3e z #2f62d0]
}

proc ::standin::gui::build {} {
    wm title . standin
    set_scaling
    wm protocol . WM_DELETE_WINDOW ::standin::gui::quit
    option add *tearOff 0
    build_menus
    build_toolbar
    ttk::panedwindow .main -orient horizontal
    build_tree .main.objects
    canvas .view -background [dict get $::standin::gui::colours background] -highlightthickness 0 \
        -width 640 -height 480 -cursor crosshair
    .main add .main.objects -weight 0
    .main add .view -weight 1
    build_status
    build_preview_toggle
    pack .tool -side top -fill x
    ttk::separator .tool_line -orient horizontal
    pack .tool_line -side top -fill x
    pack .status -side bottom -fill x
    pack .main -side top -fill both -expand 1
    bind_view .view
    bind_keys
    # Redraw after anything that may have changed the scene; a plug-in
    # command shows the window busy while it runs.
    trace add execution standin leave ::standin::gui::traced
    foreach command [standin commands] {
        trace add execution [lindex $command 0] enter ::standin::gui::applying
        trace add execution [lindex $command 0] leave ::standin::gui::traced
    }
    size_window
    changed
}

proc ::standin::gui::build_menus {} {
    menu .menubar
    . configure -menu .menubar
    set m [menu .menubar.file]
    .menubar add cascade -label File -underline 0 -menu $m
    $m add command -label "New scene" -underline 0 -command ::standin::gui::new_scene
    $m add command -label Open... -underline 0 -accelerator Ctrl+O -command ::standin::gui::open_file
    $m add command -label Save -underline 0 -accelerator Ctrl+S -command ::standin::gui::save
    $m add command -label "Save As..." -underline 5 -accelerator Ctrl+Shift+S -command ::standin::gui::save_as
    $m add separator
    $m add command -label Exit -underline 1 -accelerator Ctrl+Q -command ::standin::gui::quit

    set m [menu .menubar.edit -postcommand ::standin::gui::edit_states]
    .menubar add cascade -label Edit -underline 0 -menu $m
    $m add command -label Undo -underline 0 -accelerator Ctrl+Z -command ::standin::gui::undo
    $m add command -label Redo -underline 0 -accelerator Ctrl+Shift+Z -command ::standin::gui::redo
    $m add separator
    $m add command -label "Select all" -underline 7 -accelerator Ctrl+A -command ::standin::gui::select_all
    $m add command -label "Select none" -underline 7 -accelerator Esc -command {standin select none}
    $m add separator
    foreach {label value key} {Objects objects F5 Surfaces surfaces F6 Vertices vertices F7} {
        $m add radiobutton -label "Select $label" -underline 7 -value $value -accelerator $key \
            -variable ::standin::gui::mode -command ::standin::gui::mode_changed
    }

    set m [menu .menubar.view]
    .menubar add cascade -label View -underline 0 -menu $m
    foreach {label value key} {"Front (X, Y)" front 1 "Top (X, Z)" top 2 "Side (Z, Y)" side 3 "3D" 3d 4} {
        $m add radiobutton -label $label -value $value -accelerator $key \
            -variable ::standin::gui::view -command ::standin::gui::redraw_later
    }
    $m add separator
    foreach {label value} {Wireframe wireframe Shaded shaded "Shaded with edges" edges} {
        $m add radiobutton -label $label -value $value -variable ::standin::gui::style \
            -command ::standin::gui::redraw_later
    }
    $m add checkbutton -label Perspective -variable ::standin::gui::perspective \
        -command ::standin::gui::perspective_changed
    $m add checkbutton -label Grid -variable ::standin::gui::grid -command ::standin::gui::redraw_later
    $m add separator
    $m add command -label "Fit to the model" -underline 0 -accelerator F -command ::standin::gui::fit
    $m add command -label "Frame the selection" -accelerator Shift+F -command ::standin::gui::frame_selection

    # The modeller's Tools menu: the entries plug-ins registered, read again
    # each time it opens.
    menu .menubar.tools -postcommand ::standin::gui::fill_tools
    .menubar add cascade -label Tools -underline 0 -menu .menubar.tools
    fill_tools
    bind Menu <<MenuSelect>> {+::standin::gui::menu_help %W}
}

proc ::standin::gui::build_toolbar {} {
    ttk::frame .tool -padding [px 6 4]
    ttk::label .tool.view_label -text View:
    pack .tool.view_label -side left -padx [px 0 4]
    foreach {name label} {front Front top Top side Side 3d 3D} {
        ttk::radiobutton .tool.$name -text $label -value $name -style Toolbutton -takefocus 0 \
            -variable ::standin::gui::view -command ::standin::gui::redraw_later
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
            -takefocus 0 -variable ::standin::gui::mode -command ::standin::gui::mode_changed
        pack .tool.$name -side left
    }
}

proc ::standin::gui::build_tree {w} {
    ttk::frame $w
    ttk::treeview $w.list -columns {vertices surfaces} -selectmode extended \
        -yscrollcommand [list $w.scroll set] -xscrollcommand [list $w.xscroll set]
    ttk::scrollbar $w.scroll -orient vertical -command [list $w.list yview]
    ttk::scrollbar $w.xscroll -orient horizontal -command [list $w.list xview]
    $w.list heading #0 -text Object -anchor w
    $w.list heading vertices -text Vertices -anchor e
    $w.list heading surfaces -text Surfaces -anchor e
    $w.list column #0 -width [px 140] -stretch 1
    $w.list column vertices -width [px 76] -anchor e -stretch 0
    $w.list column surfaces -width [px 76] -anchor e -stretch 0
    grid $w.list $w.scroll -sticky nsew
    grid $w.xscroll -sticky ew
    grid rowconfigure $w 0 -weight 1
    grid columnconfigure $w 0 -weight 1
    bind $w.list <<TreeviewSelect>> ::standin::gui::tree_selected
    style_tree $w.list
    build_tree_menus $w.list
    bind $w.list <Motion> {::standin::gui::tree_hover %W %x %y %X %Y}
    bind $w.list <Leave> ::standin::gui::tree_tip_hide
    bind $w.list <ButtonPress> +::standin::gui::tree_tip_hide
}

# The tree's looks: rows as high as the font needs at any scaling, hidden
# and unnamed objects in grey, locked ones in italics.
proc ::standin::gui::style_tree {t} {
    set font [tree_font]
    ttk::style configure Treeview -rowheight [expr {[font metrics $font -linespace] + [px 4]}]
    if {"StandinTreeLocked" ni [font names]} {
        font create StandinTreeLocked {*}[font actual $font]
    }
    font configure StandinTreeLocked {*}[font actual $font] -slant italic
    $t tag configure unnamed -foreground #767c86
    $t tag configure hidden -foreground #9aa0a8
    $t tag configure locked -font StandinTreeLocked
}

proc ::standin::gui::tree_font {} {
    set font [ttk::style lookup Treeview -font]
    expr {$font eq "" ? "TkDefaultFont" : $font}
}

# Edit > Hide and Unhide, and the same on the tree's context menu.
proc ::standin::gui::build_tree_menus {t} {
    set m .menubar.edit
    $m add separator
    $m add command -label Hide -underline 0 -accelerator Ctrl+H -command {::standin::gui::hide_selected 1}
    $m add command -label Unhide -underline 0 -accelerator Ctrl+Shift+H \
        -command {::standin::gui::hide_selected 0}
    menu $t.context
    $t.context add command -label Hide -underline 0 -accelerator Ctrl+H -command {::standin::gui::hide_selected 1}
    $t.context add command -label Unhide -underline 0 -accelerator Ctrl+Shift+H \
        -command {::standin::gui::hide_selected 0}
    bind $t <Button-3> {::standin::gui::tree_context %W %x %y %X %Y}
    bind . <Control-h> {::standin::gui::hide_selected 1; break}
    bind . <Control-H> {::standin::gui::hide_selected 0; break}
    bind . <Control-Shift-h> {::standin::gui::hide_selected 0; break}
    bind . <Control-Shift-H> {::standin::gui::hide_selected 0; break}
}

proc ::standin::gui::build_status {} {
    ttk::frame .status -padding [px 6 2]
    ttk::label .status.counts
    ttk::separator .status.gap1 -orient vertical
    ttk::label .status.selection
    ttk::separator .status.gap2 -orient vertical
    ttk::label .status.message -anchor w -width 1 -textvariable ::standin::gui::status
    pack .status.counts -side left
    pack .status.gap1 -side left -fill y -padx [px 8]
    pack .status.selection -side left
    pack .status.gap2 -side left -fill y -padx [px 8]
    pack .status.message -side left -fill x -expand 1
    trace add variable ::standin::gui::counts write ::standin::gui::fit_status
    trace add variable ::standin::gui::selection write ::standin::gui::fit_status
    bind .status <Configure> ::standin::gui::fit_status
}

# Shows the model's size and the selection as fully as the status bar's
# width allows: a narrow window drops the selected objects' names, then
# all but the vertices from the size, rather than cut a label off.
proc ::standin::gui::fit_status {args} {
    variable counts
    variable selection
    set room [expr {[winfo width .status] - [px 12] - 2 * [px 18] - [px 40]}]
    if {[winfo exists .status.preview]} {
        set room [expr {$room - [winfo reqwidth .status.preview] - [px 18]}]
    }
    set short_selection [regsub { \(.*\)$} $selection ""]
    set short_counts [expr {[regexp {[^,]* vert[a-z]*} $counts vertices] ? [string trim $vertices] : $counts}]
    foreach {c s} [list $counts $selection $counts $short_selection $short_counts $short_selection] {
        if {[font measure TkDefaultFont "$c$s"] <= $room} break
    }
    .status.counts configure -text $c
    .status.selection configure -text $s
}

proc ::standin::gui::bind_keys {} {
    bind . <Control-z> ::standin::gui::undo
    foreach key {Control-Z Control-Shift-z Control-Shift-Z Control-y} {
        bind . <$key> ::standin::gui::redo
    }
    bind . <Control-o> ::standin::gui::open_file
    bind . <Control-s> ::standin::gui::save
    bind . <Control-S> ::standin::gui::save_as
    bind . <Control-Shift-s> ::standin::gui::save_as
    bind . <Control-q> ::standin::gui::quit
    bind . <Control-a> {::standin::gui::select_all; break}
    bind . <Escape> {standin select none}
    foreach {key name} {F5 objects F6 surfaces F7 vertices} {
        bind . <$key> [list ::standin::gui::set_mode $name]
    }
    foreach {key name} {1 front 2 top 3 side 4 3d} {
        bind . <Key-$key> [list ::standin::gui::show $name]
    }
    foreach key {f Home} {
        bind . <Key-$key> ::standin::gui::fit
    }
    bind . <Key-F> ::standin::gui::frame_selection
}

proc ::standin::gui::fill_tools {} {
    .menubar.tools delete 0 end
    foreach item [standin menu list] {
        lassign $item label command
        .menubar.tools add command -label $label -command [list uplevel #0 $command]
    }
    hook_dialog
}

# Shows the help of the Tools entry under the pointer in the status line.
proc ::standin::gui::menu_help {menu} {
    variable status
    variable summary
    set status $summary
    if {[catch {$menu entrycget active -label} label]} return
    foreach item [standin menu list] {
        if {[lindex $item 0] eq $label} {
            set status [lindex $item 2]
        }
    }
}

# The last message, in the status bar.
proc ::standin::gui::say {text} {
    variable status
    variable summary
    set summary $text
    set status $text
}

proc ::standin::gui::undo {} {
    if {[catch {standin undo} name]} {
        bell
        return
    }
    say "Undid $name"
}

# ---- Scaling

# The window follows `tk scaling`, Tk's pixels per point: Tk reads it from
# the screen's size in millimetres as the X server reports it, and
# STANDIN_SCALING sets it instead (2.6667 for 192 dpi) where that figure is
# wrong.  Sizes in this file are pixels at 96 dpi (a scaling of 1.3333),
# grown by px; Tk's named fonts are in points and follow by themselves.
proc ::standin::gui::set_scaling {} {
    set value [expr {[info exists ::env(STANDIN_SCALING)] ? $::env(STANDIN_SCALING) : ""}]
    if {$value ne ""} {
        if {![string is double -strict $value] || $value < 0.5 || $value > 10} {
            error "STANDIN_SCALING: expected pixels per point from 0.5 to 10, found '$value'"
        }
        tk scaling $value
    }
    # A named font measured before the scaling changed keeps its old size
    # until it is set again.
    foreach font [font names] {
        set size [font configure $font -size]
        if {$size > 0} {
            font configure $font -size $size
        }
    }
    # The themes' tool buttons are sized in pixels, not points (the tree's
    # rows: style_tree).
    ttk::style configure Toolbutton -padding [px 3 2]
    ttk::style configure Item -indicatorsize [px 12]
    ttk::style configure TScrollbar -arrowsize [px 12] -width [px 12]
}

# Pixels at the window's scaling for each of SIZES, pixels at 96 dpi.
proc ::standin::gui::px {args} {
    set k [expr {[tk scaling] * 0.75}]
    lmap size $args {expr {round($size * $k)}}
}

# The window's first size and its least: 980 x 640 and 480 x 320 at 96 dpi,
# grown with the scaling within the screen (the Rilo dialog fits in the
# first), and never so narrow that the toolbar is cut off.
proc ::standin::gui::size_window {} {
    update idletasks
    set width [expr {min([px 980], [winfo screenwidth .])}]
    set height [expr {min([px 640], [winfo screenheight .] - [px 40])}]
    wm geometry . ${width}x$height
    wm minsize . [expr {max([px 480], [winfo reqwidth .tool])}] [px 320]
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

proc ::standin::gui::redo {} {
    variable depth
    if {[catch {standin redo} name]} {
        bell
        return
    }
    # The step comes back to the history: not a step newly applied.
    set depth [llength [standin history]]
    say "Redid $name"
}

# Edit > Undo and Redo are greyed while there is nothing to undo or redo.
# What they can do changes only with the scene's version (VERSION, or asked).
proc ::standin::gui::edit_states {{version ""}} {
    variable edit_version
    if {$version eq ""} {
        set version [dict get [standin file] version]
    } elseif {$version eq $edit_version} {
        return
    }
    set edit_version $version
    if {![winfo exists .menubar.edit]} return
    foreach {label what} {Undo {} Redo redo} {
        set state [expr {[llength [standin history {*}$what]] ? "normal" : "disabled"}]
        .menubar.edit entryconfigure $label -state $state
    }
}

# ---- Changes and redrawing

# Called after each standin subcommand and each plug-in command: notes what
# may have changed and schedules a redraw; the title follows the scene's file.
proc ::standin::gui::traced {command code result op} {
    variable version
    variable work
    if {[catch {lindex $command 1} word]} {
        set word ""
    }
    set standin [expr {[namespace tail [lindex $command 0]] eq "standin"}]
    # Work a script started ends with the command that did it, not with
    # what a repaint on the way asked of the scene.
    if {[dict size $work] && [dict get $work auto] && (!$standin || $word in {load save apply})} {
        done_working
    }
    if {[dict get [standin file] version] != $version} {
        changed
    } elseif {!$standin || $word in {select pick unpick}
              || ($word eq "menu" && [lindex $command 2] eq "invoke")} {
        changed
    }
    title
}

# The scene changed: copy it again before the next redraw.
proc ::standin::gui::changed {args} {
    variable stale 1
    redraw_later
}

proc ::standin::gui::redraw_later {args} {
    variable pending
    variable drawing
    if {$pending || $drawing} return
    set pending 1
    after idle ::standin::gui::redraw
}

proc ::standin::gui::redraw {} {
    variable pending 0
    variable drawing 1
    variable stale
    variable info
    variable version
    try {
        if {$stale} {
            set stale 0
            set version [dict get [standin file] version]
            set info [::standin::view sync]
            note_steps
            fill_tree
            show_counts
        }
        draw
        title
    } finally {
        set drawing 0
    }
}

# Says so when a command added an undo step.
proc ::standin::gui::note_steps {} {
    variable depth
    set history [standin history]
    if {[llength $history] > $depth} {
        say "Applied [lindex $history end]; Edit > Undo (Ctrl+Z) takes it back"
    }
    set depth [llength $history]
}

# Whether the scene differs from the version last opened or saved.
proc ::standin::gui::modified {} {
    dict get [standin file] modified
}

# The scene's file, or "" for a new scene.
proc ::standin::gui::current_file {} {
    dict get [standin file] path
}

proc ::standin::gui::title {} {
    set state [standin file]
    set path [dict get $state path]
    set name [expr {$path eq "" ? "untitled" : [file tail $path]}]
    wm title . "$name[expr {[dict get $state modified] ? "*" : ""}] - standin"
    edit_states [dict get $state version]
}

proc ::standin::gui::plural {count word} {
    return "$count $word[expr {$count == 1 ? "" : "s"}]"
}

proc ::standin::gui::show_counts {} {
    variable info
    variable counts
    variable selection
    set counts "[plural [dict get $info objects] object], [plural [dict get $info vertices] vertex],\
        [plural [dict get $info surfaces] surface]"
    set counts [string map {vertexs vertices} $counts]
    set mode [dict get $info mode]
    set items [dict get $info items]
    set objects [llength [dict get $info selected]]
    if {$items == 0} {
        set selection "Selecting $::standin::gui::mode: none selected"
    } elseif {$mode eq "objects"} {
        set names [lmap id [lrange [dict get $info selected] 0 2] {object_name $id}]
        if {$objects > 3} {
            lappend names ...
        }
        set selection "Selected: [plural $items object] ([join $names {, }])"
    } else {
        set kind [expr {$mode eq "surfaces" ? "surface" : "vertex"}]
        set selection [string map {vertexs vertices} "Selected: [plural $items $kind] in [plural $objects object]"]
    }
}

proc ::standin::gui::object_name {id} {
    dict get [standin info $id] name
}

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
    bind $c <Configure> ::standin::gui::redraw_later
    foreach button {1 2} {
        bind $c <ButtonPress-$button> [list ::standin::gui::press %x %y $button %s]
        bind $c <B$button-Motion> {::standin::gui::motion %x %y}
        bind $c <ButtonRelease-$button> {::standin::gui::release %x %y}
    }
    bind $c <Button-4> {::standin::gui::wheel %x %y 1.25}
    bind $c <Button-5> {::standin::gui::wheel %x %y 0.8}
    bind $c <MouseWheel> {::standin::gui::wheel %x %y [expr {%D > 0 ? 1.25 : 0.8}]}
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
    changed
}

# Adds all the surfaces or vertices of an object to the selection.
proc ::standin::gui::pick_all_in {id kind} {
    standin pick $kind $id all
}

# Objects with everything below them, in tree order.
proc ::standin::gui::with_children {ids} {
    set out {}
    foreach id $ids {
        lappend out $id {*}[with_children [dict get [standin info $id] children]]
    }
    return $out
}

# Selects the objects IDS in the selection mode.
proc ::standin::gui::select_objects {ids} {
    variable mode
    standin select none
    if {![llength $ids]} return
    if {$mode eq "objects"} {
        standin pick objects {*}$ids
        return
    }
    foreach id [lsort -unique -integer [with_children $ids]] {
        if {![tree_locked $id]} {
            pick_all_in $id $mode
        }
    }
}

# What the host's select all takes: neither hidden nor locked.
proc ::standin::gui::select_all {} {
    variable mode
    set ids [standin select all]
    if {$mode ne "objects"} {
        select_objects $ids
    }
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

# ---- The tree of objects

# The tree follows the scene: one standin tree call gives every object;
# a new set of objects fills the tree anew (folded objects closed), a change
# of flags or sizes only restyles the rows it changed.
proc ::standin::gui::fill_tree {} {
    variable tree_key
    variable tree_rows
    variable info
    set t .main.objects.list
    set rows [standin tree]
    if {$rows ne $tree_key} {
        set shape [lmap row $rows {lrange $row 0 3}]
        set old [lmap row $tree_key {lrange $row 0 3}]
        set tree_key $rows
        if {$shape ne $old} {
            refill_tree $t $rows
        } else {
            restyle_tree $t $rows
        }
    }
    set chosen [lmap id [dict get $info selected] {set id o$id}]
    if {[lsort $chosen] ne [lsort [$t selection]]} {
        $t selection set $chosen
        if {[llength $chosen]} {
            $t see [lindex $chosen 0]
        }
    }
}

proc ::standin::gui::refill_tree {t rows} {
    variable tree_rows
    set tree_rows [dict create]
    $t delete [$t children {}]
    style_tree $t
    foreach row $rows {
        lassign $row id parent name kind vertices surfaces hidden locked folded
        dict set tree_rows $id $row
        set parent [expr {$parent != 0 && [$t exists o$parent] ? "o$parent" : ""}]
        $t insert $parent end -id o$id -open [expr {!$folded}]
        style_row $t $row
    }
    fit_tree $t
}

# Every row styled again, parents first: a flag changed on one shows on
# everything below it.
proc ::standin::gui::restyle_tree {t rows} {
    variable tree_rows
    foreach row $rows {
        dict set tree_rows [lindex $row 0] $row
        style_row $t $row
    }
}

# A row's text, counts and tags; an ancestor hidden or locked counts as the
# object's own (rows come parents first).
proc ::standin::gui::style_row {t row} {
    lassign $row id parent name kind vertices surfaces hidden locked folded
    set tags {}
    if {$name eq ""} {
        lappend tags unnamed
    }
    if {$hidden || ($parent != 0 && "hidden" in [$t item o$parent -tags])} {
        lappend tags hidden
    }
    set text [tree_label $row]
    if {$locked || ($parent != 0 && "locked" in [$t item o$parent -tags])} {
        lappend tags locked
        append text "  (locked)"
    }
    $t item o$id -text $text -values [list $vertices $surfaces] -tags $tags
}

# An object's name, or for an unnamed one its kind and id: "(poly 3)".
proc ::standin::gui::tree_label {row} {
    lassign $row id parent name kind
    expr {$name eq "" ? "($kind $id)" : $name}
}

# The first column as wide as its widest row (text and indent), and the
# pane as wide as the tree up to two fifths of the window; narrower, the
# tree scrolls sideways.
proc ::standin::gui::fit_tree {t} {
    set font [tree_font]
    set indent [ttk::style lookup Treeview -indent]
    set indent [winfo pixels $t [expr {$indent eq "" ? 20 * [tk scaling] / 1.3333 : $indent}]]
    set widest 0
    set depth() -1
    foreach item [tree_items $t {}] {
        set depth($item) [expr {$depth([$t parent $item]) + 1}]
        set width [expr {[font measure $font [$t item $item -text]] + ($depth($item) + 1) * $indent}]
        set widest [expr {max($widest, $width)}]
    }
    set pad [font measure $font "mmm"]
    set first [expr {max([font measure $font "Object name"], $widest) + $pad}]
    $t column #0 -width $first -minwidth $first
    variable tree_width [expr {$first + [$t column vertices -width] + [$t column surfaces -width] \
        + [winfo reqwidth [winfo parent $t].scroll] + 4}]
    if {[winfo ismapped $t]} {
        fit_tree_pane
    } else {
        bind $t <Map> {::standin::gui::fit_tree_pane; bind %W <Map> {}}
    }
}

# The sash where the tree has the room it needs, up to two fifths of the
# window.
proc ::standin::gui::fit_tree_pane {} {
    variable tree_width
    set room [winfo width .main]
    if {$room > 1} {
        .main sashpos 0 [expr {min($tree_width, int($room * 0.4))}]
    }
}

# Every item below ITEM, parents before children.
proc ::standin::gui::tree_items {t item} {
    set out {}
    foreach child [$t children $item] {
        lappend out $child {*}[tree_items $t $child]
    }
    return $out
}

# A selection made in the tree selects those objects in the scene; the
# tree's own echo of a selection made elsewhere changes nothing.  A locked
# object is refused in the status bar, the selection kept as it was.
proc ::standin::gui::tree_selected {} {
    variable info
    set t .main.objects.list
    set ids [lmap item [$t selection] {string range $item 1 end}]
    if {[lsort -integer $ids] eq [lsort -integer [dict get $info selected]]} return
    foreach id $ids {
        if {[tree_locked $id]} {
            say "Cannot select [tree_object_words $id]: it is locked"
            bell
            $t selection set [lmap id [dict get $info selected] {set id o$id}]
            return
        }
    }
    select_objects $ids
}

# Whether an object or one above it is locked, as the tree shows it.
proc ::standin::gui::tree_locked {id} {
    set t .main.objects.list
    expr {[$t exists o$id] && "locked" in [$t item o$id -tags]}
}

# An object as the status bar names it: object 'name', or object (poly 3).
proc ::standin::gui::tree_object_words {id} {
    variable tree_rows
    set row [dict get $tree_rows $id]
    set name [lindex $row 2]
    expr {$name eq "" ? "object [tree_label $row]" : "object '$name'"}
}

# Hides (HIDE 1) or shows again the objects selected in the tree; hidden
# ones leave the selection.
proc ::standin::gui::hide_selected {hide} {
    set ids [lmap item [.main.objects.list selection] {string range $item 1 end}]
    if {![llength $ids]} {
        say "Select the objects to [expr {$hide ? "hide" : "unhide"}] in the tree first"
        bell
        return
    }
    standin [expr {$hide ? "hide" : "unhide"}] {*}$ids
    set words [expr {[llength $ids] == 1 ? [tree_object_words [lindex $ids 0]] : [plural [llength $ids] object]}]
    say "[expr {$hide ? "Hid" : "Unhid"}] $words"
}

# The context menu: on a row not selected, that row is selected first.
proc ::standin::gui::tree_context {t x y rootx rooty} {
    tree_tip_hide
    set item [$t identify item $x $y]
    if {$item ne "" && $item ni [$t selection]} {
        $t selection set [list $item]
        update idletasks
    }
    tk_popup $t.context $rootx $rooty
}

# ---- The tree's tooltip: the whole name and path of the row under the
# pointer, after it rests there a moment.

namespace eval ::standin::gui {
    variable tip_item ""     ;# the row the tooltip is for
    variable tip_after ""    ;# the tooltip waiting to show
}

proc ::standin::gui::tree_hover {t x y rootx rooty} {
    variable tip_item
    variable tip_after
    set item [$t identify item $x $y]
    if {$item eq $tip_item} return
    tree_tip_hide
    set tip_item $item
    if {$item ne ""} {
        set tip_after [after 600 [list ::standin::gui::tree_tip_show $t $item [expr {$rootx + 12}] \
            [expr {$rooty + 16}]]]
    }
}

# The tooltip's text: the object's label, then the labels from the top
# of the tree down to it.
proc ::standin::gui::tree_tip_text {t item} {
    variable tree_rows
    set path {}
    for {set at $item} {$at ne ""} {set at [$t parent $at]} {
        set path [linsert $path 0 [tree_label [dict get $tree_rows [string range $at 1 end]]]]
    }
    return "[lindex $path end]\n[join $path { / }]"
}

proc ::standin::gui::tree_tip_show {t item x y} {
    variable tip_after ""
    if {![$t exists $item]} return
    set w .tree_tip
    destroy $w
    toplevel $w -background #5b6270
    wm overrideredirect $w 1
    label $w.text -text [tree_tip_text $t $item] -justify left -background #fffbe6 -foreground #202428 \
        -padx 6 -pady 3
    pack $w.text -padx 1 -pady 1
    wm geometry $w +$x+$y
}

proc ::standin::gui::tree_tip_hide {} {
    variable tip_item ""
    variable tip_after
    after cancel $tip_after
    set tip_after ""
    destroy .tree_tip
}

# ---- Files

# Opens the model in PATH in place of the scene; on error the scene, its
# file and whether it is saved stay as they were.
proc ::standin::gui::open_model {path} {
    working "Opening [file tail $path]" [list ::standin::gui::load_and_draw $path]
}

# A large model takes as long to draw the first time as to read: the window
# stays busy until it is drawn, with its new title.
proc ::standin::gui::load_and_draw {path} {
    set counts [standin load $path]
    title
    fit_all
    say "Opened [file tail $path]: [plural [dict get $counts objects] object],\
        [string map {vertexs vertices} [plural [dict get $counts vertices] vertex]]"
    if {![dict get $::standin::gui::work shown]} {
        show_busy
    }
    set ::standin::gui::status "Drawing [file tail $path]..."
    after cancel ::standin::gui::redraw
    set ::standin::gui::pending 0
    set ::standin::gui::stale 1
    update idletasks
    redraw
    return
}

proc ::standin::gui::open_file {} {
    if {![keep_or_drop]} return
    set path [tk_getOpenFile -parent . -title "Open a model" -initialdir [initial_dir] \
        -filetypes {{"AC3D models" .ac} {"All files" *}}]
    if {$path eq ""} return
    if {[catch {open_model $path} problem]} {
        if {$::standin::gui::cancelled} {
            say "Opening [file tail $path] cancelled: the scene is as it was"
        } else {
            complain "Cannot open [file tail $path]: $problem"
        }
    }
}

proc ::standin::gui::initial_dir {} {
    set file [current_file]
    expr {$file eq "" ? [pwd] : [file dirname $file]}
}

# Saving answers 1 when the model was written and 0 when it was not.  A file
# another program changed since it was opened or saved is not written over
# without asking.
proc ::standin::gui::save {} {
    set file [current_file]
    if {$file eq ""} {
        return [save_as]
    }
    set change [standin file changes]
    if {$change ne ""} {
        switch -- [ask_changed $file $change] {
            overwrite {}
            save_as {return [save_as]}
            default {return 0}
        }
    }
    return [write $file]
}

proc ::standin::gui::save_as {} {
    set file [current_file]
    set name [expr {$file eq "" ? "untitled.ac" : [file tail $file]}]
    set path [tk_getSaveFile -parent . -title "Save the model as" -initialdir [initial_dir] -initialfile $name \
        -defaultextension .ac -filetypes {{"AC3D models" .ac} {"All files" *}}]
    if {$path eq ""} {
        return 0
    }
    return [write $path]
}

# Writes the model with "standin save", as the command line does; a save
# that fails (a full disk, a limit on the size of files) leaves the model
# open and unsaved, and the file as it was.
proc ::standin::gui::write {path} {
    if {[catch {working "Saving [file tail $path]" [list standin save $path]} problem]} {
        if {$::standin::gui::cancelled} {
            say "Saving [file tail $path] cancelled: the file is as it was"
        } else {
            complain "Cannot save [file tail $path]: $problem"
        }
        return 0
    }
    say "Saved [file tail $path]"
    title
    return 1
}

proc ::standin::gui::new_scene {} {
    if {![keep_or_drop]} return
    standin new
    fit_all
    say "New scene"
}

proc ::standin::gui::quit {} {
    variable work
    if {[dict size $work]} return
    if {[keep_or_drop]} {
        destroy .
    }
}

# Whether unsaved changes may go: saved first, dropped, or kept by cancelling.
proc ::standin::gui::keep_or_drop {} {
    if {![modified]} {
        return 1
    }
    switch -- [ask_unsaved] {
        save {return [save]}
        discard {return 1}
        default {return 0}
    }
}

# Asks what to do with unsaved changes: save, discard or cancel.
proc ::standin::gui::ask_unsaved {} {
    set file [current_file]
    set name [expr {$file eq "" ? "the new model" : [file tail $file]}]
    ask .unsaved "Save the changes to $name?" "Unsaved changes are lost when you discard them." \
        {save Save discard Discard cancel Cancel} save
}

# Asks what to do when another program changed the file since it was opened
# or saved: overwrite it, save the model under another name, or cancel.
proc ::standin::gui::ask_changed {file change} {
    ask .changed "[file tail $file] was changed by another program." \
        "Since the window opened or saved it, it was $change.\nOverwrite it with the model in\
        the window, save the model under another name, or cancel?" \
        {overwrite Overwrite save_as "Save As..." cancel Cancel} save_as
}

# Shows the question TEXT with MORE under it in the dialog W, with a button
# for each of CHOICES (a name and a label; Alt and the first letter of the
# name picks one), Return picking FIRST at first; answers the name of the
# choice, or cancel.
proc ::standin::gui::ask {w text more choices first} {
    variable answer ""
    destroy $w
    toplevel $w
    wm title $w standin
    wm transient $w .
    wm resizable $w 0 0
    wm protocol $w WM_DELETE_WINDOW {set ::standin::gui::answer cancel}
    ttk::frame $w.f -padding [px 14]
    ttk::label $w.f.text -text $text -font TkHeadingFont
    ttk::label $w.f.more -text $more -wraplength [px 420] -justify left
    set buttons {}
    foreach {choice label} $choices {
        ttk::button $w.f.$choice -text $label -underline 0 -command [list set ::standin::gui::answer $choice]
        bind $w <Alt-[string index $choice 0]> [list $w.f.$choice invoke]
        lappend buttons $w.f.$choice
    }
    set columns [expr {[llength $buttons] - 1}]
    grid $w.f.text {*}[lrepeat $columns -] -sticky w
    grid $w.f.more {*}[lrepeat $columns -] -sticky w -pady [px 4 14]
    grid {*}$buttons -padx [px 6 0] -sticky e
    grid columnconfigure $w.f 0 -weight 1
    pack $w.f -fill both -expand 1
    bind $w <Escape> [list $w.f.cancel invoke]
    bind $w <Return> {[focus] invoke}
    focus $w.f.$first
    catch {grab $w}
    vwait ::standin::gui::answer
    destroy $w
    return $answer
}

# ---- Long work

# Runs SCRIPT, a load or a save, as LABEL ("Opening a.ac"): once it has taken
# more than 0.3 s, the window shows it busy and how far it is (see progress).
# Escape then stops it: the error "cancelled", and cancelled is set.
proc ::standin::gui::working {label script} {
    variable cancelled 0
    variable work
    if {[dict size $work]} {
        error "the window is busy: [dict get $work label]"
    }
    set work [dict create label $label start [clock milliseconds] auto 0 shown 0]
    try {
        uplevel #0 $script
    } finally {
        set cancelled [dict exists $work cancel]
        done_working
    }
}

# A plug-in command starts: it cannot tell how far it is, so the window
# shows it busy at once.  No event is handled until it ends, so the keys
# stay where they are.
proc ::standin::gui::applying {command op} {
    variable work
    if {[dict size $work] && [dict exists $work command]} {
        return
    } elseif {[dict size $work]} {
        # Only the window's repaints run during a load or save; a command
        # from anywhere else would change the scene under it.
        error "the window is busy: [dict get $work label]"
    }
    set work [dict create label "Running [lindex $command 0]" start [clock milliseconds] auto 1 shown 0 \
        command 1]
    show_busy 0
    update idletasks
}

# Told by the host how far a load or save is.  One a script started (not
# through working) counts from its first report, and ends with the command.
proc ::standin::gui::progress {doing done total} {
    variable work
    variable status
    if {![dict size $work]} {
        set work [dict create label "" start [clock milliseconds] auto 1 shown 0]
    }
    if {[dict get $work auto]} {
        dict set work label [string totitle $doing]
    }
    if {![dict get $work shown]} {
        if {[clock milliseconds] - [dict get $work start] < 300} return
        show_busy
    }
    set status "[dict get $work label]... [expr {$total > 0 ? 100 * $done / $total : 0}]%   (Esc: cancel)"
    # Repaints what was hidden (by the file dialog, say); the busy window
    # takes the pointer and the keys meanwhile, but for Escape.
    update
    if {[dict exists $work cancel]} {
        return -code error -errorcode {STANDIN CANCEL} cancelled
    }
}

# With KEYS the busy windows take the keys too, for work during which the
# window handles events (see progress).
proc ::standin::gui::show_busy {{keys 1}} {
    variable work
    variable status
    dict set work shown 1
    dict set work focus [expr {$keys ? [focus] : ""}]
    set status "[dict get $work label]..."
    # Every toplevel is held, the plug-in's dialog too: nothing may change
    # the scene while it is read or written.
    set held 0
    foreach w [concat . [lsearch -all -inline -not [winfo children .] .menubar*]] {
        if {[winfo toplevel $w] ne $w || [catch {tk busy hold $w}]} continue
        # Keys reach the busy window, which does nothing with them but
        # Escape: that cancels a load or save.
        set busy [expr {$w eq "." ? "._Busy" : "$w._Busy"}]
        if {[winfo exists $busy]} {
            bindtags $busy $busy
            bind $busy <Escape> {dict set ::standin::gui::work cancel 1}
        }
        incr held
    }
    if {$held && $keys} {
        catch {focus ._Busy}
    } elseif {!$held} {
        . configure -cursor watch
    }
    menus_state disabled
}

# The menu bar lies outside the busy window: its menus are turned off.
proc ::standin::gui::menus_state {state} {
    if {![winfo exists .menubar]} return
    for {set i 0} {$i <= [.menubar index end]} {incr i} {
        .menubar entryconfigure $i -state $state
    }
}

proc ::standin::gui::done_working {} {
    variable work
    variable status
    variable summary
    if {[dict size $work] && [dict get $work shown]} {
        . configure -cursor ""
        foreach w [tk busy current] {
            tk busy forget $w
        }
        menus_state normal
        if {[dict get $work focus] ne "" && [winfo exists [dict get $work focus]]} {
            focus [dict get $work focus]
        }
        set status $summary
    }
    set work {}
}

# ---- Messages

# Shows a message of the plug-in; see modal_messages.
proc ::standin::gui::message {text {icon warning}} {
    variable modal_messages
    variable previewing
    say $text
    # A preview runs at every edit of the dialog: its messages stay in the status line.
    if {$previewing} return
    if {$modal_messages} {
        set parent .
        set focus [focus]
        if {$focus ne ""} {set parent [winfo toplevel $focus]}
        tk_messageBox -parent $parent -icon $icon -title standin -message $text
        return
    }
    set w .message
    if {![winfo exists $w]} {
        toplevel $w
        wm title $w "standin: message"
        ttk::frame $w.f -padding [px 12]
        ttk::label $w.f.text -wraplength [px 360] -justify left
        ttk::button $w.f.ok -text OK -command [list destroy $w]
        pack $w.f -fill both -expand 1
        pack $w.f.text -side top -anchor w -pady [px 0 10]
        pack $w.f.ok -side bottom -anchor e
        bind $w <Return> [list destroy $w]
        bind $w <Escape> [list destroy $w]
    }
    $w.f.text configure -text $text
    raise $w
}

# A file that could not be read or written.
proc ::standin::gui::complain {text} {
    message $text error
}

# ---- The Rilo dialog's live preview
#
# While the plug-in's dialog is open, the model shows the wave for the values
# being edited: the window runs the plug-in's own command as the host's
# preview (standin preview run), whose undo step the host keeps aside and
# puts back, bit for bit, before anything else (a command, an undo or redo,
# a save, a change) touches the scene.  The window only hooks the dialog's
# script from outside, with traces: the script itself works as in the
# modeller.

namespace eval ::standin::gui {
    variable live_preview 1    ;# the status bar's Preview switch
    variable previewing 0      ;# a preview runs: its messages stay in the status line
    variable preview_wanted 0  ;# the dialog is open, with values not applied yet
    variable applied 0         ;# Apply ran, and neither the values nor the selection changed since
    variable steps_before 0    ;# the undo steps when OK or Apply was pressed
    variable preview_shown 0   ;# the host shows the window's last preview
    variable preview_after ""  ;# the preview scheduled, coalescing edits
    variable dialog_hooked 0   ;# the dialog open now is followed
    variable edit_version ""   ;# the scene's version when Undo and Redo were last greyed or not
}

proc ::standin::gui::build_preview_toggle {} {
    ttk::separator .status.preview_gap -orient vertical
    ttk::checkbutton .status.preview -text Preview -takefocus 0 -variable ::standin::gui::live_preview \
        -command ::standin::gui::preview_toggled
    pack .status.preview -side right -before .status.counts
    pack .status.preview_gap -side right -fill y -padx [px 8] -before .status.counts
}

# Follows the dialog: its opening, its values, its buttons and its end.  The
# plug-in may define its procedures again (standin init): hooked each time
# the Tools menu is filled, once.
proc ::standin::gui::hook_dialog {} {
    trace_once standin leave ::standin::gui::preview_follow
    trace_once pjtrilo_dialog leave ::standin::gui::dialog_opened
    foreach command {::rilo::ok ::rilo::apply ::rilo::cancel} {
        trace_once $command enter ::standin::gui::dialog_acts
    }
    trace_once ::rilo::apply leave ::standin::gui::dialog_applied
    hook_run
}

# What the model shows is what OK and Apply give: once Apply has put the
# wave on the model, neither Apply nor OK puts it on again until the values
# or the selection change (Apply is greyed meanwhile; OK only closes).
# The script's one call of the command is wrapped for that.
proc ::standin::gui::hook_run {} {
    if {![llength [info commands ::rilo::run]] || [string match *already_applied* [info body ::rilo::run]]} return
    catch {rename ::rilo::run_unhooked ""}
    rename ::rilo::run ::rilo::run_unhooked
    proc ::rilo::run {parameters} {
        if {[::standin::gui::already_applied]} return
        ::rilo::run_unhooked $parameters
    }
}

proc ::standin::gui::already_applied {} {
    variable applied
    return $applied
}

# Apply ran: if the command took a step (it may have refused), the values are applied.
proc ::standin::gui::dialog_applied {command code result op} {
    variable steps_before
    if {[llength [standin history]] <= $steps_before} return
    variable applied 1
    if {[winfo exists .rilo.f.buttons.apply]} {
        .rilo.f.buttons.apply state disabled
    }
}

# The values or the selection changed after an Apply: OK and Apply put the
# wave on again, as previewed.
proc ::standin::gui::pending_again {} {
    variable applied
    if {!$applied} return
    set applied 0
    if {[winfo exists .rilo.f.buttons.apply] && [::rilo::ready]} {
        .rilo.f.buttons.apply state !disabled
    }
}

proc ::standin::gui::trace_once {command op script} {
    if {![llength [info commands $command]]} return
    if {[list $op $script] ni [trace info execution $command]} {
        trace add execution $command $op $script
    }
}

proc ::standin::gui::dialog_open {} {
    winfo exists .rilo
}

# The dialog was built or brought forward: a new one is moved beside the
# main window and previews the values it opens with.
proc ::standin::gui::dialog_opened {args} {
    variable dialog_hooked
    if {![dialog_open] || $dialog_hooked} return
    set dialog_hooked 1
    variable applied 0
    place_dialog .rilo
    trace add variable ::rilo::ui write ::standin::gui::values_edited
    bind .rilo <Destroy> {+::standin::gui::dialog_gone %W}
    values_edited
}

# Moves the dialog W beside the main window, so that the model stays in
# sight: to its right when the screen has room, else to its left, else
# over the main window's left side, where the tree is; always on screen.
proc ::standin::gui::place_dialog {w} {
    if {![winfo viewable .]} return
    update idletasks
    set width [winfo reqwidth $w]
    set height [winfo reqheight $w]
    set screen_width [winfo screenwidth $w]
    set screen_height [winfo screenheight $w]
    set left [winfo rootx .]
    set right [expr {$left + [winfo width .]}]
    set gap 12  ;# room for the window manager's borders
    if {$right + $gap + $width <= $screen_width} {
        set x [expr {$right + $gap}]
    } elseif {$left - $gap - $width >= 0} {
        set x [expr {$left - $gap - $width}]
    } else {
        set x [winfo rootx .main.objects]
    }
    set y [winfo rooty .]
    set x [expr {max(0, min($x, $screen_width - $width))}]
    set y [expr {max(0, min($y, $screen_height - $height))}]
    wm geometry $w +$x+$y
}

# Each edit schedules one preview, after the edits that follow at once.
proc ::standin::gui::values_edited {args} {
    variable preview_wanted 1
    pending_again
    schedule_preview
}

proc ::standin::gui::schedule_preview {} {
    variable preview_after
    after cancel $preview_after
    set preview_after [after 30 ::standin::gui::show_preview]
}

proc ::standin::gui::show_preview {} {
    variable preview_after ""
    variable preview_wanted
    variable preview_shown
    variable previewing
    variable live_preview
    variable work
    if {!$live_preview || !$preview_wanted || ![dialog_open]} return
    # Nothing may change the scene while it is read or written.
    if {[dict size $work]} {
        set preview_after [after 100 ::standin::gui::show_preview]
        return
    }
    set previewing 1
    try {
        set refused [standin preview run pjtrilo_go {*}[::rilo::parameters]]
    } on error problem {
        set refused $problem
        say "No preview: $problem"
    } finally {
        set previewing 0
    }
    set preview_shown [expr {$refused eq ""}]
    if {$preview_shown} {
        say "Preview of the wave: OK or Apply keeps it, Cancel takes it back"
    }
    preview_moved
}

# Only the positions changed: the view reads them from the scene when it
# draws, so a redraw shows them.
proc ::standin::gui::preview_moved {} {
    redraw_later
}

# Takes the preview back, and schedules none.
proc ::standin::gui::take_back_preview {} {
    variable preview_after
    variable preview_shown 0
    after cancel $preview_after
    if {[standin preview]} {
        standin preview clear
        preview_moved
    }
}

# OK and Apply run the command on the model as it was, Cancel leaves it so:
# the preview is taken back first.  After Apply the next edit, or a new
# selection, previews again, on top of the wave applied.
proc ::standin::gui::dialog_acts {command op} {
    variable preview_wanted 0
    variable steps_before [llength [standin history]]
    take_back_preview
}

proc ::standin::gui::dialog_gone {w} {
    variable dialog_hooked
    variable preview_wanted 0
    if {$w ne ".rilo"} return
    set dialog_hooked 0
    trace remove variable ::rilo::ui write ::standin::gui::values_edited
    catch take_back_preview
}

proc ::standin::gui::preview_toggled {} {
    variable live_preview
    if {$live_preview} {
        schedule_preview
    } else {
        take_back_preview
    }
}

# After each standin command while the dialog previews: a new selection
# previews again; so does a preview the host took back for an undo, a redo,
# a save or a change.  A new scene has no selection: its first edit previews.
proc ::standin::gui::preview_follow {command code result op} {
    variable preview_wanted
    variable preview_shown
    if {[catch {lindex $command 1} word]} {
        set word ""
    }
    if {$word eq "init"} {
        # The plug-in's script was read again: its procedures are new.
        hook_dialog
    }
    # After an Apply, a new selection or the wave undone makes the values
    # pending again: previewed, and what OK and Apply give.
    if {$::standin::gui::applied && [dialog_open] && $word in {select pick unpick undo redo load new}} {
        pending_again
        if {$word in {load new}} return
        set preview_wanted 1
        schedule_preview
        return
    }
    if {!$preview_wanted || ![dialog_open]} return
    if {$word in {preview file history}} return
    if {$word in {select pick unpick}} {
        schedule_preview
    } elseif {$preview_shown && ![standin preview]} {
        set preview_shown 0
        if {$word in {load new apply}} {
            set preview_wanted 0
        } else {
            schedule_preview
        }
    }
}
