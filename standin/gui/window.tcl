# The stand-in's main window (standin --gui).  gui.cpp loads Tk, sources
# this file and calls ::standin::gui::build once the plug-in is loaded.
#
# The window opens, shows and saves one model: a view (front, top, side or
# 3D) that ::standin::view draws into a photo image, the model's objects in
# a tree, and a status bar.  The scene itself is driven through the
# standin command, as scripts drive it.
#
# The window follows the host, however the scene changes (the menus, the
# keys, the plug-in, or a script): the host tells it of each change at its
# next idle moment (host_changed), and it compares the versions the host
# numbers (standin versions) with those it last showed.  What it shows of
# the model's file (its name, and the * of unsaved changes) it asks of the
# host each time (standin file).
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
    variable seen {}           ;# the host's versions the window last followed (standin versions)
    variable tree_seen -1      ;# the objects' tree's version the tree shows
    variable edit_version ""   ;# the scene's version when Undo and Redo were last greyed or not
    variable work {}           ;# a load or save under way: label, start, auto, shown, focus, cancel
    variable cancelled 0       ;# the last load or save was cancelled
    variable tree_key ""       ;# the objects the tree shows, as standin tree gave them
    variable tree_width 0      ;# what the tree's columns need, in pixels
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

# The window's other parts lie beside this file.
foreach part {view tree preview} {
    source [file join [file dirname [info script]] window-$part.tcl]
}
unset part

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
    bind .main <Configure> {+::standin::gui::clamp_tree_pane}
    build_status
    build_preview_toggle
    pack .tool -side top -fill x
    ttk::separator .tool_line -orient horizontal
    pack .tool_line -side top -fill x
    pack .status -side bottom -fill x
    pack .main -side top -fill both -expand 1
    bind_view .view
    bind_keys
    size_window
    host_changed
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

# The last message, in the status bar: one line, whatever names it holds.
proc ::standin::gui::say {text} {
    variable status
    variable summary
    set summary [shown $text]
    set status $summary
}

# TEXT as a line shows it: control bytes (a line break or an escape in a
# file's name, say) as \xNN, as the command line shows them.
proc ::standin::gui::shown {text} {
    if {![regexp {[\x00-\x1f\x7f]} $text]} {
        return $text
    }
    standin printable $text
}

# The name of the file PATH, as messages and the title show it.
proc ::standin::gui::file_name {path} {
    shown [file tail $path]
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

# The host told of a change (at its next idle moment): the view copies the
# scene again when its version, the selection or the preview changed, and
# the dialog's preview follows.
proc ::standin::gui::host_changed {} {
    variable seen
    if {![winfo exists .view]} return
    set was $seen
    set seen [standin versions]
    if {$seen eq $was} return
    if {[dict exists $was selection] && [dict get $was selection] != [dict get $seen selection]
            && [dict get $seen left_out] > 0} {
        say "Selected around [plural [dict get $seen left_out] {hidden or locked object}]: they stay as they are"
    }
    changed
    title
    preview_follows $was $seen
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
    try {
        if {$stale} {
            set stale 0
            set info [::standin::view sync]
            note_steps
            fill_tree
            show_counts
            # The tree's pane may have changed the view's size.
            update idletasks
        }
        draw
        title
    } finally {
        set drawing 0
    }
    # A change told while drawing is drawn next.
    if {$stale} {
        redraw_later
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
    set name [expr {$path eq "" ? "untitled" : [file_name $path]}]
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
    shown [dict get [standin info $id] name]
}

# ---- Files

# Opens the model in PATH in place of the scene; on error the scene, its
# file and whether it is saved stay as they were.
proc ::standin::gui::open_model {path} {
    working "Opening [file_name $path]" [list ::standin::gui::load_and_draw $path]
}

# A large model takes as long to draw the first time as to read: the window
# stays busy until it is drawn, with its new title.
proc ::standin::gui::load_and_draw {path} {
    set counts [standin load $path]
    title
    fit_all
    say "Opened [file_name $path]: [plural [dict get $counts objects] object],\
        [string map {vertexs vertices} [plural [dict get $counts vertices] vertex]]"
    if {[llength [dict get $counts repairs]]} {
        after 0 [list ::standin::gui::tell_repairs $path [dict get $counts repairs]]
    }
    if {![dict get $::standin::gui::work shown]} {
        show_busy
    }
    set ::standin::gui::status "Drawing [file_name $path]..."
    host_changed
    update idletasks
    return
}

proc ::standin::gui::open_file {} {
    if {![keep_or_drop]} return
    set path [tk_getOpenFile -parent . -title "Open a model" -initialdir [initial_dir] \
        -filetypes {{"AC3D models" .ac} {"All files" *}}]
    if {$path eq ""} return
    if {[catch {open_model $path} problem]} {
        if {$::standin::gui::cancelled} {
            say "Opening [file_name $path] cancelled: the scene is as it was"
        } else {
            complain "Cannot open [file_name $path]: $problem"
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
    if {[catch {working "Saving [file_name $path]" [list standin save $path]} problem]} {
        if {$::standin::gui::cancelled} {
            say "Saving [file_name $path] cancelled: the file is as it was"
        } else {
            complain "Cannot save [file_name $path]: $problem"
        }
        return 0
    }
    say "Saved [file_name $path]"
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
    set name [expr {$file eq "" ? "the new model" : [file_name $file]}]
    ask .unsaved "Save the changes to $name?" "Unsaved changes are lost when you discard them." \
        {save Save discard Discard cancel Cancel} save
}

# Asks what to do when another program changed the file since it was opened
# or saved: overwrite it, save the model under another name, or cancel.
proc ::standin::gui::ask_changed {file change} {
    ask .changed "[file_name $file] was changed by another program." \
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
proc ::standin::gui::applying {name} {
    variable work
    if {[dict size $work] && ![dict get $work auto]} {
        # Only the window's repaints run during its load or save; a command
        # from anywhere else would change the scene under it.
        error "the window is busy: [dict get $work label]"
    } elseif {[dict size $work]} {
        # Part of a script's work (standin apply), shown busy already.
        return
    }
    set work [dict create label "Running $name" start [clock milliseconds] auto 1 shown 0 command 1]
    show_busy 0
    update idletasks
}

# A plug-in command, a load or a save ended: work a script started ends
# with it; the window's own (see working) ends where it began.
proc ::standin::gui::work_ended {what} {
    variable work
    if {[dict size $work] && [dict get $work auto]} {
        done_working
    }
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
    # Its lines as they are, any other control byte shown as \xNN.
    set text [join [lmap line [split $text \n] {shown $line}] \n]
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

# The model in PATH was repaired as it was read (REPAIRS: the reader's
# lines, each naming its line of the file): said once, as the model opens,
# since a save will differ from the file (the title's *).
proc ::standin::gui::tell_repairs {path repairs} {
    set shown [lmap line [lrange $repairs 0 9] {shown $line}]
    if {[llength $repairs] > 10} {
        lappend shown "... and [expr {[llength $repairs] - 10}] more"
    }
    message "[file_name $path] was repaired as it was read, so saving it will not give back the same\
        file:\n[join $shown \n]" info
}

# A file that could not be read or written.
proc ::standin::gui::complain {text} {
    message $text error
}
