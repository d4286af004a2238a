# The main window's live preview of the Rilo dialog's wave (sourced by
# window.tcl).
#
# While the plug-in's dialog is open, the model shows the wave for the values
# being edited: the window runs the plug-in's own command as the host's
# preview (standin preview run), whose undo step the host keeps aside and
# puts back, bit for bit, before anything else (a command, an undo or redo,
# a save, a change) touches the scene.  The dialog tells the window what it
# does through the hooks it calls where a host defines them (the commands
# of ::rilo_host below; script/rilo.tcl lists them); the window tells it
# back through ::rilo::host_changed.  OK and Apply keep the preview shown
# as the model's (standin preview keep): they give exactly the wave shown,
# a random phase included.
#
# What a preview or an Apply was made for is a stamp: the parameters, the
# scene's version and the selection's.

namespace eval ::standin::gui {
    variable live_preview 1    ;# the status bar's Preview switch
    variable previewing 0      ;# a preview runs: its messages stay in the status line
    variable dialog ""         ;# the dialog's window while it is open
    variable wanted {}         ;# the parameters its values give, or {} while they cannot be sent
    variable shown {}          ;# the stamp of the preview shown, or {}
    variable applied {}        ;# the stamp of the last Apply that put a wave on, or {}
    variable preview_after ""  ;# the preview scheduled, coalescing edits
}

namespace eval ::rilo_host {}

proc ::rilo_host::opened {top} {
    ::standin::gui::dialog_opened $top
}

proc ::rilo_host::edited {parameters} {
    ::standin::gui::values_edited $parameters
}

proc ::rilo_host::applicable {} {
    ::standin::gui::applicable
}

proc ::rilo_host::run {parameters} {
    ::standin::gui::run_wave $parameters
}

proc ::rilo_host::closed {} {
    ::standin::gui::dialog_closed
}

proc ::standin::gui::build_preview_toggle {} {
    ttk::separator .status.preview_gap -orient vertical
    ttk::checkbutton .status.preview -text Preview -takefocus 0 -variable ::standin::gui::live_preview \
        -command ::standin::gui::preview_toggled
    pack .status.preview -side right -before .status.counts
    pack .status.preview_gap -side right -fill y -padx [px 8] -before .status.counts
}

# PARAMETERS on the model as it is now, with what is selected now.
proc ::standin::gui::stamp {parameters} {
    set now [standin versions]
    list $parameters [dict get $now scene] [dict get $now selection]
}

# A new dialog is moved beside the main window; it previews its values.
proc ::standin::gui::dialog_opened {top} {
    variable dialog
    if {$dialog eq $top} return
    set dialog $top
    variable applied {}
    place_dialog $top
    schedule_preview
}

proc ::standin::gui::dialog_closed {} {
    variable dialog ""
    variable wanted {}
    variable preview_after
    after cancel $preview_after
    # OK closes the dialog before it runs the wave: the preview stays until
    # then, to be kept.
    after idle ::standin::gui::take_back_preview
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

# The dialog's values may have changed: each change schedules one preview,
# after the changes that follow at once.
proc ::standin::gui::values_edited {parameters} {
    variable wanted
    if {$parameters eq $wanted} return
    set wanted $parameters
    schedule_preview
}

# Apply is greyed while the model has the wave its values give: until they,
# the scene or the selection change.
proc ::standin::gui::applicable {} {
    variable wanted
    variable applied
    expr {$applied eq "" || [stamp $wanted] ne $applied}
}

# OK or Apply: the preview shown becomes the model's when it is of these
# values on this selection; else the command runs.  Answers 1: the
# dialog runs nothing itself.
proc ::standin::gui::run_wave {parameters} {
    variable shown
    variable applied
    if {$applied ne "" && [stamp $parameters] eq $applied} {
        return 1
    }
    set steps [llength [standin history]]
    if {$shown ne "" && [standin preview] && [stamp $parameters] eq $shown} {
        set shown {}
        standin live keep
    } else {
        take_back_preview
        uplevel #0 [linsert $parameters 0 pjtrilo_go]
    }
    # A command that refused took no step: the values are still to apply.
    set applied [expr {[llength [standin history]] > $steps ? [stamp $parameters] : {}}]
    return 1
}

proc ::standin::gui::schedule_preview {} {
    variable preview_after
    after cancel $preview_after
    set preview_after [after 30 ::standin::gui::show_preview]
}

proc ::standin::gui::show_preview {} {
    variable preview_after ""
    variable wanted
    variable shown
    variable applied
    variable previewing
    variable live_preview
    variable dialog
    variable work
    if {!$live_preview || $dialog eq ""} return
    set now [stamp $wanted]
    if {![llength $wanted] || $now eq $applied} {
        take_back_preview
        return
    }
    # Nothing may change the scene while it is read or written.
    if {[dict size $work]} {
        set preview_after [after 100 ::standin::gui::show_preview]
        return
    }
    set shown {}
    set previewing 1
    try {
        set refused [standin preview run pjtrilo_go {*}$wanted]
    } on error problem {
        set refused $problem
        say "No preview: $problem"
    } finally {
        set previewing 0
    }
    if {$refused eq ""} {
        set shown $now
        say "Preview of the wave: OK or Apply keeps it, Cancel takes it back"
    }
}

# Takes the preview back, and schedules none.
proc ::standin::gui::take_back_preview {} {
    variable preview_after
    variable shown {}
    after cancel $preview_after
    if {[standin preview]} {
        standin preview clear
    }
}

proc ::standin::gui::preview_toggled {} {
    variable live_preview
    if {$live_preview} {
        schedule_preview
    } else {
        take_back_preview
    }
}

# The host changed from versions WAS to NOW while the dialog is open: a new
# scene or selection previews again, and may make Apply available again; so
# does a preview the host took back for a save.
proc ::standin::gui::preview_follows {was now} {
    variable dialog
    variable shown
    if {$dialog eq ""} return
    set moved 0
    foreach key {scene selection serial} {
        if {![dict exists $was $key] || [dict get $was $key] != [dict get $now $key]} {
            set moved 1
        }
    }
    if {$moved && [llength [info commands ::rilo::host_changed]]} {
        ::rilo::host_changed
    }
    if {$moved || ($shown ne "" && ![dict get $now preview])} {
        set shown {}
        schedule_preview
    }
}
