# The main window's live preview of the Rilo dialog's wave (sourced by
# window.tcl).

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
