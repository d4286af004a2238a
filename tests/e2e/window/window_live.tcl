# The Rilo dialog's live preview in the main window, Redo, where the
# dialog opens, and what it shows of the selection.  Each row starts from examples/banner.ac as opened, the
# banner selected, and checks every coordinate as text, bit for bit.
source [file join [file dirname [info script]] .. lib.tcl]
windows_under_test

set work [scratch window_live]
set settle_ms 60  ;# a scheduled preview runs, and the view redraws

proc positions {} {
    lmap id [standin objects] {standin get $id}
}

proc edit {field value} {
    set ::rilo::ui($field) $value
    settle
}

proc button {name} {
    .rilo.f.buttons.$name invoke
    settle
}

# A key pressed in the main window.
proc key {event} {
    focus -force .view
    event generate .view <$event>
    settle
}

# The view's picture once it is not WAS: the redraw of a busy machine may
# come late, so it waits up to 50 settles, and a redraw that never comes
# answers WAS.
proc picture_other_than {was} {
    for {set i 0} {$i < 50 && [set now [::standin::gui::picture_[::standin::gui::view_name] data]] eq $was} {incr i} {
        settle
    }
    return $now
}

proc edit_states {} {
    uplevel #0 [.menubar.edit cget -postcommand]
    lmap label {Undo Redo} {.menubar.edit entrycget $label -state}
}

# The dialog's place against the main window's, after opening it with the
# main window at GEOMETRY: right, left or elsewhere, whether it covers any
# of the selection on screen, and whether it is on screen.
proc placed {geometry} {
    wm geometry . $geometry
    settle
    open_dialog
    set x [winfo rootx .rilo]
    set y [winfo rooty .rilo]
    set right [expr {$x + [winfo width .rilo]}]
    set bottom [expr {$y + [winfo height .rilo]}]
    set covers [::standin::gui::covered_area [list $x $y $right $bottom] [::standin::gui::selection_boxes]]
    set on_screen [expr {$x >= 0 && $y >= 0 && $right <= [winfo screenwidth .] && $bottom <= [winfo screenheight .]}]
    set main_left [winfo rootx .]
    set main_right [expr {$main_left + [winfo width .]}]
    set side [expr {$x >= $main_right ? "right" : $right <= $main_left ? "left" : "elsewhere"}]
    button cancel
    list $side [expr {$covers > 0}] $on_screen
}

# Whether the dialog names where the host's query says the selection lies
# along its frequency axis.
proc extent_shown {} {
    set axis $::rilo::ui(freq_axis)
    set extent [standin extent $axis]
    string match "Selection along [string toupper $axis]: [format %g [dict get $extent low]] to\
        [format %g [dict get $extent high]] (*" [.rilo.f.extent cget -text]
}

test live-rows {the dialog shows the real command's wave on the model; OK, Apply, Cancel, undo, redo and save take it as the user sees it} {
    set result {}
    foreach {name script expected} {
        edit-is-the-command {
            open_dialog
            edit amplitude 0.37
            edit amp_axis z
            set shown [positions]
            button cancel
            set back [expr {[positions] eq $::start}]
            pjtrilo_go {*}[::rilo::parameters]
            list [expr {$shown ne $::start}] $back [expr {[positions] eq $shown}] [standin history]
        } {1 1 1 rilo}
        cancel {
            open_dialog
            edit amplitude 0.6
            edit additive 0
            button cancel
            list [expr {[positions] eq $::start}] [standin history] [wm title .] [winfo exists .rilo] [standin live]
        } {1 {} {banner.ac - standin} 0 0}
        each-edit-drawn {
            open_dialog
            edit amplitude 0.2
            set first [picture_other_than {}]
            edit amplitude 0.6
            set second [picture_other_than $first]
            button cancel
            list [expr {$first ne $second}] [expr {[picture_other_than $second] ne $second}]
        } {1 1}
        escape {
            open_dialog
            edit amplitude 0.6
            focus -force .rilo.f.wave.frequency
            event generate .rilo.f.wave.frequency <Escape>
            settle
            list [expr {[positions] eq $::start}] [standin history] [winfo exists .rilo]
        } {1 {} 0}
        ok {
            open_dialog
            edit amplitude 0.45
            set params [::rilo::parameters]
            button ok
            set waved [positions]
            set history [standin history]
            standin undo
            set undone [expr {[positions] eq $::start}]
            pjtrilo_go {*}$params
            list $history $undone [expr {[positions] eq $waved}] [winfo exists .rilo]
        } {rilo 1 1 0}
        apply-twice {
            open_dialog
            edit amplitude 0.3
            set params [::rilo::parameters]
            button apply
            set once [positions]
            set greyed [.rilo.f.buttons.apply instate disabled]
            button apply
            set after_apply [list [standin history] [standin live] [expr {[positions] eq $once}]]
            edit amplitude 0.2
            set on_top [expr {[standin live] && [positions] ne $once}]
            button apply
            set twice [positions]
            button ok
            set kept [list [standin history] [expr {[positions] eq $twice}] [winfo exists .rilo]]
            standin undo
            standin undo
            pjtrilo_go {*}$params
            set same_once [expr {[positions] eq $once}]
            list $greyed $after_apply $on_top $kept $same_once
        } {1 {rilo 0 1} 1 {{rilo rilo} 1 0} 1}
        apply-then-new-selection {
            open_dialog
            edit amplitude 0.3
            button apply
            select_in_tree o[object_id pole]
            set previewing [standin live]
            button ok
            list $previewing [standin history]
        } {1 {rilo rilo}}
        random-phase {
            open_dialog
            edit random 1
            set shown [positions]
            button apply
            set applied [positions]
            edit amplitude 0.4
            set shown_again [positions]
            button ok
            list [expr {$applied eq $shown}] [expr {[positions] eq $shown_again}] [standin history]
        } {1 1 {rilo rilo}}
        refused-then-selected {
            standin select none
            open_dialog
            button apply
            destroy .message
            standin messages clear
            set pole [object_id pole]
            lassign [at $pole 0] x y
            drag_box [expr {$x - 8}] [expr {$y - 8}] [expr {$x + 8}] [expr {$y + 8}]
            set shown [positions]
            set previewing [list [standin live] [.rilo.f.buttons.apply instate disabled]]
            button ok
            list $previewing [standin history] [expr {[positions] eq $shown}]
        } {{1 0} rilo 1}
        no-selection {
            standin select none
            open_dialog
            set got [list $::standin::gui::bands(status) [winfo exists .message] [standin messages] [standin live] \
                [expr {[positions] eq $::start}]]
            button cancel
            set got
        } {{rilo : no vertices selected} 0 {} 0 1}
        selection-changes {
            set banner [object_id banner]
            set pole [object_id pole]
            set before [list [standin get $banner] [standin get $pole]]
            open_dialog
            select_in_tree o$pole
            set moved [list [expr {[standin get $banner] eq [lindex $before 0]}] \
                [expr {[standin get $pole] ne [lindex $before 1]}]]
            button cancel
            list {*}$moved [expr {[positions] eq $::start}]
        } {1 1 1}
        undo-redo-keys {
            set states [list [edit_states]]
            pjtrilo_go x y 1 0.2 0 1 1
            set a [positions]
            pjtrilo_go x z 2 0.1 0 1 1
            set b [positions]
            set seen {}
            foreach event {Control-z Control-z Control-y Control-Shift-Key-Z} {
                key $event
                set now [positions]
                lappend seen [expr {$now eq $::start ? "start" : $now eq $a ? "a" : $now eq $b ? "b" : "?"}]
                lappend states [edit_states]
            }
            list $seen $states $::standin::gui::bands(status) [wm title .]
        } {{a start a b} {{disabled disabled} {normal normal} {disabled normal} {normal normal} {normal disabled}}
           {Redid rilo} {banner.ac* - standin}}
        undo-while-previewing {
            open_dialog
            edit amplitude 0.3
            button apply
            edit amplitude 0.5
            key Control-z
            set previewing [standin live]
            button cancel
            list $previewing [expr {[positions] eq $::start}] [standin history] [standin history redo]
        } {1 1 {} rilo}
        save-while-previewing {
            standin save [file join $::work plain.ac]
            standin save [file join $::work saved.ac]
            open_dialog
            edit amplitude 0.5
            set previewing [standin live]
            key Control-s
            set same [expr {[read_text [file join $::work saved.ac]] eq [read_text [file join $::work plain.ac]]}]
            set shown_again [standin live]
            set title [wm title .]
            button cancel
            list $previewing $same $shown_again $title [expr {[positions] eq $::start}]
        } {1 1 1 {saved.ac - standin} 1}
        switched-off {
            open_dialog
            .status.live invoke
            set off [list [standin live] [expr {[positions] eq $::start}]]
            edit amplitude 0.8
            lappend off [standin live]
            .status.live invoke
            settle
            set on [standin live]
            button cancel
            list $off $on [expr {[positions] eq $::start}]
        } {{0 1 0} 1 1}
        dialog-beside {
            set sides [list [placed 500x500+0+0] [placed 500x500+770+0] [placed 1100x500+100+0]]
            wm geometry . 980x640+0+0
            set sides
        } {{right 0 1} {left 0 1} {elsewhere 0 1}}
        extent-follows {
            open_dialog
            set shown [extent_shown]
            edit freq_axis z
            lappend shown [extent_shown]
            select_in_tree o[object_id pole]
            lappend shown [extent_shown] [.rilo.f.buttons.ok instate disabled]
            standin select none
            settle
            lappend shown [.rilo.f.extent_note cget -text] [.rilo.f.buttons.ok instate disabled]
            button cancel
            set shown
        } {1 1 1 0 {Nothing is selected: select what the wave should move.} 1}
        dialog-kept {
            open_dialog
            wm geometry .rilo +40+50
            settle
            button cancel
            open_dialog
            set at [list [winfo rootx .rilo] [winfo rooty .rilo]]
            wm geometry .rilo +5000+5000
            settle
            button cancel
            open_dialog
            set on_screen [expr {[winfo rootx .rilo] + [winfo width .rilo] == [winfo screenwidth .] &&
                                 [winfo rooty .rilo] + [winfo height .rilo] == [winfo screenheight .]}]
            button cancel
            list $at $on_screen
        } {{40 50} 1}
    } {
        destroy .rilo .message
        standin load $::model
        standin select objects banner
        settle
        set ::start [positions]
        set got [eval $script]
        lappend result [expr {$got eq [lrange $expected 0 end] ? "ok" : "$name: $got"}]
    }
    set result
} [lrepeat 18 ok]

file delete -force $work
finish
