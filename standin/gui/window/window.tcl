# The stand-in's main window (standin --gui).  gui.cpp loads Tk, sources
# this file and calls ::standin::gui::build once the plug-in is loaded.
#
# The window opens, shows and saves one model: four views (top, front, side
# and 3D) that ::standin::view draws into photo images, the model's objects in
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
# Its parts lie beside this file, each keeping its state in one array of
# its own that no other part reads or writes; they meet through the
# procedures each one's opening lines list:
#   window.tcl        the window, its menus and keys, following the host,
#                     redrawing, Undo and Redo, messages, scaling, the
#                     tooltip, the habits of the window's entries
#   window-files.tcl  opening, saving, questions, long work
#   window-view.tcl   the four views: panes, cameras, drawing, selection
#   window-pointer.tcl what the pointer does in the views
#   window-bands.tcl  the status bar and the bands of labels around the view
#   window-tree.tcl   the tree of objects and finding them by name
#   window-live.tcl   the live preview of the Rilo dialog's wave
#   window-looks.tcl  the textures the model's objects name
#
# This file's state, window(...):
#   seen        the host's versions last followed (standin versions)
#   pending     a redraw is scheduled
#   panes       the views it draws: all, or the names of those that moved
#   drawing     a redraw is running
#   stale       the scene changed since the view last followed it
#   depth       the undo steps when the window last counted them
#   counted     the scene's version and serial when it last counted them
#   edit_version the scene's version when Undo and Redo were last greyed or not
#   tip_key     what the tooltip is for, or is waiting to show for
#   tip_after   the tooltip waiting to show
# Its procedures for the others: px, plural, shown, file_name, title,
# host_changed, versions_differ, changed, redraw_later, message, complain, tell_repairs,
# tip_over, tip_hide, entry_habits, dialog_entry_habits;
# build, host_changed and message for gui.cpp; redraw for scripts.
#
# ::standin::gui::modal_messages, a setting for scripts, chooses how the
# plug-in's messages appear: 1 (the default) shows each one in a
# tk_messageBox that waits to be dismissed, as the modeller does; 0 shows
# it in the window .message, which does not wait, for scripts that drive
# the windows themselves.
namespace eval ::standin::gui {
    variable modal_messages 1
    variable window
    array set window {seen {} pending 0 panes all drawing 0 stale 1 depth 0 counted {} edit_version "" tip_key ""
        tip_after ""}
}

foreach part {files view pointer bands tree live looks} {
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
    build_view .view
    .main add .main.objects -weight 0
    .main add .view -weight 1
    bind .main <Configure> {+::standin::gui::clamp_tree_pane}
    build_status
    build_live_switch
    pack .tool -side top -fill x
    ttk::separator .tool_line -orient horizontal
    pack .tool_line -side top -fill x
    pack .status -side bottom -fill x
    pack .main -side top -fill both -expand 1
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
    add_selection_entries $m

    set m [menu .menubar.view]
    .menubar add cascade -label View -underline 0 -menu $m
    fill_view_menu $m

    # The modeller's Tools menu: the entries plug-ins registered, read again
    # each time it opens.
    menu .menubar.tools -postcommand ::standin::gui::fill_tools
    .menubar add cascade -label Tools -underline 0 -menu .menubar.tools
    fill_tools
    bind Menu <<MenuSelect>> {+::standin::gui::menu_help %W}
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
    bind_view_keys
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
    show_said
    if {[catch {$menu entrycget active -label} label]} return
    foreach item [standin menu list] {
        if {[lindex $item 0] eq $label} {
            show_status [lindex $item 2]
        }
    }
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

# COUNT WORDs; vertex, the one word whose plural is not WORD + s, as vertices.
proc ::standin::gui::plural {count word} {
    if {$count == 1} {
        return "$count $word"
    }
    return "$count [expr {$word eq "vertex" ? "vertices" : "${word}s"}]"
}

# ---- Tooltips: a text beside the pointer once it rests a moment on
# something: a row of the tree, a field of the status bar.

# The pointer is over KEY (a list naming what it is over; "" for nothing)
# at the screen's (ROOTX, ROOTY): after a moment, the tooltip shows the
# text SCRIPT gives then, if any.
proc ::standin::gui::tip_over {key rootx rooty script} {
    variable window
    if {$key eq $window(tip_key)} return
    tip_hide
    set window(tip_key) $key
    if {$key ne ""} {
        set window(tip_after) [after 600 [list ::standin::gui::tip_show [expr {$rootx + 12}] \
            [expr {$rooty + 16}] $script]]
    }
}

proc ::standin::gui::tip_show {x y script} {
    variable window
    set window(tip_after) ""
    set text [uplevel #0 $script]
    if {$text eq ""} return
    set w .tip
    destroy $w
    toplevel $w -background #5b6270
    wm overrideredirect $w 1
    label $w.text -text $text -justify left -background #fffbe6 -foreground #202428 -padx 6 -pady 3
    pack $w.text -padx 1 -pady 1
    # Kept on the screen: a field at the right of the status bar has its
    # tooltip to the left of the pointer.
    update idletasks
    set x [expr {max(0, min($x, [winfo screenwidth $w] - [winfo reqwidth $w]))}]
    set y [expr {min($y, [winfo screenheight $w] - [winfo reqheight $w])}]
    wm geometry $w +$x+$y
}

proc ::standin::gui::tip_hide {} {
    variable window
    set window(tip_key) ""
    after cancel $window(tip_after)
    set window(tip_after) ""
    destroy .tip
}

# ---- Habits of the window's entries

# Ctrl+A selects the whole text of the entry W, as users expect, instead of
# Tk's move to the start of the line; and the keys the entry takes for its
# text (characters, Home, Backspace, Ctrl+H) stop there rather than reach
# the window's own keys (1 to 4 switch the view, F fits it, Ctrl+A selects
# the whole model).  The window's other keys (Ctrl+S, Ctrl+Z, ...) still
# reach it.  Only entries given this habit have it: no class is changed.
proc ::standin::gui::entry_habits {w} {
    set tags [bindtags $w]
    if {"StandinEntry" in $tags} return
    set class [lsearch -exact $tags [winfo class $w]]
    bindtags $w [linsert $tags [expr {$class < 0 ? 1 : $class + 1}] StandinEntry]
}

bind StandinEntry <Control-a> {%W selection range 0 end; %W icursor end; break}
bind StandinEntry <Control-Lock-A> [bind StandinEntry <Control-a>]
bind StandinEntry <KeyPress> {if {[::standin::gui::entry_keeps %K %A %s]} break}

# Whether a key the entry has taken stops there: a character typed (Shift
# aside, no Ctrl or Alt), the keys that move in or delete from the text,
# and Ctrl+H, the entry's Backspace.
proc ::standin::gui::entry_keeps {key char state} {
    if {$state & 0x0C} {
        return [expr {!($state & 0x08) && $key in {h H}}]
    }
    expr {[string is print -strict $char] || $key in {Home End Left Right BackSpace Delete}}
}

# The entries of Tk's own file dialogs (on X11 a dialog made of Tk's
# widgets) get the same habits once one opens: called just before
# tk_getOpenFile or tk_getSaveFile, whose dialog is built before it waits.
proc ::standin::gui::dialog_entry_habits {} {
    after idle ::standin::gui::give_dialog_entry_habits
}

proc ::standin::gui::give_dialog_entry_habits {} {
    set left [lsearch -all -inline [winfo children .] .__tk_filedialog*]
    while {[llength $left]} {
        set left [lassign $left w]
        if {[winfo class $w] in {Entry TEntry}} {
            entry_habits $w
        }
        lappend left {*}[winfo children $w]
    }
}

# ---- Scaling

# The window follows `tk scaling`, Tk's pixels per point: Tk reads it from
# the screen's size in millimetres as the X server reports it, and
# STANDIN_SCALING sets it instead (2.6667 for 192 dpi) where that figure is
# wrong.  Sizes in the window's files are pixels at 96 dpi (a scaling of
# 1.3333), grown by px; Tk's named fonts are in points and follow by themselves.
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

# ---- Undo and Redo

proc ::standin::gui::undo {} {
    if {[catch {standin undo} name]} {
        bell
        return
    }
    say "Undid $name"
}

proc ::standin::gui::redo {} {
    variable window
    if {[catch {standin redo} name]} {
        bell
        return
    }
    # The step comes back to the history: not a step newly applied.
    set window(depth) [llength [standin history]]
    say "Redid $name"
}

# Edit > Undo and Redo are greyed while there is nothing to undo or redo.
# What they can do changes only with the scene's version (VERSION, or asked).
proc ::standin::gui::edit_states {{version ""}} {
    variable window
    if {$version eq ""} {
        set version [dict get [standin file] version]
    } elseif {$version eq $window(edit_version)} {
        return
    }
    set window(edit_version) $version
    if {![winfo exists .menubar.edit]} return
    foreach {label what} {Undo {} Redo redo} {
        set state [expr {[llength [standin history {*}$what]] ? "normal" : "disabled"}]
        .menubar.edit entryconfigure $label -state $state
    }
}

# Says so when a command added an undo step.  Only a new version of the
# scene can have added one.
proc ::standin::gui::note_steps {} {
    variable window
    set at [lmap key {scene serial} {
        expr {[dict exists $window(seen) $key] ? [dict get $window(seen) $key] : ""}
    }]
    if {$at eq $window(counted)} return
    set window(counted) $at
    set history [standin history]
    if {[llength $history] > $window(depth)} {
        say "Applied [lindex $history end]; Edit > Undo (Ctrl+Z) takes it back"
    }
    set window(depth) [llength $history]
}

# ---- Changes and redrawing

# The host told of a change (at its next idle moment): the view follows
# the scene again when its version, the selection or the live preview
# changed, the title when the scene or its file did, and the live preview
# follows.
proc ::standin::gui::host_changed {} {
    variable window
    if {![winfo exists .view]} return
    set was $window(seen)
    set now [standin versions]
    set window(seen) $now
    # Told with no new version, the host changed the scene's file (a save).
    if {$now eq $was} {
        title
        return
    }
    if {[dict exists $was selection] && [versions_differ $was $now selection] && [dict get $now left_out] > 0} {
        say "Selected around [plural [dict get $now left_out] {hidden or locked object}]: they stay as they are"
    }
    changed
    if {[versions_differ $was $now scene serial]} {
        title
    }
    live_follows $was $now
}

# Whether any of KEYS differs between the host's versions WAS (or none yet)
# and NOW.
proc ::standin::gui::versions_differ {was now args} {
    foreach key $args {
        if {![dict exists $was $key] || [dict get $was $key] != [dict get $now $key]} {
            return 1
        }
    }
    return 0
}

# The scene changed: the view follows it before the next redraw.
proc ::standin::gui::changed {args} {
    variable window
    set window(stale) 1
    redraw_later
}

# Draws the views again soon: all of them, or only the view WHAT (one that
# moved) when nothing else asked for more meanwhile.
proc ::standin::gui::redraw_later {{what all}} {
    variable window
    if {$what eq "all" || $window(panes) eq "all"} {
        set window(panes) all
    } elseif {$what ni $window(panes)} {
        lappend window(panes) $what
    }
    if {$window(pending) || $window(drawing)} return
    set window(pending) 1
    after idle ::standin::gui::redraw
}

proc ::standin::gui::redraw {} {
    variable window
    set window(pending) 0
    set window(drawing) 1
    try {
        if {$window(stale)} {
            set window(stale) 0
            follow_scene
            note_steps
            fill_tree [expr {[dict exists $window(seen) tree] ? [dict get $window(seen) tree] : ""}]
            show_counts
            # The tree's pane may have changed the view's size.
            update idletasks
        }
        set panes $window(panes)
        set window(panes) {}
        draw $panes
    } finally {
        set window(drawing) 0
    }
    # A change told while drawing is drawn next.
    if {$window(stale) || [llength $window(panes)]} {
        redraw_later
    }
}

proc ::standin::gui::title {} {
    set state [standin file]
    set path [dict get $state path]
    set name [expr {$path eq "" ? "untitled" : [file_name $path]}]
    wm title . "$name[expr {[dict get $state modified] ? "*" : ""}] - standin"
    edit_states [dict get $state version]
}

# ---- Messages

# Shows a message of the plug-in; see modal_messages.
proc ::standin::gui::message {text {icon warning}} {
    variable modal_messages
    say $text
    # A live preview runs at every edit of the dialog: its messages stay in
    # the status line.
    if {[live_running]} return
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
