# The main window's files (sourced by window.tcl): opening, saving, the
# questions asked before changes are lost or another program's file is
# written over, and long work shown busy.
#
# This file's state, files(...):
#   work       a load, save or command under way: label, start, auto, shown,
#              focus, cancel, command; {} when none
#   cancelled  the last load or save was cancelled
#   answer     the choice made in a question the window asks
# Its procedures for the others: open_model, open_file, save, save_as,
# new_scene, quit, busy; applying, work_ended, progress and open_at_start
# for gui.cpp.
namespace eval ::standin::gui {
    variable files
    array set files {work {} cancelled 0 answer ""}
}

# Whether a load, a save or a plug-in command is under way.
proc ::standin::gui::busy {} {
    variable files
    expr {[dict size $files(work)] > 0}
}

# Whether the scene differs from the version last opened or saved.
proc ::standin::gui::modified {} {
    dict get [standin file] modified
}

# The scene's file, or "" for a new scene.
proc ::standin::gui::current_file {} {
    dict get [standin file] path
}

# Opens the model in PATH in place of the scene; on error the scene, its
# file and whether it is saved stay as they were.
proc ::standin::gui::open_model {path} {
    working "Opening [file_name $path]" [list ::standin::gui::load_and_draw $path]
}

# A large model takes as long to draw the first time as to read: the window
# stays busy until it is drawn, with its new title.
proc ::standin::gui::load_and_draw {path} {
    variable files
    set counts [standin load $path]
    title
    fit_all
    say "Opened [file_name $path]: [plural [dict get $counts objects] object],\
        [plural [dict get $counts vertices] vertex]"
    if {[llength [dict get $counts repairs]]} {
        after 0 [list ::standin::gui::tell_repairs $path [dict get $counts repairs]]
    }
    if {![dict get $files(work) shown]} {
        show_busy
    }
    show_status "Drawing [file_name $path]..."
    host_changed
    update idletasks
    return
}

proc ::standin::gui::open_file {} {
    variable files
    if {![keep_or_drop]} return
    dialog_entry_habits
    set path [tk_getOpenFile -parent . -title "Open a model" -initialdir [initial_dir] \
        -filetypes {{"AC3D models" .ac} {"All files" *}}]
    if {$path eq ""} return
    if {[catch {open_model $path} problem]} {
        if {$files(cancelled)} {
            say [open_failure $path $problem]
        } else {
            complain [open_failure $path $problem]
        }
    }
}

# The model named on the command line: a failure is an error whose message
# is File > Open's line, for the command line to print.
proc ::standin::gui::open_at_start {path} {
    if {[catch {open_model $path} problem]} {
        return -code error [open_failure $path $problem]
    }
}

# What File > Open says when opening PATH failed with PROBLEM.
proc ::standin::gui::open_failure {path problem} {
    variable files
    if {$files(cancelled)} {
        return "Opening [file_name $path] cancelled: the scene is as it was"
    }
    return "Cannot open [file_name $path]: $problem"
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
    dialog_entry_habits
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
    variable files
    if {[catch {working "Saving [file_name $path]" [list standin save $path]} problem]} {
        if {$files(cancelled)} {
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
    if {[busy]} return
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
    variable files
    set files(answer) ""
    destroy $w
    toplevel $w
    wm title $w standin
    wm transient $w .
    wm resizable $w 0 0
    wm protocol $w WM_DELETE_WINDOW {set ::standin::gui::files(answer) cancel}
    ttk::frame $w.f -padding [px 14]
    ttk::label $w.f.text -text $text -font TkHeadingFont
    ttk::label $w.f.more -text $more -wraplength [px 420] -justify left
    set buttons {}
    foreach {choice label} $choices {
        ttk::button $w.f.$choice -text $label -underline 0 -command [list set ::standin::gui::files(answer) $choice]
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
    vwait ::standin::gui::files(answer)
    destroy $w
    return $files(answer)
}

# ---- Long work

# Runs SCRIPT, a load or a save, as LABEL ("Opening a.ac"): once it has taken
# more than 0.3 s, the window shows it busy and how far it is (see progress).
# Escape then stops it: the error "cancelled", and files(cancelled) is set.
proc ::standin::gui::working {label script} {
    variable files
    set files(cancelled) 0
    if {[dict size $files(work)]} {
        error "the window is busy: [dict get $files(work) label]"
    }
    set files(work) [dict create label $label start [clock milliseconds] auto 0 shown 0]
    try {
        uplevel #0 $script
    } finally {
        set files(cancelled) [dict exists $files(work) cancel]
        done_working
    }
}

# A plug-in command starts: it cannot tell how far it is, so the window
# shows it busy at once.  No event is handled until it ends, so the keys
# stay where they are.
proc ::standin::gui::applying {name} {
    variable files
    if {[dict size $files(work)] && ![dict get $files(work) auto]} {
        # Only the window's repaints run during its load or save; a command
        # from anywhere else would change the scene under it.
        error "the window is busy: [dict get $files(work) label]"
    } elseif {[dict size $files(work)]} {
        # Part of a script's work (standin apply), shown busy already.
        return
    }
    set files(work) [dict create label "Running $name" start [clock milliseconds] auto 1 shown 0 command 1]
    show_busy 0
    update idletasks
}

# A plug-in command, a load or a save ended: work a script started ends
# with it; the window's own (see working) ends where it began.
proc ::standin::gui::work_ended {what} {
    variable files
    if {[dict size $files(work)] && [dict get $files(work) auto]} {
        done_working
    }
}

# Told by the host how far a load or save is.  One a script started (not
# through working) counts from its first report, and ends with the command.
proc ::standin::gui::progress {doing done total} {
    variable files
    if {![dict size $files(work)]} {
        set files(work) [dict create label "" start [clock milliseconds] auto 1 shown 0]
    }
    if {[dict get $files(work) auto]} {
        dict set files(work) label [string totitle $doing]
    }
    if {![dict get $files(work) shown]} {
        if {[clock milliseconds] - [dict get $files(work) start] < 300} return
        show_busy
    }
    show_status "[dict get $files(work) label]... [expr {$total > 0 ? 100 * $done / $total : 0}]%   (Esc: cancel)"
    # Repaints what was hidden (by the file dialog, say); the busy window
    # takes the pointer and the keys meanwhile, but for Escape.
    update
    if {[dict exists $files(work) cancel]} {
        return -code error -errorcode {STANDIN CANCEL} cancelled
    }
}

# With KEYS the busy windows take the keys too, for work during which the
# window handles events (see progress).
proc ::standin::gui::show_busy {{keys 1}} {
    variable files
    dict set files(work) shown 1
    dict set files(work) focus [expr {$keys ? [focus] : ""}]
    show_status "[dict get $files(work) label]..."
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
            bind $busy <Escape> {dict set ::standin::gui::files(work) cancel 1}
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
    variable files
    set work $files(work)
    if {[dict size $work] && [dict get $work shown]} {
        . configure -cursor ""
        foreach w [tk busy current] {
            tk busy forget $w
        }
        menus_state normal
        if {[dict get $work focus] ne "" && [winfo exists [dict get $work focus]]} {
            focus [dict get $work focus]
        }
        show_said
    }
    set files(work) {}
}
