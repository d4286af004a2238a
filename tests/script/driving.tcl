# Driving the dialog as a user would, in the stand-in's window
# (tests/e2e/dialog_gui.tcl) and in a plain wish (dialog_calls.tcl), and
# the one table of user actions both run.

# Runs SCRIPT between updates until it is true, for at most five seconds.
proc wait_until {script} {
    for {set i 0} {$i < 250} {incr i} {
        update
        if {[uplevel 1 [list expr $script]]} {
            return 1
        }
        after 20
    }
    return 0
}

# Replaces an entry's text by typing it, key by key, with the focus there.
proc type_into {entry text} {
    set keysyms {. period - minus + plus " " space _ underscore}
    focus -force $entry
    update
    $entry selection range 0 end
    event generate $entry <KeyPress> -keysym BackSpace
    foreach char [split $text ""] {
        set keysym [expr {[dict exists $keysyms $char] ? [dict get $keysyms $char] : $char}]
        event generate $entry <KeyPress> -keysym $keysym
    }
    update
}

# One user action: {open}, {type FIELD TEXT}, {click WIDGET} (under .rilo.f),
# {key KEY} in the frequency entry, {alt LETTER}, or {select none|strip} in
# the host (select_in_host, the driver's).
proc act {step} {
    set f .rilo.f
    lassign $step how what text
    switch -- $how {
        open { pjtrilo_dialog; wait_until {[winfo exists .rilo] && [winfo viewable .rilo]} }
        type { type_into $f.wave.$what $text }
        click { $f.$what invoke }
        key { focus -force $f.wave.frequency; update; event generate $f.wave.frequency <$what> }
        alt { event generate [focus] <Alt-Key-$what> }
        select { select_in_host $what }
    }
    update
}

# What the dialog shows: closed, or the notes of the fields and the axes
# that say something, and which of the offset, OK and Apply are greyed.
proc state {} {
    set f .rilo.f
    if {![winfo exists $f]} {
        return closed
    }
    set out {}
    foreach {note name} {wave.frequency_note frequency wave.amplitude_note amplitude wave.offset_note offset
                         axes.note axes extent_note selection} {
        if {[winfo ismapped $f.$note] && [$f.$note cget -text] ne ""} {
            lappend out $name [$f.$note cget -text]
        }
    }
    set greyed [lmap {w name} {wave.offset offset buttons.ok ok buttons.apply apply} {
        if {![$f.$w instate disabled]} continue
        set name
    }]
    concat $out [expr {[llength $greyed] ? [list greyed $greyed] : {}}]
}

# The table: a row's name, its user actions, the calls of pjtrilo_go they
# make (::calls records them) and what the dialog shows after them.
set dialog_rows {
    opened {open {key Return}} {{x y 1 1 0 1 1}} closed
    choices {
        open {type frequency 2.5} {type amplitude " 0.5 "} {type offset 25}
        {click axes.amp_z} {click wave.across} {click shape.curve} {click buttons.apply}
    } {{x z 2.5 0.5 25 0 0}} {selection {Below twice the vertex spacing (0.25): the wave will alias.}}
    random-phase {{click wave.random} {alt a}} {{x z 2.5 0.5 random 0 0}}
        {selection {Below twice the vertex spacing (0.25): the wave will alias.} greyed offset}
    offset-back {{click wave.random} {type offset 010} {click buttons.apply}} {{x z 2.5 0.5 010 0 0}}
        {selection {Below twice the vertex spacing (0.25): the wave will alias.}}
    hexadecimal {{type offset 0x10} {click buttons.apply}} {{x z 2.5 0.5 0x10 0 0}}
        {offset {reads as 0} selection {Below twice the vertex spacing (0.25): the wave will alias.}}
    separator {{type frequency 1_000} {click buttons.apply}} {{x z 1_000 0.5 0x10 0 0}}
        {frequency {reads as 1} offset {reads as 0}}
    zeros {{type offset " 0025 "} {click buttons.apply}} {{x z 1_000 0.5 0025 0 0}} {frequency {reads as 1}}
    trailing {{type amplitude 1.5abc} {click buttons.apply}} {{x z 1_000 1.5abc 0025 0 0}}
        {frequency {reads as 1} amplitude {reads as 1.5}}
    exponent {{type frequency -2E-3} {type amplitude +.5e1} {key KP_Enter}} {{x z -2E-3 +.5e1 0025 0 0}} closed
    same-axis {open {click axes.amp_x} {key Return} {click buttons.apply}} {}
        {axes {Choose two different axes.} greyed {ok apply}}
    not-number {{click axes.amp_y} {type amplitude abc} {key Return}} {} {amplitude {not a number} greyed {ok apply}}
    too-large {{type amplitude 1e39} {click buttons.apply}} {} {amplitude {too large} greyed {ok apply}}
    empty {{type amplitude 2} {type frequency ""} {alt a}} {} {frequency {enter a number} greyed {ok apply}}
    bad-offset {{type frequency 3} {type offset x} {key Return}} {}
        {offset {not a number} selection {Below twice the vertex spacing (0.25): the wave will alias.} greyed {ok apply}}
    per-unit {{type offset 0} {type frequency 1} {click wave.per_unit}} {} {}
    per-unit-aliased {{type frequency 2.5}} {}
        {selection {Below twice the vertex spacing (0.25): the wave will alias.}}
    along-z {{click axes.freq_z}} {} {}
    nothing-selected {{click axes.freq_x} {select none} {type frequency 3} {click buttons.apply} {key Return}} {}
        {selection {Nothing is selected: select what the wave should move.} greyed {ok apply}}
    selected-again {{select strip} {click wave.across} {type offset x} {click wave.random} {key Return}}
        {{x y 3 2 random 0 0}} closed
    escape {open {type frequency 9} {key Escape}} {} closed
    remembered {open {click buttons.ok}} {{x y 3 2 random 0 0}} closed
}

# Runs the table; DONE NAME CALLS runs after each row's actions and answers
# what it found wrong, or "".  Answers the rows that went wrong.
proc run_rows {done} {
    set wrong {}
    foreach {name actions calls shows} $::dialog_rows {
        set before [llength $::calls]
        foreach step $actions {
            act $step
        }
        set made [lrange $::calls $before end]
        set fault [{*}$done $name $made]
        set state [state]
        if {$made ne $calls || $state ne $shows || $fault ne ""} {
            lappend wrong "$name: $made / $state $fault"
        }
    }
    join $wrong \n
}
